#include "logger/LoggerProtocol.h"

#include <cstring>

#include "base/FixedText.h"
#include "logger/RangeScale.h"

namespace velatrace {

namespace {
constexpr const char* kTerminators[kTerminatorCount] = {"\r\n", "\r", "\n", ""};

constexpr const char* kCmdOnePoint = ":MEAS:OUTP:ONE?%s";
constexpr const char* kCmdChannelCount = ":INFO:CH?%s";
constexpr const char* kCmdAmp = ":AMP:CH%d?%s";
constexpr const char* kCmdAlarm = ":ALAR:CH%d?%s";
constexpr const char* kCmdSampling = ":DATA:SAMP?%s";
constexpr const char* kCmdAck = ":MEAS:OUTP:ACK?%s";
constexpr const char* kControlCommands[] = {":MEAS:OUTP:STAT?%s", ":MEAS:OUTP:CLR?%s",
                                            ":STAT:REM OFF%s"};

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kTextPauseMs = 10;

// Position of `needle` in `text` at or after `from`, or -1. Offsets past the end find nothing.
int32_t Find(const char* text, int32_t length, const char* needle, int32_t from = 0) {
    if (from < 0) {
        from = 0;
    }
    if (from > length) {
        return -1;
    }
    const char* hit = std::strstr(text + from, needle);
    return hit == nullptr ? -1 : static_cast<int32_t>(hit - text);
}

// The text from `offset` on, clamped to the text's end so no read passes its terminator.
const char* TextAt(const char* text, int32_t length, int32_t offset) {
    return text + (offset < length ? offset : length);
}
}  // namespace

const char* TerminatorBytes(int index) {
    // An out-of-range index (a damaged setting) falls back to the default CR LF.
    return (index >= 0 && index < kTerminatorCount) ? kTerminators[index] : kTerminators[0];
}

size_t FormatCommand(char (&out)[kCommandSize], const char* format, int terminator, int channel) {
    if (std::strstr(format, "%d") != nullptr) {
        return FormatText(out, kCommandSize, format, channel, TerminatorBytes(terminator));
    }
    return FormatText(out, kCommandSize, format, TerminatorBytes(terminator));
}

uint32_t LoggerProtocol::TextExchange(const char* command, size_t length, uint32_t timeoutMs) {
    link_.SendBytes(command, static_cast<uint32_t>(length), timeoutMs);
    clock_.Sleep(kTextPauseMs);
    return link_.ReadReply(0, timeoutMs);
}

uint32_t LoggerProtocol::BlockHeaderExchange(const char* command, size_t length,
                                             uint32_t sendTimeoutMs, uint32_t readTimeoutMs,
                                             int32_t* announced) {
    *announced = -1;
    link_.SendBytes(command, static_cast<uint32_t>(length), sendTimeoutMs);
    uint32_t got = 0;
    const uint32_t r = link_.ReadBytes(kHeaderSize, &got, readTimeoutMs);
    if (r != err::kSuccess) {
        return r;
    }
    const uint8_t* header = link_.ReceiveBuffer();
    if (got >= 2 && header[0] == '#' && header[1] == '6') {
        // Only the digits actually received count; a short header announces less, never junk.
        const int32_t n = LeadingInteger(reinterpret_cast<const char*>(header + 2), got - 2);
        *announced = n > 0 ? n : 0;
    }
    return r;
}

uint32_t LoggerProtocol::SendControl(LoggerControl kind, int terminator, uint32_t timeoutMs) {
    char command[kCommandSize];
    const size_t length =
        FormatCommand(command, kControlCommands[static_cast<int>(kind)], terminator);
    const uint32_t sent = link_.SendBytes(command, static_cast<uint32_t>(length), timeoutMs);
    if (kind == LoggerControl::RemoteOff) {
        return sent;
    }
    clock_.Sleep(kTextPauseMs);
    return link_.ReadReply(0, timeoutMs);
}

uint32_t LoggerProtocol::DrainBlock(int32_t byteCount, uint32_t timeoutMs) {
    uint32_t r = err::kSuccess;
    uint32_t remaining = static_cast<uint32_t>(byteCount);
    do {
        const uint32_t piece = remaining < kReceiveBufferSize ? remaining : kReceiveBufferSize;
        uint32_t got = 0;
        r = link_.ReadBytes(piece, &got, timeoutMs);
        if (r != err::kSuccess || got == 0) {
            break;
        }
        remaining -= got < remaining ? got : remaining;
    } while (remaining > 0);
    return r;
}

void LoggerProtocol::ParseAmpReply(ChannelInfo& ch, const char* reply) {
    const int32_t length = static_cast<int32_t>(std::strlen(reply));
    const int32_t p = Find(reply, length, "INP");
    if (p > 0) {
        CopyText(ch.input, TextAt(reply, length, p + 4), 4);
        ch.type = kTypeOff;
        if (char* cut = std::strchr(ch.input, ';')) {
            *cut = '\0';
        }
        if (std::strncmp(ch.input, "DC", 2) == 0) {
            ch.type = kTypeVoltage;
        } else if (std::strncmp(ch.input, "TEMP", 4) == 0) {
            ch.type = kTypeTemperature;
        } else if (std::strncmp(ch.input, "RH", 2) == 0) {
            ch.type = kTypeHumidity;
        }
    }
    // The range is searched after the input kind, or from position 4 when that was missing.
    const int32_t q = Find(reply, length, "RANG", (p >= 0 ? p : -1) + 5);
    if (q > 0) {
        CopyText(ch.range, TextAt(reply, length, q + 5), 6);
        ch.scale = ScaleForRange(ch.type, ch.range);
    }
}

void LoggerProtocol::ParseAlarmReply(ChannelInfo& ch, const char* reply, LoggerSetup& setup) {
    const int32_t length = static_cast<int32_t>(std::strlen(reply));
    // A channel whose alarm was switched off drives no output any more, as the dialog shows.
    ch.alarmOut = 0;
    if (Find(reply, length, "OFF") > 0 || ch.type == kTypeOff) {
        return;
    }
    const int32_t o = Find(reply, length, "OUTP");
    if (o > 0) {
        ch.alarmOut = LeadingInteger(TextAt(reply, length, o + 5), 1);
        if (ch.alarmOut >= 1 && ch.alarmOut <= kAlarmOutputs) {
            setup.alarmOutUsed[ch.alarmOut - 1] = 1;
        }
    }
}

uint32_t LoggerProtocol::QueryChannelInfo(int terminator, uint32_t timeoutMs, LoggerSetup& setup) {
    char command[kCommandSize];
    size_t length = FormatCommand(command, kCmdOnePoint, terminator);

    int32_t announced = -1;
    uint32_t r = BlockHeaderExchange(command, length, timeoutMs, timeoutMs, &announced);
    if (r != err::kSuccess) {
        return r;
    }
    if (announced >= 0) {
        setup.bytesPerPoint = announced;
        r = DrainBlock(announced, timeoutMs);
        if (r != err::kSuccess) {
            return r;
        }
    }

    length = FormatCommand(command, kCmdChannelCount, terminator);
    r = TextExchange(command, length, 0);
    if (r != err::kSuccess) {
        return r;
    }
    {
        const char* reply = link_.ReplyText();
        const int32_t replyLength = static_cast<int32_t>(std::strlen(reply));
        const int32_t p = Find(reply, replyLength, "CH");
        if (p > 0) {
            setup.channelCount = LeadingInteger(TextAt(reply, replyLength, p + 2), 3);
        }
    }

    for (int32_t& used : setup.alarmOutUsed) {
        used = 0;
    }
    for (int c = 1; c <= kChannels; ++c) {
        ChannelInfo& ch = setup.channel[c - 1];
        length = FormatCommand(command, kCmdAmp, terminator, c);
        r = TextExchange(command, length, 0);
        if (r != err::kSuccess) {
            return r;
        }
        ParseAmpReply(ch, link_.ReplyText());
        length = FormatCommand(command, kCmdAlarm, terminator, c);
        r = TextExchange(command, length, 0);
        if (r != err::kSuccess) {
            return r;
        }
        ParseAlarmReply(ch, link_.ReplyText(), setup);
    }

    length = FormatCommand(command, kCmdSampling, terminator);
    r = TextExchange(command, length, 0);
    int32_t interval = 0;
    const char* reply = link_.ReplyText();
    const int32_t replyLength = static_cast<int32_t>(std::strlen(reply));
    const int32_t s = Find(reply, replyLength, "SAMP");
    if (s > 0) {
        const int32_t v = s + 5;
        CopyText(setup.samplingText, TextAt(reply, replyLength, v), 5);
        const int32_t value = LeadingInteger(setup.samplingText);
        interval = Find(reply, replyLength, "MS", v) > 0 ? value : value * 1000;
    }
    setup.intervalMs = interval;
    return r;
}

uint32_t LoggerProtocol::PollAck(int terminator, uint32_t timeoutMs, int32_t pointSize,
                                 AckSink& sink) {
    char command[kCommandSize];
    const size_t length = FormatCommand(command, kCmdAck, terminator);
    int32_t announced = -1;
    uint32_t r = BlockHeaderExchange(command, length, 0, timeoutMs, &announced);
    if (r != err::kSuccess || announced < 0) {
        return r;
    }

    // A block larger than the receive buffer is read in pieces of whole points; each full piece
    // is consumed before the next read reuses the buffer, so no point of the block is lost.
    uint32_t remaining = static_cast<uint32_t>(announced);
    const uint32_t piece = (pointSize > 0 && static_cast<uint32_t>(pointSize) <= kReceiveBufferSize)
                               ? kReceiveBufferSize / static_cast<uint32_t>(pointSize) *
                                     static_cast<uint32_t>(pointSize)
                               : kReceiveBufferSize;
    uint32_t got = 0;
    while (remaining > kReceiveBufferSize) {
        r = link_.ReadBytes(piece, &got, timeoutMs);
        if (r != err::kSuccess || got == 0) {
            sink.Complete(r, 0);
            return r;
        }
        sink.Piece(got);
        remaining -= got;
    }
    r = link_.ReadBytes(remaining, &got, timeoutMs);
    sink.Complete(r, got);
    return r;
}

LoggerProtocol::Connection LoggerProtocol::ConnectLogger(int terminator) {
    Connection c;
    if (!link_.OpenLogger()) {
        return c;
    }
    c.opened = true;
    SendControl(LoggerControl::Clear, terminator, 0);
    c.queryResult = SendControl(LoggerControl::Status, terminator, 0);
    if (c.queryResult == err::kSuccess) {
        c.queryResult = QueryChannelInfo(terminator, 0, c.setup);
    }
    return c;
}

}  // namespace velatrace
