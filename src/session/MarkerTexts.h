#pragma once
// The texts the user sees about event markers, in one place so they join the catalog of texts.
namespace velatrace::marker_text {

// Texts of the markers the program drops by itself.
inline constexpr char kAlarm[] = "Alarm %d";
inline constexpr char kTrigger[] = "Level trigger %d";
inline constexpr char kNextFile[] = "next file: %s";

// While recording.
inline constexpr char kWriteFailed[] =
    "The markers cannot be written to %s: %s\r\nThe capture goes on; the markers wait and are "
    "written as soon as the file takes them.";
inline constexpr char kWriteFailedStatus[] = "Markers not written: %s";
inline constexpr char kMarkersLost[] = "%d marker(s) could not be written to %s: %s";

// In replay.
inline constexpr char kBadLines[] =
    "%lld line(s) of the marker file %s could not be read and were left out";
inline constexpr char kUnreadable[] = "The marker file %s could not be read: %s";
inline constexpr char kBadLinesPane[] = " (marker lines unread: %lld)";
inline constexpr char kSaveFailed[] =
    "The markers could not be saved to %s: %s\r\nThe file keeps the markers it had.";

}  // namespace velatrace::marker_text
