#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/FixedText.h"
#include "base/SystemRecordingLocks.h"
#include "session/CaptureNaming.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"
#include "wave/WaveCsv.h"

namespace velatrace {
namespace {

namespace fs = std::filesystem;

// A logger with channels of every kind (the others off), and its CSV file in a fresh folder.
class WaveCsvTest : public ::testing::Test {
  protected:
    WaveCsvTest() {
        for (const auto& [c, range, type, scale] : {std::tuple{0, "10V", kTypeVoltage, 2000.0},
                                                    {1, "TC-K", kTypeTemperature, 10.0},
                                                    {2, "1-5V", kTypeHumidity, 20000.0},
                                                    {4, "1-5V", kTypeVoltage, 4000.0},
                                                    {9, "20MV", kTypeVoltage, 10000.0}}) {
            CopyText(wave->channel[c].range, range);
            wave->channel[c].type = type;
            wave->channel[c].scale = scale;
        }
        wave->intervalMs = 100;
        wave->currentChannel = 4;
    }

    void AddRecords(int32_t n) {
        for (int32_t i = 0; i < n; ++i, ++seed) {
            for (int c = 0; c < kChannels; ++c) {
                wave->samples[wave->writeIndex][c] = (seed * 37 + c * 1009) % 40000 - 20000;
            }
            wave->writeIndex = (wave->writeIndex + 1) % kRingRows;
        }
    }

    // What one uninterrupted capture of the same records from the same ring row writes.
    std::string CleanCapture(int32_t firstRow, int32_t rows) {
        WaveCsvTest other;
        other.wave->writeIndex = firstRow;
        other.csv.BeginCsv(folder.Folder().c_str(), "clean", 0, 0);
        other.AddRecords(rows);
        EXPECT_TRUE(other.csv.AppendCsv());
        return folder.Read("clean.csv");
    }

    int32_t Load(const std::string& content) {
        folder.Write("in.csv", content);
        return csv.LoadCsv(folder.File("in.csv").c_str());
    }

    // A loaded record's count; channels that are off are not kept and read 0.
    int32_t Stored(int32_t row, int c) const {
        const int16_t* column = csv.Replay().Column(c);
        return column != nullptr ? column[row] : 0;
    }

    void TestBody() override {}

    testing::TempFolder folder;
    testing::FakeClock clock;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveCsv csv{*wave, clock};
    int32_t seed = 0;
};

TEST_F(WaveCsvTest, WritesHeaderAndRecordsInTheFileFormat) {
    const int32_t rows[][3] = {{24692, -2000, 20000},  // 12.346 V, 100 %RH
                               {246912, 12345, -1},    // 123.456 V
                               {2000, -10000, 0}};     // 1 V
    for (const auto& row : rows) {
        std::copy(row, row + 3, wave->samples[wave->writeIndex++]);
    }
    csv.BeginCsv(folder.Folder().c_str(), "run", 0, 4);
    EXPECT_EQ(wave->csvActive, 1);
    EXPECT_EQ(wave->csvIndex, 3) << "records from before the start are not written";
    wave->csvIndex = 0;
    wave->channel[1].scale = 0.0;  // a scale that cannot divide writes raw counts
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(folder.Read("run.csv"),
              "2026/12/06 09:30:15\r\n100MS\r\n10V,TC-K,RH5V,,1-5V,,,,,20MV\r\n"
              "12.346,-2000.,1.000,,0.000,,,,,0.000\r\n"
              "123.45,12345.,-0.000,,0.000,,,,,0.000\r\n"
              "1.000,-10000,0.000,,0.000,,,,,0.000\r\n");

    // A later batch adds its records only; after the end nothing is written.
    AddRecords(1);
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv();
    const std::string text = folder.Read("run.csv");
    EXPECT_EQ(text.substr(text.size() - 43), "\r\n-10.00,-18991,-0.899,,-3.991,,,,,-1.092\r\n");
    AddRecords(1);
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(std::tie(wave->csvActive, text), std::make_tuple(0, folder.Read("run.csv")));
}

TEST_F(WaveCsvTest, HeaderLinesGiveIntervalChannelKindsAndScales) {
    ASSERT_EQ(Load("d\n1S\ntc-K,Pt100,JPT100,rh5V,1-5V,10V;x,20V,V,0V,10V\n"
                   "1,2,3,0.5,2,0.5,0.0005,1,1,-1.9999\n"
                   "0.5,,abc,1e1,nan,inf,-1e999,99,-99,1.5x\n20\n"),
              3);
    const int32_t types[] = {2, 2, 2, 3, 1, 1, 1, 0, 0, 1};
    const double scales[] = {10, 10, 10, 20000, 4000, 2000, 1000, 10, 10, 2000};
    const int32_t records[3][10] = {{10, 20, 30, 10000, 8000, 1000, 0, 0, 0, -3999},
                                    {5, 0, 0, 32767, 0, 0, 0, 0, 0, 3000},
                                    {200}};
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(std::tie(wave->channel[c].type, wave->channel[c].scale),
                  std::make_tuple(types[c], scales[c]))
            << "channel " << c + 1;
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(Stored(row, c), records[row][c]) << row << " " << c + 1;
        }
    }
    Load("d\n1S\n10V,50000V\n-20,5\n");
    EXPECT_EQ(Stored(0, 0), -32768) << "too big keeps its sign";
    EXPECT_EQ(wave->channel[1].type, kTypeOff) << "a range too wide for a whole scale";
    EXPECT_EQ(wave->channel[9].type, kTypeVoltage) << "channels beyond the header are kept";
    for (const auto& [line, loaded] :
         {std::pair{"0MS", 1000}, {"250ms", 250}, {"S", 1000}, {"9999999S", INT32_MAX}}) {
        Load(std::string("date\n") + line);
        EXPECT_EQ(wave->intervalMs, loaded) << line << " (0 would stall replay)";
    }
}

