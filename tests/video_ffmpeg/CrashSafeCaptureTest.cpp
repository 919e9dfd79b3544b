// A capture killed at a random moment, and one finished normally, both in several RIFF parts:
// FFmpeg and GStreamer open the AVI with its duration and seek to its end, and the CSV holds whole
// rows only, none missing between them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "support/TempFolder.h"
#include "wave/MarkerFile.h"

namespace {

std::string Output(const std::string& command) {
    std::string text(1 << 16, '\0');
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    text.resize(pipe ? fread(text.data(), 1, text.size(), pipe) : 0);
    if (pipe)
        pclose(pipe);
    return text;
}

// Frame chunks (empty ones too) complete on disk, walking through every part and movie list as a
// reader without an index does.
int64_t FramesOnDisk(const std::string& b) {
    int64_t frames = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = 0;
        std::memcpy(&size, b.data() + at + 4, 4);
        const size_t next = at + 8 + size + (size & 1);
        frames += b.compare(at, 4, "00dc") == 0 && next <= b.size();
        const bool list = b.compare(at, 4, "RIFF") == 0 || b.compare(at + 8, 4, "movi") == 0;
        at = list ? at + 12 : next;
    }
    return frames;
}

void ExpectPlayable(const velatrace::testing::TempFolder& folder, bool killed) {
    const std::string avi = folder.File("crash.avi"), bytes = folder.Read("crash.avi");
    const double onDisk = FramesOnDisk(bytes) / 25.0;
    const std::string probe = "ffprobe -v error -of csv=p=0 -show_entries ";
    const double duration = std::atof(Output(probe + "stream=duration " + avi).c_str());
    EXPECT_LE(duration, onDisk + 1e-6);
    EXPECT_GE(duration, onDisk - (killed ? 1.0 : 1e-6));
    EXPECT_NE(bytes.find("AVIX"), std::string::npos);
    EXPECT_NE(bytes.find("idx1"), std::string::npos);  // the first part's, for older readers
    const std::string seek =
        probe + "frame=pts_time -read_intervals " + std::to_string(duration - 0.5) + "%+#1 " + avi;
    EXPECT_GE(std::atof(Output(seek).c_str()), duration - 1.0) << seek;
    int h = -1, m = 0;
    double s = 0;
    const std::string gst = Output("gst-discoverer-1.0 " + avi);
    ASSERT_NE(gst.find("Duration: "), std::string::npos) << gst;
    std::sscanf(gst.c_str() + gst.find("Duration: "), "Duration: %d:%d:%lf", &h, &m, &s);
    EXPECT_NEAR(h * 3600 + m * 60 + s, duration, 0.05) << gst;

    std::istringstream csv(folder.Read("crash.csv"));
    int lines = 0, last = 0;
    for (std::string line; std::getline(csv, line);) {
        ASSERT_TRUE(!line.empty() && line.back() == '\r') << "row " << lines << " is cut";
        if (++lines > 3) {
            EXPECT_EQ(std::atoi(line.c_str()), ++last);
        }
    }
    EXPECT_GT(last, 0);

    // Every marker written is there whole, at a record the CSV holds.
    std::vector<velatrace::Marker> markers;
    const auto load = velatrace::ReadMarkerFile(folder.File("crash.markers.csv").c_str(), markers);
    EXPECT_EQ(load.badLines, 0);
    ASSERT_FALSE(markers.empty());
    for (size_t k = 0; k < markers.size(); ++k) {
        EXPECT_EQ(markers[k].record, (7 * static_cast<int64_t>(k) + 4) * 4 - 1);
        EXPECT_LT(markers[k].record, last);
        EXPECT_STREQ(markers[k].text, "frame, \"marked\"");
    }
    EXPECT_GE(static_cast<int64_t>(markers.size()), (last / 4 - 4) / 7) << "none missing";
}

TEST(CrashSafeCapture, KilledOrFinishedTheFilesPlayAndHoldWholeRows) {
    velatrace::testing::TempFolder killed, finished;
    const pid_t child = fork();
    if (child == 0) {
        execl(CRASH_HELPER, CRASH_HELPER, killed.Path().c_str(), "40000", nullptr);
        _exit(127);
    }
    ASSERT_GT(child, 0);
    std::mt19937 random(std::random_device{}());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500 + random() % 2500));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ExpectPlayable(killed, true);

    ASSERT_EQ(std::system((CRASH_HELPER " " + finished.Path().string() + " 40000 200").c_str()), 0);
    ExpectPlayable(finished, false);
}

}  // namespace
