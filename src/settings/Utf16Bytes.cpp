#include "settings/Utf16Bytes.h"

namespace velatrace {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + byte 0x80..0xFF for an invalid byte

// Length of the valid UTF-8 sequence at `p` (1..4) and its code point, or 0 when the bytes
// there are not a valid, shortest-form sequence of a scalar value.
size_t DecodeUtf8(const uint8_t* p, size_t left, uint32_t* cp) {
    const uint8_t b0 = p[0];
    size_t len = 0;
    uint32_t min = 0;
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, min = 0x80, *cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, min = 0x800, *cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, *cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (len > left) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        *cp = (*cp << 6) | (p[i] & 0x3F);
    }
    if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf8(std::vector<uint8_t>& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<uint8_t>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<uint8_t>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<uint8_t>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<uint8_t>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::u16string BytesToUtf16(const uint8_t* bytes, size_t count) {
    std::u16string units;
    units.reserve(count);
    size_t i = 0;
    while (i < count) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(bytes + i, count - i, &cp);
        if (len == 0) {
            units.push_back(static_cast<char16_t>(kEscapeBase + bytes[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return units;
}

std::vector<uint8_t> Utf16ToBytes(const std::u16string& units) {
    std::vector<uint8_t> out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.push_back(static_cast<uint8_t>(u - kEscapeBase));
        } else {
            // Any other unit, a lone surrogate included, is written in the three-byte form.
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace velatrace
