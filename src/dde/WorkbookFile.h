#pragma once
// A workbook of still pictures: each picture anchored at its cell, scaled to a handy size, with
// its frame time and channel values in the columns to its right. The file is always written whole
// to a temporary name and then renamed over the old one, so a failed write leaves the workbook as
// it was.
#include <cstdint>
#include <string>
#include <vector>

#include "dde/StillNote.h"

namespace velatrace {

struct PlacedPicture {
    int32_t row = 1;     // 1-based, as R1C1 counts
    int32_t column = 1;  // 1-based
    int32_t width = 0;   // pixels of the picture
    int32_t height = 0;
    std::vector<uint8_t> jpeg;
    StillNote note;
};

// The picture's largest size on the sheet, in pixels; smaller pictures keep their size.
inline constexpr int32_t kSheetPictureWidth = 320;
inline constexpr int32_t kSheetPictureHeight = 240;

// Encodes a packed 24-bit DIB as a JPEG into `picture`. False when the DIB cannot be read.
bool EncodePicture(const uint8_t* dib, size_t size, PlacedPicture* picture);

// Writes every picture to the workbook `path` on the sheet `sheet`. False with the reason in
// `problem` when the file could not be written; the file at `path` is then untouched.
bool WriteWorkbook(const std::string& path, const std::string& sheet,
                   const std::vector<PlacedPicture>& pictures, std::string* problem);

}  // namespace velatrace
