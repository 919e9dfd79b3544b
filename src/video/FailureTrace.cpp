#include "video/FailureTrace.h"

#include <cstdint>
#include <cstdio>

namespace velatrace {

void FailureTrace::Note(const char* call, MediaError hr) {
    std::snprintf(text_, sizeof text_, "FAILED(hr=0x%x) in %s: %s\n",
                  static_cast<unsigned>(TraceCode(hr)), call, ErrorText(hr));
}

}  // namespace velatrace
