#pragma once
// Where captures go and what the logger's alarms do.
#include <cstddef>
#include <cstdint>

#include "session/LevelTrigger.h"

namespace velatrace {

inline constexpr size_t kMaxPath = 260;

// Alarm actions.
inline constexpr int32_t kAlarmCapture = 0;
inline constexpr int32_t kAlarmTransfer = 2;

// The capture time limit's range in seconds.
inline constexpr int32_t kMinTimeLimitSec = 1;
inline constexpr int32_t kMaxTimeLimitSec = 1000;

// How many seconds before the alarm an alarm-started capture begins.
inline constexpr int32_t kMaxPretriggerSec = 30;

struct CaptureSettings {
    char path[kMaxPath] = {};      // capture folder, ending with the path separator once set
    char filename[kMaxPath] = {};  // base name, without extension
    int32_t namingChanged = 0;
    int32_t conditionsChanged = 0;
    int32_t alarmType[4] = {};  // per alarm output: kAlarmCapture or kAlarmTransfer
    int32_t transAlarm = 0;     // first alarm (1..4) whose type is kAlarmTransfer, 0 if none
    int32_t autoNumber = 0;
    int32_t number = 0;  // next capture number
    int32_t alarmEnable[4] = {};
    int32_t useTimeLimit = 0;
    int32_t timeLimitSec = 0;
    // An alarm-started capture begins this many seconds (0..kMaxPretriggerSec) before the alarm,
    // from the frames and records the preview keeps.
    int32_t pretriggerSec = 0;
    // Level triggers on any channel, each starting an alarm capture as an alarm does. Kept under
    // their own registry key, beside these.
    LevelTriggerSetting triggers[kLevelTriggers] = {};
};

// The first alarm (1..4) whose action is the still transfer, 0 when none is.
inline int32_t FirstTransferAlarm(const int32_t (&alarmType)[4]) {
    for (int32_t i = 0; i < 4; ++i) {
        if (alarmType[i] == kAlarmTransfer) {
            return i + 1;
        }
    }
    return 0;
}

}  // namespace velatrace
