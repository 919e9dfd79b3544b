#pragma once
// The byte-level link to the one logger device: binds the driver library, opens and closes the
// device, and sends and reads bytes through one fixed 16000-byte receive buffer.
#include <cstdint>

#include "logger/DriverLibrary.h"

namespace velatrace {

inline constexpr uint32_t kReceiveBufferSize = 16000;
inline constexpr uint32_t kDefaultTimeoutMs = 2000;

class LoggerLink {
  public:
    explicit LoggerLink(DriverLibrary& driver) : driver_(driver) {}
    LoggerLink(const LoggerLink&) = delete;
    LoggerLink& operator=(const LoggerLink&) = delete;

    bool BindDriver(bool bind);
    bool OpenLogger();
    // Sends the remote-off command with the terminator and closes the device and the library.
    void CloseLogger(int terminator);

    uint32_t SendBytes(const void* buffer, uint32_t length, uint32_t timeoutMs);
    uint32_t ReadBytes(uint32_t length, uint32_t* bytesRead, uint32_t timeoutMs);
    // Starts an event read of a reply; with `wait` it waits for the reply (up to the time-out),
    // else it returns at once and the reply arrives in the receive buffer later.
    uint32_t ReadReply(uint32_t offset, uint32_t timeoutMs, bool wait = true);

    bool IsOpen() const { return device_ != 0; }
    // The reply of the last ReadReply, always NUL-terminated.
    const char* ReplyText() const { return reinterpret_cast<const char*>(receive_); }
    const uint8_t* ReceiveBuffer() const { return receive_; }

  private:
    static uint32_t Effective(uint32_t timeoutMs) {
        return timeoutMs == 0 ? kDefaultTimeoutMs : timeoutMs;
    }

    DriverLibrary& driver_;
    bool bound_ = false;
    DeviceHandle device_ = 0;
    GtcCompletion completion_ = {};
    int64_t event_ = -1;
    // One byte more than the library may fill, kept 0, so a reply that fills the whole buffer
    // still reads as a terminated text.
    uint8_t receive_[kReceiveBufferSize + 1] = {};
};

}  // namespace velatrace
