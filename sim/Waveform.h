#pragma once
// Signal values and their conversion to the logger's raw counts.
#include <cstdint>
#include <string>

#include "sim/SimConfig.h"

namespace velatrace::sim {

// The value of a waveform at sample index n, in the channel's unit.
double WaveValue(const Waveform& wave, uint64_t n);

// Counts per unit of a channel, following the way the program turns a range text into a scale,
// so that count / scale reads back the value: voltage by range (10V: 2000 per volt, 1-5V: 4000,
// millivolt ranges 10000), temperature 10 per degree, humidity 200 per percent (20000 = 100 %RH).
double CountsPerUnit(InputKind input, const std::string& range);

// A value in the channel's unit as a signed 16-bit count (rounded to nearest, clamped).
int16_t ToCounts(double value, double countsPerUnit);

}  // namespace velatrace::sim
