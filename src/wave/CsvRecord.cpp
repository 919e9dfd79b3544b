#include "wave/CsvRecord.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "base/PowerOfTen.h"

namespace velatrace {

namespace {

// ---- Writing ----

// Values that round to 100000 or more have at least six integer digits, so the 6 characters kept
// are sign and digits only; the C library formats them (no decimal point, hence no locale,
// involved). Not-a-number and infinity too.
size_t FormatWideCsvValue(char* out, double value) {
    char text[400];  // "%4.3f" of the largest double takes 314 characters
    const int n = std::snprintf(text, sizeof text, "%4.3f", value);
    const size_t length =
        n < 0 ? 0 : (static_cast<size_t>(n) < kCsvValueChars ? n : kCsvValueChars);
    std::memcpy(out, text, length);
    return length;
}

// Eight bytes as one word, the first byte lowest; compilers turn these into one load or store.
inline uint64_t LoadWord(const char* p) {
    uint64_t word = 0;
    for (int i = 0; i < 8; ++i) {
        word |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    return word;
}

inline void StoreWord(char* out, uint64_t word) {
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<char>(word >> (8 * i));
    }
}

constexpr uint64_t Bytes(uint8_t b) {
    return 0x0101010101010101ULL * b;
}

// The 8 decimal digits of n < 10^8 as characters, zero-padded, the most significant first;
// each step splits every lane of the word in two by a multiply-and-shift division.
inline uint64_t EightDigitChars(uint32_t n) {
    const uint64_t groups = (n / 10000) | (uint64_t{n % 10000} << 32);
    const uint64_t hundreds = ((groups * 10486) >> 20) & 0x0000007F0000007FULL;  // lane / 100
    const uint64_t pairs = hundreds | ((groups - hundreds * 100) << 16);
    const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // lane / 10
    return (tens | ((pairs - tens * 10) << 8)) | Bytes('0');
}

inline uint64_t LowBytes(unsigned n) {
    return n == 0 ? 0 : ~uint64_t{0} >> (64 - 8 * n);
}

// Writes a value below 100000 given in thousandths (n < 10^8) and its sign as "%.3f" writes it,
// cut to 6 characters: the zero-padded digits, the point put in after the whole digits.
inline size_t PutThousandths(char* out, uint32_t n, uint64_t negative) {
    const unsigned whole = 1 + (n >= 10000) + (n >= 100000) + (n >= 1000000) + (n >= 10000000);
    const uint64_t shown = EightDigitChars(n) >> (8 * (5 - whole));
    const uint64_t wholeMask = LowBytes(whole);
    const uint64_t text =
        (shown & wholeMask) | (uint64_t{'.'} << (8 * whole)) | ((shown & ~wholeMask) << 8);
    // The sign goes in without a branch: half the values of a typical record are negative.
    StoreWord(out, (text << (8 * negative)) | ('-' & (0 - negative)));
    const size_t length = whole + 4 + negative;
    return length < kCsvValueChars ? length : kCsvValueChars;
}

inline size_t FormatValue(char* out, double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e6)) {  // also NaN and infinity
        return FormatWideCsvValue(out, value);
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
        // Up when above half, or at half onto an even result; as arithmetic, not a branch.
        thousandths += static_cast<uint64_t>(rest > half) |
                       (static_cast<uint64_t>(rest == half) & thousandths & 1);
    }
    if (thousandths >= 100000000) {
        return FormatWideCsvValue(out, value);
    }
    return PutThousandths(out, static_cast<uint32_t>(thousandths), std::signbit(value) ? 1 : 0);
}

#if defined(__SIZEOF_INT128__)
inline uint64_t HighProduct(uint64_t a, uint64_t b) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(a) * b) >> 64);
}
constexpr bool kHasHighProduct = true;
#else
inline uint64_t HighProduct(uint64_t, uint64_t) {
    return 0;
}
constexpr bool kHasHighProduct = false;
#endif

