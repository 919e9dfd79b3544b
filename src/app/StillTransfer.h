#pragma once
// The still-image transfer's backend as the frame is given it: DDE on Windows, a workbook writer
// elsewhere, or, where neither is wanted, this stand-in whose initialisation fails.
#include "dde/DdeBackend.h"

namespace velatrace {

using StillTransfer = DdeBackend;

class NoStillTransfer final : public DdeBackend {
  public:
    bool Initialize() override { return false; }
    void Uninitialize() override {}
    bool Connect(const char*, const char*) override { return false; }
    void Disconnect() override {}
    bool PutPicture(const uint8_t*, size_t, const StillNote&) override { return false; }
    bool Execute(const char*) override { return false; }
};

}  // namespace velatrace
