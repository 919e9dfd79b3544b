#pragma once
// The program's persisted settings: one registry key per group below
// HKEY_CURRENT_USER\Software\Korvex\Velatrace, each with a load that fills its record value by
// value (the default first, then the stored value if there is one that fits) and a save that
// writes the record back in the same order. Loads and saves report nothing.
#include <cstdint>

#include "logger/InstrumentSource.h"
#include "settings/AppSettings.h"
#include "settings/RegistryStore.h"

namespace velatrace {

inline constexpr const char* kSettingsKeyFormat = "Software\\Korvex\\Velatrace\\%s";
inline constexpr size_t kSettingsKeySize = 256;
inline constexpr const char* kDefaultCaptureName = "pravis";

// The language of the texts: from the user's locale, or English or Japanese whatever it is.
enum class LanguageChoice : int32_t { Automatic = 0, English = 1, Japanese = 2 };

class SettingsStore {
  public:
    explicit SettingsStore(RegistryStore& registry) : registry_(registry) {}

    // "Frame": window placement and splitter position.
    void LoadFrame(FramePlacement& frame);
    void SaveFrame(const FramePlacement& frame);
    // "Scale": the ten level-scale indices and the time-scale index.
    void LoadScale(WaveScales& scales);
    void SaveScale(const WaveScales& scales);
    // "Camname": the display name of the camera in use, in a buffer of `size` bytes. The save
    // writes the whole buffer with its size; the load reads at most `size` bytes, and a stored
    // name that would need more room is not loaded (the buffer then holds an empty name).
    void LoadCamname(char* name, uint32_t size);
    void SaveCamname(const char* name, uint32_t size);
    // "Strm": frame rate, video size and replay volume of the stream record.
    void LoadStrm(StreamSettings& strm);
    void SaveStrm(const StreamSettings& strm);
    // "Capture": folder, base name, numbering, the four alarms and their actions, time limit,
    // pre-trigger. A stored folder or base name too long for its field is not loaded (the field
    // keeps its default) and is reported in the result; numbers out of range are brought into
    // it, so what is shown is what is used.
    struct CaptureLoad {
        bool folderTooLong = false;
        bool nameTooLong = false;
    };
    CaptureLoad LoadCapture(CaptureSettings& capture);
    void SaveCapture(const CaptureSettings& capture);
    // "Trigger": the four level triggers ("on1", "ch1", "dir1" numbers, "level1", "hys1" the
    // texts of decimal numbers, and so on for 2..4). A trigger with any stored value that cannot
    // be used (a channel or direction out of range, a text that is no number, a negative
    // hysteresis) is loaded disabled, with its usable values kept.
    void LoadTriggers(LevelTriggerSetting (&triggers)[kLevelTriggers]);
    void SaveTriggers(const LevelTriggerSetting (&triggers)[kLevelTriggers]);
    // "Dde": the transfer application, the spreadsheet's topic and cell stepping.
    void LoadDde(DdeSettings& dde);
    void SaveDde(const DdeSettings& dde);
    // "Port": the command terminator and the answer time-out.
    void LoadPort(TransportSettings& port);
    void SavePort(const TransportSettings& port);
    // "Language": the language chosen for the texts ("lang"); a stored value that names no
    // choice reads as Automatic.
    LanguageChoice LoadLanguage();
    void SaveLanguage(LanguageChoice choice);

    // "Instrument": the instrument recorded instead of the logger (no driver: the logger), its
    // connection, the channel chosen for CH1..CH10 with the range kept for it, the interval.
    void LoadInstrument(InstrumentChoice& choice);
    void SaveInstrument(const InstrumentChoice& choice);

  private:
    RegistryStore& registry_;
};

}  // namespace velatrace
