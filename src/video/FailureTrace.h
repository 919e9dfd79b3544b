#pragma once
// The record of the last failed media call: "FAILED(hr=0x%x) in ", the name of the call and what
// the result means, cut
// to 159 characters. A diagnostic only; nothing the user sees depends on it.
#include <cstddef>

#include "video/MediaError.h"

namespace velatrace {

inline constexpr size_t kLastFailureSize = 160;

class FailureTrace {
  public:
    // Empties the record; every top-level video operation starts with it.
    void Clear() { text_[0] = '\0'; }
    // Records that `call` (e.g. "Camera::Start") failed with `hr`.
    void Note(const char* call, MediaError hr);
    const char* Text() const { return text_; }

  private:
    char text_[kLastFailureSize] = {};
};

}  // namespace velatrace
