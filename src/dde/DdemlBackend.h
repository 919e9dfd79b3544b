#pragma once
// The transfer over Windows DDE: a DDEML client conversation and the clipboard's CF_DIB.
#include <cstdint>

#include "dde/DdeBackend.h"

namespace velatrace {

class DdemlBackend final : public DdeBackend {
  public:
    ~DdemlBackend() override { Uninitialize(); }
    bool Initialize() override;
    void Uninitialize() override;
    bool Connect(const char* service, const char* topic) override;
    void Disconnect() override;
    bool PutPicture(const uint8_t* dib, size_t size, const StillNote& note) override;
    bool Execute(const char* command) override;

  private:
    uint32_t instance_ = 0;
    void* service_ = nullptr;       // HSZ
    void* topic_ = nullptr;         // HSZ
    void* conversation_ = nullptr;  // HCONV
};

}  // namespace velatrace
