#include "logger/DriverLibraryDl.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "base/InstalledLibrary.h"

namespace velatrace {

namespace {
constexpr char kDefaultLibrary[] = "libgtcusbr.so";
constexpr char kDriverVariable[] = "VELATRACE_DRIVER";

template <typename Fn>
Fn Entry(void* module, const char* name) {
    return reinterpret_cast<Fn>(dlsym(module, name));
}
}  // namespace

DriverLibraryDl::DriverLibraryDl(std::string path) : path_(std::move(path)) {
    if (path_.empty()) {
        const char* configured = std::getenv(kDriverVariable);
        if (configured != nullptr && configured[0] != '\0') {
            path_ = configured;
        } else {
            path_ = kDefaultLibrary;
            // A driver installed on the system comes first; an installation of this program
            // brings the simulated logger in its own library folder.
            fallback_ = InstalledLibraryPath(kDefaultLibrary);
        }
    }
}

DriverLibraryDl::~DriverLibraryDl() {
    Unload();
}

bool DriverLibraryDl::Load() {
    if (module_ != nullptr) {
        return true;
    }
    module_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr && !fallback_.empty()) {
        module_ = dlopen(fallback_.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (module_ == nullptr) {
        return false;
    }
    open_ = Entry<OpenFn>(module_, "GtcUSBr_OpenDevice");
    close_ = Entry<CloseFn>(module_, "GtcUSBr_CloseDevice");
    read_ = Entry<ReadFn>(module_, "GtcUSBr_ReadDevice");
    readEx_ = Entry<ReadExFn>(module_, "GtcUSBr_ReadDeviceEx");
    write_ = Entry<WriteFn>(module_, "GtcUSBr_WriteDevice");
    writeEx_ = Entry<WriteExFn>(module_, "GtcUSBr_WriteDeviceEx");
    return true;
}

void DriverLibraryDl::Unload() {
    if (module_ != nullptr) {
        dlclose(module_);
    }
    module_ = nullptr;
    open_ = nullptr;
    close_ = nullptr;
    read_ = nullptr;
    readEx_ = nullptr;
    write_ = nullptr;
    writeEx_ = nullptr;
}

bool DriverLibraryDl::HasEntry(DriverEntry entry) const {
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
            return writeEx_ != nullptr;
    }
    return false;
}

int DriverLibraryDl::Keep(int result) {
    lastError_ = result != 0 ? 0 : static_cast<uint32_t>(errno);
    return result;
}

DeviceHandle DriverLibraryDl::OpenDevice() {
    if (open_ == nullptr) {
        lastError_ = err::kProcNotFound;
        return 0;
    }
    errno = 0;
    const intptr_t device = open_();
    lastError_ = device != 0 ? 0 : static_cast<uint32_t>(errno);
    return device;
}

int DriverLibraryDl::CloseDevice(DeviceHandle dev) {
    if (close_ == nullptr) {
        lastError_ = err::kProcNotFound;
        return 0;
    }
    errno = 0;
    return Keep(close_(dev));
}

int DriverLibraryDl::ReadDevice(DeviceHandle dev, void* buf, uint32_t count, uint32_t* read,
                                uint32_t timeoutMs) {
    if (read_ == nullptr) {
        lastError_ = err::kProcNotFound;
        return 0;
    }
    errno = 0;
    return Keep(read_(dev, buf, count, read, timeoutMs));
}

int DriverLibraryDl::ReadDeviceEx(DeviceHandle dev, void* buf, uint32_t size, GtcCompletion* done) {
    if (readEx_ == nullptr) {
        lastError_ = err::kProcNotFound;
        return 0;
    }
    errno = 0;
    return Keep(readEx_(dev, buf, size, done));
}

int DriverLibraryDl::WriteDevice(DeviceHandle dev, const void* buf, uint32_t count,
                                 uint32_t* written, uint32_t timeoutMs) {
    if (write_ == nullptr) {
        lastError_ = err::kProcNotFound;
        return 0;
    }
    errno = 0;
    return Keep(write_(dev, buf, count, written, timeoutMs));
}

int64_t DriverLibraryDl::MakeEvent() {
    return eventfd(0, EFD_CLOEXEC);
}

uint32_t DriverLibraryDl::WaitEvent(int64_t event, uint32_t timeoutMs) {
    if (event < 0) {
        return err::kWaitFailed;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fd{static_cast<int>(event), POLLIN, 0};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready = poll(&fd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0) {
            uint64_t value = 0;
            // Reading resets the counter: the event is auto-reset like the design's.
            return ::read(fd.fd, &value, sizeof value) == sizeof value ? err::kSuccess
                                                                       : err::kWaitFailed;
        }
        if (ready == 0) {
            return err::kWaitTimeout;
        }
        if (errno != EINTR) {
            return err::kWaitFailed;
        }
    }
}

void DriverLibraryDl::CloseEvent(int64_t event) {
    if (event >= 0) {
        ::close(static_cast<int>(event));
    }
}

}  // namespace velatrace

#include "logger/OpenDriverLibrary.h"

namespace velatrace {

std::unique_ptr<DriverLibrary> OpenDriverLibrary() {
    return std::make_unique<DriverLibraryDl>();
}

}  // namespace velatrace
