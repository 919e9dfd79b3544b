#pragma once
// What the program tells the user about an instrument source.
namespace velatrace::instrumenttext {

// Status pane: when, and why the device stopped.
inline constexpr const char* kLostStatus = "Instrument lost at %s (%s)";
// Message: when, why, what became of the CSV, whether the video goes on.
inline constexpr const char* kLost =
    "The instrument was lost at %s (%s).%s%s\r\n"
    "Press Preview again once the instrument is back to open it again.";
inline constexpr const char* kCannotOpen = "The instrument %s cannot be opened: %s";
inline constexpr const char* kCannotReopen =
    "The instrument cannot be opened again.\r\nConnect it and press Preview again.";
inline constexpr const char* kStopPreviewFirst = "Stop the preview before choosing an instrument.";
inline constexpr const char* kDropped = "%lld instrument records were dropped";

}  // namespace velatrace::instrumenttext
