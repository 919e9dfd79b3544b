#include "wave/CsvValue.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace velatrace {

namespace {

// Values from one million up have at least seven integer digits, so the 6 characters kept are
// sign and digits only; the C library formats them (no decimal point, hence no locale, involved).
size_t FormatLargeCsvValue(char* out, double value) {
    char text[400];  // "%4.3f" of the largest double takes 314 characters
    const int n = std::snprintf(text, sizeof text, "%4.3f", value);
    const size_t length =
        n < 0 ? 0 : (static_cast<size_t>(n) < kCsvValueChars ? n : kCsvValueChars);
    std::memcpy(out, text, length);
    return length;
}

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Everything the fast path of ParseCsvField leaves: blanks, '+', exponents, long digit strings,
// "inf" and "nan". Reads like strtod, locale-free; hexadecimal text reads as its leading 0.
double ParseCsvNumberSlowly(const char* begin, const char* end) {
    while (begin < end && IsSpace(*begin)) {
        ++begin;
    }
    if (begin < end && *begin == '+') {
        ++begin;
        if (begin < end && *begin == '-') {
            return 0.0;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    return result.ec == std::errc() ? value : 0.0;
}

constexpr double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

size_t FormatCsvValue(char* out, double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e6)) {  // also NaN and infinity
        return FormatLargeCsvValue(out, value);
    }
    // magnitude = mantissa / 2^shift exactly. Below 2^20 the shift is at least 33, and
    // mantissa x 1000 stays below 2^63, so the rounding to thousandths is done in exact integers.
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
    const int exponentBits = static_cast<int>(bits >> 52);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int shift = 1074;
    if (exponentBits != 0) {
        mantissa |= uint64_t{1} << 52;
        shift = 1075 - exponentBits;
    }
    const uint64_t scaled = mantissa * 1000;
    uint64_t thousandths = 0;
    if (shift < 64) {  // a larger shift leaves less than half a thousandth: 0
        thousandths = scaled >> shift;
        const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (thousandths & 1) != 0)) {
            ++thousandths;
        }
    }

    char text[16];
    char* p = text;
    if (std::signbit(value)) {
        *p++ = '-';
    }
    uint32_t whole = static_cast<uint32_t>(thousandths / 1000);
    const uint32_t fraction = static_cast<uint32_t>(thousandths % 1000);
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (count > 0) {
        *p++ = digits[--count];
    }
    *p++ = '.';
    *p++ = static_cast<char>('0' + fraction / 100);
    *p++ = static_cast<char>('0' + fraction / 10 % 10);
    *p++ = static_cast<char>('0' + fraction % 10);
    const size_t length = static_cast<size_t>(p - text);
    const size_t kept = length < kCsvValueChars ? length : kCsvValueChars;
    std::memcpy(out, text, kept);
    return kept;
}

const char* ParseCsvField(const char* begin, const char* end, double& value) {
    // Fast path for what the writer produces: [-]digits[.digits] up to the comma. With at most 15
    // digits both the digits and the power of ten are exact doubles, so one division rounds
    // exactly like strtod does.
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    if (negative) {
        ++p;
    }
    uint64_t digits = 0;
    int digitCount = 0;
    int fractionDigits = 0;
    while (p < end && IsDigit(*p)) {
        digits = digits * 10 + static_cast<uint64_t>(*p - '0');
        ++digitCount;
        ++p;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) {
            digits = digits * 10 + static_cast<uint64_t>(*p - '0');
            ++digitCount;
            ++fractionDigits;
            ++p;
        }
    }
    if ((p == end || *p == ',') && digitCount <= 15) {
        const double magnitude =
            digitCount == 0 ? 0.0 : static_cast<double>(digits) / kPowersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return p;
    }
    const void* comma = std::memchr(p, ',', static_cast<size_t>(end - p));
    const char* fieldEnd = comma != nullptr ? static_cast<const char*>(comma) : end;
    value = ParseCsvNumberSlowly(begin, fieldEnd);
    return fieldEnd;
}

int32_t CountFromCsvValue(double value, double scale) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double scaled = value * scale;
    if (std::isnan(scaled)) {
        return 0;
    }
    if (scaled >= 32767.0) {
        return 32767;
    }
    if (scaled <= -32768.0) {
        return -32768;
    }
    return static_cast<int32_t>(scaled);  // drops the fraction, toward zero
}

}  // namespace velatrace
