#pragma once
// The logger maker's driver library, loaded at run time and never linked. The platform backend
// loads it by name (libgtcusbr.so / gtcusbr.dll, or the path in VELATRACE_DRIVER) and binds its
// entries; tests give a fake. Results follow the library: 0 is failure, LastError() tells why.
#include <cstdint>

namespace velatrace {

using DeviceHandle = std::intptr_t;

// Completion record of an event read: two status words and the event the library signals.
struct GtcCompletion {
    uint32_t status[2];
    int64_t event;
};

// Windows error and wait codes the logger path passes on unchanged.
namespace err {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidHandle = 6;    // no device open
inline constexpr uint32_t kGenFailure = 31;      // the device stopped working
inline constexpr uint32_t kWaitTimeout = 258;    // no reply in time
inline constexpr uint32_t kProcNotFound = 1114;  // open entry missing
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
}  // namespace err

enum class DriverEntry {
    OpenDevice,
    CloseDevice,
    ReadDevice,
    ReadDeviceEx,
    WriteDevice,
    WriteDeviceEx
};

class DriverLibrary {
  public:
    virtual ~DriverLibrary() = default;

    // Loads the library and looks up its entries; false when it cannot be loaded.
    virtual bool Load() = 0;
    virtual void Unload() = 0;
    virtual bool HasEntry(DriverEntry entry) const = 0;

    // The entries. Calling one that HasEntry() denies fails with kProcNotFound.
    virtual DeviceHandle OpenDevice() = 0;
    virtual int CloseDevice(DeviceHandle dev) = 0;
    virtual int ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                           uint32_t timeoutMs) = 0;
    virtual int ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size, GtcCompletion* done) = 0;
    virtual int WriteDevice(DeviceHandle dev, const void* buf, uint32_t count, uint32_t* written,
                            uint32_t timeoutMs) = 0;
    // The reason for the last failed entry call (errno on Linux, GetLastError on Windows).
    virtual uint32_t LastError() const = 0;

    // The read-completion event (not "CreateEvent": windows.h makes that name a macro): created
    // unsignalled and auto-reset; WaitEvent returns 0 when it was signalled, kWaitTimeout when
    // the time ran out, kWaitFailed when waiting failed.
    virtual int64_t MakeEvent() = 0;
    virtual uint32_t WaitEvent(int64_t event, uint32_t timeoutMs) = 0;
    virtual void CloseEvent(int64_t event) = 0;
};

}  // namespace velatrace
