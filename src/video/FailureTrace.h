#pragma once
// The record of the last failed media call: "FAILED(hr=0x%x) in " and the call's own text, cut to
// 159 characters. A diagnostic only; nothing the user sees depends on it.
#include <cstddef>

#include "video/MediaResult.h"

namespace velatrace {

inline constexpr size_t kLastFailureSize = 160;

class FailureTrace {
  public:
    // Empties the record; every top-level video operation starts with it.
    void Clear() { szLastFailure[0] = '\0'; }
    // `format` holds one %x for the result code, e.g. "FAILED(hr=0x%x) in pmc->Run()\n".
    // Formats with more conversions must not be passed.
    void TraceFailure(const char* format, HResult hr);
    const char* Text() const { return szLastFailure; }

    char szLastFailure[kLastFailureSize] = {};
};

}  // namespace velatrace
