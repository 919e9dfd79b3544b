#pragma once
// The number fields of the wave CSV file: physical values written as "%4.3f" cut to 6 characters
// and read back as decimal numbers. Both directions ignore the C locale, so a decimal comma of the
// user's locale can never leak into (or break the reading of) a comma-separated file.
#include <cstddef>
#include <cstdint>

namespace velatrace {

inline constexpr size_t kCsvValueChars = 6;

// Writes the first 6 characters of `value` formatted "%4.3f" (rounded half to even on the exact
// binary value, like the C library) to `out`, without a terminator. Returns the length (3..6).
size_t FormatCsvValue(char* out, double value);

// Reads the field that starts at `begin` and ends at the next comma or at `end`: its leading
// decimal number as strtod would read it, 0 when it does not begin with a number. Returns where
// the field ends (the comma or `end`).
const char* ParseCsvField(const char* begin, const char* end, double& value);

// The raw count of a value read from the file: value x scale with the fraction dropped, clamped to
// the logger's 16-bit range. Text that read as infinity or not-a-number gives 0.
int32_t CountFromCsvValue(double value, double scale);

}  // namespace velatrace
