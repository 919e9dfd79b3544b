#include "video/FailureTrace.h"

#include <cstdint>
#include <cstdio>

namespace velatrace {

void FailureTrace::TraceFailure(const char* format, HResult hr) {
    // The formats are the program's own constant texts with one %x for the code.
    std::snprintf(szLastFailure, sizeof szLastFailure, format,
                  static_cast<unsigned>(static_cast<uint32_t>(hr)));
}

}  // namespace velatrace
