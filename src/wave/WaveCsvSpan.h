#pragma once
// A span of a recorded wave file written as a wave file of its own: the header's date moved to
// the span's first record, the interval and channel header as they stand, and the record lines
// of the span copied as they are written in the source (no value is read and written again, so
// none loses a digit). Records count as loading counts them: lines that are not records are left
// out and not counted.
#include <cstdint>

#include "logger/LoggerSetup.h"

namespace velatrace {

struct CsvSpanResult {
    bool ok = false;
    int32_t records = 0;   // record lines written
    char error[160] = {};  // what failed and the system's reason, when not ok
};

// Writes records [first, end) of `source` to `target` (replacing it), through a temporary file
// beside it that is renamed once everything is written and removed on failure. `shiftMs` moves
// the date of line 1 (the span's first record lies that far after the file's first). `scales`
// are the recording's channel scales, which tell records from other lines.
CsvSpanResult WriteWaveCsvSpan(const char* source, const char* target, int32_t first, int32_t end,
                               int64_t shiftMs, const double* scales);

// The span's part of a recording's markers, for its exported pair.
struct MarkerSpan {
    int64_t inMs = 0;  // markers at clip times [inMs, outMs) are kept...
    int64_t outMs = 0;
    int64_t zeroMs = 0;     // ...moved so this clip time is the new pair's 0
    int64_t inRecord = 0;   // records [inRecord, outRecord) move to count from the span's first;
    int64_t outRecord = 0;  // a record outside them is none (-1) in the new pair
};

// Writes the markers of `sourcePair`'s marker file that lie in `span` to the marker file of
// `targetPair`, shifted to the span's start; none there, no file. A source without markers
// writes nothing. Returns 0, or the system's error number (the text in `error`).
int CopyMarkersOfSpan(const char* sourcePair, const char* targetPair, const MarkerSpan& span,
                      char* error, size_t errorSize);

// Moves a date line "2024/05/01 13:45:09" by `seconds` in place (calendar days, months and years
// carried); false, the text untouched, when it is no such date. `text` has `length` characters.
bool ShiftCsvDate(char* text, size_t length, int64_t seconds);

}  // namespace velatrace
