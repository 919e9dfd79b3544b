#include "dde/DdeCell.h"

#include <cstdio>

namespace velatrace {

namespace {
// Column and row numbers far beyond any sheet; the arithmetic stops growing there, so odd input
// (a long run of letters or digits) cannot overflow.
constexpr int32_t kNumberCeiling = 100000000;

int32_t Grow(int32_t value, int32_t base, int32_t digit) {
    return value >= kNumberCeiling ? value : value * base + digit;
}
}  // namespace

bool ParseCell(const char* text, int32_t* column, int32_t* row) {
    *column = 0;
    *row = 0;
    for (size_t i = 0; i < kDdeCellSize - 1 && text[i] != '\0'; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c >= 'A' && c <= 'Z') {
            *column = Grow(*column, 26, c - 'A' + 1);
        } else if (c >= '0' && c <= '9') {
            *row = Grow(*row, 10, c - '0');
        } else {
            return false;
        }
    }
    return *column <= kMaxCellColumn;
}

void FormatCell(int32_t row, int32_t column, char (&out)[kDdeCellSize]) {
    char letters[8] = {};
    int n = 0;
    // Bijective base 26: A..Z are 1..26, so there is no zero digit.
    for (int32_t c = column; c > 0 && n < 7; c = (c - 1) / 26) {
        letters[n++] = static_cast<char>('A' + (c - 1) % 26);
    }
    size_t at = 0;
    while (n > 0 && at < sizeof out - 1) {
        out[at++] = letters[--n];
    }
    out[at] = '\0';
    std::snprintf(out + at, sizeof out - at, "%d", static_cast<int>(row));
}

void CellWalk::Advance(const DdeSettings& settings, int32_t* row, int32_t* column) {
    *column = *column >= kNumberCeiling ? *column : *column + settings.colStep;
    ++pasteCount;
    if (pasteCount == settings.colCount) {
        int32_t initialRow = 0;
        ParseCell(settings.initialCell, column, &initialRow);
        pasteCount = 0;
        *row = *row >= kNumberCeiling ? *row : *row + settings.rowStep;
        ++rowCount;
    }
}

}  // namespace velatrace
