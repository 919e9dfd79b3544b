#pragma once
// The simulated logger the tick benchmarks poll: ten channels on, sampled every 10 ms, no alarms.
namespace velatrace {

inline constexpr char kTenChannelLogger[] = R"(interval = 10ms
ch1 DC 10V sine 5 100 0
ch1 alarm OFF
ch2 DC 1V ramp 0 1 50
ch3 TEMP TC-K sine 2 600 25
ch4 RH 1V triangle 45 55 300
ch5 DC 10V sine 4 70 1
ch6 DC 5V square 0 4 40
ch7 DC 20V ramp -10 10 200
ch8 DC 1-5V triangle 1 5 120
ch9 TEMP TC-K ramp 20 80 400
ch10 DC 10V const 2.5
)";

}  // namespace velatrace
