#pragma once
// The system clipboard through Qt: a packed DIB becomes an image any program can paste.
#include "dde/PictureClipboard.h"

namespace velatrace {

class QtPictureClipboard final : public PictureClipboard {
  public:
    bool PutDib(const uint8_t* dib, size_t size) override;
};

}  // namespace velatrace
