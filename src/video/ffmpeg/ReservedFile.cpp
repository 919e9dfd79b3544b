#include "video/ffmpeg/ReservedFile.h"

#include "base/SystemRecordingLocks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velatrace {
namespace {

constexpr int kBufferSize = 64 * 1024;
// Room is allocated ahead in steps of this size, so most frames need no call to the system.
constexpr int64_t kReserveStep = 1 << 20;

#if defined(_WIN32)
int OpenForWriting(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}
int64_t WriteSome(int fd, const uint8_t* data, int size) {
    return _write(fd, data, static_cast<unsigned>(size));
}
int64_t SeekTo(int fd, int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence);
}
int CutTo(int fd, int64_t size) {
    const errno_t e = _chsize_s(fd, size);
    return e == 0 ? 0 : AVERROR(e);
}
int CloseFile(int fd) {
    return _close(fd);
}
int SyncData(int fd) {
    return _commit(fd) == 0 ? 0 : AVERROR(errno);
}
// No allocation ahead: a full disk shows as a failed write.
int AllocateAhead(int, int64_t, int64_t) {
    return AVERROR(EOPNOTSUPP);
}
#else
int OpenForWriting(const std::string& path) {
    // Readable too, so a file whose folder went can be written out again from it. Not cut
    // here: a file another recording holds is left as it is until its lock is taken.
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}
int64_t WriteSome(int fd, const uint8_t* data, int size) {
    return ::write(fd, data, static_cast<size_t>(size));
}
int64_t SeekTo(int fd, int64_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}
int CutTo(int fd, int64_t size) {
    return ::ftruncate(fd, size) == 0 ? 0 : AVERROR(errno);
}
int CloseFile(int fd) {
    return ::close(fd);
}
int SyncData(int fd) {
#if defined(__APPLE__)
    return ::fsync(fd) == 0 ? 0 : AVERROR(errno);
#else
    return ::fdatasync(fd) == 0 ? 0 : AVERROR(errno);
#endif
}
int AllocateAhead(int fd, int64_t from, int64_t length) {
#if defined(__linux__)
    // Blocks past the end are allocated without changing the file's size; they are used as the
    // file grows, and what is left is given back when the file is cut to its size at closing.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, from, length) == 0)
        return 0;
    return AVERROR(errno);
#else
    (void)fd;
    (void)from;
    (void)length;
    return AVERROR(EOPNOTSUPP);
#endif
}
#endif

// Writes all of `size` bytes, going on after an interrupted or partial write. `done` counts the
// bytes written, also when a write fails part way: 0, or the system's error.
int WriteAll(int fd, const uint8_t* data, int size, int& done) {
    done = 0;
    while (done < size) {
        const int64_t n = WriteSome(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? AVERROR(errno) : AVERROR(EIO);
        done += static_cast<int>(n);
    }
    return 0;
}

}  // namespace

bool IsDiskFull(int averror) {
#if defined(EDQUOT)
    if (averror == AVERROR(EDQUOT))
        return true;
#endif
    return averror == AVERROR(ENOSPC);
}

// The I/O context's callbacks. FFmpeg 5 passes the data as uint8_t*, later versions as const
// uint8_t*; the template takes either.
struct ReservedFileIo {
    template <class Byte>
    static int Write(void* opaque, Byte* data, int size) {
        auto* file = static_cast<ReservedFile*>(opaque);
        if (file->writeError_)
            return file->writeError_;
        int done = 0;
        const int r = WriteAll(file->fd_, data, size, done);
        file->position_ += done;
        file->size_ = std::max(file->size_, file->position_);
        if (r < 0) {
            file->writeError_ = r;
            return r;
        }
        return size;
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* file = static_cast<ReservedFile*>(opaque);
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE)
            return file->size_;
        const int64_t p = SeekTo(file->fd_, offset, whence);
        if (p < 0) {
            const int e = AVERROR(errno);
            if (!file->writeError_)
                file->writeError_ = e;
            return e;
        }
        file->position_ = p;
        return p;
    }
};

ReservedFile::~ReservedFile() {
    Close();
}

int ReservedFile::Create(const std::string& path) {
    Close();
    path_ = path;
    goneNote_.clear();
    // Opened without cutting it: a file another recording holds is left as it is. The lock is
    // held until the file is closed. Where the file system has no locks the file is written all
    // the same.
    fd_ = OpenForWriting(path);
    if (fd_ < 0)
        return AVERROR(errno);
    const int lock = LockForRecording(fd_);
    const int r = lock == RecordingLocks::kLockedElsewhere ? kErrorLockedElsewhere : CutTo(fd_, 0);
    if (r < 0) {
        CloseFile(fd_);
        fd_ = -1;
        return r;
    }
    position_ = size_ = reserved_ = 0;
    canReserve_ = true;
    writeError_ = 0;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (buffer) {
        io_ = avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, &ReservedFileIo::Write,
                                 &ReservedFileIo::Seek);
    }
    if (!io_) {
        av_free(buffer);
        CloseFile(fd_);
        fd_ = -1;
        return AVERROR(ENOMEM);
    }
    return 0;
}

