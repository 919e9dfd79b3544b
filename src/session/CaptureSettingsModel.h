#pragma once
// The capture settings dialog without its widgets: the values its controls show, what enables
// what, the name ending shown beside the base name, and what OK checks and hands back. The dialog
// works on a copy of the settings; nothing changes until Accept succeeds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "session/CaptureSettings.h"

namespace velatrace {

class CaptureSettingsModel {
  public:
    // Limits of the dialog's edits.
    static constexpr size_t kMaxFolderChars = kMaxPath - 1;
    static constexpr size_t kMaxNameChars = kMaxPath - 1;
    static constexpr size_t kMaxSecondsChars = 4;
    static constexpr int32_t kMaxSeconds = kMaxTimeLimitSec;

    // `cameraFound` and `loggerConnected` choose the name ending of the preview. An empty stored
    // folder is shown as the folder it stands for (the user's video folder) and stays empty when
    // OK is pressed with that folder unchanged.
    CaptureSettingsModel(const CaptureSettings& settings, bool cameraFound, bool loggerConnected);

    // The controls' values, as the dialog reads and writes them.
    std::string folder;
    std::string baseName;
    bool autoNumber = false;
    bool alarmEnable[4] = {};
    bool useTimeLimit = false;
    std::string seconds;
    int32_t pretrigger = 0;  // seconds, 0..kMaxPretriggerSec
    // The level triggers' rows: enable box, channel (1..10), direction, and the level and
    // hysteresis as typed (checked by Accept).
    struct TriggerRow {
        bool on = false;
        int32_t channel = 1;
        int32_t direction = kTriggerAbove;
        std::string level;
        std::string hysteresis;
    };
    TriggerRow triggers[kLevelTriggers];

    // The camera's size and rate, for the memory the pre-trigger's tip states (none: no camera).
    void SetVideoFormat(int32_t width, int32_t height, int32_t framesPerSecond);
    std::string PretriggerTip() const;

    // The "trans" box of alarm 0..3, and the "bmp transfer" radio (checked while some alarm
    // transfers a still image; checking it sets all four boxes, "avi" clears them).
    bool Transfer(int alarm) const { return alarmType_[alarm] == kAlarmTransfer; }
    void SetTransfer(int alarm, bool on);
    bool BmpTransfer() const;
    void SetBmpTransfer(bool on);

    // Folder, "...", base name, name preview and "Auto number" are enabled while some alarm still
    // records video (an alarm whose action is not the still-image transfer).
    bool NamingEnabled() const;
    // The seconds edit and its up-down follow "Use time limit".
    bool SecondsEnabled() const { return useTimeLimit; }
    // The name ending beside the base name ("_07.avi", ".csv", ...), by the auto-number box.
    std::string Preview() const;

    // OK: checks the values and, when they are sound, builds the new settings and their change
    // flags. Refuses, with the reason in `refusal`, a base name that cannot name a file, a folder
    // and name whose capture paths would not fit a path, a changed folder that cannot be created
    // or written, a time limit in use below 1 second, and a trigger's level or hysteresis that
    // is no number (or a negative hysteresis), naming the row and field; nothing is taken then.
    bool Accept(std::string& refusal);
    // The settings after a successful Accept (folder with its trailing separator, or empty for
    // the user's video folder), with namingChanged, conditionsChanged and transAlarm set.
    const CaptureSettings& Result() const { return result_; }

  private:
    // The triggers' rows as settings; false with the reason when a number cannot be taken.
    bool AcceptTriggers(LevelTriggerSetting (&taken)[kLevelTriggers], std::string& refusal) const;

    CaptureSettings original_;
    CaptureSettings result_;
    int32_t alarmType_[4] = {};
    std::string shownDefault_;  // the folder shown for an empty stored folder
    bool cameraFound_;
    bool loggerConnected_;
    int32_t videoWidth_ = 0;
    int32_t videoHeight_ = 0;
    int32_t videoRate_ = 0;
};

// Checks the naming of settings just loaded as the dialog's OK checks typed values. A base name
// that cannot name a file (a folder separator, "..") or was too long to load is replaced by
// `defaultName`; a folder too long to load was left empty, so captures go to the user's video
// folder. Folder and name whose capture paths would not fit a path are kept (every capture start
// refuses them). Returns what the user is told, one line per fault; empty when all is well.
std::string StoredNamingProblem(CaptureSettings& settings, bool folderTooLong, bool nameTooLong,
                                const char* defaultName);

// Whether `name` can be a file's base name: not empty, no folder separator, no control character
// (and on Windows none of the characters it forbids). On refusal `reason` says why.
bool IsValidBaseName(const std::string& name, std::string& reason);

}  // namespace velatrace
