#pragma once
// The wave pane's channel and zoom commands: they act on the WaveBuffer and the pane's WaveView
// and keep the UI-update table in step.
#include <cstdint>

#include "app/UiUpdateTable.h"
#include "wave/WaveBuffer.h"
#include "wave/WaveView.h"

namespace velatrace {

// True for the IDs the pane handles (32782..32788); after each the pane is repainted.
bool IsWaveCommand(uint32_t id);

// Runs one of the pane's commands. Returns true when `id` belongs to the pane (the caller then
// repaints it), false for any other ID, which is left untouched.
bool WaveCommand(uint32_t id, WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);

// "&Next channel" and "&Previous channel": select the next channel that is on and bring both
// level-zoom commands in line with that channel's step.
void WaveNextChannel(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);
void WavePreviousChannel(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);

// The four zoom commands; each enables the opposite command when it leaves that end of the range
// and disables itself when it reaches its own end.
void WaveLevelZoomIn(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);
void WaveLevelZoomOut(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);
void WaveTimeZoomIn(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);
void WaveTimeZoomOut(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui);

// Enables "Zoom out level axis" when the current channel's step is above 0 and "Zoom in level
// axis" when it is below the maximum (what a channel change does).
void UpdateLevelZoomCommands(const WaveBuffer& wave, const WaveView& view, UiUpdateTable& ui);

}  // namespace velatrace
