#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#if defined(__linux__)
#include <sys/resource.h>

#include <csignal>
#endif

#include "app/FixedText.h"
#include "session/CaptureNaming.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"
#include "wave/WaveCsv.h"

namespace velatrace {
namespace {

using testing::FakeClock;
using testing::TempFolder;
namespace fs = std::filesystem;

void SetChannel(WaveBuffer& wave, int c, const char* input, const char* range, int32_t type,
                double scale) {
    CopyText(wave.channel[c].input, input);
    CopyText(wave.channel[c].range, range);
    wave.channel[c].type = type;
    wave.channel[c].scale = scale;
}

// A logger setup with channels of every kind; the others are off.
std::unique_ptr<WaveBuffer> LiveBuffer() {
    auto wave = std::make_unique<WaveBuffer>();
    SetChannel(*wave, 0, "DC", "10V", kTypeVoltage, 2000.0);
    SetChannel(*wave, 1, "TEMP", "TC-K", kTypeTemperature, 10.0);
    SetChannel(*wave, 2, "RH", "1-5V", kTypeHumidity, 20000.0);
    SetChannel(*wave, 4, "DC", "1-5V", kTypeVoltage, 4000.0);
    SetChannel(*wave, 9, "DC", "20MV", kTypeVoltage, 10000.0);
    wave->intervalMs = 100;
    wave->currentChannel = 4;
    wave->channelCount = 10;
    return wave;
}

// Appends one record as a logger block would.
void AddRecord(WaveBuffer& wave, int32_t seed) {
    for (int c = 0; c < kChannels; ++c) {
        wave.samples[wave.writeIndex][c] = (seed * 37 + c * 1009) % 40000 - 20000;
    }
    wave.writeIndex = wave.writeIndex + 1 == kRingRows ? 0 : wave.writeIndex + 1;
}

// How far a value written into 6 characters can be from the value itself.
double Precision(double value) {
    int intDigits = 1;
    for (double whole = std::floor(std::fabs(value)); whole >= 10; whole /= 10) {
        ++intDigits;
    }
    const int decimals = std::max(0, 6 - (value < 0 ? 1 : 0) - intDigits - 1);
    return std::pow(10.0, -decimals) + 0.0005;
}

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

TEST(WaveCsv, WritesHeaderAndValuesInTheFileFormat) {
    TempFolder folder;
    FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, clock);
    SetChannel(*wave, 0, "DC", "1V", kTypeVoltage, 10000.0);
    SetChannel(*wave, 2, "TEMP", "TC-K", kTypeTemperature, 10.0);
    SetChannel(*wave, 9, "RH", "1-5V", kTypeHumidity, 20000.0);
    wave->intervalMs = 100;
    const int32_t rows[][3] = {
        {123456, -2000, 20000},  // 12.3456 V, -200.0 degrees, 1.0 = 100 %RH
        {1234560, 12345, -1},    // 123.456 V, 1234.5 degrees
        {10000, -10000, 0},      // 1 V, -1000 degrees
    };
    for (const auto& row : rows) {
        wave->samples[wave->writeIndex][0] = row[0];
        wave->samples[wave->writeIndex][2] = row[1];
        wave->samples[wave->writeIndex][9] = row[2];
        wave->samples[wave->writeIndex][5] = 777;  // an off channel writes nothing
        ++wave->writeIndex;
    }
    csv.BeginCsv(folder.Folder().c_str(), "run", 0, 4);
    EXPECT_EQ(wave->csvActive, 1);
    EXPECT_EQ(wave->csvIndex, 3) << "records before the start are not written";
    wave->csvIndex = 0;
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 3);
    EXPECT_EQ(folder.Read("run.csv"), Lines({
                                          "2026/12/06 09:30:15",
                                          "100MS",
                                          "1V,,TC-K,,,,,,,RH5V",
                                          "12.346,,-200.0,,,,,,,1.000",
                                          "123.45,,1234.5,,,,,,,-0.000",
                                          "1.000,,-1000.,,,,,,,0.000",
                                      }));

    // Later batches append rows only; the header is written once per capture.
    wave->samples[wave->writeIndex][0] = 5000;
    ++wave->writeIndex;
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_TRUE(csv.AppendCsv()) << "nothing pending is no failure";
    const std::string text = folder.Read("run.csv");
    EXPECT_EQ(text.substr(text.size() - 26), "0.500,,0.000,,,,,,,0.000\r\n");

