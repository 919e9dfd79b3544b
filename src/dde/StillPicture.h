#pragma once
// The still picture as it goes to the clipboard: a packed device-independent bitmap, the 40-byte
// header followed by 24-bit rows stored bottom-up, each padded to a multiple of 4 bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "video/MediaEngine.h"

namespace velatrace {

// Packs `header` and its `bytes` of pixel rows into `dib`, rows bottom-up and the height positive
// (rows given top-down, a negative height, are turned upside down). False, with `dib` empty, when
// the header is not an uncompressed bitmap of a sensible size or `bytes` are fewer than its rows.
bool PackClipboardDib(const BitmapInfoHeader& header, const uint8_t* pixels, size_t bytes,
                      std::vector<uint8_t>* dib);

// The preview's picture (32-bit B, G, R, X rows top-down) as a top-down 24-bit bitmap: the
// header (with a negative height) and its rows in `pixels`. False when the frame holds no picture.
bool BitmapFromVideoFrame(const VideoFrame& frame, BitmapInfoHeader* header,
                          std::vector<uint8_t>* pixels);

// A packed DIB read back: its header and where its rows start. False when `dib` is too short for
// the header and the rows it announces, or is not 24-bit.
struct DibView {
    BitmapInfoHeader header;
    const uint8_t* rows = nullptr;  // bottom-up
    int64_t rowBytes = 0;
};
bool ReadPackedDib(const uint8_t* dib, size_t size, DibView* view);

}  // namespace velatrace
