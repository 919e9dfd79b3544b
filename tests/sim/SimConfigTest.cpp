#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sim/ConfigParser.h"
#include "support/TempFolder.h"

namespace velatrace::sim {
namespace {

// What each setting does is tested through the device's behaviour; this is the line syntax.
TEST(SimConfig, LinesReadWhateverTheirSpacingLetterCaseAndComments) {
    SimConfig config = DefaultConfig();
    const std::vector<std::string> warnings = ApplyConfigText(
        "# comment line\n"
        "interval = 250ms   # trailing comment\r\n"
        "ch1 dc 20mv sine 0.01 40 0.005\n"
        "ch2 = DC 1-5V triangle 1 5 30\n"
        "ch3 TEMP PT100\n"
        "ch6 DC 10V const -1.5\n"
        "CH6 ALARM lo -1 0.25 4\n"
        "ch10 alarm HI 3\n",
        config);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(config.intervalMs, 250u);
    const ChannelConfig* ch = config.channel;
    EXPECT_EQ(std::tie(ch[0].input, ch[0].range, ch[0].wave),
              std::tuple(InputKind::Dc, "20MV", Waveform{WaveKind::Sine, 0.01, 0.005, 40}));
    EXPECT_EQ(ch[1].wave, (Waveform{WaveKind::Triangle, 1.0, 5.0, 30}));
    // A channel line without a waveform keeps the channel's own (the default sine here).
    EXPECT_EQ(std::tie(ch[2].input, ch[2].wave),
              std::tuple(InputKind::Temp, DefaultConfig().channel[2].wave));
    EXPECT_EQ(ch[5].wave, (Waveform{WaveKind::Constant, -1.5, 0.0, 1}));
    EXPECT_EQ(ch[5].alarm, (AlarmConfig{AlarmMode::Low, -1.0, 0.25, 4}));
    EXPECT_EQ(ch[9].alarm, (AlarmConfig{AlarmMode::High, 3.0, 0.0, 1}));

    EXPECT_TRUE(ApplyConfigText("interval = 0.5 s", config).empty());
    EXPECT_EQ(config.intervalMs, 500u);
}

TEST(SimConfig, MalformedLinesAreSkippedWholeWithOneWarningEach) {
    for (const char* line : {"interval", "interval = 0", "interval = 1.5ms", "channel_count = 11",
                             "max_block_points = 20834", "colour = blue", "ch11 DC 10V", "ch1",
                             "ch1 AC 10V", "ch1 DC 1234567", "ch1 DC 1V;X", "ch1 DC 10V noise 1",
                             "ch1 DC 10V sine 5 0", "ch1 DC 10V const inf", "ch1 alarm MID 4",
                             "ch1 alarm HI 4 -1", "ch1 alarm HI 4 0.5 10", "\x01\x02\xff \x7f"}) {
        SimConfig config = DefaultConfig();
        const std::vector<std::string> warnings = ApplyConfigText(line, config);
        ASSERT_EQ(warnings.size(), 1u) << line;
        EXPECT_EQ(warnings[0].rfind("line 1: ", 0), 0u) << warnings[0];
        EXPECT_EQ(config, DefaultConfig()) << line;
    }
}

// Good lines around binary junk, NULs and a line far longer than any setting still apply; the
// warnings name the bad lines. A missing file is tested through the library, which reports it.
TEST(SimConfig, OddFilesDoNotStopTheSetup) {
    testing::TempFolder folder;
    std::string junk(3000, 'x');
    junk += "\ninterval = 5s\n# note\n\n";
    junk += std::string("\0\0\xff\xfe=\n", 6);
    junk += "ch3 OFF\n";
    folder.Write("junk.cfg", junk);
    SimConfig config = DefaultConfig();
    const std::vector<std::string> warnings = ApplyConfigFile(folder.File("junk.cfg"), config);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].rfind("line 1: ", 0) + warnings[1].rfind("line 5: ", 0), 0u);
    EXPECT_EQ(config.intervalMs, 5000u);
    EXPECT_EQ(config.channel[2].input, InputKind::Off);
}

}  // namespace
}  // namespace velatrace::sim
