// The driver library on Windows: gtcusbr.dll with its decorated standard-call entry names.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "logger/DriverLibrary.h"

namespace velatrace {

namespace {
using OpenFn = intptr_t(__stdcall*)();
using CloseFn = BOOL(__stdcall*)(intptr_t);
using ReadFn = BOOL(__stdcall*)(intptr_t, void*, DWORD, DWORD*, DWORD);
using ReadExFn = BOOL(__stdcall*)(intptr_t, void*, DWORD, void*);
using WriteFn = BOOL(__stdcall*)(intptr_t, const void*, DWORD, DWORD*, DWORD);

// The completion record holds the event handle in both of its last two words.
HANDLE EventOf(int64_t event) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(event & 0xFFFFFFFF));
}
}  // namespace

class DriverLibraryWin32 final : public DriverLibrary {
  public:
    bool Load() override {
        if (module_ != nullptr) {
            return true;
        }
        const char* configured = std::getenv("VELATRACE_DRIVER");
        module_ = LoadLibraryA(configured != nullptr && configured[0] != '\0' ? configured
                                                                              : "gtcusbr.dll");
        if (module_ == nullptr) {
            return false;
        }
        open_ = reinterpret_cast<OpenFn>(GetProcAddress(module_, "_GtcUSBr_OpenDevice@0"));
        close_ = reinterpret_cast<CloseFn>(GetProcAddress(module_, "_GtcUSBr_CloseDevice@4"));
        read_ = reinterpret_cast<ReadFn>(GetProcAddress(module_, "_GtcUSBr_ReadDevice@20"));
        readEx_ = reinterpret_cast<ReadExFn>(GetProcAddress(module_, "_GtcUSBr_ReadDeviceEx@16"));
        write_ = reinterpret_cast<WriteFn>(GetProcAddress(module_, "_GtcUSBr_WriteDevice@20"));
        writeEx_ = GetProcAddress(module_, "_GtcUSBr_WriteDeviceEx@16") != nullptr;
        return true;
    }
    void Unload() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
        module_ = nullptr;
        open_ = nullptr;
        close_ = nullptr;
        read_ = nullptr;
        readEx_ = nullptr;
        write_ = nullptr;
        writeEx_ = false;
    }
    bool HasEntry(DriverEntry entry) const override {
        switch (entry) {
            case DriverEntry::OpenDevice:
                return open_ != nullptr;
            case DriverEntry::CloseDevice:
                return close_ != nullptr;
            case DriverEntry::ReadDevice:
                return read_ != nullptr;
            case DriverEntry::ReadDeviceEx:
                return readEx_ != nullptr;
            case DriverEntry::WriteDevice:
                return write_ != nullptr;
            case DriverEntry::WriteDeviceEx:
                return writeEx_;
        }
        return false;
    }
    DeviceHandle OpenDevice() override {
        if (open_ == nullptr) {
            lastError_ = err::kProcNotFound;
            return 0;
        }
        const intptr_t device = open_();
        lastError_ = device != 0 ? 0 : GetLastError();
        return device;
    }
    int CloseDevice(DeviceHandle dev) override {
        return close_ != nullptr ? Keep(close_(dev)) : Missing();
    }
    int ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                   uint32_t timeoutMs) override {
        DWORD got = 0;
        const int ok = read_ != nullptr ? Keep(read_(dev, buf, count, &got, timeoutMs)) : Missing();
        *read = got;
        return ok;
    }
    int ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size, GtcCompletion* done) override {
        return readEx_ != nullptr ? Keep(readEx_(dev, buf, size, done)) : Missing();
    }
    int WriteDevice(DeviceHandle dev, const void* buf, uint32_t count, uint32_t* written,
                    uint32_t timeoutMs) override {
        DWORD put = 0;
        const int ok =
            write_ != nullptr ? Keep(write_(dev, buf, count, &put, timeoutMs)) : Missing();
        *written = put;
        return ok;
    }
    uint32_t LastError() const override { return lastError_; }

    int64_t CreateEvent() override {
        HANDLE h = CreateEventA(nullptr, FALSE, FALSE, "olp");
        if (h == nullptr) {
            return -1;
        }
        const uint64_t word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
        return static_cast<int64_t>(word | (word << 32));
    }
    uint32_t WaitEvent(int64_t event, uint32_t timeoutMs) override {
        return event < 0 ? err::kWaitFailed : WaitForSingleObject(EventOf(event), timeoutMs);
    }
    void CloseEvent(int64_t event) override {
        if (event >= 0) {
            CloseHandle(EventOf(event));
        }
    }

  private:
    int Keep(BOOL result) {
        lastError_ = result ? 0 : GetLastError();
        return result ? 1 : 0;
    }
    int Missing() {
        lastError_ = err::kProcNotFound;
        return 0;
    }

    HMODULE module_ = nullptr;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    ReadFn read_ = nullptr;
    ReadExFn readEx_ = nullptr;
    WriteFn write_ = nullptr;
    bool writeEx_ = false;
    uint32_t lastError_ = 0;
};

}  // namespace velatrace

#include "logger/OpenDriverLibrary.h"

namespace velatrace {

std::unique_ptr<DriverLibrary> OpenDriverLibrary() {
    return std::make_unique<DriverLibraryWin32>();
}

}  // namespace velatrace
