#pragma once
// The program's own messages and status texts, one table keyed by TextId, in English; the
// window's layer installs the running language's texts over them once at start.
//
// The English texts are marked with QT_TRANSLATE_NOOP so Qt Linguist's lupdate finds them (in
// the context kTextContext); here the mark is only the text itself. The numbers in the comments
// are the string resources of the texts that have one.
#include <cstdint>
#include <functional>
#include <string>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace velatrace {

inline constexpr char kTextContext[] = "Texts";

enum class TextId : uint16_t {
    // Message boxes and status formats with string resources, or quoted as they stand.
    DdeInitFailed,     // 61406
    DdeConnectFailed,  // 61407
    BufferOverflow,    // 61419
    IllegalMediaFile,  // 61420
    CodeFormat,        // "%s - %d": a message with the code that failed
    GlCommandFailed,
    ChannelQueryFailed,
    NotFound,
    OverwriteQuestion,
    OverwriteHeld,
    CannotOverwrite,
    StatusPoints,
    StatusTimeLeft,
    StatusTimeLimit,
    StatusAck,
    StatusTimeout,
    ClipInformation,
    // The live session: starting, recording failures, the recording indicator.
    CameraDidNotStartStatus,
    CameraCannotStart,
    NoCaptureFolder,
    CannotRecordIntoFolder,
    RecordedElsewhere,
    CannotRecordFile,
    RowsNotWritten,
    FolderGoneStatus,
    FolderGone,
    CannotWriteStatus,
    RowsKept,
    VideoStoppedToo,
    IndicatorRecording,
    IndicatorDropped,
    IndicatorRowsWaiting,
    IndicatorLatePolls,
    IndicatorFailedPolls,
    RecordingStopped,
    CsvStuckToo,
    CsvGoesOn,
    VideoRecordingStopped,
    VideoStoppedStatus,
    VideoNotFinished,
    VideoStatus,
    CameraStopped,
    CameraStoppedStatus,
    LoggerLostStatus,
    LoggerValuesClosed,
    LoggerValuesStopped,
    LoggerLost,
    CannotReadLogger,
    VideoGoesOn,
    CsvNameTooLong,
    CsvHeldElsewhere,
    // Replay.
    CsvIntervalRefused,
    CsvHeaderRefused,
    CsvLengthRefused,
    CsvLineUnread,
    CsvLinesUnread,
    NoWaveFile,
    PaneWaveNotLoaded,
    PaneLinesUnread,
    // The frame's commands.
    LoggerNotReopened,
    StopCaptureForCamera,
    StopCaptureForFormat,
    StopCaptureForSettings,
    CameraCannotOpen,
    FormatRefused,
    StopPreviewFirst,
    NoPictureToTransfer,
    HelpNotOpened,
    HelpMissing,
    HelpPage,  // the HTML help page of the language, beside the program
    // The capture settings.
    EnterFileName,
    CannotNameFile,
    NoControlCharacters,
    ForbiddenCharacter,
    StoredNameTooLong,
    StoredNameUnusable,
    CapturesNamed,
    StoredFolderTooLong,
    CapturesGoTo,
    NoFolder,
    NameTooLong,
    FolderTooLong,
    TimeLimitWhole,
    TimeLimitAtLeast,
    NoCaptureFolderChoose,
    PretriggerOff,
    PretriggerNoEstimate,
    PretriggerEstimate,
    // Markers, level triggers, instruments and exports.
    MarkerAlarm,
    MarkerTrigger,
    MarkerNextFile,
    MarkerWriteFailed,
    MarkerWriteFailedStatus,
    MarkersLost,
    MarkerBadLines,
    MarkerUnreadable,
    MarkerBadLinesPane,
    MarkerSaveFailed,
    TriggerLevelNotNumber,
    TriggerHysteresisNotNumber,
    TriggerHysteresisNegative,
    InstrumentLostStatus,
    InstrumentLost,
    InstrumentCannotOpen,
    InstrumentCannotReopen,
    InstrumentStopPreviewFirst,
    InstrumentDropped,
    ExportCannotRead,
    ExportCannotWrite,
    Count
};

inline constexpr size_t kTextCount = static_cast<size_t>(TextId::Count);

// The text of `id` in the running language (English until translations are installed).
const char* Text(TextId id);
// The English text of `id`, as the source of every translation.
const char* EnglishText(TextId id);

// The printf conversions of `text` in order ("%s", "%02d", "%%"...), each as written.
std::string PrintfPlaceholders(const char* text);

// Installs the running language's texts: `translate` gives the text for an English one (UTF-8;
// empty keeps the English). A translation whose printf conversions differ from the English
// ones, in kind or order, would read the wrong arguments: it is not used, and the English text
// stays. Returns how many translations were refused. Called once at start, before any text is
// shown; English texts come back with an empty `translate`.
int InstallTexts(const std::function<std::string(const char* english)>& translate);

// printf into a string of the length the result needs.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace velatrace
