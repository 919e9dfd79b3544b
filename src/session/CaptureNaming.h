#pragma once
// Names of capture files: the AVI and CSV of a capture share folder, base name and, with automatic
// numbering, a two-digit number ("run_07.avi" and "run_07.csv").
#include <cstddef>
#include <cstdint>
#include <string>

#include "session/CaptureSettings.h"

namespace velatrace {

// The character that separates folders in a path; the capture folder ends with it.
char PathSeparator();

// The user's video folder, from the environment's values: `xdgVideosDir` when it is an absolute
// path, else XDG_VIDEOS_DIR of "user-dirs.dirs" in `xdgConfigHome` (when absolute) or in
// "<home>/.config", else "<home>/Videos". Empty when none of them is known. On Windows `home` is
// the user's profile folder and the XDG values are not given.
std::string UserVideoFolder(const char* xdgVideosDir, const char* xdgConfigHome, const char* home);

// The folder captures go to, with its separator at the end: `storedPath` as the user chose it, or,
// when that is empty, the user's video folder (of this process's environment) plus "Velatrace".
// Empty when no folder is set and no video folder is known, or when the folder does not fit
// `out` (it is never cut). Returns the length written.
size_t CaptureFolder(char* out, size_t outSize, const char* storedPath);

// Creates `folder` when it is missing and checks that a file can be written in it. On failure
// returns false with the system's reason in `reason`.
bool PrepareCaptureFolder(const char* folder, char* reason, size_t reasonSize);

// "<folder><base>.<ext>", or "<folder><base>_NN.<ext>" when autoNumber is set (at least two digits,
// 7 gives _07, 123 gives _123). A name is never cut into another one: when it needs more than
// 259 bytes (or outSize - 1) `out` is left empty and 0 is returned. Returns the length written.
size_t FormatCaptureName(char* out, size_t outSize, const char* folder, const char* base,
                         int32_t autoNumber, int32_t number, const char* ext);

// Length in bytes of the longest capture path that folder and base name can give: with automatic
// numbering the widest number the numbering writes ("_2147483647"), and a three-letter extension.
size_t LongestCapturePath(const char* folder, const char* base, int32_t autoNumber);

// Whether every capture file of `folder` and `base` fits a path (259 bytes and its terminator).
// When not, `reason` says so, with the name, its length and the limit.
bool CapturePathFits(const char* folder, const char* base, int32_t autoNumber, char* reason,
                     size_t reasonSize);

// The name of the next capture's file of the settings, in their capture folder: the AVI when
// `video` is set, else the CSV; numbered with `number` when `numbered` is set.
size_t CaptureFileName(char* out, size_t outSize, const CaptureSettings& settings, bool video,
                       bool numbered);

// Whether the next capture's file already exists.
bool CaptureFileExists(const CaptureSettings& settings, bool video, bool numbered);

// Deletes the next capture's CSV (numbered like the AVI when `numbered` is set). Returns true when
// no such file is left.
bool DeleteCaptureCsv(const CaptureSettings& settings, bool numbered);

// Scans the capture folder for "<base>_NN.avi" (and the CSV files of numbered captures made without
// a camera, "<base>_NN.csv"), reads NN (two or more digits, as the names are written) as a number
// and sets `number` to the largest found + 1, or to 1 when none is found. Returns the new number.
int32_t NextCaptureNumber(CaptureSettings& settings);

// The first number from `from` on whose numbered AVI and CSV are both absent from `folder`.
int32_t FreeCaptureNumber(const char* folder, const char* base, int32_t from);

// The name ending shown beside the base name in the capture settings dialog, at most 7 characters:
// "_NN.avi" / ".avi" with a camera, else "_NN.csv" / ".csv" with a logger, else empty.
size_t CaptureNamePreview(char* out, size_t outSize, bool cameraFound, bool loggerConnected,
                          int32_t autoNumber, int32_t number);

}  // namespace velatrace
