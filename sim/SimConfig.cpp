#include "sim/SimConfig.h"

namespace velatrace::sim {

SimConfig DefaultConfig() {
    SimConfig config;
    ChannelConfig& voltage = config.channel[0];
    voltage.input = InputKind::Dc;
    voltage.range = "10V";
    voltage.wave = {WaveKind::Sine, 5.0, 0.0, 100};
    voltage.alarm = {AlarmMode::High, 4.0, 0.5, 1};

    ChannelConfig& ramp = config.channel[1];
    ramp.input = InputKind::Dc;
    ramp.range = "1V";
    ramp.wave = {WaveKind::Ramp, 0.0, 1.0, 50};

    ChannelConfig& temperature = config.channel[2];
    temperature.input = InputKind::Temp;
    temperature.range = "TC-K";
    temperature.wave = {WaveKind::Sine, 2.0, 25.0, 600};

    ChannelConfig& humidity = config.channel[3];
    humidity.input = InputKind::Rh;
    humidity.range = "1V";
    humidity.wave = {WaveKind::Triangle, 45.0, 55.0, 300};
    return config;
}

}  // namespace velatrace::sim
