#pragma once
// The records the settings store fills and saves, one registry key each:
//   "Frame"   FramePlacement      main window placement
//   "Scale"   WaveScales          vscale[10], tscale
//   "Camname" a byte buffer       display name of the camera in use
//   "Strm"    StreamSettings      lrate, lvw, lvh, lvolume
//   "Capture" CaptureSettings     folder, base name, numbering, alarms, time limit, pretrigger
//   "Trigger" LevelTriggerSetting[4]  the level triggers (kept in CaptureSettings)
//   "Dde"     DdeSettings         still-image transfer target
//   "Port"    TransportSettings   terminator and time-out
//   "Language" LanguageChoice     the language of the texts (SettingsStore.h)
// The recent-file list keeps its own key, "Recent Document List" (app/RecentFiles.h).
#include "base/FramePlacement.h"
#include "dde/DdeSettings.h"
#include "logger/TransportSettings.h"
#include "session/CaptureSettings.h"
#include "video/StreamSettings.h"
#include "wave/WaveScales.h"
