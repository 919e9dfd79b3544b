#pragma once
// Counted, truncating text helpers for the fixed text fields the program keeps.
// A text that does not fit is cut, never reported, and the result is always NUL-terminated.
// Texts are UTF-8: a cut never leaves part of a character behind.
#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace velatrace {

// Copies at most `maxChars` bytes of `src` (stopping at its NUL) into `dst` of `dstSize`
// bytes, cutting further so the terminator fits and, when cut, back to the start of a character.
// Returns the number of bytes copied.
size_t CopyText(char* dst, size_t dstSize, const char* src, size_t maxChars = SIZE_MAX);

template <size_t N>
size_t CopyText(char (&dst)[N], const char* src, size_t maxChars = SIZE_MAX) {
    return CopyText(dst, N, src, maxChars);
}

// The printf flavour the C library formats with: mingw-w64 names its C99 one (the plain name
// would check against the Microsoft runtime's conversions, which lack %zu).
#ifdef __MINGW_PRINTF_FORMAT
#define VELATRACE_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define VELATRACE_PRINTF_FORMAT printf
#endif

// printf into a fixed buffer; a longer result is cut on a character boundary. Returns the length
// written.
size_t FormatText(char* dst, size_t dstSize, const char* format, ...)
    __attribute__((format(VELATRACE_PRINTF_FORMAT, 3, 4)));

// The leading integer of a text: optional blanks, an optional sign, then decimal digits up to the
// first other character; 0 when there are no digits. Saturates instead of overflowing.
int32_t LeadingInteger(const char* text, size_t maxChars = SIZE_MAX);

// Case-insensitive comparison of the first `n` characters (ASCII letters only).
bool StartsWithNoCase(const char* text, const char* prefix);
bool EqualsNoCase(const char* a, const char* b);

// The length of `text` (`length` bytes) without a UTF-8 character left incomplete at its end by
// a cut; the length itself when the text ends with a whole character (or with bytes that are not
// UTF-8, which are kept as they are).
size_t WholeCharacters(const char* text, size_t length);

// The file name at the end of a path (after its last '/' or '\\').
const char* FileNamePart(const char* path);

}  // namespace velatrace
