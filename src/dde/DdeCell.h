#pragma once
// Spreadsheet cells in A1 notation ("B3": column letters, then the row number) and the walk of
// the transfer's target cell across and down the sheet.
#include <cstddef>
#include <cstdint>

#include "dde/DdeSettings.h"

namespace velatrace {

// The widest column a cell text may name (two letters, "IV").
inline constexpr int32_t kMaxCellColumn = 256;

// Reads `text` (at most kDdeCellSize - 1 characters looked at): each letter, lower case taken as
// upper, makes column = column x 26 + its place in the alphabet, each digit makes row = row x 10 +
// digit, in whatever order they come; column and row start at 0. Any other character stops the
// reading and returns false. True when the column is at most 256.
bool ParseCell(const char* text, int32_t* column, int32_t* row);

// The column in letters (1 is A, 27 is AA) followed by the row in decimal, cut to the cell field.
// A column below 1 gives no letters.
void FormatCell(int32_t row, int32_t column, char (&out)[kDdeCellSize]);

// Where the target cell goes after a paste at (row, column): `colStep` columns to the right, and
// after `colCount` pastes back to the initial cell's column and `rowStep` rows down.
struct CellWalk {
    int32_t pasteCount = 0;  // pastes made in the current row
    int32_t rowCount = 0;    // rows completed
    void Advance(const DdeSettings& settings, int32_t* row, int32_t* column);
};

}  // namespace velatrace
