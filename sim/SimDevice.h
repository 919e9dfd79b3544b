#pragma once
// One open simulated logger: takes the text commands written to it, queues the reply (a text or
// a data block) and serves it to the reads, injecting the configured faults. Time is passed in
// by the caller, in milliseconds of a steady clock; the device runs its own clock from it, faster
// by the configured time scale.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimConfig.h"
#include "sim/SimLogger.h"

namespace velatrace::sim {

class SimDevice {
  public:
    SimDevice(const SimConfig& config, uint64_t nowMs);

    // True once the configured disconnect time has passed; every call then fails.
    bool Disconnected(uint64_t nowMs) const;
    // The caller's time at which the disconnected logger is plugged in again; -1 when never.
    int64_t ReconnectMs() const;

    // Takes one command; trailing CR, LF and blanks are ignored, letters may be of either case.
    // Output not yet read is dropped first, so a reply always belongs to the last command.
    // Unknown commands, and any longer than 256 bytes, get no reply.
    void Write(std::string_view command, uint64_t nowMs);

    // Copies up to `count` pending bytes; false when nothing is pending (the caller times out).
    bool ReadBytes(uint8_t* dst, uint32_t count, uint32_t* delivered);
    // Copies the pending reply as text, cut to size - 1 bytes and NUL-terminated; false when
    // nothing is pending. Bytes that did not fit stay pending.
    bool ReadText(char* dst, uint32_t size, uint32_t* delivered);

    size_t PendingBytes() const { return output_.size() - readPos_; }
    const SimLogger& Logger() const { return logger_; }

  private:
    // The logger's own time for a caller's time: open time plus the elapsed time scaled.
    uint64_t DeviceMs(uint64_t nowMs) const;
    void Handle(const std::string& command, uint64_t deviceMs);
    void SendText(const std::string& text);
    void SendBlock(const std::vector<Point>& points);
    // Queues a reply unless a fault swallows it; a fault may also spoil it.
    void Send(std::vector<uint8_t> bytes, bool isBlock);

    SimLogger logger_;
    const SimConfig& config_;
    uint64_t openMs_;
    std::vector<uint8_t> output_;
    size_t readPos_ = 0;
    uint64_t replies_ = 0;  // replies made since open, text and blocks
    uint64_t blocks_ = 0;   // data blocks made since open
};

}  // namespace velatrace::sim
