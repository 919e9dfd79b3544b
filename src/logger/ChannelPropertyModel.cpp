#include "logger/ChannelPropertyModel.h"

#include <cstdio>

#include "base/FixedText.h"

namespace velatrace {

ChannelPropertyModel::ChannelPropertyModel(const WaveBuffer& wave)
    : queryAllowed_(wave.noWait == 0 && wave.fileLoaded == 0) {
    Refresh(wave);
}

void ChannelPropertyModel::Refresh(const WaveBuffer& wave) {
    for (int c = 0; c < kChannels; ++c) {
        Row& row = rows_[c];
        std::snprintf(row.number, sizeof row.number, "%2d", c + 1);
        CopyText(row.input, wave.channel[c].input);
        CopyText(row.range, wave.channel[c].range);
        row.off = wave.channel[c].type == kTypeOff;
    }
    for (int i = 0; i < kAlarmOutputs; ++i) {
        alarmOutUsed_[i] = wave.alarmOutUsed[i] != 0;
    }
    CopyText(samplingText_, wave.samplingText);
}

bool ChannelPropertyModel::AlarmOutUsed(int output) const {
    return output >= 0 && output < kAlarmOutputs && alarmOutUsed_[output];
}

int ChannelPropertyModel::SharedColumnWidth(int usable) {
    const int rest = usable - kChannelColumnWidth;
    return rest > 0 ? rest / 2 : 0;
}

}  // namespace velatrace
