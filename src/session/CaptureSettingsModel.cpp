#include "session/CaptureSettingsModel.h"

#include <algorithm>
#include <cstring>

#include "base/FixedText.h"
#include "base/TextCatalog.h"
#include "session/CaptureNaming.h"
#include "session/Pretrigger.h"

namespace velatrace {

namespace {

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == PathSeparator() || folder.back() == '/');
}

// The folder as stored: with its trailing separator, or empty.
std::string WithSeparator(std::string folder) {
    if (!folder.empty() && !EndsWithSeparator(folder)) {
        folder += PathSeparator();
    }
    return folder;
}

}  // namespace

bool IsValidBaseName(const std::string& name, std::string& reason) {
    if (name.empty()) {
        reason = Text(TextId::EnterFileName);
        return false;
    }
    if (name == "." || name == "..") {
        reason = FormatString(Text(TextId::CannotNameFile), name.c_str());
        return false;
    }
#ifdef _WIN32
    const char* forbidden = "\\/:*?\"<>|";
#else
    const char* forbidden = "/";
#endif
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            reason = Text(TextId::NoControlCharacters);
            return false;
        }
        if (std::strchr(forbidden, c) != nullptr) {
            reason = FormatString(Text(TextId::ForbiddenCharacter), name.c_str(), c);
            return false;
        }
    }
    return true;
}

std::string StoredNamingProblem(CaptureSettings& settings, bool folderTooLong, bool nameTooLong,
                                const char* defaultName) {
    std::string problem;
    const auto add = [&problem](const std::string& line) {
        problem += (problem.empty() ? "" : "\r\n") + line;
    };
    std::string reason;
    if (nameTooLong || !IsValidBaseName(settings.filename, reason)) {
        add(nameTooLong ? std::string(Text(TextId::StoredNameTooLong))
                        : FormatString(Text(TextId::StoredNameUnusable), reason.c_str()));
        CopyText(settings.filename, defaultName);
        add(FormatString(Text(TextId::CapturesNamed), defaultName));
    }
    char folder[kMaxPath];
    CaptureFolder(folder, sizeof folder, settings.path);
    if (folderTooLong) {
        add(Text(TextId::StoredFolderTooLong));
        add(FormatString(Text(TextId::CapturesGoTo),
                         folder[0] != '\0' ? folder : Text(TextId::NoFolder)));
    }
    char fits[2 * kMaxPath + 256];
    if (!CapturePathFits(folder, settings.filename, settings.autoNumber, fits, sizeof fits)) {
        add(fits);
    }
    return problem;
}

CaptureSettingsModel::CaptureSettingsModel(const CaptureSettings& settings, bool cameraFound,
                                           bool loggerConnected)
    : original_(settings),
      result_(settings),
      cameraFound_(cameraFound),
      loggerConnected_(loggerConnected) {
    folder = settings.path;
    if (folder.empty()) {
        char resolved[kMaxPath];
        CaptureFolder(resolved, sizeof resolved, settings.path);
        shownDefault_ = resolved;
        folder = shownDefault_;
    }
    baseName = settings.filename;
    autoNumber = settings.autoNumber != 0;
    for (int i = 0; i < 4; ++i) {
        alarmEnable[i] = settings.alarmEnable[i] != 0;
        alarmType_[i] = settings.alarmType[i] == kAlarmTransfer ? kAlarmTransfer : kAlarmCapture;
    }
    useTimeLimit = settings.useTimeLimit != 0;
    seconds = std::to_string(settings.timeLimitSec);
    pretrigger = settings.pretriggerSec;
    for (int i = 0; i < kLevelTriggers; ++i) {
        const LevelTriggerSetting& t = settings.triggers[i];
        char text[48];
        triggers[i].on = t.enabled != 0;
        triggers[i].channel = t.channel;
        triggers[i].direction = t.direction;
        FormatTriggerNumber(text, sizeof text, t.level);
        triggers[i].level = text;
        FormatTriggerNumber(text, sizeof text, t.hysteresis);
        triggers[i].hysteresis = text;
    }
}

void CaptureSettingsModel::SetVideoFormat(int32_t width, int32_t height, int32_t framesPerSecond) {
    videoWidth_ = width;
    videoHeight_ = height;
    videoRate_ = framesPerSecond;
}

std::string CaptureSettingsModel::PretriggerTip() const {
    return velatrace::PretriggerTip(pretrigger, cameraFound_ ? videoWidth_ : 0, videoHeight_,
                                    videoRate_);
}

void CaptureSettingsModel::SetTransfer(int alarm, bool on) {
    alarmType_[alarm] = on ? kAlarmTransfer : kAlarmCapture;
}

bool CaptureSettingsModel::BmpTransfer() const {
    for (const int32_t type : alarmType_) {
        if (type == kAlarmTransfer) {
            return true;
        }
    }
    return false;
}

void CaptureSettingsModel::SetBmpTransfer(bool on) {
    for (int32_t& type : alarmType_) {
        type = on ? kAlarmTransfer : kAlarmCapture;
    }
}

bool CaptureSettingsModel::NamingEnabled() const {
    for (const int32_t type : alarmType_) {
        if (type != kAlarmTransfer) {
            return true;
        }
    }
    return false;
}

std::string CaptureSettingsModel::Preview() const {
    char text[16];
    CaptureNamePreview(text, sizeof text, cameraFound_, loggerConnected_, autoNumber ? 1 : 0,
                       original_.number);
    return text;
}

