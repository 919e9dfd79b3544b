#include "sim/SimDevice.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "sim/PointLayout.h"
#include "sim/ReplyText.h"

namespace velatrace::sim {

namespace {
// Commands are a few dozen bytes; anything far longer is not one and is not copied.
constexpr size_t kMaxCommandBytes = 256;

bool Every(uint32_t period, uint64_t count) {
    return period != 0 && count % period == 0;
}

std::string Normalise(std::string_view command) {
    while (!command.empty() && std::isspace(static_cast<unsigned char>(command.back()))) {
        command.remove_suffix(1);
    }
    std::string text(command);
    for (char& ch : text) {
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return text;
}

// The channel number of ":AMP:CH<n>?" style commands: 1..10, or 0 when `command` is not
// `prefix`, a channel number and "?".
int ChannelOf(const std::string& command, std::string_view prefix) {
    if (command.size() < prefix.size() + 2 || command.compare(0, prefix.size(), prefix) != 0 ||
        command.back() != '?') {
        return 0;
    }
    const std::string_view digits(command.data() + prefix.size(),
                                  command.size() - prefix.size() - 1);
    if (digits.size() > 2) {
        return 0;
    }
    int channel = 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9') {
            return 0;
        }
        channel = channel * 10 + (ch - '0');
    }
    return channel >= 1 && channel <= kChannels ? channel : 0;
}
}  // namespace

SimDevice::SimDevice(const SimConfig& config, uint64_t nowMs)
    : logger_(config, nowMs), config_(logger_.Config()), openMs_(nowMs) {}

uint64_t SimDevice::DeviceMs(uint64_t nowMs) const {
    const uint64_t elapsed = nowMs > openMs_ ? nowMs - openMs_ : 0;
    return openMs_ + elapsed * std::max<uint32_t>(config_.timeScale, 1);
}

bool SimDevice::Disconnected(uint64_t nowMs) const {
    return config_.disconnectAfterMs >= 0 &&
           DeviceMs(nowMs) >= openMs_ + static_cast<uint64_t>(config_.disconnectAfterMs);
}

int64_t SimDevice::ReconnectMs() const {
    if (config_.disconnectAfterMs < 0 || config_.reconnectAfterMs < 0) {
        return -1;
    }
    const int64_t logger = config_.disconnectAfterMs + config_.reconnectAfterMs;
    return static_cast<int64_t>(openMs_) + logger / std::max<uint32_t>(config_.timeScale, 1);
}

void SimDevice::Write(std::string_view command, uint64_t nowMs) {
    output_.clear();
    readPos_ = 0;
    const uint64_t deviceMs = DeviceMs(nowMs);
    logger_.Advance(deviceMs);
    if (command.size() <= kMaxCommandBytes) {
        Handle(Normalise(command), deviceMs);
    }
}

void SimDevice::Handle(const std::string& command, uint64_t deviceMs) {
    if (command == ":INFO:CH?") {
        SendText(ChannelCountReply(config_.channelCount));
    } else if (const int amp = ChannelOf(command, ":AMP:CH"); amp != 0) {
        SendText(AmpReply(amp, config_.channel[amp - 1], logger_.ChannelActive(amp - 1)));
    } else if (const int alarm = ChannelOf(command, ":ALAR:CH"); alarm != 0) {
        SendText(AlarmReply(alarm, config_.channel[alarm - 1].alarm));
    } else if (command == ":DATA:SAMP?") {
        SendText(SamplingReply(config_.intervalMs));
    } else if (command == ":MEAS:OUTP:STAT?") {
        SendText(":MEAS:OUTP:STAT " + std::to_string(logger_.PendingPoints()));
    } else if (command == ":MEAS:OUTP:CLR?") {
        logger_.Clear(deviceMs);
        SendText(":MEAS:OUTP:CLR 0");
    } else if (command == ":MEAS:OUTP:ONE?") {
        SendBlock({logger_.Latest()});
    } else if (command == ":MEAS:OUTP:ACK?") {
        SendBlock(logger_.TakePoints(std::min(config_.maxBlockPoints, kMaxBlockPoints)));
    }
    // ":STAT:REM OFF" and anything unknown get no reply.
}

void SimDevice::SendText(const std::string& text) {
    Send(std::vector<uint8_t>(text.begin(), text.end()), false);
}

void SimDevice::SendBlock(const std::vector<Point>& points) {
    Send(EncodeBlock(points, config_.channelCount), true);
}

void SimDevice::Send(std::vector<uint8_t> bytes, bool isBlock) {
    ++replies_;
    if (isBlock) {
        ++blocks_;
    }
    if (Every(config_.timeoutEvery, replies_)) {
        return;  // never delivered
    }
    if (isBlock && Every(config_.badHeaderEvery, blocks_)) {
        bytes[1] = '0';  // "#0..." instead of "#6..."
    }
    if (Every(config_.shortReplyEvery, replies_)) {
        if (!isBlock) {
            bytes.resize(bytes.size() / 2);
        } else if (bytes.size() >= kBlockHeaderBytes + kPointBytes) {
            bytes.resize(bytes.size() - kPointBytes / 2);  // the last point is cut in half
        }
    }
    output_ = std::move(bytes);
}

bool SimDevice::ReadBytes(uint8_t* dst, uint32_t count, uint32_t* delivered) {
    *delivered = 0;
    if (count == 0) {
        return true;
    }
    if (PendingBytes() == 0) {
        return false;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(count, PendingBytes()));
    std::memcpy(dst, output_.data() + readPos_, n);
    readPos_ += n;
    *delivered = n;
    return true;
}

bool SimDevice::ReadText(char* dst, uint32_t size, uint32_t* delivered) {
    *delivered = 0;
    if (PendingBytes() == 0) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(size - 1, PendingBytes()));
    std::memcpy(dst, output_.data() + readPos_, n);
    dst[n] = '\0';
    readPos_ += n;
    *delivered = n;
    return true;
}

}  // namespace velatrace::sim
