#include "app/WaveCommands.h"

#include "app/CommandIds.h"

namespace velatrace {

namespace {
int32_t CurrentVscale(const WaveBuffer& wave, const WaveView& view) {
    return view.scales.vscale[CurrentChannelIndex(wave)];
}
}  // namespace

bool IsWaveCommand(uint32_t id) {
    return id >= cmd::kNextChannel && id <= cmd::kTimeZoomIn;
}

bool WaveCommand(uint32_t id, WaveBuffer& wave, WaveView& view, UiUpdateTable& ui) {
    switch (id) {
        case cmd::kNextChannel:
            WaveNextChannel(wave, view, ui);
            break;
        case cmd::kPreviousChannel:
            WavePreviousChannel(wave, view, ui);
            break;
        case cmd::kLevelZoomIn:
            WaveLevelZoomIn(wave, view, ui);
            break;
        case cmd::kLevelZoomOut:
            WaveLevelZoomOut(wave, view, ui);
            break;
        case cmd::kTimeZoomOut:
            WaveTimeZoomOut(wave, view, ui);
            break;
        case cmd::kTimeZoomIn:
            WaveTimeZoomIn(wave, view, ui);
            break;
        default:
            break;  // the rest of the range only repaints
    }
    return IsWaveCommand(id);
}

void UpdateLevelZoomCommands(const WaveBuffer& wave, const WaveView& view, UiUpdateTable& ui) {
    const int32_t v = CurrentVscale(wave, view);
    ui.Enable(cmd::kLevelZoomOut, v > 0);
    ui.Enable(cmd::kLevelZoomIn, v < kMaxVscale);
}

void WaveNextChannel(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui) {
    wave.SelectChannel(CurrentChannelIndex(wave) + 1, true);
    UpdateLevelZoomCommands(wave, view, ui);
}

void WavePreviousChannel(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui) {
    wave.SelectChannel(CurrentChannelIndex(wave) - 1, false);
    UpdateLevelZoomCommands(wave, view, ui);
}

void WaveLevelZoomIn(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui) {
    const bool fromBottom = CurrentVscale(wave, view) <= 0;
    if (view.scales.LevelZoomIn(wave)) {
        ui.Enable(cmd::kLevelZoomIn, false);
    }
    if (fromBottom) {
        ui.Enable(cmd::kLevelZoomOut, true);
    }
}

void WaveLevelZoomOut(WaveBuffer& wave, WaveView& view, UiUpdateTable& ui) {
    const bool fromTop = CurrentVscale(wave, view) >= kMaxVscale;
    if (view.scales.LevelZoomOut(wave)) {
        ui.Enable(cmd::kLevelZoomOut, false);
    }
    if (fromTop) {
        ui.Enable(cmd::kLevelZoomIn, true);
    }
}

void WaveTimeZoomIn(WaveBuffer& /*wave*/, WaveView& view, UiUpdateTable& ui) {
    const bool fromBottom = view.scales.tscale <= 0;
    if (view.scales.TimeZoomIn()) {
        ui.Enable(cmd::kTimeZoomIn, false);
    }
    if (fromBottom) {
        ui.Enable(cmd::kTimeZoomOut, true);
    }
}

void WaveTimeZoomOut(WaveBuffer& /*wave*/, WaveView& view, UiUpdateTable& ui) {
    const bool fromTop = view.scales.tscale >= kMaxTscale;
    if (view.scales.TimeZoomOut()) {
        ui.Enable(cmd::kTimeZoomOut, false);
    }
    if (fromTop) {
        ui.Enable(cmd::kTimeZoomIn, true);
    }
}

}  // namespace velatrace