TEST_F(WaveCsvTest, NumberedCaptureReloadsAndTheLiveSetupComesBack) {
    const auto live = std::make_unique<WaveBuffer>(*wave);
    wave->writeIndex = 2990;  // the capture runs across the end of the ring
    csv.BeginCsv(folder.Folder().c_str(), "run", 1, 8);
    for (int batch = 0; batch < 3; ++batch) {
        AddRecords(10);
        ASSERT_TRUE(csv.AppendCsv());
    }
    csv.EndCsv();
    EXPECT_FALSE(fs::exists(folder.File("run.csv")));
    const auto recorded = std::make_unique<WaveBuffer>(*wave);

    char path[kMaxPath];
    WaveCsvPathFor(path, sizeof path, (folder.Folder() + "run_08.avi").c_str(), false);
    ASSERT_EQ(csv.OpenRecordedWave(path), 30);
    EXPECT_EQ(std::tie(wave->fileLoaded, wave->currentChannel, wave->intervalMs),
              std::make_tuple(1, 0, 100));
    const double scales[] = {2000, 10, 20000, 10, 4000, 10, 10, 10, 10, 1000};
    for (int32_t row = 0; row < 30; ++row) {
        for (int c = 0; c < kChannels; ++c) {
            const int32_t original = recorded->samples[(2990 + row) % kRingRows][c];
            const double value =
                live->channel[c].type == kTypeOff ? 0 : original / live->channel[c].scale;
            // Six characters keep at least three digits of the value.
            const double kept = 0.002 * std::max(std::fabs(value), 1.0) + 1 / scales[c];
            EXPECT_NEAR(Stored(row, c) / scales[c], value, kept) << row << " " << c + 1;
        }
    }
    // Opening another file over it still keeps the live setup, not the first file's.
    folder.Write("three.csv", "d\n2S\n5V,TC-K,RH\n1,2,0.5\n");
    EXPECT_EQ(csv.OpenRecordedWave(folder.File("three.csv").c_str()), 1);
    csv.RestoreLiveSetup();
    for (int c = 0; c < kChannels; ++c) {
        const ChannelInfo &now = wave->channel[c], &before = live->channel[c];
        EXPECT_EQ(std::tie(now.type, now.scale), std::tie(before.type, before.scale)) << c + 1;
        EXPECT_STREQ(now.range, before.range);
    }
    EXPECT_EQ(std::tie(wave->currentChannel, wave->intervalMs), std::make_tuple(4, 100));
    EXPECT_EQ(wave->fileLoaded + wave->writeIndex + wave->shownCount + csv.Replay().Records(), 0);

    const std::string sep(1, PathSeparator());
    for (const char* name : {"run.avi", "run"}) {
        WaveCsvPathFor(path, sizeof path, ("data.old" + sep + name).c_str(), false);
        EXPECT_EQ(std::string(path), "data.old" + sep + "run.csv");
    }
}