    csv.EndCsv(1);
    EXPECT_EQ(wave->csvActive, 0);
    EXPECT_EQ(wave->noWait, 1);
    EXPECT_STREQ(csv.CsvName(), "");
    ++wave->writeIndex;
    EXPECT_FALSE(csv.AppendCsv()) << "no capture, no file name";
    EXPECT_EQ(folder.Read("run.csv"), text);
}

TEST(WaveCsv, IntervalLineAndItsReadingBack) {
    TempFolder folder;
    FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, clock);
    const struct {
        int32_t intervalMs;
        const char* line;
        int32_t loaded;
    } cases[] = {{100, "100MS", 100}, {2000, "2S", 2000}, {1500, "1S", 1000},
                 {999, "999MS", 999}, {0, "0MS", 1000},   {-5, "-5MS", 1000}};
    for (const auto& c : cases) {
        wave->intervalMs = c.intervalMs;
        csv.BeginCsv(folder.Folder().c_str(), "interval", 0, 0);
        ASSERT_TRUE(csv.AppendCsv());
        csv.EndCsv(0);
        const std::string text = folder.Read("interval.csv");
        EXPECT_EQ(text.substr(21, text.find('\r', 21) - 21), c.line);
        EXPECT_EQ(csv.LoadCsv(folder.File("interval.csv").c_str()), 0);
        EXPECT_EQ(wave->intervalMs, c.loaded) << c.line;
        csv.RestoreLiveSetup();
    }
    for (const auto& [line, loaded] : std::initializer_list<std::pair<const char*, int32_t>>{
             {"250ms", 250}, {"3s", 3000}, {"S", 1000}, {"99999999S", 2147483647}}) {
        folder.Write("typed.csv", std::string("date\n") + line + "\n");
        csv.LoadCsv(folder.File("typed.csv").c_str());
        EXPECT_EQ(wave->intervalMs, loaded) << line;
    }
    folder.Write("typed.csv", "date only\n");
    wave->intervalMs = 40;
    csv.LoadCsv(folder.File("typed.csv").c_str());
    EXPECT_EQ(wave->intervalMs, 40) << "a missing line leaves the interval alone";
}

TEST(WaveCsv, HeaderFieldsGiveChannelTypesAndScales) {
    TempFolder folder;
    FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, clock);
    folder.Write("kinds.csv",
                 "2026/01/02 03:04:05\n1S\n"
                 "tc-K,Pt100,JPT100,rh5V,1-5V,10V;x,20MV,V,0V,10V\n"
                 "1,2,3,0.5,2,0.5,0.0005,1,1,-1.9999\n"
                 "0.5,,abc,1e1,nan,inf,-1e999,99,-99,1.5x\n"
                 "20\n");
    ASSERT_EQ(csv.LoadCsv(folder.File("kinds.csv").c_str()), 3);
    const int32_t types[] = {2, 2, 2, 3, 1, 1, 1, 0, 0, 1};
    const double scales[] = {10, 10, 10, 20000, 4000, 2000, 1000, 10, 10, 2000};
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(wave->channel[c].type, types[c]) << "channel " << c + 1;
        EXPECT_EQ(wave->channel[c].scale, scales[c]) << "channel " << c + 1;
    }
    const int32_t row0[] = {10, 20, 30, 10000, 8000, 1000, 0, 10, 10, -3999};
    const int32_t row1[] = {5, 0, 0, 32767, 0, 0, 0, 990, -990, 3000};
    const int32_t row2[] = {200, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(wave->samples[0][c], row0[c]) << "channel " << c + 1;
        EXPECT_EQ(wave->samples[1][c], row1[c]) << "channel " << c + 1;
        EXPECT_EQ(wave->samples[2][c], row2[c]) << "channel " << c + 1;
    }

    // Loading the values 20 V and -20 V on a 10 V channel does not turn their sign.
    folder.Write("big.csv", "d\n1S\n10V,20V,50000V\n20,-0.0005,5\n-20,-1.9999,5\n");
    csv.LoadCsv(folder.File("big.csv").c_str());
    EXPECT_EQ(wave->samples[0][0], 32767);
    EXPECT_EQ(wave->samples[1][0], -32768);
    EXPECT_EQ(wave->samples[0][1], 0);
    EXPECT_EQ(wave->samples[1][1], -1999);
    EXPECT_EQ(wave->channel[2].type, kTypeOff) << "a range too wide for a whole scale";
    EXPECT_EQ(wave->channel[9].type, kTypeVoltage) << "channels beyond the header are kept";
}

