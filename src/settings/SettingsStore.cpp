#include "settings/SettingsStore.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "base/FixedText.h"
#include "settings/RegistryKey.h"

namespace velatrace {

namespace {

// The texts written with one byte more than their field, read back with the same room.
constexpr uint32_t kTopicBytes = kDdeTopicSize + 1;
constexpr uint32_t kCellBytes = kDdeCellSize + 1;

constexpr size_t kNameSize = 16;  // "vscale10", "alarm4", "type4"
// Room for a stored trigger number: any double's shortest text fits.
constexpr uint32_t kTriggerTextSize = 48;

// Create-or-open the group's key. When that fails the key stays closed: loads then leave the
// defaults in place and saves write nothing.
void OpenGroup(RegistryKey& key, const char* group) {
    char path[kSettingsKeySize];
    FormatText(path, sizeof path, kSettingsKeyFormat, group);
    key.Create(kCurrentUser, path);
}

void Load(const RegistryKey& key, const char* name, int32_t& field, int32_t fallback) {
    field = fallback;
    key.ReadDword(name, field);
}

}  // namespace

void SettingsStore::LoadFrame(FramePlacement& frame) {
    RegistryKey key(registry_);
    OpenGroup(key, "Frame");
    Load(key, "max", frame.max, 0);
    Load(key, "split", frame.split, kDefaultSplit);
    Load(key, "cx", frame.cx, kDefaultFrameCx);
    Load(key, "cy", frame.cy, kDefaultFrameCy);
    Load(key, "x", frame.x, 0);
    Load(key, "y", frame.y, 0);
}

void SettingsStore::SaveFrame(const FramePlacement& frame) {
    RegistryKey key(registry_);
    OpenGroup(key, "Frame");
    key.WriteDword("max", frame.max);
    key.WriteDword("split", frame.split);
    key.WriteDword("cx", frame.cx);
    key.WriteDword("cy", frame.cy);
    key.WriteDword("x", frame.x);
    key.WriteDword("y", frame.y);
}

void SettingsStore::LoadScale(WaveScales& scales) {
    RegistryKey key(registry_);
    OpenGroup(key, "Scale");
    char name[kNameSize];
    for (int n = 1; n <= kChannels; ++n) {
        FormatText(name, sizeof name, "vscale%d", n);
        Load(key, name, scales.vscale[n - 1], 0);
    }
    Load(key, "tscale", scales.tscale, kDefaultTscale);
}

void SettingsStore::SaveScale(const WaveScales& scales) {
    RegistryKey key(registry_);
    OpenGroup(key, "Scale");
    char name[kNameSize];
    for (int n = 1; n <= kChannels; ++n) {
        FormatText(name, sizeof name, "vscale%d", n);
        key.WriteDword(name, scales.vscale[n - 1]);
    }
    key.WriteDword("tscale", scales.tscale);
}

void SettingsStore::LoadCamname(char* name, uint32_t size) {
    if (name == nullptr || size == 0) {
        return;
    }
    RegistryKey key(registry_);
    OpenGroup(key, "Camname");
    int32_t camsize = 0;
    key.ReadDword("camsize", camsize);
    name[0] = '\0';
    // "camsize" is only the byte count to read with; it never lets the read pass the buffer.
    key.ReadText("camname", name, std::min(static_cast<uint32_t>(camsize), size));
}

void SettingsStore::SaveCamname(const char* name, uint32_t size) {
    if (name == nullptr) {
        return;
    }
    RegistryKey key(registry_);
    OpenGroup(key, "Camname");
    key.WriteDword("camsize", static_cast<int32_t>(size));
    key.WriteTextBytes("camname", name, size);
}

void SettingsStore::LoadStrm(StreamSettings& strm) {
    RegistryKey key(registry_);
    OpenGroup(key, "Strm");
    Load(key, "rate", strm.lrate, 20);
    Load(key, "width", strm.lvw, 640);
    Load(key, "height", strm.lvh, 480);
    Load(key, "volume", strm.lvolume, kVolumeSilent);
}

void SettingsStore::SaveStrm(const StreamSettings& strm) {
    RegistryKey key(registry_);
    OpenGroup(key, "Strm");
    key.WriteDword("rate", strm.lrate);
    key.WriteDword("width", strm.lvw);
    key.WriteDword("height", strm.lvh);
    key.WriteDword("volume", strm.lvolume);
}

SettingsStore::CaptureLoad SettingsStore::LoadCapture(CaptureSettings& capture) {
    CaptureLoad result;
    RegistryKey key(registry_);
    OpenGroup(key, "Capture");
    capture.path[0] = '\0';
    result.folderTooLong = !key.ReadText("path", capture.path, sizeof capture.path);
    capture.filename[0] = '\0';
    result.nameTooLong = !key.ReadText("filename", capture.filename, sizeof capture.filename);
    if (capture.filename[0] == '\0') {
        CopyText(capture.filename, kDefaultCaptureName);
    }
    Load(key, "autonum", capture.autoNumber, 0);
    Load(key, "timer", capture.useTimeLimit, 0);
    char name[kNameSize];
    for (int n = 1; n <= 4; ++n) {
        FormatText(name, sizeof name, "alarm%d", n);
        Load(key, name, capture.alarmEnable[n - 1], 0);
        // The alarm actions are restored too, so an alarm set to transfer a still image keeps
        // doing so after a restart.
        FormatText(name, sizeof name, "type%d", n);
        Load(key, name, capture.alarmType[n - 1], kAlarmCapture);
    }
    Load(key, "timeval", capture.timeLimitSec, 0);
    Load(key, "pretrigger", capture.pretriggerSec, 0);
    // A stored value out of range (edited by hand) keeps what it can: frames kept in memory are
    // bounded by the largest setting.
    capture.pretriggerSec = std::clamp(capture.pretriggerSec, 0, kMaxPretriggerSec);
    // The timer runs exactly the seconds shown; 0 would end every capture as it starts.
    capture.timeLimitSec = std::clamp(capture.timeLimitSec, kMinTimeLimitSec, kMaxTimeLimitSec);
    return result;
}

void SettingsStore::SaveCapture(const CaptureSettings& capture) {
    RegistryKey key(registry_);
    OpenGroup(key, "Capture");
    key.WriteText("path", capture.path);
    key.WriteText("filename", capture.filename);
    key.WriteDword("autonum", capture.autoNumber);
    key.WriteDword("timer", capture.useTimeLimit);
    char name[kNameSize];
    for (int n = 1; n <= 4; ++n) {
        FormatText(name, sizeof name, "alarm%d", n);
        key.WriteDword(name, capture.alarmEnable[n - 1]);
        FormatText(name, sizeof name, "type%d", n);
        key.WriteDword(name, capture.alarmType[n - 1]);
    }
    key.WriteDword("timeval", capture.timeLimitSec);
    key.WriteDword("pretrigger", capture.pretriggerSec);
}

void SettingsStore::LoadTriggers(LevelTriggerSetting (&triggers)[kLevelTriggers]) {
    RegistryKey key(registry_);
    OpenGroup(key, "Trigger");
    char name[kNameSize];
    for (int n = 1; n <= kLevelTriggers; ++n) {
        LevelTriggerSetting& t = triggers[n - 1];
        t = LevelTriggerSetting{};
        bool broken = false;
        int32_t on = 0;
        FormatText(name, sizeof name, "on%d", n);
        Load(key, name, on, 0);
        broken = broken || (on != 0 && on != 1);
        FormatText(name, sizeof name, "ch%d", n);
        Load(key, name, t.channel, 1);
        FormatText(name, sizeof name, "dir%d", n);
        Load(key, name, t.direction, kTriggerAbove);
        // A number stored as text that is missing leaves the default; one that is there but
        // is no number (or too long to be one) breaks the trigger.
        const auto readNumber = [&](const char* valueName, double& number) {
            char text[kTriggerTextSize] = {};
            if (!key.ReadText(valueName, text, sizeof text) ||
                (key.HasValue(valueName) && !ParseTriggerNumber(text, number))) {
                broken = true;
            }
        };
        FormatText(name, sizeof name, "level%d", n);
        readNumber(name, t.level);
        FormatText(name, sizeof name, "hys%d", n);
        readNumber(name, t.hysteresis);
        // What cannot be used is put back to its default, and the trigger stays off.
        if (t.channel < 1 || t.channel > kTriggerChannels) {
            t.channel = 1;
            broken = true;
        }
        if (t.direction != kTriggerAbove && t.direction != kTriggerBelow) {
            t.direction = kTriggerAbove;
            broken = true;
        }
        if (t.hysteresis < 0.0) {
            t.hysteresis = 0.0;
            broken = true;
        }
        t.enabled = on == 1 && !broken ? 1 : 0;
    }
}

void SettingsStore::SaveTriggers(const LevelTriggerSetting (&triggers)[kLevelTriggers]) {
    RegistryKey key(registry_);
    OpenGroup(key, "Trigger");
    char name[kNameSize];
    char text[kTriggerTextSize];
    for (int n = 1; n <= kLevelTriggers; ++n) {
        const LevelTriggerSetting& t = triggers[n - 1];
        FormatText(name, sizeof name, "on%d", n);
        key.WriteDword(name, t.enabled != 0 ? 1 : 0);
        FormatText(name, sizeof name, "ch%d", n);
        key.WriteDword(name, t.channel);
        FormatText(name, sizeof name, "dir%d", n);
        key.WriteDword(name, t.direction);
        FormatText(name, sizeof name, "level%d", n);
        FormatTriggerNumber(text, sizeof text, t.level);
        key.WriteText(name, text);
        FormatText(name, sizeof name, "hys%d", n);
        FormatTriggerNumber(text, sizeof text, t.hysteresis);
        key.WriteText(name, text);
    }
}

void SettingsStore::LoadDde(DdeSettings& dde) {
    RegistryKey key(registry_);
    OpenGroup(key, "Dde");
    Load(key, "app", dde.app, kDdeAppViewer);
    char topic[kTopicBytes] = {};
    key.ReadText("topic", topic, sizeof topic);
    CopyText(dde.topic[kDdeAppSpreadsheet], topic);
    char cell[kCellBytes] = {};
    key.ReadText("orgrange", cell, sizeof cell);
    CopyText(dde.initialCell, cell);
    Load(key, "rbound", dde.rowStep, 0);
    Load(key, "cbound", dde.colStep, 0);
    Load(key, "ccount", dde.colCount, 1);
}

void SettingsStore::SaveDde(const DdeSettings& dde) {
    RegistryKey key(registry_);
    OpenGroup(key, "Dde");
    key.WriteDword("app", dde.app);
    // The stored byte counts stay those of the field plus one byte; the bytes come from a
    // zero-filled copy, so nothing beyond the field is read (and an application index outside
    // the table writes an empty topic).
    char topic[kTopicBytes] = {};
    if (dde.app >= 0 && dde.app < kDdeAppCount) {
        CopyText(topic, kDdeTopicSize, dde.topic[dde.app]);
    }
    key.WriteTextBytes("topic", topic, sizeof topic);
    if (dde.app != kDdeAppSpreadsheet) {
        return;
    }
    char cell[kCellBytes] = {};
    CopyText(cell, kDdeCellSize, dde.initialCell);
    key.WriteTextBytes("orgrange", cell, sizeof cell);
    key.WriteDword("rbound", dde.rowStep);
    key.WriteDword("cbound", dde.colStep);
    key.WriteDword("ccount", dde.colCount);
}

void SettingsStore::LoadPort(TransportSettings& port) {
    RegistryKey key(registry_);
    OpenGroup(key, "Port");
    Load(key, "eos", port.terminator, kTerminatorCrLf);
    Load(key, "timeout", port.timeout, 0);
}

void SettingsStore::SavePort(const TransportSettings& port) {
    RegistryKey key(registry_);
    OpenGroup(key, "Port");
    key.WriteDword("eos", port.terminator);
    key.WriteDword("timeout", port.timeout);
}

void SettingsStore::LoadInstrument(InstrumentChoice& choice) {
    choice = InstrumentChoice{};
    // Opened, not created: a user who never chose an instrument keeps the settings as they were.
    RegistryKey key(registry_);
    char path[kSettingsKeySize];
    FormatText(path, sizeof path, kSettingsKeyFormat, "Instrument");
    if (!key.Open(kCurrentUser, path)) {
        return;
    }
    key.ReadText("driver", choice.driver, sizeof choice.driver);
    key.ReadText("conn", choice.conn, sizeof choice.conn);
    Load(key, "interval", choice.intervalMs, 100);
    choice.intervalMs = ClampInstrumentInterval(choice.intervalMs);
    for (int c = 0; c < kChannels; ++c) {
        char name[16];
        FormatText(name, sizeof name, "ch%d", c + 1);
        key.ReadText(name, choice.channel[c], sizeof choice.channel[c]);
        FormatText(name, sizeof name, "range%d", c + 1);
        char text[32] = {};
        double range = 0;
        if (key.ReadText(name, text, sizeof text) &&
            std::from_chars(text, text + std::strlen(text), range).ec == std::errc() && range > 0 &&
            std::isfinite(range)) {
            choice.range[c] = range;
        }
    }
}

void SettingsStore::SaveInstrument(const InstrumentChoice& choice) {
    RegistryKey key(registry_);
    OpenGroup(key, "Instrument");
    key.WriteText("driver", choice.driver);
    key.WriteText("conn", choice.conn);
    key.WriteDword("interval", choice.intervalMs);
    for (int c = 0; c < kChannels; ++c) {
        char name[16];
        FormatText(name, sizeof name, "ch%d", c + 1);
        key.WriteText(name, choice.channel[c]);
        FormatText(name, sizeof name, "range%d", c + 1);
        char text[32] = {};
        std::to_chars(text, text + sizeof text - 1, choice.range[c]);
        key.WriteText(name, text);
    }
}

LanguageChoice SettingsStore::LoadLanguage() {
    RegistryKey key(registry_);
    OpenGroup(key, "Language");
    int32_t value = 0;
    Load(key, "lang", value, 0);
    return value == 1   ? LanguageChoice::English
           : value == 2 ? LanguageChoice::Japanese
                        : LanguageChoice::Automatic;
}

void SettingsStore::SaveLanguage(LanguageChoice choice) {
    RegistryKey key(registry_);
    OpenGroup(key, "Language");
    key.WriteDword("lang", static_cast<int32_t>(choice));
}

}  // namespace velatrace
