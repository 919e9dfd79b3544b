#include "dde/StillNoteCells.h"

#include <cstdio>

namespace velatrace {

bool ReadSelectPaste(const char* command, int32_t* row, int32_t* column) {
    int r = 0;
    int c = 0;
    int used = 0;
    if (std::sscanf(command, "[SELECT(\"R%dC%d\")][PASTE]%n", &r, &c, &used) != 2 ||
        command[used] != '\0') {
        return false;
    }
    *row = r;
    *column = c;
    return true;
}

void FormatNoteCells(const StillNote& note, int32_t row, int32_t column, int32_t pictureWidth,
                     std::string* item, std::string* text) {
    const int32_t width = pictureWidth > 0 ? pictureWidth : 0;
    const int32_t first = column + (width + kSheetColumnPixels - 1) / kSheetColumnPixels;
    char range[64];
    std::snprintf(range, sizeof range, "R%dC%d:R%dC%d", static_cast<int>(row),
                  static_cast<int>(first), static_cast<int>(row + kChannels),
                  static_cast<int>(first + 2));
    *item = range;
    *text = "Time\t";
    *text += note.time;
    *text += "\t\r\n";
    for (int c = 0; c < kChannels; ++c) {
        const StillNote::Channel& ch = note.channel[c];
        char line[96];
        if (ch.on) {
            std::snprintf(line, sizeof line, "CH%d\t%.6g\t%s\r\n", c + 1, ch.value, ch.unit);
        } else {
            std::snprintf(line, sizeof line, "CH%d\toff\t\r\n", c + 1);
        }
        *text += line;
    }
}

}  // namespace velatrace
