#include "base/SystemRecordingLocks.h"

#include <cerrno>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace velatrace {

namespace {

#if defined(_WIN32)
// Windows locks byte ranges and enforces them on every other handle, so the lock sits on a byte
// no recording ever reaches; writers through other handles are not hindered.
constexpr DWORD kLockOffsetHigh = 0x40000000u;

int TryLock(int fd, bool exclusive) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE) {
        return EBADF;
    }
    OVERLAPPED at = {};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(file, flags, 0, 1, 0, &at)) {
        return 0;
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? RecordingLocks::kLockedElsewhere : EACCES;
}
void Release(int fd) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    OVERLAPPED at = {};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(file, 0, 1, 0, &at);
}
int OpenFile(const char* path, bool create) {
    return create
               ? _open(path, _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE)
               : _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int CloseFile(int fd) {
    return _close(fd);
}
#else
int TryLock(int fd, bool exclusive) {
    // flock belongs to the open file, not to the process: two writers of one process exclude
    // each other as two programs do.
    int r;
    do {
        r = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r == 0) {
        return 0;
    }
    return errno == EWOULDBLOCK ? RecordingLocks::kLockedElsewhere : errno;
}
void Release(int fd) {
    ::flock(fd, LOCK_UN);
}
int OpenFile(const char* path, bool create) {
    return create ? ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666)
                  : ::open(path, O_RDONLY | O_CLOEXEC);
}
int CloseFile(int fd) {
    return ::close(fd);
}
#endif

}  // namespace

int LockForRecording(int fd) {
    return TryLock(fd, true);
}

int SystemRecordingLocks::Lock(const char* path, int& handle) {
    handle = kNoHandle;
    const int fd = OpenFile(path, true);
    if (fd < 0) {
        return errno != 0 ? errno : EACCES;
    }
    const int r = LockForRecording(fd);
    if (r != 0) {
        CloseFile(fd);
        return r;
    }
    handle = fd;
    return 0;
}

void SystemRecordingLocks::Unlock(int handle) {
    if (handle != kNoHandle) {
        Release(handle);
        CloseFile(handle);
    }
}

bool SystemRecordingLocks::IsLocked(const char* path) {
    const int fd = OpenFile(path, false);
    if (fd < 0) {
        return false;
    }
    // A shared lock is refused only while a recording holds the exclusive one.
    const bool locked = TryLock(fd, false) == RecordingLocks::kLockedElsewhere;
    if (!locked) {
        Release(fd);
    }
    CloseFile(fd);
    return locked;
}

}  // namespace velatrace
