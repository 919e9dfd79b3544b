#include "base/FixedText.h"

#include <climits>
#include <cstdio>

namespace velatrace {

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
// The byte count of the UTF-8 sequence a lead byte begins; 0 for a continuation byte or a byte
// that begins no sequence.
size_t SequenceLength(unsigned char c) {
    if (c < 0x80) {
        return 1;
    }
    if ((c & 0xE0) == 0xC0) {
        return 2;
    }
    if ((c & 0xF0) == 0xE0) {
        return 3;
    }
    if ((c & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}
}  // namespace

size_t WholeCharacters(const char* text, size_t length) {
    // Only the last three bytes can belong to a character the cut left incomplete.
    for (size_t back = 1; back <= 4 && back <= length; ++back) {
        const unsigned char c = static_cast<unsigned char>(text[length - back]);
        if ((c & 0xC0) == 0x80) {
            continue;  // a continuation byte: its lead byte is further back
        }
        const size_t need = SequenceLength(c);
        return need > back ? length - back : length;
    }
    return length;
}

size_t CopyText(char* dst, size_t dstSize, const char* src, size_t maxChars) {
    if (dstSize == 0) {
        return 0;
    }
    size_t n = 0;
    if (src != nullptr) {
        while (n < maxChars && n + 1 < dstSize && src[n] != '\0') {
            dst[n] = src[n];
            ++n;
        }
        // Cut by the field or by the count (src[n] is not read past the count): no part of a
        // character is left at the end.
        if (n == maxChars || src[n] != '\0') {
            n = WholeCharacters(dst, n);
        }
    }
    dst[n] = '\0';
    return n;
}

size_t FormatText(char* dst, size_t dstSize, const char* format, ...) {
    if (dstSize == 0) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(dst, dstSize, format, args);
    va_end(args);
    if (n < 0) {
        dst[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(n) < dstSize) {
        return static_cast<size_t>(n);
    }
    const size_t kept = WholeCharacters(dst, dstSize - 1);
    dst[kept] = '\0';
    return kept;
}

int32_t LeadingInteger(const char* text, size_t maxChars) {
    if (text == nullptr) {
        return 0;
    }
    size_t i = 0;
    while (i < maxChars && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < maxChars && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    while (i < maxChars && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) {
            value = static_cast<int64_t>(INT32_MAX) + 1;  // saturate below
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (size_t i = 0; prefix[i] != '\0'; ++i) {
        if (text[i] == '\0' || LowerAscii(text[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool EqualsNoCase(const char* a, const char* b) {
    size_t i = 0;
    for (; a[i] != '\0' && b[i] != '\0'; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return a[i] == b[i];
}

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') {
            name = p + 1;
        }
    }
    return name;
}

}  // namespace velatrace
