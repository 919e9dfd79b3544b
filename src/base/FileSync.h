#pragma once
// Forces what was written to a file out of the system's caches onto the disk, so it outlives a
// power cut. The system backs it in the program.

namespace velatrace {

class FileSync {
  public:
    virtual ~FileSync() = default;
    // 0, or the system's error number.
    virtual int SyncFile(const char* path) = 0;
};

}  // namespace velatrace
