#pragma once
// The driver library loaded with dlopen: libgtcusbr.so, or the path in VELATRACE_DRIVER, with
// the undecorated entry names. The read-completion event is an eventfd.
#include <string>

#include "logger/DriverLibrary.h"

namespace velatrace {

class DriverLibraryDl final : public DriverLibrary {
  public:
    // An empty path means VELATRACE_DRIVER, else "libgtcusbr.so" on the loader's search path,
    // else the one in the installation's library folder.
    explicit DriverLibraryDl(std::string path = {});
    ~DriverLibraryDl() override;

    bool Load() override;
    void Unload() override;
    bool HasEntry(DriverEntry entry) const override;

    DeviceHandle OpenDevice() override;
    int CloseDevice(DeviceHandle dev) override;
    int ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                   uint32_t timeoutMs) override;
    int ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size, GtcCompletion* done) override;
    int WriteDevice(DeviceHandle dev, const void* buf, uint32_t count, uint32_t* written,
                    uint32_t timeoutMs) override;
    uint32_t LastError() const override { return lastError_; }

    int64_t MakeEvent() override;
    uint32_t WaitEvent(int64_t event, uint32_t timeoutMs) override;
    void CloseEvent(int64_t event) override;

  private:
    using OpenFn = intptr_t (*)();
    using CloseFn = int (*)(intptr_t);
    using ReadFn = int (*)(intptr_t, void*, uint32_t, uint32_t*, uint32_t);
    using ReadExFn = int (*)(intptr_t, void*, uint32_t, GtcCompletion*);
    using WriteFn = int (*)(intptr_t, const void*, uint32_t, uint32_t*, uint32_t);
    using WriteExFn = int (*)(intptr_t, const void*, uint32_t, GtcCompletion*);

    // Keeps errno of a failed entry call as the reason LastError() reports.
    int Keep(int result);

    std::string path_;
    std::string fallback_;  // tried when path_ does not load; empty for a chosen path
    void* module_ = nullptr;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    ReadFn read_ = nullptr;
    ReadExFn readEx_ = nullptr;
    WriteFn write_ = nullptr;
    WriteExFn writeEx_ = nullptr;
    uint32_t lastError_ = 0;
};

}  // namespace velatrace