TEST_F(WaveCsvTest, LongLinesComeInPiecesAndDamagedFilesLoadSafely) {
    EXPECT_EQ(csv.LoadCsv(folder.File("absent.csv").c_str()), 0);
    EXPECT_EQ(csv.LoadCsv(folder.Path().string().c_str()), 0) << "a folder is no file";
    EXPECT_EQ(wave->fileLoaded, 0) << "nothing opened, nothing changed";

    // A line of 255 characters is one record; a longer one is read in pieces of 255, and the
    // last line needs no line end.
    ASSERT_EQ(Load("d\r\n1S\r\n1V,10V\r\n1," + std::string(253, '0') + "\r\n" +
                   std::string(255, 'x') + "2.5,3.5\r\n4,5"),
              4);
    EXPECT_EQ((std::vector{Stored(0, 0), Stored(1, 0), Stored(2, 1), Stored(3, 1)}),
              (std::vector{20000, 0, 7000, 10000}));
    // No line end at all: 4113 pieces of which 3 are the header; the store grows as they come.
    EXPECT_EQ(Load(std::string(1 << 20, '9')), 4110);
    EXPECT_EQ(wave->writeIndex, 0) << "the live ring is left alone";
    std::mt19937 random(7);
    std::string binary(200000, '\0');
    std::generate(binary.begin(), binary.end(), [&] { return static_cast<char>(random()); });
    EXPECT_GT(Load(binary), 0) << "garbage reads as records of zeros and numbers";
}

TEST_F(WaveCsvTest, RecordsThatCouldNotBeWrittenOrSyncedAreWrittenOnceLater) {
    struct : FileSync {
        int SyncFile(const char*) override { return ++calls, error; }
        int calls = 0, error = 0;
    } sync;
    csv.SetFileSync(&sync);
    wave->writeIndex = 2900;
    csv.BeginCsv((folder.Folder() + "later" + PathSeparator()).c_str(), "run", 0, 0);
    AddRecords(10);
    EXPECT_FALSE(csv.AppendCsv()) << "the folder does not exist yet";
    EXPECT_EQ(wave->csvIndex, 2900);
    fs::create_directory(folder.Path() / "later");
    AddRecords(10);
    ASSERT_TRUE(csv.AppendCsv());
    AddRecords(5);
    clock.Advance(2999);
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(sync.calls, 1) << "a new file, then every few seconds";
    AddRecords(5);
    clock.Advance(1);
    sync.error = EIO;
    EXPECT_FALSE(csv.AppendCsv()) << "rows not on the disk";
    EXPECT_EQ(std::string(csv.LastErrorText()), std::strerror(EIO));
    sync.error = 0;
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(sync.calls, 3);
    EXPECT_EQ(folder.Read("later/run.csv"), CleanCapture(2900, 30)) << "every record once";
}

// A second writer of the same CSV (another instance of the program, or another capture) is
// refused and touches nothing; the file is free again once the first capture ends.
TEST_F(WaveCsvTest, AFileBeingRecordedIsRefusedToASecondWriter) {
    SystemRecordingLocks locks;
    auto otherWave = std::make_unique<WaveBuffer>();
    WaveCsv second(*otherWave, clock);
    csv.SetRecordingLocks(&locks);
    second.SetRecordingLocks(&locks);
    ASSERT_TRUE(csv.BeginCsv(folder.Folder().c_str(), "run", 0, 0));
    AddRecords(10);
    ASSERT_TRUE(csv.AppendCsv());
    const std::string first = folder.Read("run.csv");
    EXPECT_FALSE(second.BeginCsv(folder.Folder().c_str(), "run", 0, 0));
    EXPECT_STREQ(second.LastErrorText(), "another recording is writing it");
    EXPECT_FALSE(second.Writing());
    EXPECT_FALSE(second.AppendCsv());
    EXPECT_EQ(folder.Read("run.csv"), first);
    EXPECT_TRUE(locks.IsLocked(folder.File("run.csv").c_str()));

    // Another process sees the lock as well.
    const pid_t child = fork();
    if (child == 0) {
        int handle = RecordingLocks::kNoHandle;
        _exit(locks.Lock(folder.File("run.csv").c_str(), handle) == RecordingLocks::kLockedElsewhere
                  ? 0
                  : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    csv.EndCsv();
    EXPECT_FALSE(locks.IsLocked(folder.File("run.csv").c_str()));
    EXPECT_TRUE(second.BeginCsv(folder.Folder().c_str(), "run", 0, 0));
    second.EndCsv();
    EXPECT_FALSE(fs::exists(folder.File("run.csv"))) << "a capture that wrote nothing leaves none";
}

}  // namespace
}  // namespace velatrace
