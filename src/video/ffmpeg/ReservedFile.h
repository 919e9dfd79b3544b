#pragma once
// A file that FFmpeg's muxer writes through our own I/O context, so every write reaches the
// system at a known point and its error is the system's own. Room can be kept ahead of the data
// (blocks allocated past the end without growing the file), so a full disk is found before a frame
// is written, while there is still room to write the index. Where the file system cannot allocate
// ahead, Reserve does nothing and a full disk shows as a failed write instead.
#include <cerrno>
#include <cstdint>
#include <string>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
}

namespace velatrace {

// Create's error when another recording holds the file (its recording lock).
inline constexpr int kErrorLockedElsewhere = AVERROR(EBUSY);

// Whether an FFmpeg error code is the system's "disk full" (no space, or the quota used up).
bool IsDiskFull(int averror);

class ReservedFile {
  public:
    ReservedFile() = default;
    ~ReservedFile();
    ReservedFile(const ReservedFile&) = delete;
    ReservedFile& operator=(const ReservedFile&) = delete;

    // Creates (or replaces) the file and holds its recording lock until Close. 0,
    // kErrorLockedElsewhere when another recording holds the file (it is left untouched), or the
    // system's error as an FFmpeg error code.
    int Create(const std::string& path);
    bool IsOpen() const { return io_ != nullptr; }
    // Writing through this context reaches the file; buffered data goes out on avio_flush.
    AVIOContext* Io() const { return io_; }
    // The first error of a write or seek, 0 when none.
    int WriteError() const { return writeError_; }

    // Makes sure the file can grow to `end` bytes without needing more space from the disk:
    // 0, or the system's error (AVERROR(ENOSPC) on a full disk). Allocates ahead in steps.
    int Reserve(int64_t end);
    // Writes `size` bytes at `position` of what is already written, straight to the file, without
    // moving where Io() writes: 0, or the system's error.
    int WriteAt(int64_t position, const uint8_t* data, int size);
    // Forces the data written so far to the disk: 0, or the system's error.
    int Sync();
    // Cuts the file to `size` bytes (what follows was not written completely). Only before Close:
    // Io() is not to be written afterwards.
    int Truncate(int64_t size);
    // Gives back the room reserved past the end and closes the file: 0, or the system's error.
    // Data still buffered in Io() is discarded: flush first. A file that is no longer at its
    // path (its folder deleted or unmounted) is written out again there first, its folder made
    // anew, so what was recorded is not lost with the deleted file; GoneNote says how it went.
    int Close();
    // True when the open file is no longer reachable by its path (deleted, or its folder gone).
    bool Gone() const;
    // After a Close that found the file gone: where it was saved again, or that it is lost and
    // why; empty when the file stayed where it was.
    const std::string& GoneNote() const { return goneNote_; }

  private:
    friend struct ReservedFileIo;

    // Writes the whole file from the open descriptor to `path_` (or beside it when a new file
    // of that name is in the way): the path written, or empty with `why` set.
    std::string SaveAgain(std::string& why);

    std::string path_;
    std::string goneNote_;
    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    int64_t position_ = 0;
    int64_t size_ = 0;
    int64_t reserved_ = 0;  // the file can grow to here without new space
    bool canReserve_ = true;
    int writeError_ = 0;
};

}  // namespace velatrace
