#pragma once
// The clock of the running program: a monotonic millisecond tick, the local time and sleeping.
#include "base/Clock.h"

namespace velatrace {

class SystemClock final : public Clock {
  public:
    uint32_t TickCount() override;
    LocalTime Now() override;
    void Sleep(uint32_t ms) override;
};

}  // namespace velatrace
