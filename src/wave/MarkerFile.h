#pragma once
// Event markers of a recording and the small text file that keeps them beside the pair.
//
// The file is named like the pair with ".markers.csv" in place of the media file's extension
// ("run_03.avi" -> "run_03.markers.csv"; a wave file "run.csv" -> "run.markers.csv"). It is
// UTF-8 text, starting with a byte-order mark so spreadsheets read it as UTF-8, one line per
// marker, every line ending with CR LF:
//   line 1  the header "record,clip_ms,kind,text"
//   line 2+ one marker: the record (the 0-based data row of the CSV; empty when the recording
//           has no CSV), the clip time in whole milliseconds from the AVI's start, the kind
//           ("user", "alarm start", "alarm end", "trigger", "stream error", "file switch") and
//           the text, always in double quotes with each quote inside doubled.
// Texts are one line: line ends and other control characters in them become spaces. While a
// capture runs, markers are appended as they happen; edits in replay rewrite the whole file
// through a temporary file that then takes its place.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/FileSync.h"

namespace velatrace {

enum class MarkerKind : uint8_t { User, AlarmStart, AlarmEnd, Trigger, StreamError, FileSwitch };

// Bytes a marker's text keeps (UTF-8, cut at a character's boundary), with its terminator.
inline constexpr size_t kMarkerTextSize = 128;
// The longest line the reader takes; a longer one is a bad line.
inline constexpr size_t kMarkerLineChars = 2 * kMarkerTextSize + 64;
// Markers one file may give; the rest of a longer file is counted as bad lines.
inline constexpr size_t kMaxMarkers = 100000;

struct Marker {
    int64_t record = -1;  // CSV data row, -1: none
    int64_t clipMs = 0;   // time in the AVI
    MarkerKind kind = MarkerKind::User;
    char text[kMarkerTextSize] = {};
};

// The file's word for a kind, and back (false for a word that names none).
const char* MarkerKindName(MarkerKind kind);
bool MarkerKindFromName(const char* name, size_t length, MarkerKind* kind);

// Sets the text of `marker`: cut to fit at a UTF-8 character's boundary, control characters
// turned into spaces. Null is an empty text.
void SetMarkerText(Marker& marker, const char* utf8);

// The marker file of the recording whose media file (or wave file alone) is `pairPath`: its
// extension replaced by ".markers.csv" (appended when its file name has no dot). Returns the
// length, 0 when it does not fit `outSize`.
size_t MarkerPathFor(char* out, size_t outSize, const char* pairPath);

// One marker as its line with CR LF. Returns the length, 0 when `outSize` is too small
// (kMarkerLineChars + 3 always is enough).
size_t FormatMarkerLine(char* out, size_t outSize, const Marker& marker);
// Reads one line (without its line end). False for a line that is no marker.
bool ParseMarkerLine(const char* line, size_t length, Marker* marker);

// What reading a marker file found.
struct MarkerLoad {
    bool found = false;    // the file exists and could be opened
    int64_t badLines = 0;  // lines that are no marker (the header is not counted)
    int error = 0;         // the system's error number when it exists but could not be read
};

// Reads every marker of the file at `path` into `into` (emptied first), ordered by clip time
// and, at the same time, by record (markers of equal times keep the file's order). A missing
// file gives no markers and no error; a bad line is left out and counted.
MarkerLoad ReadMarkerFile(const char* path, std::vector<Marker>& into);

// Appends `marker` to the file at `path`, first writing the header when the file is new or
// empty, and syncs it through `sync` when one is given. Returns 0, or the system's error number.
int AppendMarker(const char* path, const Marker& marker, FileSync* sync);

// Replaces the file at `path` by `markers`: written whole to "<path>.tmp", synced through `sync`
// when one is given, then renamed over the file, so a failure at any step leaves the old file as
// it was. With no markers the file is removed. Returns 0, or the system's error number.
int WriteMarkerFile(const char* path, const std::vector<Marker>& markers, FileSync* sync);

}  // namespace velatrace
