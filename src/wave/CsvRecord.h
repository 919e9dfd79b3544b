#pragma once
// The record lines of the wave CSV file: ten comma-separated fields, each a physical value written
// as "%4.3f" cut to 6 characters (empty for a channel that is off), read back into raw counts.
// Both directions ignore the C locale, so a decimal comma of the user's locale can never leak into
// (or break the reading of) a comma-separated file.
#include <cstddef>
#include <cstdint>

#include "logger/LoggerSetup.h"

namespace velatrace {

inline constexpr size_t kCsvValueChars = 6;
// Bytes FormatCsvValue may touch at `out` (it stores whole words; only the returned length counts).
inline constexpr size_t kCsvValueRoom = 8;
// The longest value of an instrument channel: six significant digits with sign and exponent.
inline constexpr size_t kCsvWideValueChars = 13;
// The longest record line: ten values, nine commas, CR LF.
inline constexpr size_t kCsvRecordChars = kChannels * (kCsvWideValueChars + 1) + 1;
// Bytes FormatCsvRecord may touch at `out`.
inline constexpr size_t kCsvRecordRoom = kCsvRecordChars + kCsvValueRoom;

// Writes the first 6 characters of `value` formatted "%4.3f" (rounded half to even on the exact
// binary value, like the C library) to `out`, without a terminator. Returns the length (3..6).
size_t FormatCsvValue(char* out, double value);

// Writes an instrument's value with six significant digits ("%.6g", never a decimal comma) to
// `out`, without a terminator. Returns the length (at most kCsvWideValueChars).
size_t FormatInstrumentCsvValue(char* out, double value);

// Writes record lines: counts[c] / divisors[c] formatted by FormatCsvValue for each channel whose
// divisor is not 0 (by FormatInstrumentCsvValue where `wide[c]` is set), an empty field for the
// others. Made once per batch of records; a whole-number divisor lets the common values be
// formatted in integers.
class CsvRecordFormat {
  public:
    explicit CsvRecordFormat(const double* divisors, const bool* wide = nullptr);
    // Writes one record line with its CR LF (touching at most kCsvRecordRoom bytes). Returns the
    // length.
    size_t Format(char* out, const int32_t* counts) const;

  private:
    size_t FormatCount(char* out, int c, int32_t count) const;

    double divisor_[kChannels] = {};
    bool wide_[kChannels] = {};
    uint32_t wholeDivisor_[kChannels] = {};  // the divisor when it is a whole number 2..2^32-1
    uint64_t reciprocal_[kChannels] = {};    // then 2^64 / wholeDivisor_ rounded up, else 0
};

// The longest line a wave file may hold, line end not counted; a longer one is not a record.
inline constexpr size_t kCsvLineChars = 255;

// Reads the field that starts at `begin` and ends at the next comma or at `end`: its leading
// decimal number as strtod would read it; 0 when it does not begin with a number or reads as
// infinity or not-a-number. Returns where the field ends (the comma or `end`).
const char* ParseCsvField(const char* begin, const char* end, double& value);

// The raw count of a value read from the file: value x scale with the fraction dropped, clamped to
// the logger's 16-bit range; 0 for infinity or not-a-number.
int32_t CountFromCsvValue(double value, double scale);

// Reads a record line (without its line end) into the counts of its first 10 fields, by
// ParseCsvField and CountFromCsvValue with scales[c]; channels beyond the line's last field get 0.
// Returns whether the line is a record: 1 to kCsvLineChars characters in at most 10 fields, each
// empty or a number in full (blanks around it allowed). Counts are written either way.
bool ReadCsvRecord(const char* text, size_t length, const double* scales, int32_t* counts);

}  // namespace velatrace
