#include "video/ffmpeg/ThreadName.h"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace velatrace {

void NameThisThread(const char* name) {
#if defined(__linux__)
    pthread_setname_np(pthread_self(), name);  // at most 15 characters
#else
    (void)name;
#endif
}

}  // namespace velatrace
