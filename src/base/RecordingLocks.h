#pragma once
// Marks files as being recorded. A recording takes the lock of each file it writes (its AVI, its
// CSV) for as long as it writes it; a second writer, in this process or in another instance of
// the program, finds the file locked and leaves it alone. The locks are advisory: they bind the
// writers that ask for them. The system backs them in the program.

namespace velatrace {

class RecordingLocks {
  public:
    // Lock's result when another writer holds the file (system error numbers are positive).
    static constexpr int kLockedElsewhere = -1;
    static constexpr int kNoHandle = -1;

    virtual ~RecordingLocks() = default;
    // Opens `path` (made empty when missing; an existing file's contents are left alone) and
    // takes its lock, held until Unlock. 0 with `handle` set; kLockedElsewhere when another
    // writer holds the lock; else the system's error number. `handle` is kNoHandle on failure.
    virtual int Lock(const char* path, int& handle) = 0;
    // Gives the lock back and closes the handle; kNoHandle is ignored.
    virtual void Unlock(int handle) = 0;
    // Whether some writer holds the lock of `path` now (false when the file does not exist).
    virtual bool IsLocked(const char* path) = 0;
};

}  // namespace velatrace
