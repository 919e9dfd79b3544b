#pragma once
// How the logger's polls are faring during a capture: polls that failed or brought no data
// block, and polls that finished well after they were due (a slow or struggling logger whose
// memory fills up meanwhile). Counted from the capture's start, so the recording indicator can
// show trouble before any data goes missing.
#include <cstddef>
#include <cstdint>

namespace velatrace {

class PollHealth {
  public:
    // A new capture starts with clean counts.
    void Reset();
    // The next poll was armed at `nowTick` to run `periodMs` later.
    void Armed(uint32_t nowTick, uint32_t periodMs);
    // A poll finished at `nowTick`; `failed` when it brought no data block. Returns true when a
    // count changed.
    bool Finished(uint32_t nowTick, bool failed);

    int32_t Late() const { return late_; }
    int32_t Failed() const { return failed_; }
    // Appends "  late polls: N" and "  failed polls: N" for the counts above 0; returns the
    // characters written (0 when all is well or nothing fits).
    size_t Describe(char* text, size_t size) const;

  private:
    uint32_t dueTick_ = 0;
    uint32_t periodMs_ = 0;
    bool armed_ = false;
    int32_t late_ = 0;
    int32_t failed_ = 0;
};

}  // namespace velatrace
