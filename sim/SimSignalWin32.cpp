// The completion event is a Win32 event handle the caller created, set with SetEvent; the error
// code goes to the thread's last error. A 32-bit caller puts the handle in both words of the
// record's event field; the low word (the whole pointer on 32-bit Windows) is the handle.
#include <windows.h>

#include "sim/SimSignal.h"

namespace velatrace::sim {

namespace {
HANDLE HandleOf(int64_t event) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(event));
}
}  // namespace

bool EventUsable(int64_t event) {
    const HANDLE handle = HandleOf(event);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

bool SignalEvent(int64_t event) {
    return EventUsable(event) && SetEvent(HandleOf(event)) != 0;
}

void SetDriverError(int code) {
    SetLastError(static_cast<DWORD>(code));
}

}  // namespace velatrace::sim
