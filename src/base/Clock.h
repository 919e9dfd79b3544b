#pragma once
// Time as the core sees it. The system clock backs it in the program; tests drive a fake by hand.
#include <cstdint>

namespace velatrace {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like a 32-bit tick counter.
    virtual uint32_t TickCount() = 0;
    virtual LocalTime Now() = 0;
    // Blocks the calling thread for `ms` milliseconds.
    virtual void Sleep(uint32_t ms) = 0;
};

}  // namespace velatrace
