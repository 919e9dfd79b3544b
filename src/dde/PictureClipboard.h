#pragma once
// The system clipboard, as far as still pictures go.
#include <cstddef>
#include <cstdint>

namespace velatrace {

class PictureClipboard {
  public:
    virtual ~PictureClipboard() = default;
    // Replaces the clipboard's content with a packed 24-bit DIB; false when it could not.
    virtual bool PutDib(const uint8_t* dib, size_t size) = 0;
};

}  // namespace velatrace
