#include "logger/sigrok/SigrokContext.h"

#include <libsigrok/libsigrok.h>

namespace velatrace::sigrok {

sr_context* Context() {
    static sr_context* context = [] {
        sr_context* made = nullptr;
        sr_log_loglevel_set(SR_LOG_ERR);
        return sr_init(&made) == SR_OK ? made : nullptr;
    }();
    return context;
}

std::mutex& DriverLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace velatrace::sigrok