// ---- Reading ----

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Everything the fast paths leave: blanks, '+', exponents, long digit strings, "inf" and "nan".
// Reads like strtod, locale-free; hexadecimal text reads as its leading 0. `whole` is cleared
// unless the field is one number (too large or small ones too) with nothing but blanks around it.
double ParseCsvNumberSlowly(const char* begin, const char* end, bool& whole) {
    while (begin < end && IsSpace(*begin)) {
        ++begin;
    }
    if (begin < end && *begin == '+') {
        ++begin;
        if (begin < end && *begin == '-') {
            whole = false;
            return 0.0;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    const char* rest = result.ptr;
    while (rest < end && IsSpace(*rest)) {
        ++rest;
    }
    const bool number = result.ec == std::errc() || result.ec == std::errc::result_out_of_range;
    whole = whole && number && rest == end;
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

inline int32_t Count(double value, double scale) {
    const double scaled = value * scale;
    if (scaled > -32768.0 && scaled < 32767.0) {
        return static_cast<int32_t>(scaled);  // drops the fraction, toward zero
    }
    if (scaled >= 32767.0) {
        return 32767;
    }
    return scaled <= -32768.0 ? -32768 : 0;  // not-a-number gives 0
}

// The value of 8 digit values (0..9), one per byte, the first byte the most significant.
inline uint32_t EightDigits(uint64_t digits) {
    digits = digits * 10 + (digits >> 8);
    digits = (((digits & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
              (((digits >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
             32;
    return static_cast<uint32_t>(digits);
}

// The writer's field shapes, [-]d*[.d*] followed by a comma within the 8 bytes of `word` (the
// field's first byte lowest), read at once. Returns the offset of the comma, or -1 for any other
// shape (left to ParseCsvField). Exact like strtod: at most 7 digits, so digits and power of ten
// are exact doubles and one division rounds once.
inline int ParseShortField(uint64_t word, double& value) {
    const unsigned sign = (word & 0xFF) == '-' ? 1 : 0;
    word >>= 8 * sign;
    // A high bit in each byte that is not a digit.
    const uint64_t notThree = (word & Bytes(0xF0)) ^ Bytes(0x30);
    const uint64_t aboveNine = ((word & Bytes(0x0F)) + Bytes(0x06)) & Bytes(0x10);
    const uint64_t odd = notThree | aboveNine;
    const uint64_t others = (((odd & Bytes(0x7F)) + Bytes(0x7F)) | odd) & Bytes(0x80);
    if (others == 0) {
        return -1;
    }
    const unsigned first = static_cast<unsigned>(std::countr_zero(others)) / 8;
    const bool dot = ((word >> (8 * first)) & 0xFF) == '.';
    const uint64_t afterDot = dot ? others & (others - 1) : others;
    if (afterDot == 0) {
        return -1;
    }
    const unsigned stop = static_cast<unsigned>(std::countr_zero(afterDot)) / 8;
    if (((word >> (8 * stop)) & 0xFF) != ',') {
        return -1;
    }
    const unsigned fractionDigits = dot ? stop - first - 1 : 0;
    const unsigned digitCount = first + fractionDigits;  // at most 7
    if (digitCount == 0 && sign + stop != 0) {
        return -1;  // "-" or "." alone: no number, left to ParseCsvField
    }
    double magnitude = 0.0;
    if (digitCount != 0) {
        const uint64_t values = word & Bytes(0x0F);
        const uint64_t wholeMask = LowBytes(first);
        const uint64_t packed =
            (values & wholeMask) | ((values >> 8) & ~wholeMask & LowBytes(digitCount));
        magnitude = EightDigits(packed << (8 * (8 - digitCount))) / kPowersOfTen[fractionDigits];
    }
    // The sign is set without a branch: half the values of a typical record are negative.
    value = std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) | (uint64_t{sign} << 63));
    return static_cast<int>(sign + stop);
}

}  // namespace

size_t FormatCsvValue(char* out, double value) {
    return FormatValue(out, value);
}

size_t FormatInstrumentCsvValue(char* out, double value) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    const std::to_chars_result r =
        std::to_chars(out, out + kCsvWideValueChars, value, std::chars_format::general, 6);
    return r.ec == std::errc() ? static_cast<size_t>(r.ptr - out) : 0;
}

CsvRecordFormat::CsvRecordFormat(const double* divisors, const bool* wide) {
    for (int c = 0; c < kChannels; ++c) {
        divisor_[c] = divisors[c];
        wide_[c] = wide != nullptr && wide[c];
        const double d = divisors[c];
        if (kHasHighProduct && d >= 2.0 && d <= 4294967295.0 && d == std::floor(d)) {
            wholeDivisor_[c] = static_cast<uint32_t>(d);
            reciprocal_[c] = ~uint64_t{0} / wholeDivisor_[c] + 1;
        }
    }
}

size_t CsvRecordFormat::Format(char* out, const int32_t* counts) const {
    char* p = out;
    for (int c = 0; c < kChannels; ++c) {
        if (wide_[c] && divisor_[c] != 0.0) {
            p += FormatInstrumentCsvValue(p, counts[c] / divisor_[c]);
        } else if (divisor_[c] != 0.0) {
            p += FormatCount(p, c, counts[c]);
        }
        *p = ',';
        p += c + 1 < kChannels ? 1 : 0;
    }
    p[0] = '\r';
    p[1] = '\n';
    return static_cast<size_t>(p + 2 - out);
}

size_t CsvRecordFormat::FormatCount(char* out, int c, int32_t count) const {
    // count / d for a whole divisor d, rounded to thousandths in integers: 1000 |count| = q d + r
    // (q and r by multiplying with the reciprocal, exact for 32-bit operands). Rounding the
    // nearest double of count / d gives the same thousandths except at an exact half (2r = d),
    // because the double is closer to count / d than 1/(2d) thousandths for any 32-bit count.
    const uint64_t magnitude =
        count < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(count)) : count;
    const uint64_t reciprocal = reciprocal_[c];
    if (reciprocal != 0 && magnitude <= 4294967) {
        const uint64_t numerator = magnitude * 1000;
        const uint64_t quotient = HighProduct(reciprocal, numerator);
        const uint64_t twiceRest = 2 * HighProduct(reciprocal * numerator, wholeDivisor_[c]);
        // Rounding up is half the time right: arithmetic, not a branch.
        const uint64_t thousandths = quotient + static_cast<uint64_t>(twiceRest > wholeDivisor_[c]);
        const bool exactHalf = twiceRest == wholeDivisor_[c];
        if (static_cast<int>(exactHalf) + static_cast<int>(thousandths >= 100000000) == 0) {
            return PutThousandths(out, static_cast<uint32_t>(thousandths), count < 0 ? 1 : 0);
        }
    }
    return FormatValue(out, count / divisor_[c]);
}

namespace {

// ParseCsvField, clearing `whole` when the field is not empty or a number in full.
const char* ParseField(const char* begin, const char* end, double& value, bool& whole) {
    // Fast path for plain decimals: [-]digits[.digits] up to the comma. With at most 15 digits
    // both the digits and the power of ten are exact doubles, so one division rounds exactly
    // like strtod does.
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
        whole = whole && (digitCount != 0 || p == begin);  // "-" or "." alone is no number
        const double magnitude =
            digitCount == 0 ? 0.0 : static_cast<double>(digits) / kPowersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return p;
    }
    const void* comma = std::memchr(p, ',', static_cast<size_t>(end - p));
    const char* fieldEnd = comma != nullptr ? static_cast<const char*>(comma) : end;
    value = ParseCsvNumberSlowly(begin, fieldEnd, whole);
    return fieldEnd;
}

}  // namespace

const char* ParseCsvField(const char* begin, const char* end, double& value) {
    bool whole = true;
    return ParseField(begin, end, value, whole);
}

int32_t CountFromCsvValue(double value, double scale) {
    return std::isfinite(value) ? Count(value, scale) : 0;
}

bool ReadCsvRecord(const char* text, size_t length, const double* scales, int32_t* counts) {
    if (length > kCsvLineChars) {
        std::fill(counts, counts + kChannels, 0);
        return false;
    }
    const char* end = text + length;
    const char* p = text;
    int c = 0;
    bool whole = true;
    bool more = true;
    while (c < kChannels && more) {
        // The field's first 8 bytes; past the end of the line they read as commas.
        uint64_t word = Bytes(',');
        const size_t available = static_cast<size_t>(end - p);
        if (available >= 8) {
            word = LoadWord(p);
        } else {
            for (size_t i = 0; i < available; ++i) {
                word = (word & ~(uint64_t{0xFF} << (8 * i))) |
                       (uint64_t{static_cast<unsigned char>(p[i])} << (8 * i));
            }
        }
        double value = 0.0;
        const int used = ParseShortField(word, value);
        const char* comma = used >= 0 ? p + used : ParseField(p, end, value, whole);
        counts[c] = Count(value, scales[c]);
        ++c;
        more = comma < end;
        p = comma + 1;
    }
    for (; c < kChannels; ++c) {
        counts[c] = 0;
    }
    // An empty line and one with an eleventh field are no records.
    return length > 0 && whole && !more;
}

}  // namespace velatrace