TEST(WaveCsv, CaptureWritesReloadsAndRestoresTheLiveSetup) {
    TempFolder folder;
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);
    wave->writeIndex = 2990;  // the capture runs across the end of the ring
    AddRecord(*wave, -1);
    csv.BeginCsv(folder.Folder().c_str(), "run", 1, 7);
    EXPECT_STREQ(csv.CsvName(), (folder.Folder() + "run_07.csv").c_str());
    int32_t seeds = 0;
    for (int batch = 0; batch < 5; ++batch) {
        for (int i = 0; i < 10; ++i) {
            AddRecord(*wave, seeds++);
        }
        ASSERT_TRUE(csv.AppendCsv());
    }
    AddRecord(*wave, seeds++);
    ASSERT_TRUE(csv.AppendCsv());  // the stop writes the last rows under the capture's own name
    csv.EndCsv(1);

    const auto live = std::make_unique<WaveBuffer>(*wave);
    char path[kMaxPath];
    WaveCsvPathFor(path, sizeof path, (folder.Folder() + "run_07.avi").c_str(), false);
    ASSERT_EQ(csv.OpenRecordedWave(path), seeds);
    EXPECT_EQ(wave->fileLoaded, 1);
    EXPECT_EQ(wave->currentChannel, 0);
    EXPECT_EQ(wave->csvIndex, 0);
    EXPECT_EQ(wave->intervalMs, 100);
    const int32_t types[] = {1, 2, 3, 0, 1, 0, 0, 0, 0, 1};
    const double scales[] = {2000, 10, 20000, 10, 4000, 10, 10, 10, 10, 1000};
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(wave->channel[c].type, types[c]) << "channel " << c + 1;
        EXPECT_EQ(wave->channel[c].scale, scales[c]) << "channel " << c + 1;
    }
    for (int32_t row = 0; row < seeds; ++row) {
        const int32_t* original = live->samples[(2991 + row) % kRingRows];
        for (int c : {0, 1, 2, 4, 9}) {
            // The file keeps the value to its sixth character; the count follows within that.
            const double value = original[c] / live->channel[c].scale;
            EXPECT_NEAR(wave->samples[row][c] / scales[c], value, Precision(value) + 1 / scales[c])
                << "row " << row << " channel " << c + 1;
        }
        EXPECT_EQ(wave->samples[row][3], 0) << "off channels load as 0";
    }

    // A second file opened over the first still restores the live setup, not the first file's.
    folder.Write("three.csv", "d\n2S\n5V,TC-K,RH\n1,2,0.5\n");
    EXPECT_EQ(csv.OpenRecordedWave(folder.File("three.csv").c_str()), 1);
    EXPECT_EQ(wave->channel[1].type, kTypeTemperature);
    csv.RestoreLiveSetup();
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(wave->channel[c].type, live->channel[c].type) << "channel " << c + 1;
        EXPECT_EQ(wave->channel[c].scale, live->channel[c].scale) << "channel " << c + 1;
        EXPECT_STREQ(wave->channel[c].input, live->channel[c].input);
        EXPECT_STREQ(wave->channel[c].range, live->channel[c].range);
    }
    EXPECT_EQ(wave->currentChannel, 4);
    EXPECT_EQ(wave->intervalMs, 100);
    EXPECT_EQ(wave->fileLoaded, 0);
    EXPECT_EQ(wave->writeIndex, 0);
    EXPECT_EQ(wave->shownCount, 0);
}

TEST(WaveCsv, NumberedCapturesKeepTheirOwnFiles) {
    TempFolder folder;
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);
    for (int32_t number = 7; number <= 8; ++number) {
        csv.BeginCsv(folder.Folder().c_str(), "run", 1, number);
        for (int i = 0; i < number; ++i) {
            AddRecord(*wave, i);
        }
        ASSERT_TRUE(csv.AppendCsv());
        csv.EndCsv(1);
    }
    EXPECT_EQ(csv.LoadCsv(folder.File("run_07.csv").c_str()), 7);
    EXPECT_EQ(csv.LoadCsv(folder.File("run_08.csv").c_str()), 8);
    EXPECT_FALSE(fs::exists(folder.File("run.csv")));

    // Without numbering a new capture replaces the file of the same name.
    folder.Write("run.csv", "an earlier capture's rows that must not stay\r\n");
    csv.RestoreLiveSetup();
    csv.BeginCsv(folder.Folder().c_str(), "run", 0, 9);
    AddRecord(*wave, 1);
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv(0);
    EXPECT_EQ(csv.LoadCsv(folder.File("run.csv").c_str()), 1);
}

