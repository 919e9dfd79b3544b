#pragma once
// The wave pane's channel and zoom commands: they act on the pane's WaveView, whose curve source
// says which channels are on.
// Which of them are enabled follows from the channels and the steps (CommandStates).
#include <cstdint>

#include "wave/WaveView.h"

namespace velatrace {

// True for the IDs the pane handles (32782..32788); after each the pane is repainted.
bool IsWaveCommand(uint32_t id);

// Runs one of the pane's commands: "&Next channel" and "&Previous channel" select the next
// channel that is on; the four zooms move the current channel's level step or the time step
// towards their ends. Returns true when `id` belongs to the pane (the caller then repaints it),
// false for any other ID, which is left untouched.
bool WaveCommand(uint32_t id, WaveView& view);

}  // namespace velatrace
