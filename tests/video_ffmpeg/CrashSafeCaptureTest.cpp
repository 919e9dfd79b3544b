// A capture killed at a random moment, and one finished normally, both spanning RIFF parts: FFmpeg
// and GStreamer, which we did not write, open the AVI with its duration and seek to its end, and
// the CSV holds whole rows only, none missing between them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "support/TempFolder.h"

namespace {

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

std::string Bytes(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

uint32_t Word(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// Frame chunks (empty ones too) complete on disk, walking through every part and movie list as a
// reader without an index would.
int64_t FramesOnDisk(const std::string& b) {
    int64_t frames = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        const std::string tag = b.substr(at, 4);
        const bool descend = tag == "RIFF" || (tag == "LIST" && b.compare(at + 8, 4, "movi") == 0);
        const size_t next = at + 8 + Word(b, at + 4) + (Word(b, at + 4) & 1);
        if (tag == "00dc" && next <= b.size())
            ++frames;
        at = descend ? at + 12 : next;
    }
    return frames;
}

void ExpectPlayable(const std::string& folder, bool killed) {
    const std::string avi = folder + "/crash.avi", bytes = Bytes(avi);
    const double onDisk = FramesOnDisk(bytes) / 25.0;
    const double duration = std::atof(
        Output("ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 " +
               avi)
            .c_str());
    EXPECT_LE(duration, onDisk + 1e-6);
    EXPECT_GE(duration, onDisk - (killed ? 1.0 : 1e-6));
    EXPECT_NE(bytes.find("AVIX"), std::string::npos);
    EXPECT_NE(bytes.find("idx1"), std::string::npos);  // the first part's, for older readers
    const std::string seek = "ffprobe -v error -select_streams v:0 -read_intervals " +
                             std::to_string(duration - 0.5) +
                             "%+#1 -show_entries packet=pts_time,size -of csv=p=0 ";
    EXPECT_GE(std::atof(Output(seek + avi).c_str()), duration - 1.0) << seek;
    const std::string gst = Output("gst-discoverer-1.0 " + avi);
    const size_t at = gst.find("Duration: ");
    ASSERT_NE(at, std::string::npos) << gst;
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(gst.c_str() + at, "Duration: %d:%d:%lf", &h, &m, &s);
    EXPECT_NEAR(h * 3600 + m * 60 + s, duration, 0.05) << gst;

    std::istringstream csv(Bytes(folder + "/crash.csv"));
    std::string line;
    int lines = 0, last = 0;
    while (std::getline(csv, line)) {
        ASSERT_TRUE(!line.empty() && line.back() == '\r') << "row " << lines << " is cut";
        if (++lines > 3) {
            EXPECT_EQ(std::atoi(line.c_str()), ++last);
        }
    }
    EXPECT_GT(last, 0);
}

TEST(CrashSafeCapture, KilledOrFinishedTheFilesPlayAndHoldWholeRows) {
    velatrace::testing::TempFolder folder;
    const std::string dir = folder.Path().string();
    const pid_t child = fork();
    if (child == 0) {
        execl(CRASH_HELPER, CRASH_HELPER, dir.c_str(), "40000", nullptr);
        _exit(127);
    }
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(
        1500, 4000)(*std::make_unique<std::mt19937>(std::random_device{}()))));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ExpectPlayable(dir, true);

    velatrace::testing::TempFolder finished;
    ASSERT_EQ(
        std::system(
            (std::string(CRASH_HELPER " ") + finished.Path().string() + " 40000 200").c_str()),
        0);
    ExpectPlayable(finished.Path().string(), false);
}

}  // namespace
