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

    int32_t Load(const std::string& content) { return LoadFile(content).records; }

    CsvLoad LoadFile(const std::string& content) {
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
    ASSERT_EQ(Load("d\n1S\ntc-K,Pt100,JPT100,rh5V,1-5V,10V;x,20V,x,,10V\n"
                   "1,2,3,0.5,2,0.5,0.0005,1,1,-1.9999\n"
                   "0.5,,,1e1,nan,inf,-1e999,99,-99, 1.5 \n20\n"),
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
    Load("d\n1S\n10V\n-20,5\n");
    EXPECT_EQ(Stored(0, 0), -32768) << "too big keeps its sign";
    EXPECT_EQ(wave->channel[9].type, kTypeVoltage) << "channels beyond the header are kept";
    for (const auto& [line, loaded] : {std::pair{"0MS", 1000},
                                       {"250ms", 250},
                                       {"S", 1000},
                                       {" 1500MS ", 1500},
                                       {"99999S", kMaxCsvIntervalMs}}) {
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
    ASSERT_EQ(csv.OpenRecordedWave(path).records, 30);
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
    EXPECT_EQ(csv.OpenRecordedWave(folder.File("three.csv").c_str()).records, 1);
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

// Every interval a logger reports ("1MS" to "99999MS", "1S" to "99999S") reads back as written;
// whole seconds keep their old form.
TEST_F(WaveCsvTest, IntervalsReadBackExactly) {
    for (const int32_t ms :
         {1, 999, 1000, 1500, 2000, 12345, 60000, 99999, 1234000, kMaxCsvIntervalMs}) {
        wave->intervalMs = ms;
        csv.BeginCsv(folder.Folder().c_str(), "run", 0, 0);
        AddRecords(1);
        ASSERT_TRUE(csv.AppendCsv());
        csv.EndCsv();
        const std::string text = folder.Read("run.csv");
        const std::string line2 = text.substr(21, text.find('\r', 21) - 21);
        EXPECT_EQ(line2,
                  ms % 1000 == 0 ? std::to_string(ms / 1000) + "S" : std::to_string(ms) + "MS");
        ASSERT_EQ(csv.OpenRecordedWave(folder.File("run.csv").c_str()).records, 1);
        EXPECT_EQ(wave->intervalMs, ms) << line2;
        csv.RestoreLiveSetup();
    }
}

// A line too long or not a record is left out whole and counted, the records around it kept in
// order; a header that cannot be used is refused and changes nothing.
TEST_F(WaveCsvTest, DamagedLinesAreLeftOutAndUnusableHeadersRefused) {
    EXPECT_EQ(csv.LoadCsv(folder.File("absent.csv").c_str()).records, 0);
    EXPECT_EQ(csv.LoadCsv(folder.Path().string().c_str()).records, 0) << "a folder is no file";
    EXPECT_EQ(wave->fileLoaded, 0) << "nothing opened, nothing changed";

    std::mt19937 random(7);
    std::string noise(200000, '\0');
    // Bytes of every kind; the digits and commas, which could make a short line a record by
    // chance, become line ends.
    std::generate(noise.begin(), noise.end(), [&] {
        const char c = static_cast<char>(random());
        return (c >= '0' && c <= '9') || c == ',' ? '\n' : c;
    });
    const std::string head = "d\r\n1S\r\n10V,1V\r\n1,0.2\r\n";
    const struct {
        std::string body;
        int32_t records;
        int64_t unread;
        int32_t lastCount;  // channel 1 of the last record
    } damaged[] = {
        {"1," + std::string(253, '0') + "\r\n3,4", 3, 0, 6000},  // 255 characters is a record
        {std::string(256, '7') + "\r\n3,4\r\n", 2, 1, 6000},
        {std::string(1 << 20, '9') + "\r\n3,4\r\n", 2, 1, 6000},
        {"\r\n1.5x,2\r\nabc\r\n-,.\r\n1,2,3,4,5,6,7,8,9,10,11\r\n3,4\r\n", 2, 5, 6000},
        {noise + "\n3,4\n", 2, std::count(noise.begin(), noise.end(), '\n') + 1, 6000},
        {std::string(1000, '5'), 1, 1, 2000},  // a last line without its end, too long
    };
    for (const auto& [body, records, unread, lastCount] : damaged) {
        const CsvLoad loaded = LoadFile(head + body);
        EXPECT_EQ(std::tie(loaded.records, loaded.unreadLines), std::tie(records, unread))
            << body.substr(0, 40);
        EXPECT_EQ(std::make_tuple(Stored(0, 1), Stored(records - 1, 0)),
                  std::make_tuple(4000, lastCount));
    }
    EXPECT_EQ(LoadFile(std::string(1 << 20, '9')).unreadLines, 1) << "one line, no end";
    csv.RestoreLiveSetup();

    // 21,475 records at 99999 s still show their seconds; one more does not.
    std::string records;
    for (int i = 0; i < 21475; ++i) {
        records += "1\n";
    }
    EXPECT_EQ(Load("d\n99999S\n10V\n" + records), 21475);
    csv.RestoreLiveSetup();
    const std::string refused[] = {noise,
                                   "d\n100000S\n",
                                   "d\n99999001MS\n",
                                   "d\n9999999999999999999999S\n",
                                   "d\n1.5S\n",
                                   "d\n100 MS\n",
                                   "d\n" + std::string(300, '1') + "S\n",
                                   "d\n1S\nV\n",
                                   "d\n1S\n1V,0V\n",
                                   "d\n1S\n50000V\n",
                                   "d\n1S\n1V,1V,1V,1V,1V,1V,1V,1V,1V,1V,1V\n",
                                   "d\n1S\n" + std::string(300, ',') + "\n",
                                   "d\n99999S\n10V\n" + records + "1\n"};
    for (const std::string& file : refused) {
        const CsvLoad loaded = LoadFile(file);
        EXPECT_NE(loaded.refusal, CsvRefusal::None) << file.substr(0, 40);
        EXPECT_EQ(
            std::make_tuple(loaded.records, wave->fileLoaded, wave->intervalMs,
                            csv.Replay().Records(), wave->channel[0].type, wave->currentChannel),
            std::make_tuple(0, 0, 100, 0, kTypeVoltage, 4))
            << file.substr(0, 40);
    }
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
