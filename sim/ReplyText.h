#pragma once
// The logger's text replies. Each keeps the keywords the program searches for where it finds
// them: the range last in ":AMP" so a six-character copy of it reads cleanly, and "OFF" in an
// ":ALAR" reply only when the channel has no alarm.
#include <string>

#include "sim/SimConfig.h"

namespace velatrace::sim {

std::string ChannelCountReply(int channelCount);  // ":INFO:CH 10"
std::string AmpReply(int channel, const ChannelConfig& config,
                     bool on);                                  // ":AMP:CH1:INP DC;RANG 10V"
std::string AlarmReply(int channel, const AlarmConfig& alarm);  // ":ALAR:CH1:MODE HI;...;OUTP 1"
std::string SamplingReply(uint32_t intervalMs);                 // ":DATA:SAMP 100MS", "... 1S"

const char* InputName(InputKind input);

}  // namespace velatrace::sim
