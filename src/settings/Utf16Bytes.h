#pragma once
// Conversion between the program's 8-bit texts (UTF-8 where this build runs) and the UTF-16 the
// registry stores its strings in. The conversion never loses a byte: a byte that is not part of
// valid UTF-8 travels as a lone low surrogate (U+DC80..U+DCFF) and comes back as itself.
#include <cstdint>
#include <string>
#include <vector>

namespace velatrace {

// Program bytes to UTF-16 code units (a zero byte becomes a zero unit).
std::u16string BytesToUtf16(const uint8_t* bytes, size_t count);
// UTF-16 code units back to program bytes.
std::vector<uint8_t> Utf16ToBytes(const std::u16string& units);

}  // namespace velatrace
