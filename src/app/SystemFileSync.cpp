#include "app/SystemFileSync.h"

#include <cerrno>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velatrace {

int SystemFileSync::SyncFile(const char* path) {
    // Any handle of the file syncs all of its data, whoever wrote it.
#if defined(_WIN32)
    const int fd = _open(path, _O_WRONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return errno;
    const int r = _commit(fd) == 0 ? 0 : errno;
    _close(fd);
#else
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int r = ::fdatasync(fd) == 0 ? 0 : errno;
    ::close(fd);
#endif
    return r;
}

}  // namespace velatrace
