#include "base/TextCatalog.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace velatrace {

namespace {

struct Entry {
    TextId id;
    const char* english;
};

constexpr std::array<Entry, kTextCount> kEnglish{{
    {TextId::DdeInitFailed, QT_TRANSLATE_NOOP("Texts", "DDE Init failed")},
    {TextId::DdeConnectFailed, QT_TRANSLATE_NOOP("Texts", "Cannot connect to DDE sever")},
    {TextId::BufferOverflow, QT_TRANSLATE_NOOP("Texts", "Buffer pointer overflow")},
    {TextId::IllegalMediaFile, QT_TRANSLATE_NOOP("Texts", "It is an illegal media file")},
    {TextId::CodeFormat, QT_TRANSLATE_NOOP("Texts", "%s - %d")},
    {TextId::GlCommandFailed, QT_TRANSLATE_NOOP("Texts", "Cannot send the GL command")},
    {TextId::ChannelQueryFailed, QT_TRANSLATE_NOOP("Texts", "Cannot the GL channel propery")},
    {TextId::NotFound, QT_TRANSLATE_NOOP("Texts", "%s not found")},
    {TextId::OverwriteQuestion,
     QT_TRANSLATE_NOOP("Texts", "%s already exists\r\nDo you overwrite%s")},
    {TextId::OverwriteHeld,
     QT_TRANSLATE_NOOP("Texts",
                       "\r\nIt is being recorded right now by another recording: it is "
                       "not replaced while that recording runs.")},
    {TextId::CannotOverwrite, QT_TRANSLATE_NOOP("Texts", "%s file can not overwrite")},
    {TextId::StatusPoints, QT_TRANSLATE_NOOP("Texts", "%d pt")},
    {TextId::StatusTimeLeft, QT_TRANSLATE_NOOP("Texts", "%d/%dsec")},
    {TextId::StatusTimeLimit, QT_TRANSLATE_NOOP("Texts", "%d sec")},
    {TextId::StatusAck, QT_TRANSLATE_NOOP("Texts", "ack?-%d")},
    {TextId::StatusTimeout, QT_TRANSLATE_NOOP("Texts", "tmout")},
    {TextId::ClipInformation,
     QT_TRANSLATE_NOOP("Texts",
                       "Size = %d x %d\r\nRate = %d/sec\r\nTime = %02d:%02d:%02d\r\nFrame = %d")},

    {TextId::CameraDidNotStartStatus, QT_TRANSLATE_NOOP("Texts", "Camera did not start: %s")},
    {TextId::CameraCannotStart, QT_TRANSLATE_NOOP("Texts", "The camera cannot start.\r\n%s")},
    {TextId::NoCaptureFolder,
     QT_TRANSLATE_NOOP("Texts",
                       "No capture folder is set and the user's video folder is "
                       "unknown.\r\nChoose a capture folder in the capture settings.")},
    {TextId::CannotRecordIntoFolder,
     QT_TRANSLATE_NOOP("Texts", "Cannot record into the folder %s\r\n%s")},
    {TextId::RecordedElsewhere,
     QT_TRANSLATE_NOOP(
         "Texts",
         "%s is being recorded right now by another recording.\r\nThe capture is not started; "
         "choose another file name in the capture settings.")},
    {TextId::CannotRecordFile, QT_TRANSLATE_NOOP("Texts", "Cannot record %s: %s")},
    {TextId::RowsNotWritten, QT_TRANSLATE_NOOP("Texts", "%d rows could not be written to %s: %s")},
    {TextId::FolderGoneStatus, QT_TRANSLATE_NOOP("Texts", "The capture folder is gone: %s")},
    {TextId::FolderGone,
     QT_TRANSLATE_NOOP(
         "Texts",
         "The capture folder %s is gone (deleted or unmounted).\r\nThe logger values stopped "
         "being recorded: %s went with the folder, and %d rows received since could not be "
         "written.")},
    {TextId::CannotWriteStatus, QT_TRANSLATE_NOOP("Texts", "Cannot write %s: %s")},
    {TextId::RowsKept,
     QT_TRANSLATE_NOOP("Texts", "%s\r\nThe rows are kept and written when there is room.%s")},
    {TextId::VideoStoppedToo,
     QT_TRANSLATE_NOOP("Texts",
                       "\r\nThe video recording has stopped too: neither the video nor "
                       "the logger values are being recorded now.")},
    {TextId::IndicatorRecording, QT_TRANSLATE_NOOP("Texts", "REC %u:%02u:%02u  %s")},
    {TextId::IndicatorDropped, QT_TRANSLATE_NOOP("Texts", "  dropped frames: %lld")},
    {TextId::IndicatorRowsWaiting, QT_TRANSLATE_NOOP("Texts", "  %d rows waiting to be written")},
    {TextId::IndicatorLatePolls, QT_TRANSLATE_NOOP("Texts", "  late polls: %d")},
    {TextId::IndicatorFailedPolls, QT_TRANSLATE_NOOP("Texts", "  failed polls: %d")},
    {TextId::RecordingStopped, QT_TRANSLATE_NOOP("Texts", "Recording stopped: %s")},
    {TextId::CsvStuckToo,
     QT_TRANSLATE_NOOP("Texts",
                       "\r\nThe logger values are not being recorded either: %s cannot be "
                       "written (%s); %d rows wait to be written.")},
    {TextId::CsvGoesOn, QT_TRANSLATE_NOOP("Texts", "\r\nThe logger values go on being recorded.")},
    {TextId::VideoRecordingStopped,
     QT_TRANSLATE_NOOP("Texts", "The video recording stopped.\r\n%s%s")},
    {TextId::VideoStoppedStatus, QT_TRANSLATE_NOOP("Texts", "Video stopped: %s")},
    {TextId::VideoNotFinished,
     QT_TRANSLATE_NOOP("Texts", "The video file was not finished as recorded.\r\n%s")},
    {TextId::VideoStatus, QT_TRANSLATE_NOOP("Texts", "Video: %s")},
    {TextId::CameraStopped, QT_TRANSLATE_NOOP("Texts", "The camera stopped.\r\n%s")},
    {TextId::CameraStoppedStatus, QT_TRANSLATE_NOOP("Texts", "Camera stopped: %s")},
    {TextId::LoggerLostStatus, QT_TRANSLATE_NOOP("Texts", "Logger lost at %s (ack?-%d)")},
    {TextId::LoggerValuesClosed,
     QT_TRANSLATE_NOOP("Texts", "\r\nThe logger values up to then are in %s, which is closed.")},
    {TextId::LoggerValuesStopped,
     QT_TRANSLATE_NOOP("Texts",
                       "\r\nThe logger values stopped; %d rows could not be written to %s: %s")},
    {TextId::LoggerLost,
     QT_TRANSLATE_NOOP("Texts",
                       "The logger was lost at %s (%s - %d).%s%s\r\nPress Preview again once "
                       "the logger is back to open it again.")},
    {TextId::CannotReadLogger, QT_TRANSLATE_NOOP("Texts", "Cannot read the logger")},
    {TextId::VideoGoesOn, QT_TRANSLATE_NOOP("Texts", "\r\nThe video goes on being recorded.")},
    {TextId::CsvNameTooLong, QT_TRANSLATE_NOOP("Texts", "the file name is too long for a path")},
    {TextId::CsvHeldElsewhere, QT_TRANSLATE_NOOP("Texts", "another recording is writing it")},

    {TextId::CsvIntervalRefused,
     QT_TRANSLATE_NOOP("Texts",
                       "The wave file %s was not loaded: its record interval "
                       "(line 2) is not one of 1MS to %dS")},
    {TextId::CsvHeaderRefused,
     QT_TRANSLATE_NOOP(
         "Texts",
         "The wave file %s was not loaded: its channel header (line 3) names more than 10 "
         "channels or a voltage range without a scale")},
    {TextId::CsvLengthRefused,
     QT_TRANSLATE_NOOP(
         "Texts", "The wave file %s was not loaded: its records span more time than can be shown")},
    {TextId::CsvLineUnread,
     QT_TRANSLATE_NOOP("Texts",
                       "%lld line of the wave file %s could not be read and was left out")},
    {TextId::CsvLinesUnread,
     QT_TRANSLATE_NOOP("Texts",
                       "%lld lines of the wave file %s could not be read and were left out")},
    {TextId::NoWaveFile,
     QT_TRANSLATE_NOOP("Texts",
                       "No wave file %s was found beside %s.\r\nOnly the picture is replayed.")},
    {TextId::PaneWaveNotLoaded, QT_TRANSLATE_NOOP("Texts", "%s (wave file not loaded)")},
    {TextId::PaneLinesUnread, QT_TRANSLATE_NOOP("Texts", "%s (wave file lines unread: %lld)")},

    {TextId::LoggerNotReopened,
     QT_TRANSLATE_NOOP(
         "Texts", "The logger cannot be opened again.\r\nConnect it and press Preview again.")},
    {TextId::StopCaptureForCamera,
     QT_TRANSLATE_NOOP("Texts", "Stop the capture before choosing another camera.")},
    {TextId::StopCaptureForFormat,
     QT_TRANSLATE_NOOP("Texts", "Stop the capture before changing the camera format.")},
    {TextId::StopCaptureForSettings,
     QT_TRANSLATE_NOOP("Texts", "Stop the capture before changing the capture settings.")},
    {TextId::CameraCannotOpen, QT_TRANSLATE_NOOP("Texts", "The camera cannot be opened (%s).")},
    {TextId::FormatRefused,
     QT_TRANSLATE_NOOP("Texts",
                       "The camera cannot deliver the chosen format (%s).\nIt stays at "
                       "%d x %d, %d frames/s.")},
    {TextId::StopPreviewFirst,
     QT_TRANSLATE_NOOP("Texts", "Stop the preview before opening a recording.")},
    {TextId::NoPictureToTransfer, QT_TRANSLATE_NOOP("Texts", "No picture to transfer")},
    {TextId::HelpNotOpened,
     QT_TRANSLATE_NOOP("Texts",
                       "The help file \"%s\" could not be opened.\r\nNo program to show "
                       "it was found on this computer.")},
    {TextId::HelpMissing,
     QT_TRANSLATE_NOOP("Texts",
                       "The help file \"%s\" was not found.\r\nThe program's help (%s or "
                       "%s) belongs in the folder the program runs from.")},

    {TextId::HelpPage, QT_TRANSLATE_NOOP("Texts", "help/index.html")},

    {TextId::EnterFileName, QT_TRANSLATE_NOOP("Texts", "Enter a file name for the captures.")},
    {TextId::CannotNameFile, QT_TRANSLATE_NOOP("Texts", "\"%s\" cannot name a file.")},
    {TextId::NoControlCharacters,
     QT_TRANSLATE_NOOP("Texts", "The file name cannot contain control characters.")},
    {TextId::ForbiddenCharacter,
     QT_TRANSLATE_NOOP("Texts", "The file name \"%s\" cannot contain the character %c.")},
    {TextId::StoredNameTooLong,
     QT_TRANSLATE_NOOP("Texts",
                       "The capture file name in the settings is longer than the 259 "
                       "bytes a path can hold.")},
    {TextId::StoredNameUnusable,
     QT_TRANSLATE_NOOP("Texts", "The capture file name in the settings cannot be used: %s")},
    {TextId::CapturesNamed,
     QT_TRANSLATE_NOOP(
         "Texts",
         "Captures are named \"%s\" until another name is chosen in the capture settings.")},
    {TextId::StoredFolderTooLong,
     QT_TRANSLATE_NOOP("Texts",
                       "The capture folder in the settings is longer than the 259 "
                       "bytes a path can hold.")},
    {TextId::CapturesGoTo,
     QT_TRANSLATE_NOOP(
         "Texts", "Captures go to %s until another folder is chosen in the capture settings.")},
    {TextId::NoFolder, QT_TRANSLATE_NOOP("Texts", "no folder")},
    {TextId::NameTooLong,
     QT_TRANSLATE_NOOP("Texts", "The file name is longer than 259 characters.")},
    {TextId::FolderTooLong,
     QT_TRANSLATE_NOOP("Texts", "The folder name is longer than 259 characters.")},
    {TextId::TimeLimitWhole,
     QT_TRANSLATE_NOOP("Texts", "The time limit is a whole number of seconds.")},
    {TextId::TimeLimitAtLeast, QT_TRANSLATE_NOOP("Texts", "The time limit is at least 1 second.")},
    {TextId::NoCaptureFolderChoose,
     QT_TRANSLATE_NOOP("Texts",
                       "No capture folder is set and the user's video folder is "
                       "unknown.\r\nChoose a capture folder.")},
    {TextId::PretriggerOff,
     QT_TRANSLATE_NOOP("Texts",
                       "Alarm captures start at the alarm. Set seconds to record what led to it.")},
    {TextId::PretriggerNoEstimate,
     QT_TRANSLATE_NOOP("Texts",
                       "Alarm captures start %d s before the alarm, or as far back "
                       "as the preview has run.")},
    {TextId::PretriggerEstimate,
     QT_TRANSLATE_NOOP(
         "Texts",
         "Alarm captures start %d s before the alarm. While the preview runs, the camera's last %d "
         "s are kept in memory: about %lld MB at %d x %d, %d frames per second (at most %lld "
         "MB).")},
    {TextId::MarkerAlarm, QT_TRANSLATE_NOOP("Texts", "Alarm %d")},
    {TextId::MarkerTrigger, QT_TRANSLATE_NOOP("Texts", "Level trigger %d")},
    {TextId::MarkerNextFile, QT_TRANSLATE_NOOP("Texts", "next file: %s")},
    {TextId::MarkerWriteFailed,
     QT_TRANSLATE_NOOP(
         "Texts",
         "The markers cannot be written to %s: %s\r\nThe capture goes on; the markers wait and are "
         "written as soon as the file takes them.")},
    {TextId::MarkerWriteFailedStatus, QT_TRANSLATE_NOOP("Texts", "Markers not written: %s")},
    {TextId::MarkersLost,
     QT_TRANSLATE_NOOP("Texts", "%d marker(s) could not be written to %s: %s")},
    {TextId::MarkerBadLines,
     QT_TRANSLATE_NOOP("Texts",
                       "%lld line(s) of the marker file %s could not be read and were left out")},
    {TextId::MarkerUnreadable,
     QT_TRANSLATE_NOOP("Texts", "The marker file %s could not be read: %s")},
    {TextId::MarkerBadLinesPane, QT_TRANSLATE_NOOP("Texts", " (marker lines unread: %lld)")},
    {TextId::MarkerSaveFailed,
     QT_TRANSLATE_NOOP(
         "Texts",
         "The markers could not be saved to %s: %s\r\nThe file keeps the markers it had.")},
    {TextId::TriggerLevelNotNumber,
     QT_TRANSLATE_NOOP("Texts", "Level trigger %d: the level \"%s\" is not a number.")},
    {TextId::TriggerHysteresisNotNumber,
     QT_TRANSLATE_NOOP("Texts", "Level trigger %d: the hysteresis \"%s\" is not a number.")},
    {TextId::TriggerHysteresisNegative,
     QT_TRANSLATE_NOOP("Texts", "Level trigger %d: the hysteresis cannot be below 0.")},
    {TextId::InstrumentLostStatus, QT_TRANSLATE_NOOP("Texts", "Instrument lost at %s (%s)")},
    {TextId::InstrumentLost,
     QT_TRANSLATE_NOOP("Texts",
                       "The instrument was lost at %s (%s).%s%s\r\n"
                       "Press Preview again once the instrument is back to open it again.")},
    {TextId::InstrumentCannotOpen,
     QT_TRANSLATE_NOOP("Texts", "The instrument %s cannot be opened: %s")},
    {TextId::InstrumentCannotReopen,
     QT_TRANSLATE_NOOP(
         "Texts", "The instrument cannot be opened again.\r\nConnect it and press Preview again.")},
    {TextId::InstrumentStopPreviewFirst,
     QT_TRANSLATE_NOOP("Texts", "Stop the preview before choosing an instrument.")},
    {TextId::InstrumentDropped, QT_TRANSLATE_NOOP("Texts", "%lld instrument records were dropped")},
    {TextId::ExportCannotRead, QT_TRANSLATE_NOOP("Texts", "Cannot read")},
    {TextId::ExportCannotWrite, QT_TRANSLATE_NOOP("Texts", "Cannot write")},
}};

constexpr bool InIdOrder() {
    for (size_t i = 0; i < kEnglish.size(); ++i) {
        if (static_cast<size_t>(kEnglish[i].id) != i || kEnglish[i].english == nullptr) {
            return false;
        }
    }
    return true;
}
static_assert(InIdOrder(), "the English table lists every TextId once, in the enum's order");

// The running language's texts; empty where the English text is used.
std::array<std::string, kTextCount> g_translated;

size_t Index(TextId id) {
    const size_t i = static_cast<size_t>(id);
    return i < kTextCount ? i : 0;
}

}  // namespace

