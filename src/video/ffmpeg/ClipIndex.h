#pragma once
// An AVI cut off by a crash has no index and no length in its header: FFmpeg then cannot tell its
// duration and seeks only into what it has read. Reading every packet once builds the index (the
// AVI reader records each packet it reads) and gives the real duration.
#include <cstdint>

#include "video/ffmpeg/AvPtr.h"

namespace velatrace {

// Whether the file lacks what replay needs: an index to seek by, or a known duration.
bool NeedsIndexScan(const AVFormatContext* input, int stream);

// Reads the whole file once (the AVI reader indexes each packet it reads) and rewinds to the
// start. Returns
// the end of the stream's last packet in its time base (first packet at `start`), or -1 when
// nothing could be read.
int64_t ScanPackets(AVFormatContext* input, int stream);

}  // namespace velatrace
