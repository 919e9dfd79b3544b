#pragma once
// Counts per display unit for a channel, from its input type and the logger's range text.
#include <cstdint>

namespace velatrace {

// Humidity reads 20000 counts for 100 %; a voltage range gives 20000 counts at full range
// ("10V" 2000, "1V" 20000, "1-5V" 4000, a millivolt range 10000); anything else 10 (tenths).
double ScaleForRange(int32_t type, const char* range);

}  // namespace velatrace
