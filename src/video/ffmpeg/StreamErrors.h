#pragma once
// Errors from engine threads, kept in order until the GUI thread fetches them. Bounded, so a
// device that fails on every frame cannot grow it without end: past the limit the newest is lost.
#include <cstdarg>
#include <deque>
#include <mutex>

#include "video/MediaEngine.h"

namespace velatrace {

class StreamErrors {
  public:
    static constexpr size_t kLimit = 16;

    // The text is formatted as printf does, cut to the record's 255 characters.
    void Post(StreamErrorSource source, MediaError hr, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    bool Take(StreamError* error);

  private:
    std::mutex mutex_;
    std::deque<StreamError> errors_;
};

}  // namespace velatrace
