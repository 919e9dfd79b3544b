#pragma once
// The values beside a still in a spreadsheet reached over DDE: the frame's time and the ten
// channels in three columns (label, value, unit) to the right of the picture, starting at the
// picture's row. They go as one block of text, tab between cells and CR LF between rows, poked
// to the block's R1C1 range.
#include <cstdint>
#include <string>

#include "dde/StillNote.h"

namespace velatrace {

// A sheet's column is 64 pixels wide; the values start in the first column the picture leaves
// free.
inline constexpr int32_t kSheetColumnPixels = 64;

// Reads the cell of a select-and-paste command ("[SELECT(\"R2C3\")][PASTE]"); false for any
// other command.
bool ReadSelectPaste(const char* command, int32_t* row, int32_t* column);

// The range item ("R2C7:R12C9") and the text of the note beside a picture `pictureWidth` pixels
// wide pasted at (row, column).
void FormatNoteCells(const StillNote& note, int32_t row, int32_t column, int32_t pictureWidth,
                     std::string* item, std::string* text);

}  // namespace velatrace
