#pragma once
// Names of capture files: the AVI and CSV of a capture share folder, base name and, with automatic
// numbering, a two-digit number ("run_07.avi" and "run_07.csv").
#include <cstddef>
#include <cstdint>

#include "session/CaptureSettings.h"

namespace velatrace {

// The character that separates folders in a path; the capture folder ends with it.
char PathSeparator();

// "<folder><base>.<ext>", or "<folder><base>_NN.<ext>" when autoNumber is set (at least two digits,
// 7 gives _07, 123 gives _123). The result is cut to 259 characters (and to outSize - 1).
// Returns the length written.
size_t FormatCaptureName(char* out, size_t outSize, const char* folder, const char* base,
                         int32_t autoNumber, int32_t number, const char* ext);

// The name of the next capture's file of the settings: the AVI when `video` is set, else the CSV;
// numbered with `number` when `numbered` is set.
size_t CaptureFileName(char* out, size_t outSize, const CaptureSettings& settings, bool video,
                       bool numbered);

// Whether the next capture's file already exists.
bool CaptureFileExists(const CaptureSettings& settings, bool video, bool numbered);

// Deletes the next capture's CSV (numbered like the AVI when `numbered` is set). Returns true when
// no such file is left.
bool DeleteCaptureCsv(const CaptureSettings& settings, bool numbered);

// Scans the capture folder for "<base>_NN.avi" (and the CSV files of numbered captures made without
// a camera, "<base>_NN.csv"), reads NN as a number and sets `number` to the largest found + 1, or
// to 1 when none is found. Returns the new number.
int32_t NextCaptureNumber(CaptureSettings& settings);

// The name ending shown beside the base name in the capture settings dialog, at most 7 characters:
// "_NN.avi" / ".avi" with a camera, else "_NN.csv" / ".csv" with a logger, else empty.
size_t CaptureNamePreview(char* out, size_t outSize, bool cameraFound, bool loggerConnected,
                          int32_t autoNumber, int32_t number);

}  // namespace velatrace
