#include "dde/StillNote.h"

#include "base/FixedText.h"

namespace velatrace {

const char* ChannelUnit(const ChannelInfo& channel) {
    switch (channel.type) {
        case kTypeVoltage:
            // Millivolt ranges ("20MV", "50MV", ...) read in mV, the others in V.
            for (const char* r = channel.range; r[0] != '\0'; ++r) {
                if ((r[0] == 'M' || r[0] == 'm') && (r[1] == 'V' || r[1] == 'v')) {
                    return "mV";
                }
            }
            return "V";
        case kTypeTemperature:
            return "degC";
        case kTypeHumidity:
            return "%RH";
        default:
            return "";
    }
}

void NoteChannels(const WaveBuffer& wave, int32_t row, StillNote* note) {
    for (int c = 0; c < kChannels; ++c) {
        StillNote::Channel& out = note->channel[c];
        const ChannelInfo& info = wave.channel[c];
        out = StillNote::Channel{};
        if (row < 0 || row >= kRingRows || info.type == kTypeOff) {
            continue;
        }
        out.on = true;
        out.value = wave.samples[row][c] / UsableScale(info.scale);
        CopyText(out.unit, ChannelUnit(info));
    }
}

}  // namespace velatrace