int ReservedFile::Reserve(int64_t end) {
    if (fd_ < 0)
        return AVERROR(EBADF);
    if (!canReserve_ || end <= reserved_)
        return 0;
    // A step ahead when the disk has it, else just what is needed now.
    int r = AllocateAhead(fd_, reserved_, end + kReserveStep - reserved_);
    if (r == 0) {
        reserved_ = end + kReserveStep;
        return 0;
    }
    if (IsDiskFull(r))
        r = AllocateAhead(fd_, reserved_, end - reserved_);
    if (r == 0) {
        reserved_ = end;
        return 0;
    }
    if (r == AVERROR(EOPNOTSUPP) || r == AVERROR(ENOSYS) || r == AVERROR(EINVAL)) {
        canReserve_ = false;  // the file system cannot allocate ahead
        return 0;
    }
    return r;
}

int ReservedFile::WriteAt(int64_t position, const uint8_t* data, int size) {
    if (fd_ < 0)
        return AVERROR(EBADF);
    if (SeekTo(fd_, position, SEEK_SET) < 0)
        return AVERROR(errno);
    int done = 0;
    int r = WriteAll(fd_, data, size, done);
    // Back to where the buffered writes go on, whether or not this write went through.
    if (SeekTo(fd_, position_, SEEK_SET) < 0 && r == 0)
        r = AVERROR(errno);
    return r;
}

int ReservedFile::Sync() {
    return fd_ < 0 ? AVERROR(EBADF) : SyncData(fd_);
}

int ReservedFile::Truncate(int64_t size) {
    if (fd_ < 0)
        return AVERROR(EBADF);
    const int r = CutTo(fd_, size);
    if (r == 0) {
        size_ = size;
        position_ = SeekTo(fd_, size, SEEK_SET);
    }
    return r;
}

bool ReservedFile::Gone() const {
#if defined(_WIN32)
    return false;  // an open file's folder cannot be deleted; a lost drive fails the writes
#else
    if (fd_ < 0)
        return false;
    struct stat open {};
    struct stat named {};
    if (::fstat(fd_, &open) != 0)
        return false;
    return open.st_nlink == 0 || ::stat(path_.c_str(), &named) != 0 ||
           named.st_dev != open.st_dev || named.st_ino != open.st_ino;
#endif
}

std::string ReservedFile::SaveAgain(std::string& why) {
#if defined(_WIN32)
    why = "the file is gone";
    return {};
#else
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path(path_);
    fs::create_directories(path.parent_path(), ec);
    std::string target = path_;
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0 && errno == EEXIST) {
        // Something new took the name meanwhile: it is kept, the recording goes beside it.
        target =
            (path.parent_path() / (path.stem().string() + "_saved" + path.extension().string()))
                .string();
        out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (out < 0) {
        why = std::strerror(errno);
        return {};
    }
    std::vector<uint8_t> buffer(kBufferSize);
    int r = 0;
    for (int64_t at = 0; at < size_ && r == 0;) {
        const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            r = n < 0 ? AVERROR(errno) : AVERROR(EIO);
            break;
        }
        int done = 0;
        r = WriteAll(out, buffer.data(), static_cast<int>(n), done);
        at += n;
    }
    if (r == 0 && ::fsync(out) != 0)
        r = AVERROR(errno);
    if (::close(out) != 0 && r == 0)
        r = AVERROR(errno);
    if (r != 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(r, text, sizeof text);
        why = text;
        ::unlink(target.c_str());
        return {};
    }
    return target;
#endif
}

int ReservedFile::Close() {
    int r = 0;
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (fd_ >= 0) {
        // Cutting the file to its own size gives back the blocks allocated past its end.
        if (reserved_ > size_)
            CutTo(fd_, size_);
        if (Gone()) {
            std::string why;
            const std::string saved = SaveAgain(why);
            goneNote_ = saved.empty() ? "what was recorded in it is lost: " + why
                                      : "what was recorded in it is saved again as " + saved;
        }
        if (CloseFile(fd_) != 0)
            r = AVERROR(errno);
        fd_ = -1;
    }
    return r;
}

}  // namespace velatrace
