#include "logger/ChannelPropertyModel.h"

#include <cstdio>

#include "base/FixedText.h"

namespace velatrace {

ChannelPropertyModel::ChannelPropertyModel(const LoggerSetup& setup, bool queryAllowed)
    : queryAllowed_(queryAllowed) {
    Refresh(setup);
}

void ChannelPropertyModel::Refresh(const LoggerSetup& setup) {
    for (int c = 0; c < kChannels; ++c) {
        Row& row = rows_[c];
        std::snprintf(row.number, sizeof row.number, "%2d", c + 1);
        CopyText(row.input, setup.channel[c].input);
        CopyText(row.range, setup.channel[c].range);
        row.off = setup.channel[c].type == kTypeOff;
    }
    for (int i = 0; i < kAlarmOutputs; ++i) {
        alarmOutUsed_[i] = setup.alarmOutUsed[i] != 0;
    }
    CopyText(samplingText_, setup.samplingText);
}

bool ChannelPropertyModel::AlarmOutUsed(int output) const {
    return output >= 0 && output < kAlarmOutputs && alarmOutUsed_[output];
}

int ChannelPropertyModel::SharedColumnWidth(int usable) {
    const int rest = usable - kChannelColumnWidth;
    return rest > 0 ? rest / 2 : 0;
}

}  // namespace velatrace
