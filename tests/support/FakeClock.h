#pragma once
// A clock driven by hand: TickCount moves only when a test (or Sleep) moves it.
#include "base/Clock.h"

namespace velatrace::testing {

class FakeClock : public Clock {
  public:
    uint32_t TickCount() override { return ticks; }
    LocalTime Now() override { return now; }
    void Sleep(uint32_t ms) override {
        ticks += ms;
        slept += ms;
    }
    void Advance(uint32_t ms) { ticks += ms; }

    uint32_t ticks = 0;
    uint32_t slept = 0;
    LocalTime now{2026, 12, 6, 9, 30, 15, 0};
};

}  // namespace velatrace::testing
