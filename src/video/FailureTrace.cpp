#include "video/FailureTrace.h"

#include <cstdint>
#include <cstdio>

namespace velatrace {

void FailureTrace::Note(const char* call, HResult hr) {
    std::snprintf(text_, sizeof text_, "FAILED(hr=0x%x) in %s: %s\n",
                  static_cast<unsigned>(static_cast<uint32_t>(hr)), call, ResultText(hr));
}

}  // namespace velatrace
