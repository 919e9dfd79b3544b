#pragma once
// The still-image transfer to a spreadsheet or the companion viewer, as the frame sees it.
// Without a DDE backend, initialisation fails and no command is enabled.
#include <cstdint>

namespace velatrace {

class StillTransfer {
  public:
    virtual ~StillTransfer() = default;
    virtual bool DdeInit() = 0;
    virtual bool DdeConnectApp() = 0;
    // Sends the grabbed frame (a 24-bit bitmap of `bytes` bytes after its 40-byte header).
    virtual void TransferFrame(const void* header, const uint8_t* pixels, int32_t bytes) = 0;
};

// The stand-in where no DDE exists.
class NoStillTransfer final : public StillTransfer {
  public:
    bool DdeInit() override { return false; }
    bool DdeConnectApp() override { return false; }
    void TransferFrame(const void*, const uint8_t*, int32_t) override {}
};

}  // namespace velatrace
