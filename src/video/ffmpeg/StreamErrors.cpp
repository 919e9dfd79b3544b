#include "video/ffmpeg/StreamErrors.h"

#include <cstdio>

namespace velatrace {

void StreamErrors::Post(StreamErrorSource source, MediaError hr, const char* format, ...) {
    StreamError e;
    e.error = hr;
    e.source = source;
    va_list args;
    va_start(args, format);
    std::vsnprintf(e.text, sizeof e.text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(mutex_);
    if (errors_.size() < kLimit)
        errors_.push_back(e);
}

bool StreamErrors::Take(StreamError* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (errors_.empty() || !error)
        return false;
    *error = errors_.front();
    errors_.pop_front();
    return true;
}

}  // namespace velatrace
