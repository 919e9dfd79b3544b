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
            CopyText(setup.channel[c].range, range);
            setup.channel[c].type = type;
            setup.channel[c].scale = scale;
        }
        setup.intervalMs = 100;
        setup.bytesPerPoint = 48;
        setup.channelCount = 10;
    }

    // One record from the logger with these counts (the rest 0).
    void AddRow(std::initializer_list<int32_t> counts) {
        uint8_t point[48] = {};
        int c = 0;
        for (const int32_t count : counts) {
            point[2 * c] = static_cast<uint8_t>(count >> 8);
            point[2 * c++ + 1] = static_cast<uint8_t>(count);
        }
        wave->AppendPoints(PointLayout(setup), point, sizeof point);
    }

    void AddRecords(int32_t n) {
        for (int32_t i = 0; i < n; ++i, ++seed) {
            const auto count = [&](int c) { return (seed * 37 + c * 1009) % 40000 - 20000; };
            AddRow({count(0), count(1), count(2), count(3), count(4), count(5), count(6), count(7),
                    count(8), count(9)});
        }
    }

    // Moves the ring on to `row` with records of 0.
    void SkipTo(int32_t row) {
        const std::vector<uint8_t> zeros(static_cast<size_t>(kRingRows) * 48, 0);
        const int32_t n = (row - wave->WriteIndex() + kRingRows) % kRingRows;
        wave->AppendPoints(PointLayout(setup), zeros.data(), n * 48);
    }

    // What one uninterrupted capture of the same records from the same ring row writes.
    std::string CleanCapture(int32_t firstRow, int32_t rows) {
        WaveCsvTest other;
        other.SkipTo(firstRow);
        other.csv.BeginCsv(folder.Folder().c_str(), "clean", 0, 0);
        other.AddRecords(rows);
        EXPECT_TRUE(other.csv.AppendCsv());
        return folder.Read("clean.csv");
    }

    int32_t Load(const std::string& content) { return LoadFile(content).records; }

    CsvLoad LoadFile(const std::string& content) {
        folder.Write("in.csv", content);
        return LoadWaveCsv(folder.File("in.csv").c_str(), setup, recording);
    }

    // A loaded record's count; channels that are off are not kept and read 0.
    int32_t Stored(int32_t row, int c) const {
        const int16_t* column = recording.records.Column(c);
        return column != nullptr ? column[row] : 0;
    }

    void TestBody() override {}

    testing::TempFolder folder;
    testing::FakeClock clock;
    LoggerSetup setup;
    std::unique_ptr<WaveBuffer> wave = std::make_unique<WaveBuffer>();
    WaveCsv csv{*wave, setup, clock};
    Recording recording;
    int32_t seed = 0;
};

TEST_F(WaveCsvTest, WritesHeaderAndRecordsInTheFileFormat) {
    AddRow({24692, -2000, 20000});  // 12.346 V, 100 %RH
    AddRow({-24692, 12345, -1});    // -12.346 V
    AddRow({2000, -10000, 0});      // 1 V
    csv.BeginCsv(folder.Folder().c_str(), "run", 0, 4);
    EXPECT_TRUE(csv.Writing());
    EXPECT_EQ(csv.PendingRecords(), 0) << "records from before the start are not written";
    csv.EndCsv();
    csv.BeginCsv(folder.Folder().c_str(), "run", 0, 4, 3);  // unless they belong to the capture
    EXPECT_EQ(csv.PendingRecords(), 3);
    setup.channel[1].scale = 0.0;  // a scale that cannot divide writes raw counts
    ASSERT_TRUE(csv.AppendCsv());
    EXPECT_EQ(folder.Read("run.csv"),
              "2026/12/06 09:30:15\r\n100MS\r\n10V,TC-K,RH5V,,1-5V,,,,,20MV\r\n"
              "12.346,-2000.,1.000,,0.000,,,,,0.000\r\n"
              "-12.34,12345.,-0.000,,0.000,,,,,0.000\r\n"
              "1.000,-10000,0.000,,0.000,,,,,0.000\r\n");

    // A later batch adds its records only; after the end nothing is written.
    AddRecords(1);
    ASSERT_TRUE(csv.AppendCsv());
    csv.EndCsv();
    const std::string text = folder.Read("run.csv");
    EXPECT_EQ(text.substr(text.size() - 43), "\r\n-10.00,-18991,-0.899,,-3.991,,,,,-1.092\r\n");
    AddRecords(1);
    EXPECT_FALSE(csv.AppendCsv());
    EXPECT_EQ(std::make_tuple(csv.Writing(), text), std::make_tuple(false, folder.Read("run.csv")));
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
        EXPECT_EQ(std::tie(recording.setup.channel[c].type, recording.setup.channel[c].scale),
                  std::make_tuple(types[c], scales[c]))
            << "channel " << c + 1;
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(Stored(row, c), records[row][c]) << row << " " << c + 1;
        }
    }
    // A channel the file names is described by its header (a still's unit follows it), not by
    // the live channel of that number.
    const ChannelInfo* ch = recording.setup.channel;
    EXPECT_EQ(std::make_tuple(std::string(ch[0].input), std::string(ch[0].range),
                              std::string(ch[9].input), std::string(ch[9].range)),
              std::make_tuple("TEMP", "tc-K", "DC", "10V"));
    // An instrument's channel: its unit and range; an unusable range leaves it off.
    ASSERT_EQ(Load("d\n10MS\nV[10],mA[0.5],V[0],x[1]y\n-9.87654,0.123456,1,1\n"), 1);
    EXPECT_EQ(
        std::make_tuple(ch[0].type, std::string(ch[0].range), ch[0].span, ch[1].scale, Stored(0, 0),
                        Stored(0, 1), ch[2].type, ch[3].type),
        std::make_tuple(kTypeInstrument, "V", 10.0, 10000.0, -9876, 1234, kTypeOff, kTypeOff));
    Load("d\n1S\n10V\n-20,5\n");
    EXPECT_EQ(Stored(0, 0), -32768) << "too big keeps its sign";
    EXPECT_EQ(std::make_tuple(ch[9].type, std::string(ch[9].range)),
              std::make_tuple(kTypeVoltage, "20MV"))
        << "channels beyond the header are the live ones";
    for (const auto& [line, loaded] : {std::pair{"0MS", 1000},
                                       {"250ms", 250},
                                       {"S", 1000},
                                       {" 1500MS ", 1500},
                                       {"99999S", kMaxCsvIntervalMs}}) {
        Load(std::string("date\n") + line);
        EXPECT_EQ(recording.setup.intervalMs, loaded) << line << " (0 would stall replay)";
    }
}

