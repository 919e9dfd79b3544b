#include "sim/ConfigParser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>

namespace velatrace::sim {

namespace {
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr uint64_t kMaxIntervalMs = 86400000;  // one day
constexpr uint32_t kMaxPoints = 1000000;
constexpr uint32_t kMaxPeriod = 1000000000;
constexpr uint32_t kMaxTimeScale = 100000;

using Tokens = std::vector<std::string>;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

Tokens Split(std::string_view text) {
    Tokens tokens;
    std::istringstream in{std::string(text)};
    for (std::string token; in >> token;) {
        tokens.push_back(token);
    }
    return tokens;
}

// Numbers are read without the locale, so a decimal point works in every environment.
std::optional<double> Number(std::string_view text) {
    double value = 0.0;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint64_t> Whole(std::string_view text, uint64_t min, uint64_t max) {
    uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// "100", "100ms", "100 ms", "0.5s", "2 s": a whole number of milliseconds.
std::optional<uint32_t> Interval(std::string_view text) {
    std::string value;
    for (char ch : text) {
        if (ch != ' ' && ch != '\t') {
            value.push_back(ch);
        }
    }
    value = Upper(value);
    double factor = 1.0;
    if (value.size() > 2 && value.compare(value.size() - 2, 2, "MS") == 0) {
        value.resize(value.size() - 2);
    } else if (value.size() > 1 && value.back() == 'S') {
        value.pop_back();
        factor = 1000.0;
    }
    const std::optional<double> number = Number(value);
    if (!number) {
        return std::nullopt;
    }
    const double ms = *number * factor;
    if (ms < 1.0 || ms > static_cast<double>(kMaxIntervalMs) || ms != std::floor(ms)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(ms);
}

// Each parser returns an error text, empty when the line was applied.
using Error = std::string;

Error ApplyKey(const std::string& key, std::string_view value, SimConfig& config) {
    const auto count = [&](uint64_t min, uint64_t max, auto& field) -> Error {
        const std::optional<uint64_t> number = Whole(value, min, max);
        if (!number) {
            return "'" + key + "' needs a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max);
        }
        field = static_cast<std::remove_reference_t<decltype(field)>>(*number);
        return {};
    };
    if (key == "interval") {
        const std::optional<uint32_t> ms = Interval(value);
        if (!ms) {
            return "'interval' needs a whole number of milliseconds (\"100\", \"100ms\", \"1s\")";
        }
        config.intervalMs = *ms;
        return {};
    }
    if (key == "channel_count") {
        return count(1, kChannels, config.channelCount);
    }
    if (key == "start_points") {
        return count(0, kMaxPoints, config.startPoints);
    }
    if (key == "max_block_points") {
        return count(1, kMaxBlockPoints, config.maxBlockPoints);
    }
    if (key == "memory_points") {
        return count(1, kMaxPoints, config.memoryPoints);
    }
    if (key == "time_scale") {
        return count(1, kMaxTimeScale, config.timeScale);
    }
    if (key == "timeout_every") {
        return count(0, UINT32_MAX, config.timeoutEvery);
    }
    if (key == "bad_header_every") {
        return count(0, UINT32_MAX, config.badHeaderEvery);
    }
    if (key == "short_reply_every") {
        return count(0, UINT32_MAX, config.shortReplyEvery);
    }
    if (key == "disconnect_after_ms") {
        return count(0, INT64_MAX / 2, config.disconnectAfterMs);
    }
    if (key == "reconnect_after_ms") {
        return count(0, INT64_MAX / 2, config.reconnectAfterMs);
    }
    if (key == "open_fails") {
        return count(0, 1, config.openFails);
    }
    return "unknown key '" + key + "'";
}

Error ParseWave(const Tokens& t, size_t first, Waveform& wave) {
    if (first >= t.size()) {
        return {};  // no waveform given: the channel keeps its own
    }
    const std::string kind = Upper(t[first]);
    const size_t params = t.size() - first - 1;
    std::optional<double> p[3];
    for (size_t i = 0; i < params && i < 3; ++i) {
        p[i] = Number(t[first + 1 + i]);
    }
    const auto period = [&](size_t i) { return Whole(t[first + 1 + i], 1, kMaxPeriod); };
    if (kind == "CONST") {
        if (params != 1 || !p[0]) {
            return "'const' takes one value";
        }
        wave = {WaveKind::Constant, *p[0], 0.0, 1};
        return {};
    }
    if (kind == "SINE") {
        if ((params != 2 && params != 3) || !p[0] || !period(1) || (params == 3 && !p[2])) {
            return "'sine' takes amplitude, period (whole samples, >= 1) and optional offset";
        }
        wave = {WaveKind::Sine, *p[0], params == 3 ? *p[2] : 0.0,
                static_cast<uint32_t>(*period(1))};
        return {};
    }
    const WaveKind spans[] = {WaveKind::Ramp, WaveKind::Triangle, WaveKind::Square};
    const char* names[] = {"RAMP", "TRIANGLE", "SQUARE"};
    for (size_t i = 0; i < 3; ++i) {
        if (kind != names[i]) {
            continue;
        }
        if (params != 3 || !p[0] || !p[1] || !period(2)) {
            return "'" + t[first] + "' takes low, high and period (whole samples, >= 1)";
        }
        wave = {spans[i], *p[0], *p[1], static_cast<uint32_t>(*period(2))};
        return {};
    }
    return "unknown waveform '" + t[first] + "'";
}

Error ParseAlarm(const Tokens& t, AlarmConfig& alarm) {
    if (t.size() < 3) {
        return "'alarm' needs OFF, HI or LO";
    }
    const std::string mode = Upper(t[2]);
    if (mode == "OFF" && t.size() == 3) {
        alarm = AlarmConfig{};
        return {};
    }
    if ((mode != "HI" && mode != "LO") || t.size() < 4 || t.size() > 6) {
        return "'alarm' takes OFF, or HI|LO level [hysteresis [output]]";
    }
    AlarmConfig parsed;
    parsed.mode = mode == "HI" ? AlarmMode::High : AlarmMode::Low;
    const std::optional<double> level = Number(t[3]);
    const std::optional<double> hysteresis = t.size() > 4 ? Number(t[4]) : 0.0;
    const std::optional<uint64_t> output = t.size() > 5 ? Whole(t[5], 0, 9) : 1;
    if (!level || !hysteresis || *hysteresis < 0.0 || !output) {
        return "alarm level and hysteresis (>= 0) are numbers, the output is 0 to 9";
    }
    parsed.level = *level;
    parsed.hysteresis = *hysteresis;
    parsed.output = static_cast<int>(*output);
    alarm = parsed;
    return {};
}

Error ParseChannel(const Tokens& t, ChannelConfig& channel) {
    if (t.size() < 2) {
        return "a channel line needs an input kind or 'alarm'";
    }
    const std::string word = Upper(t[1]);
    if (word == "ALARM") {
        return ParseAlarm(t, channel.alarm);
    }
    ChannelConfig parsed = channel;
    if (word == "OFF") {
        parsed.input = InputKind::Off;
    } else if (word == "DC") {
        parsed.input = InputKind::Dc;
    } else if (word == "TEMP") {
        parsed.input = InputKind::Temp;
    } else if (word == "RH") {
        parsed.input = InputKind::Rh;
    } else {
        return "unknown input kind '" + t[1] + "' (DC, TEMP, RH or OFF)";
    }
    if (t.size() > 2) {
        const std::string range = Upper(t[2]);
        if (range.size() > kMaxRangeChars || range.find(';') != std::string::npos) {
            return "a range is at most 6 characters without ';'";
        }
        parsed.range = range;
    } else if (parsed.input != InputKind::Off) {
        return "'" + t[1] + "' needs a range";
    }
    if (parsed.input == InputKind::Off) {
        if (t.size() > 3) {
            return "an OFF channel takes only a range";
        }
    } else if (Error error = ParseWave(t, 3, parsed.wave); !error.empty()) {
        return error;
    }
    channel = parsed;
    return {};
}

// The channel number of a "ch<N>" word: 0 when the word is not one, -1 when N is out of range.
int ChannelWord(const std::string& word) {
    const std::string upper = Upper(word);
    if (upper.size() < 3 || upper.compare(0, 2, "CH") != 0 ||
        upper.find_first_not_of("0123456789", 2) != std::string::npos) {
        return 0;
    }
    const std::optional<uint64_t> n = Whole(std::string_view(upper).substr(2), 1, kChannels);
    return n ? static_cast<int>(*n) : -1;
}

Error ApplyLine(std::string_view line, SimConfig& config) {
    std::string text(line);
    Tokens tokens = Split(text);
    if (int channel = ChannelWord(tokens[0]); channel != 0) {
        // An '=' after the channel word is allowed: "ch1 = DC 10V".
        const size_t equals = text.find('=');
        if (equals != std::string::npos) {
            text[equals] = ' ';
            tokens = Split(text);
        }
        if (channel < 0) {
            return "channels are ch1 to ch10";
        }
        return ParseChannel(tokens, config.channel[channel - 1]);
    }
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return "expected 'key = value' or a 'ch<N>' line";
    }
    std::string key(Trim(std::string_view(text).substr(0, equals)));
    for (char& ch : key) {
        ch = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    }
    return ApplyKey(key, Trim(std::string_view(text).substr(equals + 1)), config);
}
}  // namespace

std::vector<std::string> ApplyConfigText(std::string_view text, SimConfig& config) {
    std::vector<std::string> warnings;
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const Error error = ApplyLine(line, config);
        if (!error.empty()) {
            warnings.push_back("line " + std::to_string(lineNumber) + ": " + error +
                               "; line ignored");
        }
    }
    return warnings;
}

std::vector<std::string> ApplyConfigFile(const std::string& path, SimConfig& config) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {"cannot read '" + path + "'; the default setup is used"};
    }
    std::string text(kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    std::vector<std::string> warnings;
    if (text.size() > kMaxFileBytes) {
        text.resize(kMaxFileBytes);
        text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n'));
        warnings.push_back("the file is larger than 1 MiB; only its first 1 MiB is read");
    }
    std::vector<std::string> lineWarnings = ApplyConfigText(text, config);
    warnings.insert(warnings.end(), lineWarnings.begin(), lineWarnings.end());
    return warnings;
}

}  // namespace velatrace::sim
