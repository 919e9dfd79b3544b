#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "base/FixedText.h"
#include "session/CaptureNaming.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

CaptureSettings SettingsFor(const testing::TempFolder& folder, int32_t number) {
    CaptureSettings settings;
    CopyText(settings.path, folder.Folder().c_str());
    CopyText(settings.filename, "run");
    settings.autoNumber = 1;
    settings.number = number;
    return settings;
}

// The names themselves, and folder and name too long together, are checked through the capture
// settings and the sessions; here the limits. A name that does not fit a path is never cut: cut,
// the AVI and CSV names would lose their extensions and become one file.
TEST(CaptureNaming, NamesThatDoNotFitAreRefusedNeverCutAndPreviewsAreCut) {
    char name[kMaxPath];
    const std::string longFolder(300, 'f');
    EXPECT_EQ(FormatCaptureName(name, sizeof name, longFolder.c_str(), "run", 1, 1, "avi"), 0u);
    EXPECT_STREQ(name, "");
    char reason[2 * kMaxPath + 256];
    // The widest number the numbering writes decides, not the number of today.
    const std::string edge(259 - 3 - 11 - 4, 'f');
    EXPECT_TRUE(CapturePathFits(edge.c_str(), "run", 1, reason, sizeof reason)) << reason;
    EXPECT_FALSE(CapturePathFits((edge + "f").c_str(), "run", 1, reason, sizeof reason));
    EXPECT_TRUE(CapturePathFits((edge + "f").c_str(), "run", 0, reason, sizeof reason));
    char text[16];
    CaptureNamePreview(text, sizeof text, true, false, 1, 123);
    EXPECT_STREQ(text, "_123.av") << "at most 7 characters";
}

TEST(CaptureNaming, NextNumberFollowsTheLargestNumberedCapture) {
    testing::TempFolder folder;
    CaptureSettings settings = SettingsFor(folder, 0);
    EXPECT_EQ(NextCaptureNumber(settings), 1) << "empty folder";
    folder.Write("run_03.avi", "");
    folder.Write("run_07.avi", "");
    for (const char* other : {"runx_09.avi", "run_9.avi", "run_099.avi", "run_10.mp4", "run.avi"}) {
        folder.Write(other, "");
    }
    EXPECT_EQ(NextCaptureNumber(settings), 8);
    EXPECT_EQ(settings.number, 8);
    // The numbered wave file of a capture made without a camera keeps its number too.
    folder.Write("run_12.csv", "");
    EXPECT_EQ(NextCaptureNumber(settings), 13);
    folder.Write("run_100.avi", "");
    EXPECT_EQ(NextCaptureNumber(settings), 101);
    // A number advanced during a session skips the numbers whose AVI or CSV is there.
    folder.Write("run_101.csv", "");
    EXPECT_EQ(FreeCaptureNumber(settings.path, "run", 100), 102);

    CopyText(settings.path, (folder.Folder() + "absent/").c_str());
    EXPECT_EQ(NextCaptureNumber(settings), 1);
}

TEST(CaptureNaming, AnEmptyFolderMeansTheUsersVideoFolder) {
    testing::TempFolder home;
    const std::string homeText = home.Path().string();
    EXPECT_EQ(UserVideoFolder("clips", nullptr, homeText.c_str()), home.File("Videos"))
        << "a relative value is ignored";
    EXPECT_EQ(UserVideoFolder(nullptr, "", ""), "");
    std::filesystem::create_directories(home.Path() / ".config");
    home.Write(".config/user-dirs.dirs",
               "# written by xdg-user-dirs-update\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
    EXPECT_EQ(UserVideoFolder("", nullptr, homeText.c_str()), home.File("Filme"));

    char reason[128];
    const std::string nested = home.File("Filme/Velatrace/");
    EXPECT_TRUE(PrepareCaptureFolder(nested.c_str(), reason, sizeof reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_TRUE(std::filesystem::is_empty(nested)) << "the write check leaves nothing behind";
    EXPECT_FALSE(PrepareCaptureFolder("", reason, sizeof reason));
}

TEST(CaptureNaming, ExistenceAndDeletionUseTheNumberedCsvName) {
    testing::TempFolder folder;
    const CaptureSettings settings = SettingsFor(folder, 7);
    folder.Write("run_07.csv", "wave 7");
    folder.Write("run.csv", "wave");
    // Without a camera the numbered CSV alone is the capture.
    EXPECT_EQ(std::pair(CaptureFileExists(settings, true, true),
                        CaptureFileExists(settings, false, true)),
              std::pair(false, true));
    EXPECT_TRUE(DeleteCaptureCsv(settings, true));
    EXPECT_FALSE(std::filesystem::exists(folder.File("run_07.csv")));
    EXPECT_EQ(folder.Read("run.csv"), "wave") << "only the capture's own CSV goes";
}

}  // namespace
}  // namespace velatrace