TEST(WaveCsv, PathOfTheWaveFileBesideAMediaFile) {
    char path[kMaxPath];
    const std::string sep(1, PathSeparator());
    WaveCsvPathFor(path, sizeof path, ("data.old" + sep + "run.avi").c_str(), false);
    EXPECT_EQ(std::string(path), "data.old" + sep + "run.csv");
    WaveCsvPathFor(path, sizeof path, ("data.old" + sep + "run").c_str(), false);
    EXPECT_EQ(std::string(path), "data.old" + sep + "run.csv");
    WaveCsvPathFor(path, sizeof path, "clip.tar.mpeg", false);
    EXPECT_STREQ(path, "clip.tar.csv");
    WaveCsvPathFor(path, sizeof path, "wave.CSV", true);
    EXPECT_STREQ(path, "wave.CSV");
    const std::string longName(300, 'n');
    EXPECT_EQ(WaveCsvPathFor(path, sizeof path, longName.c_str(), false), 259u);
}

TEST(WaveCsv, LongLinesReadInPiecesAndAtMost3000Records) {
    TempFolder folder;
    FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, clock);
    // A line of exactly 255 characters is one record; one longer is read in pieces.
    const std::string exact = "1," + std::string(253, '0');
    const std::string longer = std::string(255, 'x') + "2.5,3.5";
    folder.Write("pieces.csv", "d\r\n1S\r\n1V,10V\r\n" + exact + "\r\n" + longer + "\r\n4,5");
    ASSERT_EQ(csv.LoadCsv(folder.File("pieces.csv").c_str()), 4);
    EXPECT_EQ(wave->samples[0][0], 20000);
    EXPECT_EQ(wave->samples[1][0], 0);
    EXPECT_EQ(wave->samples[2][0], 32767);
    EXPECT_EQ(wave->samples[2][1], 7000);
    EXPECT_EQ(wave->samples[3][1], 10000) << "the last line needs no line end";

    std::string many = "d\n100ms\n10V\n";
    for (int i = 0; i < 3100; ++i) {
        many += std::to_string(i % 7) + "\n";
    }
    folder.Write("many.csv", many);
    EXPECT_EQ(csv.LoadCsv(folder.File("many.csv").c_str()), 3000);
    EXPECT_EQ(wave->samples[2999][0], 2999 % 7 * 2000);
    EXPECT_EQ(wave->writeIndex, 0) << "the ring index stays inside the ring";
}

TEST(WaveCsv, DamagedFilesLoadWithoutHarm) {
    TempFolder folder;
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);

    EXPECT_EQ(csv.LoadCsv(folder.File("absent.csv").c_str()), 0);
    EXPECT_EQ(csv.LoadCsv(folder.Path().string().c_str()), 0) << "a folder is no file";
    EXPECT_EQ(csv.LoadCsv(nullptr), 0);
    EXPECT_EQ(wave->fileLoaded, 0) << "nothing was opened, nothing changed";
    EXPECT_EQ(wave->channel[2].type, kTypeHumidity);

    std::mt19937 random(7);
    std::string binary(200000, '\0');
    for (char& byte : binary) {
        byte = static_cast<char>(random());
    }
    std::string commas(100000, ',');
    std::string huge(1 << 20, '9');
    std::string crs(5000, '\r');
    for (const std::string& content :
         {std::string(), binary, commas, huge, crs, std::string("\n\n\n"),
          std::string("garbage\n-\n,,,,,,,,,,,,,,,,,,,,,\n1e400,-1e400,0x1p3,nan(1),--1\n")}) {
        folder.Write("bad.csv", content);
        const int32_t loaded = csv.LoadCsv(folder.File("bad.csv").c_str());
        EXPECT_GE(loaded, 0);
        EXPECT_LE(loaded, kRingRows);
        for (int c = 0; c < kChannels; ++c) {
            EXPECT_GE(wave->channel[c].type, kTypeOff);
            EXPECT_LE(wave->channel[c].type, kTypeHumidity);
            EXPECT_GT(wave->channel[c].scale, 0.0);
        }
        for (int32_t row = 0; row < loaded; ++row) {
            for (int c = 0; c < kChannels; ++c) {
                ASSERT_GE(wave->samples[row][c], -32768);
                ASSERT_LE(wave->samples[row][c], 32767);
            }
        }
    }
    csv.RestoreLiveSetup();
    EXPECT_EQ(wave->channel[2].type, kTypeHumidity);
    EXPECT_EQ(wave->currentChannel, 4);
}

