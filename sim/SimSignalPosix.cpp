// The completion event is an eventfd the caller created; the error code goes to errno.
#include <sys/eventfd.h>

#include <cerrno>
#include <climits>

#include "sim/SimSignal.h"

namespace velatrace::sim {

bool EventUsable(int64_t event) {
    return event >= 0 && event <= INT_MAX;
}

bool SignalEvent(int64_t event) {
    return EventUsable(event) && eventfd_write(static_cast<int>(event), 1) == 0;
}

void SetDriverError(int code) {
    errno = code;
}

}  // namespace velatrace::sim
