#pragma once
// Syncs a file through the system: its data (and its length) reach the disk before this returns.
#include "base/FileSync.h"

namespace velatrace {

class SystemFileSync final : public FileSync {
  public:
    int SyncFile(const char* path) override;
};

}  // namespace velatrace