TEST(WaveCsv, UnusableScaleOrIndexWritesSafely) {
    TempFolder folder;
    FakeClock clock;
    auto wave = std::make_unique<WaveBuffer>();
    WaveCsv csv(*wave, clock);
    SetChannel(*wave, 0, "DC", "10V", kTypeVoltage, 0.0);
    SetChannel(*wave, 1, "DC", "10V", kTypeVoltage, std::nan(""));
    csv.BeginCsv(folder.Folder().c_str(), "odd", 0, 0);
    wave->samples[0][0] = 12;
    wave->samples[0][1] = -3;
    wave->writeIndex = 1;
    ASSERT_TRUE(csv.AppendCsv());
    const std::string text = folder.Read("odd.csv");
    EXPECT_EQ(text.substr(text.size() - 25), "\r\n12.000,-3.000,,,,,,,,\r\n");

    wave->csvIndex = 5000;  // a damaged index writes nothing rather than reading past the ring
    wave->writeIndex = 2;
    EXPECT_TRUE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 2);
    wave->writeIndex = -1;
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(folder.Read("odd.csv"), text);
}

// What an uninterrupted capture of the same rows writes.
std::string CleanCapture(const TempFolder& folder, int32_t firstRow, int32_t rows) {
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);
    wave->writeIndex = firstRow;
    csv.BeginCsv(folder.Folder().c_str(), "clean", 0, 0);
    for (int32_t i = 0; i < rows; ++i) {
        AddRecord(*wave, i);
    }
    EXPECT_TRUE(csv.AppendCsv());
    csv.EndCsv(0);
    return folder.Read("clean.csv");
}

TEST(WaveCsv, RowsThatCouldNotBeWrittenStayPendingUntilTheyAre) {
    TempFolder folder;
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);
    const std::string folderText = folder.Folder() + "later" + PathSeparator();

    // The capture folder does not exist yet.
    csv.BeginCsv(folderText.c_str(), "run", 0, 0);
    int32_t seed = 0;
    for (; seed < 10; ++seed) {
        AddRecord(*wave, seed);
    }
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 0);
    fs::create_directory(folder.Path() / "later");
    for (; seed < 20; ++seed) {
        AddRecord(*wave, seed);
    }
    // Something else stands at the file's name.
    fs::create_directory(folder.Path() / "later" / "run.csv");
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 0);
    fs::remove(folder.Path() / "later" / "run.csv");
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 20);

    // Something else stands at the file's name for a while during the capture.
    for (; seed < 30; ++seed) {
        AddRecord(*wave, seed);
    }
    fs::rename(folder.Path() / "later" / "run.csv", folder.Path() / "kept.csv");
    fs::create_directory(folder.Path() / "later" / "run.csv");
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(wave->csvIndex, 20);
    fs::remove(folder.Path() / "later" / "run.csv");
    fs::rename(folder.Path() / "kept.csv", folder.Path() / "later" / "run.csv");
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv(0);
    EXPECT_EQ(folder.Read("later/run.csv"), CleanCapture(folder, 0, 30))
        << "every row once, in order";
}

#if defined(__linux__)
// A disk that fills up in the middle of a batch: the part written is taken back, and the retry
// writes every row exactly once.
TEST(WaveCsv, BatchCutShortByAFullDiskIsTakenBack) {
    TempFolder folder;
    FakeClock clock;
    auto wave = LiveBuffer();
    WaveCsv csv(*wave, clock);
    wave->writeIndex = 2900;
    csv.BeginCsv(folder.Folder().c_str(), "full", 0, 0);
    int32_t seed = 0;
    for (; seed < 10; ++seed) {
        AddRecord(*wave, seed);
    }
    ASSERT_TRUE(csv.AppendCsv());
    const auto committed = fs::file_size(folder.File("full.csv"));
    for (; seed < 400; ++seed) {
        AddRecord(*wave, seed);
    }

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = committed + 5000;  // the batch is about 20 kB
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool appended = csv.AppendCsv();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(appended);
    EXPECT_EQ(wave->csvIndex, (2900 + 10) % kRingRows);
    EXPECT_EQ(fs::file_size(folder.File("full.csv")), committed);
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv(0);
    EXPECT_EQ(folder.Read("full.csv"), CleanCapture(folder, 2900, 400));
}
#endif

}  // namespace
}  // namespace velatrace
