#pragma once
// Recording locks held by the system on the file itself (flock on POSIX, a lock on a byte far
// past any file's end on Windows), released by the system when the holder closes the file or
// dies, so a crashed recorder never leaves a file locked.
#include "base/RecordingLocks.h"

namespace velatrace {

// Takes the recording lock of a file open for writing, without waiting: 0,
// RecordingLocks::kLockedElsewhere, or the system's error number. Closing `fd` releases it.
int LockForRecording(int fd);

class SystemRecordingLocks final : public RecordingLocks {
  public:
    int Lock(const char* path, int& handle) override;
    void Unlock(int handle) override;
    bool IsLocked(const char* path) override;
};

}  // namespace velatrace