bool CaptureSettingsModel::AcceptTriggers(LevelTriggerSetting (&taken)[kLevelTriggers],
                                          std::string& refusal) const {
    char text[160];
    for (int i = 0; i < kLevelTriggers; ++i) {
        const TriggerRow& row = triggers[i];
        LevelTriggerSetting& t = taken[i];
        t.enabled = row.on ? 1 : 0;
        t.channel = std::clamp(row.channel, 1, kTriggerChannels);
        t.direction = row.direction == kTriggerBelow ? kTriggerBelow : kTriggerAbove;
        if (!ParseTriggerNumber(row.level.c_str(), t.level)) {
            FormatText(text, sizeof text, Text(TextId::TriggerLevelNotNumber), i + 1,
                       row.level.substr(0, 40).c_str());
            refusal = text;
            return false;
        }
        if (!ParseTriggerNumber(row.hysteresis.c_str(), t.hysteresis)) {
            FormatText(text, sizeof text, Text(TextId::TriggerHysteresisNotNumber), i + 1,
                       row.hysteresis.substr(0, 40).c_str());
            refusal = text;
            return false;
        }
        if (t.hysteresis < 0.0) {
            FormatText(text, sizeof text, Text(TextId::TriggerHysteresisNegative), i + 1);
            refusal = text;
            return false;
        }
    }
    return true;
}

bool CaptureSettingsModel::Accept(std::string& refusal) {
    if (!IsValidBaseName(baseName, refusal)) {
        return false;
    }
    if (baseName.size() > kMaxNameChars) {
        refusal = Text(TextId::NameTooLong);
        return false;
    }
    // The folder shown for an empty setting stays the user's video folder, wherever that is.
    const bool keepsDefault = !shownDefault_.empty() && WithSeparator(folder) == shownDefault_;
    const std::string path = keepsDefault ? std::string() : WithSeparator(folder);
    if (path.size() > kMaxFolderChars) {
        refusal = Text(TextId::FolderTooLong);
        return false;
    }
    {
        // Every name the numbering can give must fit a path, so none is ever cut.
        char resolved[kMaxPath];
        CaptureFolder(resolved, sizeof resolved, path.c_str());
        char reason[2 * kMaxPath + 256];
        if (!CapturePathFits(path.empty() ? resolved : path.c_str(), baseName.c_str(),
                             autoNumber ? 1 : 0, reason, sizeof reason)) {
            refusal = reason;
            return false;
        }
    }
    int32_t limit = 0;
    for (const char c : seconds) {
        if (c < '0' || c > '9') {
            refusal = Text(TextId::TimeLimitWhole);
            return false;
        }
        limit = limit * 10 + (c - '0');
        if (limit > kMaxSeconds) {
            limit = kMaxSeconds;
        }
    }
    // A limit of 0 would end every capture as it starts.
    if (useTimeLimit && limit < kMinTimeLimitSec) {
        refusal = Text(TextId::TimeLimitAtLeast);
        return false;
    }
    limit = std::max(limit, kMinTimeLimitSec);
    LevelTriggerSetting taken[kLevelTriggers];
    if (!AcceptTriggers(taken, refusal)) {
        return false;
    }
    const bool folderChanged = path != original_.path;
    if (folderChanged) {
        char resolved[kMaxPath];
        char reason[256];
        CaptureFolder(resolved, sizeof resolved, path.c_str());
        if (resolved[0] == '\0') {
            refusal = Text(TextId::NoCaptureFolderChoose);
            return false;
        }
        if (!PrepareCaptureFolder(resolved, reason, sizeof reason)) {
            refusal = FormatString(Text(TextId::CannotRecordIntoFolder), resolved, reason);
            return false;
        }
    }

    CaptureSettings s = original_;
    CopyText(s.path, path.c_str());
    CopyText(s.filename, baseName.c_str());
    s.autoNumber = autoNumber ? 1 : 0;
    s.useTimeLimit = useTimeLimit ? 1 : 0;
    s.timeLimitSec = limit;
    s.pretriggerSec = std::clamp(pretrigger, 0, kMaxPretriggerSec);
    for (int i = 0; i < 4; ++i) {
        s.alarmEnable[i] = alarmEnable[i] ? 1 : 0;
        s.alarmType[i] = alarmType_[i];
    }
    s.transAlarm = FirstTransferAlarm(s.alarmType);
    s.namingChanged =
        folderChanged || baseName != original_.filename || s.autoNumber != original_.autoNumber;
    bool conditions = s.useTimeLimit != original_.useTimeLimit ||
                      s.timeLimitSec != original_.timeLimitSec ||
                      s.pretriggerSec != original_.pretriggerSec;
    for (int i = 0; i < 4; ++i) {
        conditions = conditions || s.alarmEnable[i] != original_.alarmEnable[i] ||
                     s.alarmType[i] != original_.alarmType[i];
    }
    for (int i = 0; i < kLevelTriggers; ++i) {
        s.triggers[i] = taken[i];
        conditions = conditions || !(taken[i] == original_.triggers[i]);
    }
    s.conditionsChanged = conditions ? 1 : 0;
    s.namingChanged = s.namingChanged ? 1 : 0;
    result_ = s;
    return true;
}

}  // namespace velatrace
