#pragma once
// The still picture as it goes to the clipboard: a packed device-independent bitmap, the 40-byte
// header the clipboard format has (little-endian) followed by 24-bit rows stored bottom-up, each
// padded to a multiple of 4 bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "video/MediaTypes.h"

namespace velatrace {

// Bytes of the packed bitmap's header.
inline constexpr size_t kDibHeaderBytes = 40;

// Packs `still` into `dib`. False, with `dib` empty, when the still is not of a sensible size or
// holds fewer bytes than its rows.
bool PackClipboardDib(const StillImage& still, std::vector<uint8_t>* dib);

// The preview's picture (32-bit B, G, R, X rows top-down) as a still. False when the frame holds
// no picture.
bool StillFromVideoFrame(const VideoFrame& frame, StillImage* still);

// A packed bitmap read back: its size and where its rows start. False when `dib` is too short for
// the header and the rows it announces, or is not an uncompressed 24-bit bottom-up bitmap.
struct DibView {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* rows = nullptr;  // bottom-up
    int64_t rowBytes = 0;
};
bool ReadPackedDib(const uint8_t* dib, size_t size, DibView* view);

}  // namespace velatrace
