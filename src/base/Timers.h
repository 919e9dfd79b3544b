#pragma once
// Window timers by ID. A timer fires repeatedly until killed; starting a running ID restarts it.
#include <cstdint>

namespace velatrace {

class Timers {
  public:
    virtual ~Timers() = default;
    virtual void StartTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;
};

}  // namespace velatrace
