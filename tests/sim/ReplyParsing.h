#pragma once
// How the program reads the logger's replies and blocks, written out small for the tests: the
// simulated logger's texts must parse into the values it was configured with.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace velatrace::sim::parse {

inline int LeadingInt(const std::string& text) {
    return std::atoi(text.c_str());
}

inline bool Found(size_t at) {
    return at != std::string::npos && at > 0;
}

// Like the program's fixed-size copies: a start beyond the end gives an empty text.
inline std::string Sub(const std::string& text, size_t at, size_t count) {
    return at <= text.size() ? text.substr(at, count) : std::string();
}

// ":INFO:CH?": the leading integer of the three characters after the first "CH".
inline int ChannelCount(const std::string& reply) {
    const size_t p = reply.find("CH");
    return Found(p) ? LeadingInt(Sub(reply, p + 2, 3)) : -1;
}

struct Amp {
    std::string input;
    int type = -1;
    std::string range;
    double scale = -1.0;
};

// ":AMP:CH%d?": input after "INP" (4 characters cut at ';'), range 6 characters after "RANG".
inline Amp ParseAmp(const std::string& reply) {
    Amp amp;
    const size_t p = reply.find("INP");
    if (!Found(p)) {
        return amp;
    }
    amp.input = Sub(reply, p + 4, 4);
    amp.input = amp.input.substr(0, amp.input.find(';'));
    amp.type = amp.input.rfind("DC", 0) == 0     ? 1
               : amp.input.rfind("TEMP", 0) == 0 ? 2
               : amp.input.rfind("RH", 0) == 0   ? 3
                                                 : 0;
    const size_t q = reply.find("RANG", p + 5);
    if (!Found(q)) {
        return amp;
    }
    amp.range = Sub(reply, q + 5, 6);
    amp.scale = 10.0;
    size_t digits = 0;
    while (digits < amp.range.size() && amp.range[digits] >= '0' && amp.range[digits] <= '9') {
        ++digits;
    }
    if (amp.type == 3) {
        amp.scale = 20000.0;
    } else if (amp.type == 1 && digits > 0) {
        if (amp.range.compare(digits, 2, "MV") == 0) {
            amp.scale = 10000.0;
        } else if (amp.range.rfind("1-5V", 0) == 0) {
            amp.scale = 4000.0;
        } else if (LeadingInt(amp.range) > 0) {
            amp.scale = 20000 / LeadingInt(amp.range);
        } else if (std::atof(amp.range.c_str()) > 0.0) {
            amp.scale = 20000.0 / std::atof(amp.range.c_str());  // below one volt, e.g. "0.5V"
        }
    }
    return amp;
}

// ":ALAR:CH%d?": 0 when the reply names "OFF", else the digit 5 after "OUTP" (-1: none found).
inline int AlarmOutput(const std::string& reply) {
    if (Found(reply.find("OFF"))) {
        return 0;
    }
    const size_t o = reply.find("OUTP");
    return Found(o) ? LeadingInt(Sub(reply, o + 5, 1)) : -1;
}

// ":DATA:SAMP?": the first five characters of the value, in ms when "MS" follows, else seconds.
inline int IntervalMs(const std::string& reply) {
    const size_t s = reply.find("SAMP");
    if (!Found(s)) {
        return 0;
    }
    const size_t v = s + 5;
    const int value = LeadingInt(Sub(reply, v, 5));
    return Found(reply.find("MS", v)) ? value : value * 1000;
}

struct DecodedPoint {
    int16_t counts[10] = {};
    bool alarm[10] = {};
};

// Points of a block's data bytes, with the alarm bytes at 2N+19 and 2N+20.
inline std::vector<DecodedPoint> DecodePoints(const uint8_t* data, size_t bytes, int channelCount,
                                              size_t pointBytes = 48) {
    std::vector<DecodedPoint> points;
    for (size_t k = 0; (k + 1) * pointBytes <= bytes; ++k) {
        const uint8_t* p = data + k * pointBytes;
        DecodedPoint point;
        for (int c = 0; c < 10; ++c) {
            point.counts[c] = static_cast<int16_t>((p[2 * c] << 8) | p[2 * c + 1]);
        }
        const uint8_t first = p[2 * channelCount + 19];
        const uint8_t second = p[2 * channelCount + 20];
        for (int c = 0; c < 8; ++c) {
            point.alarm[c] = ((first >> c) & 1) != 0;
        }
        point.alarm[8] = (second & 1) != 0;
        point.alarm[9] = (second & 2) != 0;
        points.push_back(point);
    }
    return points;
}

}  // namespace velatrace::sim::parse
