#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

#include "base/FixedText.h"
#include "session/CaptureSettingsModel.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

CaptureSettings Stored(const std::string& path) {
    CaptureSettings s;
    CopyText(s.path, path.c_str());
    CopyText(s.filename, "run");
    s.autoNumber = 1;
    s.number = 8;
    s.alarmEnable[1] = 1;
    s.alarmType[2] = kAlarmTransfer;
    s.useTimeLimit = 1;
    s.timeLimitSec = 30;
    return s;
}

// What the dialog shows and enables is checked through the dialog; here the name previews of
// each source.
TEST(CaptureSettingsModel, PreviewNamesTheFileOfTheSourcesPresent) {
    CaptureSettingsModel m(Stored("/cap/"), false, true);
    EXPECT_EQ(m.Preview(), "_08.csv") << "no camera, a logger";
    m.autoNumber = false;
    EXPECT_EQ(m.Preview(), ".csv");
    EXPECT_EQ(CaptureSettingsModel(Stored("/cap/"), true, true).Preview(), "_08.avi");
    EXPECT_EQ(CaptureSettingsModel(Stored("/cap/"), false, false).Preview(), "");
}

TEST(CaptureSettingsModel, OkTakesTheValuesAndFlagsOnlyWhatChanged) {
    testing::TempFolder root;
    std::string refusal;
    CaptureSettingsModel same(Stored(root.Folder()), true, true);
    ASSERT_TRUE(same.Accept(refusal));
    EXPECT_FALSE(same.Result().namingChanged || same.Result().conditionsChanged);
    EXPECT_EQ(same.Result().transAlarm, 3);

    CaptureSettingsModel m(Stored(root.Folder()), true, true);
    m.folder = root.Folder() + "new";  // typed without its separator, and not there yet
    m.seconds = "7";
    ASSERT_TRUE(m.Accept(refusal)) << refusal;
    EXPECT_STREQ(m.Result().path, (root.Folder() + "new/").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(root.File("new")));
    EXPECT_TRUE(m.Result().namingChanged && m.Result().conditionsChanged);
    EXPECT_EQ(m.Result().timeLimitSec, 7);

    CaptureSettingsModel avi(Stored(root.Folder()), true, true);
    avi.SetBmpTransfer(false);
    avi.seconds = "5000";
    avi.pretrigger = 45;
    ASSERT_TRUE(avi.Accept(refusal));
    EXPECT_EQ(avi.Result().pretriggerSec, 30) << "the pre-trigger's limit";
    EXPECT_EQ(avi.Result().transAlarm, 0);
    EXPECT_EQ(avi.Result().alarmType[2], kAlarmCapture);
    EXPECT_EQ(avi.Result().timeLimitSec, 1000) << "the up-down's limit";
    EXPECT_FALSE(avi.Result().namingChanged);
    EXPECT_TRUE(avi.Result().conditionsChanged);

    CaptureSettingsModel name(Stored(root.Folder()), true, true);
    name.baseName = "bench";
    ASSERT_TRUE(name.Accept(refusal));
    EXPECT_STREQ(name.Result().filename, "bench");
    EXPECT_TRUE(name.Result().namingChanged && !name.Result().conditionsChanged);

    // A level trigger is a capture condition; its numbers are read whole, "." the separator.
    CaptureSettingsModel trig(Stored(root.Folder()), true, true);
    trig.triggers[1] = {true, 4, kTriggerBelow, " -1.25", "0.5"};
    ASSERT_TRUE(trig.Accept(refusal)) << refusal;
    EXPECT_TRUE(trig.Result().triggers[1] ==
                (LevelTriggerSetting{1, 4, kTriggerBelow, -1.25, 0.5}));
    EXPECT_TRUE(!trig.Result().namingChanged && trig.Result().conditionsChanged);
}

TEST(CaptureSettingsModel, RefusesWhatCannotNameACaptureAndTakesNothing) {
    testing::TempFolder root;
    root.Write("plain", "a file where a folder is wanted");
    std::string refusal;
    for (const std::string& bad : {std::string(), std::string("a/b"), std::string("a\tb"),
                                   std::string(".."), std::string(260, 'n')}) {
        CaptureSettingsModel m(Stored(root.Folder()), true, true);
        m.baseName = bad;
        EXPECT_FALSE(m.Accept(refusal)) << bad;
        EXPECT_FALSE(refusal.empty());
        EXPECT_STREQ(m.Result().filename, "run") << "nothing taken";
    }
    CaptureSettingsModel m(Stored(root.Folder()), true, true);
    m.folder = root.File("plain") + "/sub";
    EXPECT_FALSE(m.Accept(refusal));
    EXPECT_NE(refusal.find("Cannot record into the folder " + root.File("plain")),
              std::string::npos);
    m.folder = std::string(300, 'f');
    EXPECT_FALSE(m.Accept(refusal));
    m.folder = root.Folder();
    m.seconds = "1x";
    EXPECT_FALSE(m.Accept(refusal));
    // A limit of 0 s (or an empty edit) would end each capture as it starts.
    for (const char* none : {"0", ""}) {
        m.seconds = none;
        EXPECT_FALSE(m.Accept(refusal));
        EXPECT_EQ(refusal, "The time limit is at least 1 second.");
    }
    // Folder and name that each fit, but not together with the numbering.
    m.seconds = "30";
    m.folder = root.Folder() + std::string(200, 'f');
    m.baseName = std::string(50, 'n');
    EXPECT_FALSE(m.Accept(refusal));
    EXPECT_NE(refusal.find("a path holds at most 259"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(m.folder)) << "nothing taken, no folder made";
    EXPECT_STREQ(m.Result().filename, "run");

    // A trigger's number that is none is refused by its row and field.
    m.folder = root.Folder();
    m.baseName = "run";
    for (const auto& [level, hysteresis, told] :
         {std::tuple("2,5", "0", "Level trigger 3: the level \"2,5\" is not a number."),
          {"1", "x", "Level trigger 3: the hysteresis \"x\" is not a number."},
          {"1", "-0.1", "Level trigger 3: the hysteresis cannot be below 0."}}) {
        m.triggers[2] = {true, 1, kTriggerAbove, level, hysteresis};
        EXPECT_FALSE(m.Accept(refusal));
        EXPECT_EQ(refusal, told);
    }
    EXPECT_EQ(m.Result().triggers[2].enabled, 0) << "nothing taken";
}

TEST(CaptureSettingsModel, AnEmptyFolderIsShownResolvedAndStaysEmpty) {
    testing::TempFolder videos;
    const char* old = std::getenv("XDG_VIDEOS_DIR");
    const std::string kept = old != nullptr ? old : "";
    setenv("XDG_VIDEOS_DIR", videos.Path().c_str(), 1);
    CaptureSettingsModel m(Stored(""), true, true);
    EXPECT_EQ(m.folder, videos.Folder() + "Velatrace/");
    std::string refusal;
    ASSERT_TRUE(m.Accept(refusal)) << refusal;
    EXPECT_STREQ(m.Result().path, "");
    EXPECT_FALSE(m.Result().namingChanged);
    old != nullptr ? setenv("XDG_VIDEOS_DIR", kept.c_str(), 1) : unsetenv("XDG_VIDEOS_DIR");
}

}  // namespace
}  // namespace velatrace
