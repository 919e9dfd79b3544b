#pragma once
// What the simulated library's entries need from the system: the completion event of an event
// read and the place the error code of a failed entry is left.
#include <cstdint>

namespace velatrace::sim {

// Whether `event` can name a completion event at all (an eventfd, or a Win32 event handle).
bool EventUsable(int64_t event);
// Signals the caller's completion event; false when it cannot be signalled.
bool SignalEvent(int64_t event);
// Leaves the Windows error code of a failed entry where the caller reads it: errno on Linux,
// the thread's last error on Windows.
void SetDriverError(int code);

}  // namespace velatrace::sim