const char* EnglishText(TextId id) {
    return kEnglish[Index(id)].english;
}

const char* Text(TextId id) {
    const std::string& translated = g_translated[Index(id)];
    return translated.empty() ? EnglishText(id) : translated.c_str();
}

std::string PrintfPlaceholders(const char* text) {
    std::string out;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p != '%') {
            continue;
        }
        // Flags, width, precision and length up to the conversion letter.
        const char* end = p + 1;
        end += std::strspn(end, "-+ #0123456789.hlLqjzt");
        if (*end == '\0') {
            out.append(p);  // a lone '%' at the end is kept as it stands
            break;
        }
        out.append(p, static_cast<size_t>(end - p) + 1);
        p = end;
    }
    return out;
}

int InstallTexts(const std::function<std::string(const char* english)>& translate) {
    int refused = 0;
    for (size_t i = 0; i < kTextCount; ++i) {
        const char* english = kEnglish[i].english;
        std::string text = translate ? translate(english) : std::string();
        if (!text.empty() && PrintfPlaceholders(text.c_str()) != PrintfPlaceholders(english)) {
            ++refused;
            text.clear();
        }
        g_translated[i] = std::move(text);
    }
    return refused;
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, format, again);
    }
    va_end(again);
    return out;
}

}  // namespace velatrace