TEST_F(WaveCsvTest, NumberedCaptureReloadsAndTheLiveSetupStaysAsItWas) {
    SkipTo(2990);  // the capture runs across the end of the ring
    csv.BeginCsv(folder.Folder().c_str(), "run", 1, 8);
    for (int batch = 0; batch < 3; ++batch) {
        AddRecords(10);
        ASSERT_TRUE(csv.AppendCsv());
    }
    csv.EndCsv();
    EXPECT_FALSE(fs::exists(folder.File("run.csv")));
    const LoggerSetup live = setup;

    char path[kMaxPath];
    WaveCsvPathFor(path, sizeof path, (folder.Folder() + "run_08.avi").c_str(), false);
    ASSERT_EQ(LoadWaveCsv(path, setup, recording).records, 30);
    EXPECT_EQ(std::make_tuple(recording.loaded, recording.setup.intervalMs),
              std::make_tuple(true, 100));
    const double scales[] = {2000, 10, 20000, 10, 4000, 10, 10, 10, 10, 1000};
    for (int32_t row = 0; row < 30; ++row) {
        for (int c = 0; c < kChannels; ++c) {
            const int32_t original = wave->Sample((2990 + row) % kRingRows, c);
            const double value =
                live.channel[c].type == kTypeOff ? 0 : original / live.channel[c].scale;
            // Six characters keep at least three digits of the value.
            const double kept = 0.002 * std::max(std::fabs(value), 1.0) + 1 / scales[c];
            EXPECT_NEAR(Stored(row, c) / scales[c], value, kept) << row << " " << c + 1;
        }
    }
    // Another file opened over it has its own setup (the live one is only read).
    folder.Write("three.csv", "d\n2S\n5V,TC-K,RH\n1,2,0.5\n");
    EXPECT_EQ(LoadWaveCsv(folder.File("three.csv").c_str(), setup, recording).records, 1);
    EXPECT_EQ(std::make_tuple(recording.setup.intervalMs, recording.setup.channel[2].type),
              std::make_tuple(2000, kTypeHumidity));
    recording.Clear();
    EXPECT_EQ(std::make_tuple(recording.loaded, recording.records.Records()),
              std::make_tuple(false, 0));

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
        setup.intervalMs = ms;
        csv.BeginCsv(folder.Folder().c_str(), "run", 0, 0);
        AddRecords(1);
        ASSERT_TRUE(csv.AppendCsv());
        csv.EndCsv();
        const std::string text = folder.Read("run.csv");
        const std::string line2 = text.substr(21, text.find('\r', 21) - 21);
        EXPECT_EQ(line2,
                  ms % 1000 == 0 ? std::to_string(ms / 1000) + "S" : std::to_string(ms) + "MS");
        ASSERT_EQ(LoadWaveCsv(folder.File("run.csv").c_str(), LoggerSetup{}, recording).records, 1);
        EXPECT_EQ(recording.setup.intervalMs, ms) << line2;
    }
}

// A line too long or not a record is left out whole and counted, the records around it kept in
// order; a header that cannot be used is refused and changes nothing.
TEST_F(WaveCsvTest, DamagedLinesAreLeftOutAndUnusableHeadersRefused) {
    Load("d\n1S\n10V\n1\n");
    EXPECT_EQ(LoadWaveCsv(folder.File("absent.csv").c_str(), setup, recording).records, 0);
    EXPECT_FALSE(recording.loaded) << "the file before is closed, nothing opened";
    EXPECT_EQ(LoadWaveCsv(folder.Path().string().c_str(), setup, recording).records, 0)
        << "a folder is no file";

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
                                   "d\n1S\n" + std::string(300, ',') + "\n"};
    for (const std::string& file : refused) {
        const CsvLoad loaded = LoadFile(file);
        EXPECT_NE(loaded.refusal, CsvRefusal::None) << file.substr(0, 40);
        EXPECT_EQ(std::make_tuple(loaded.records, recording.loaded, recording.records.Records(),
                                  setup.intervalMs, setup.channel[0].type),
                  std::make_tuple(0, false, 0, 100, kTypeVoltage))
            << file.substr(0, 40);
    }
}

TEST_F(WaveCsvTest, RecordsThatCouldNotBeWrittenOrSyncedAreWrittenOnceLater) {
    struct : FileSync {
        int SyncFile(const char*) override { return ++calls, error; }
        int calls = 0, error = 0;
    } sync;
    csv.SetFileSync(&sync);
    SkipTo(2900);
    csv.BeginCsv((folder.Folder() + "later" + PathSeparator()).c_str(), "run", 0, 0);
    AddRecords(10);
    EXPECT_FALSE(csv.AppendCsv()) << "the folder does not exist yet";
    EXPECT_EQ(csv.PendingRecords(), 10);
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
    WaveCsv second(*otherWave, setup, clock);
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
