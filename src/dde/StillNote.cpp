#include "dde/StillNote.h"

#include "base/FixedText.h"
#include "wave/ReplayStore.h"
#include "wave/WaveBuffer.h"

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
        case kTypeInstrument:
            return channel.range;  // an instrument's channel carries its unit there
        default:
            return "";
    }
}

void NoteChannels(const CurveSource& source, int32_t row, StillNote* note) {
    const ReplayStore* records = source.replay;
    const WaveBuffer* ring = source.live;
    const LoggerSetup& setup = source.Setup();
    const int32_t rows = records != nullptr ? records->Records() : ring != nullptr ? kRingRows : 0;
    for (int c = 0; c < kChannels; ++c) {
        StillNote::Channel& out = note->channel[c];
        const ChannelInfo& info = setup.channel[c];
        out = StillNote::Channel{};
        const int16_t* column = records != nullptr ? records->Column(c) : nullptr;
        if (row < 0 || row >= rows || info.type == kTypeOff ||
            (records != nullptr && column == nullptr)) {
            continue;
        }
        out.on = true;
        const int32_t count = records != nullptr ? column[row] : ring->Sample(row, c);
        out.value = count / UsableScale(info.scale);
        CopyText(out.unit, ChannelUnit(info));
    }
}

}  // namespace velatrace
