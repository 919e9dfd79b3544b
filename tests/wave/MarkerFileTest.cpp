#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "wave/MarkerFile.h"

namespace velatrace {
namespace {

Marker Make(int64_t record, int64_t clipMs, MarkerKind kind, const char* text) {
    Marker m;
    m.record = record;
    m.clipMs = clipMs;
    m.kind = kind;
    SetMarkerText(m, text);
    return m;
}

struct CountingSync : FileSync {
    int SyncFile(const char*) override { return ++calls, error; }
    int calls = 0, error = 0;
};

// Awkward texts come back as written, in time order, from a file a spreadsheet reads; each
// append is synced and a failed one leaves no half line behind.
TEST(MarkerFileTest, MarkersComeBackAsAppendedAndRewritten) {
    testing::TempFolder folder;
    const std::string path = folder.File("run_01.markers.csv");
    const std::string awkward = "a, \"quoted\" \xE6\xB8\xA9\xE5\xBA\xA6 \xC3\xA9";
    const std::vector<Marker> written = {Make(12, 1200, MarkerKind::User, awkward.c_str()),
                                         Make(3, 300, MarkerKind::AlarmStart, ""),
                                         Make(-1, 900, MarkerKind::FileSwitch, "two\r\nlines"),
                                         Make(40, 4000, MarkerKind::StreamError, "\"")};
    CountingSync sync;
    for (const Marker& m : written) {
        ASSERT_EQ(AppendMarker(path.c_str(), m, &sync), 0);
    }
    EXPECT_EQ(sync.calls, 4);
    EXPECT_EQ(folder.Read("run_01.markers.csv").substr(0, 56),
              "\xEF\xBB\xBFrecord,clip_ms,kind,text\r\n12,1200,user,\"a, \"\"quoted\"\"");
    std::vector<Marker> read;
    MarkerLoad load = ReadMarkerFile(path.c_str(), read);
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.badLines, 0);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].record, 3);
    EXPECT_EQ(read[1].record, -1);
    EXPECT_STREQ(read[1].text, "two  lines");
    EXPECT_EQ(read[2].clipMs, 1200);
    EXPECT_EQ(read[2].kind, MarkerKind::User);
    EXPECT_EQ(read[2].text, awkward);
    EXPECT_STREQ(read[3].text, "\"");

    sync.error = ENOSPC;
    EXPECT_EQ(AppendMarker(path.c_str(), written[0], &sync), ENOSPC);
    EXPECT_EQ(WriteMarkerFile(path.c_str(), {written[1]}, &sync), ENOSPC);
    ReadMarkerFile(path.c_str(), read);
    EXPECT_EQ(read.size(), 4u) << "failed writes leave the file as it was";
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    sync.error = 0;
    ASSERT_EQ(WriteMarkerFile(path.c_str(), {written[1]}, &sync), 0);
    ReadMarkerFile(path.c_str(), read);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].kind, MarkerKind::AlarmStart);
    ASSERT_EQ(WriteMarkerFile(path.c_str(), {}, nullptr), 0);
    EXPECT_FALSE(ReadMarkerFile(path.c_str(), read).found) << "no markers, no file";

    // A text longer than a marker keeps is cut at a character's boundary.
    Marker longer;
    SetMarkerText(longer, (std::string(kMarkerTextSize - 2, 'x') + "\xE6\xB8\xA9").c_str());
    EXPECT_EQ(std::string(longer.text), std::string(kMarkerTextSize - 2, 'x'));
}

TEST(MarkerFileTest, BadLinesAreSkippedAndCountedAndPathsFollowThePair) {
    testing::TempFolder folder;
    folder.Write("m.markers.csv",
                 "record,clip_ms,kind,text\n"
                 "1,100,user,\"ok\"\n"
                 "x,100,user,\"letters\"\n"
                 "2,,user,\"no time\"\n"
                 "3,300,nonsense,\"kind\"\n"
                 "4,400,user,\"open quote\n"
                 "5,500,user,\"a\",extra\n"
                 "-6,600,user,\"negative\"\n"
                 "7,700\n" +
                     std::string(5000, ',') +
                     "\n"
                     "\n"
                     "8,800,alarm end\n"
                     ",900,trigger,plain text\n");
    std::vector<Marker> read;
    const MarkerLoad load = ReadMarkerFile(folder.File("m.markers.csv").c_str(), read);
    EXPECT_EQ(load.badLines, 8);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].kind, MarkerKind::AlarmEnd);
    EXPECT_STREQ(read[2].text, "plain text");
    EXPECT_EQ(read[2].record, -1);
    EXPECT_FALSE(ReadMarkerFile(folder.File("none.markers.csv").c_str(), read).found);
    EXPECT_TRUE(read.empty());

    char out[64];
    MarkerPathFor(out, sizeof out, "/d.old/run_03.avi");
    EXPECT_STREQ(out, "/d.old/run_03.markers.csv");
    MarkerPathFor(out, sizeof out, "/d.old/run");
    EXPECT_STREQ(out, "/d.old/run.markers.csv");
    EXPECT_EQ(MarkerPathFor(out, 10, "/d.old/run"), 0u);
}

}  // namespace
}  // namespace velatrace
