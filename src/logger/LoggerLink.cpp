#include "logger/LoggerLink.h"

#include "logger/LoggerProtocol.h"

namespace velatrace {

namespace {
// A failed entry that leaves no reason must still read as a failure, never as success.
uint32_t FailureCode(const DriverLibrary& driver) {
    const uint32_t code = driver.LastError();
    return code != err::kSuccess ? code : err::kGenFailure;
}
}  // namespace

bool LoggerLink::BindDriver(bool bind) {
    if (bind) {
        bound_ = driver_.Load();
        return bound_;
    }
    driver_.Unload();
    bound_ = false;
    return false;
}

bool LoggerLink::OpenLogger() {
    if (!BindDriver(true)) {
        return false;
    }
    if (!driver_.HasEntry(DriverEntry::OpenDevice)) {
        return false;  // error 1114; the library stays loaded
    }
    const DeviceHandle device = driver_.OpenDevice();
    if (device == 0) {
        return false;
    }
    device_ = device;
    completion_ = {};
    event_ = driver_.MakeEvent();
    completion_.event = event_;
    return true;
}

void LoggerLink::CloseLogger(int terminator) {
    if (device_ == 0) {
        return;
    }
    char command[kCommandSize];
    const size_t length = FormatCommand(command, ":STAT:REM OFF%s", terminator);
    SendBytes(command, static_cast<uint32_t>(length), 0);
    driver_.CloseEvent(event_);
    event_ = -1;
    if (driver_.HasEntry(DriverEntry::CloseDevice)) {
        driver_.CloseDevice(device_);
    }
    // Cleared so that a second close, or I/O after it, never reaches the unloaded library.
    device_ = 0;
    BindDriver(false);
}

uint32_t LoggerLink::SendBytes(const void* buffer, uint32_t length, uint32_t timeoutMs) {
    if (device_ == 0) {
        return err::kInvalidHandle;
    }
    if (!driver_.HasEntry(DriverEntry::WriteDevice)) {
        return err::kProcNotFound;
    }
    uint32_t written = 0;
    if (!driver_.WriteDevice(device_, buffer, length, &written, Effective(timeoutMs))) {
        return FailureCode(driver_);
    }
    return err::kSuccess;
}

uint32_t LoggerLink::ReadBytes(uint32_t length, uint32_t* bytesRead, uint32_t timeoutMs) {
    *bytesRead = 0;
    if (device_ == 0) {
        return err::kInvalidHandle;
    }
    if (!driver_.HasEntry(DriverEntry::ReadDevice)) {
        return err::kProcNotFound;
    }
    if (length > kReceiveBufferSize) {
        length = kReceiveBufferSize;
    }
    receive_[0] = 0;
    if (!driver_.ReadDevice(device_, receive_, length, bytesRead, Effective(timeoutMs))) {
        receive_[0] = 0;
        *bytesRead = 0;
        return FailureCode(driver_);
    }
    if (*bytesRead > length) {
        *bytesRead = length;  // never trust a count beyond what was asked for
    }
    return err::kSuccess;
}

uint32_t LoggerLink::ReadReply(uint32_t offset, uint32_t timeoutMs, bool wait) {
    completion_.status[0] = 0;
    completion_.status[1] = 0;
    receive_[0] = 0;
    if (device_ == 0) {
        return err::kInvalidHandle;
    }
    if (!driver_.HasEntry(DriverEntry::ReadDeviceEx)) {
        return err::kProcNotFound;
    }
    if (offset >= kReceiveBufferSize) {
        offset = 0;
    }
    if (!driver_.ReadDeviceEx(device_, receive_ + offset, kReceiveBufferSize - offset,
                              &completion_)) {
        receive_[0] = 0;
        return FailureCode(driver_);
    }
    if (!wait) {
        return err::kSuccess;
    }
    return driver_.WaitEvent(event_, Effective(timeoutMs));
}

}  // namespace velatrace
