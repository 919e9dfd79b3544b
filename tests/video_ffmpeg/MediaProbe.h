#pragma once
// Reads media files straight through libavformat and libavcodec, independently of the engine, to
// check what the engine wrote and what it shows.
#include <cstdint>
#include <string>
#include <vector>

namespace velatrace::testing {

struct AviFacts {
    bool opened = false;
    std::string codec;
    int64_t headerFrames = 0;  // the stream length the file's header states
    int64_t pictures = 0;      // packets with a picture; frame numbers not used are gaps
    int64_t firstPts = -1;
    int64_t lastPts = -1;
    int64_t decodedPictures = 0;
    int64_t pictureBytes = 0;
    int indexEntries = 0;  // after reading the header: 0 or 1 means no index
};

AviFacts ReadAviFacts(const std::string& path);

// The picture showing at `seconds` (the last frame starting at or before it), decoded from the
// start of the file, as 24-bit bottom-up BGR rows padded to 4 bytes. Empty when there is none.
std::vector<uint8_t> ReferenceDib(const std::string& path, double seconds, int* width, int* height);

// Mean absolute difference of two equally sized byte pictures; a large value when they differ
// in size.
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace velatrace::testing
