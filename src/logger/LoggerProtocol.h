#pragma once
// The logger's text command set: forming commands, text and data-block exchanges, the channel
// information query, the acknowledge poll and the connect step.
#include <cstddef>
#include <cstdint>

#include "base/Clock.h"
#include "logger/LoggerLink.h"
#include "logger/LoggerSetup.h"

namespace velatrace {

// Terminator indices of the port settings: 0 "CrLf", 1 "Cr", 2 "Lf", 3 "None".
inline constexpr int kTerminatorCount = 4;
const char* TerminatorBytes(int index);

inline constexpr size_t kCommandSize = 32;

// Forms a command into a 32-byte buffer: "%s" in `format` is the terminator and "%d" (optional)
// the channel number. A longer result is cut at 31 characters. Returns the length.
size_t FormatCommand(char (&out)[kCommandSize], const char* format, int terminator,
                     int channel = 0);

// Control commands sent by SendControl.
enum class LoggerControl : int { Status = 0, Clear = 1, RemoteOff = 2 };

// Receives the answer of an acknowledge poll. Complete() stands for the message posted back to
// the window: it may run later, and the block's bytes stay in the receive buffer until the next
// read. Piece() is called at once for every full piece of a block larger than the receive
// buffer, which must be consumed before it returns.
class AckSink {
  public:
    virtual ~AckSink() = default;
    virtual void Piece(uint32_t byteCount) = 0;
    virtual void Complete(uint32_t result, uint32_t byteCount) = 0;
};

class LoggerProtocol {
  public:
    LoggerProtocol(LoggerLink& link, Clock& clock) : link_(link), clock_(clock) {}

    uint32_t SendControl(LoggerControl kind, int terminator, uint32_t timeoutMs);
    // Reads the point size, channel count, channel table and sampling interval into `setup`.
    // A field the logger does not answer keeps what `setup` held; on a failing exchange the
    // result is its code and `setup` holds what was read so far.
    uint32_t QueryChannelInfo(int terminator, uint32_t timeoutMs, LoggerSetup& setup);
    // Asks for the points gathered since the last poll; a block larger than the receive buffer
    // is read in pieces of whole points of `pointSize` bytes.
    uint32_t PollAck(int terminator, uint32_t timeoutMs, int32_t pointSize, AckSink& sink);
    // Opens the link, clears the logger and reads its status and channel table. `opened` is
    // false when no logger could be opened; `queryResult` is the first failing exchange's code
    // (the link stays open then, and the caller reports it); `setup` is what the logger told.
    struct Connection {
        bool opened = false;
        uint32_t queryResult = 0;
        LoggerSetup setup;
    };
    Connection ConnectLogger(int terminator);

  private:
    // Sends a command, pauses 10 ms and reads the text reply. Returns the ReadReply result.
    uint32_t TextExchange(const char* command, size_t length, uint32_t timeoutMs);
    // Sends a command and reads the 8-byte block header. Returns the read's result and, when the
    // header announces a block, its byte count in *announced (else -1).
    uint32_t BlockHeaderExchange(const char* command, size_t length, uint32_t sendTimeoutMs,
                                 uint32_t readTimeoutMs, int32_t* announced);
    // Reads and discards a block of `byteCount` bytes, in pieces the receive buffer holds.
    uint32_t DrainBlock(int32_t byteCount, uint32_t timeoutMs);
    void ParseAmpReply(ChannelInfo& ch, const char* reply);
    static void ParseAlarmReply(ChannelInfo& ch, const char* reply, LoggerSetup& setup);

    LoggerLink& link_;
    Clock& clock_;
};

}  // namespace velatrace
