#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/FixedText.h"
#include "session/CaptureNaming.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

using testing::TempFolder;

CaptureSettings SettingsFor(const TempFolder& folder, const char* base, int32_t autoNumber,
                            int32_t number) {
    CaptureSettings settings;
    CopyText(settings.path, folder.Folder().c_str());
    CopyText(settings.filename, base);
    settings.autoNumber = autoNumber;
    settings.number = number;
    return settings;
}

TEST(CaptureNaming, FormsPlainAndNumberedNamesCutToThePathLimit) {
    char name[kMaxPath];
    EXPECT_EQ(FormatCaptureName(name, sizeof name, "/cap/", "run", 0, 7, "avi"), 12u);
    EXPECT_STREQ(name, "/cap/run.avi");
    FormatCaptureName(name, sizeof name, "/cap/", "run", 1, 7, "avi");
    EXPECT_STREQ(name, "/cap/run_07.avi");
    FormatCaptureName(name, sizeof name, "/cap/", "run", 1, 123, "csv");
    EXPECT_STREQ(name, "/cap/run_123.csv");

    const std::string longFolder(300, 'f');
    EXPECT_EQ(FormatCaptureName(name, sizeof name, longFolder.c_str(), "run", 1, 1, "avi"), 259u);
    EXPECT_EQ(std::string(name), longFolder.substr(0, 259));
    char small[8];
    EXPECT_EQ(FormatCaptureName(small, sizeof small, "/cap/", "run", 0, 0, "avi"), 7u);
    EXPECT_STREQ(small, "/cap/ru");
}

TEST(CaptureNaming, NextNumberFollowsTheLargestNumberedCapture) {
    TempFolder folder;
    CaptureSettings settings = SettingsFor(folder, "run", 1, 0);
    EXPECT_EQ(NextCaptureNumber(settings), 1) << "empty folder";

    folder.Write("run_03.avi", "");
    folder.Write("run_07.avi", "");
    EXPECT_EQ(NextCaptureNumber(settings), 8);
    EXPECT_EQ(settings.number, 8);

    // Other names do not count: another base, a one- or three-digit number, another extension.
    for (const char* other : {"runx_09.avi", "run_9.avi", "run_123.avi", "run_10.mp4", "ru_50.avi",
                              "run_42.avi.bak", "run.avi"}) {
        folder.Write(other, "");
    }
    EXPECT_EQ(NextCaptureNumber(settings), 8);

    // Numbered wave files of captures made without a camera keep their number too.
    folder.Write("run_12.csv", "");
    EXPECT_EQ(NextCaptureNumber(settings), 13);
    folder.Write("RUN_20.AVI", "");
    EXPECT_EQ(NextCaptureNumber(settings), 21) << "letter case does not make a new name";

    CaptureSettings missing = SettingsFor(folder, "run", 1, 5);
    CopyText(missing.path, (folder.Folder() + "absent/").c_str());
    EXPECT_EQ(NextCaptureNumber(missing), 1) << "a missing folder holds no captures";
}

TEST(CaptureNaming, ExistsAndDeleteUseTheNumberedCsvName) {
    TempFolder folder;
    CaptureSettings settings = SettingsFor(folder, "run", 1, 7);
    EXPECT_FALSE(CaptureFileExists(settings, true, true));
    EXPECT_FALSE(CaptureFileExists(settings, false, true));

    folder.Write("run_07.avi", "video");
    folder.Write("run_07.csv", "wave 7");
    folder.Write("run.csv", "wave");
    EXPECT_TRUE(CaptureFileExists(settings, true, true));
    EXPECT_FALSE(CaptureFileExists(settings, true, false));
    EXPECT_TRUE(CaptureFileExists(settings, false, true));
    EXPECT_TRUE(CaptureFileExists(settings, false, false));

    EXPECT_TRUE(DeleteCaptureCsv(settings, true));
    EXPECT_FALSE(std::filesystem::exists(folder.File("run_07.csv")));
    EXPECT_EQ(folder.Read("run.csv"), "wave") << "only the capture's own CSV goes";
    EXPECT_TRUE(std::filesystem::exists(folder.File("run_07.avi")));

    EXPECT_TRUE(DeleteCaptureCsv(settings, false));
    EXPECT_FALSE(std::filesystem::exists(folder.File("run.csv")));
    EXPECT_TRUE(DeleteCaptureCsv(settings, false)) << "nothing to delete is no failure";
}

TEST(CaptureNaming, PreviewShowsTheEndingOfTheNextCaptureFile) {
    char text[16];
    CaptureNamePreview(text, sizeof text, true, true, 1, 8);
    EXPECT_STREQ(text, "_08.avi");
    CaptureNamePreview(text, sizeof text, false, true, 1, 8);
    EXPECT_STREQ(text, "_08.csv");
    CaptureNamePreview(text, sizeof text, true, false, 0, 8);
    EXPECT_STREQ(text, ".avi");
    CaptureNamePreview(text, sizeof text, false, true, 0, 8);
    EXPECT_STREQ(text, ".csv");
    CaptureNamePreview(text, sizeof text, false, false, 1, 8);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(CaptureNamePreview(text, sizeof text, true, false, 1, 123), 7u);
    EXPECT_STREQ(text, "_123.av");
}

}  // namespace
}  // namespace velatrace
