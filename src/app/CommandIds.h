#pragma once
// Command IDs of the menus, bars, accelerators and internal notices.
#include <cstdint>

namespace velatrace::cmd {

inline constexpr uint32_t kFileOpen = 57601;
inline constexpr uint32_t kFileClose = 57602;
inline constexpr uint32_t kCaptureSetting = 57604;
inline constexpr uint32_t kRecentFirst = 57616;
inline constexpr uint32_t kRecentLast = 57631;
inline constexpr uint32_t kAbout = 57664;
inline constexpr uint32_t kExit = 57665;
inline constexpr uint32_t kHelpTopics = 57667;

inline constexpr uint32_t kFileBar = 32772;
inline constexpr uint32_t kSeekBar = 32773;
inline constexpr uint32_t kCaptureBar = 32774;
inline constexpr uint32_t kChannelBar = 32775;
inline constexpr uint32_t kVideoPane = 32776;
inline constexpr uint32_t kWavePane = 32777;
inline constexpr uint32_t kClipStop = 32778;
inline constexpr uint32_t kClipStart = 32779;
inline constexpr uint32_t kClipPause = 32780;
inline constexpr uint32_t kClipInformation = 32781;
inline constexpr uint32_t kNextChannel = 32782;
inline constexpr uint32_t kPreviousChannel = 32783;
inline constexpr uint32_t kLevelZoomIn = 32785;
inline constexpr uint32_t kLevelZoomOut = 32786;
inline constexpr uint32_t kTimeZoomOut = 32787;
inline constexpr uint32_t kTimeZoomIn = 32788;
inline constexpr uint32_t kMute = 32789;
inline constexpr uint32_t kDdeTransfer = 32790;
inline constexpr uint32_t kCapture = 32791;
inline constexpr uint32_t kPreview = 32792;
inline constexpr uint32_t kFilter = 32793;
inline constexpr uint32_t kFormat = 32794;
inline constexpr uint32_t kDdeTransferSetting = 32795;
inline constexpr uint32_t kDeviceFirst = 32796;
inline constexpr uint32_t kDeviceLast = 32799;
inline constexpr uint32_t kTransportSetting = 32801;
inline constexpr uint32_t kChannelProperty = 32802;
inline constexpr uint32_t kIgnored = 32803;
// Event markers: dropped while recording, walked through and edited in replay.
inline constexpr uint32_t kMarker = 32804;
inline constexpr uint32_t kNextMarker = 32805;
inline constexpr uint32_t kPreviousMarker = 32806;
inline constexpr uint32_t kMarkerList = 32807;
// Choosing an instrument instead of the logger.
inline constexpr uint32_t kInstrument = 32808;
// The program's own commands, after the design's.
inline constexpr uint32_t kLanguage = 32830;  // View > "&Language...", handled by the window
inline constexpr uint32_t kPaneResized = 1002;

// The replay's span and exports (after the design's commands).
inline constexpr uint32_t kSpanIn = 32840;
inline constexpr uint32_t kSpanOut = 32841;
inline constexpr uint32_t kExportSpan = 32842;
inline constexpr uint32_t kExportPicture = 32843;
inline constexpr uint32_t kExportVideo = 32844;

// Band IDs of the bars, in row order.
inline constexpr uint32_t kBandCommandBar = 60160;
inline constexpr uint32_t kBandFileBar = 60161;
inline constexpr uint32_t kBandSeekBar = 60162;
inline constexpr uint32_t kBandCaptureBar = 60163;
inline constexpr uint32_t kBandChannelBar = 60164;

}  // namespace velatrace::cmd
