// The registry's rules as the settings see them, and the settings kept in it.
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/FixedText.h"
#include "settings/RegExport.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryProbe.h"
#include "settings/RegistryTree.h"

namespace velatrace {
namespace {

using testing::RawValue;

constexpr const char* kCapture = "Software\\Korvex\\Velatrace\\Capture";
constexpr const char* kDde = "Software\\Korvex\\Velatrace\\Dde";
constexpr const char* kCamname = "Software\\Korvex\\Velatrace\\Camname";

std::vector<uint8_t> TextBytes(const std::string& text, size_t size) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

TEST(RegistryTree, KeysAndFieldsFollowTheRegistryRules) {
    RegistryTree tree;
    testing::PutText(tree, kCapture, "fits", "1234567");                      // 8 bytes
    testing::PutText(tree, kCapture, "too long", "12345678");                 // 9 bytes
    testing::PutValue(tree, kCapture, "bare", reg::kSz, "abc", 3);            // no terminator
    testing::PutValue(tree, kCapture, "bare full", reg::kSz, "abcdefgh", 8);  // fills the field
    testing::PutValue(tree, kCapture, "short dword", reg::kDword, "\x05", 1);
    // A read through a key leaves a terminated text or the field as it was.
    RegistryKey reader(tree);
    ASSERT_TRUE(reader.Open(kCurrentUser, kCapture));
    for (const auto& [name, field] : {std::pair{"fits", "1234567"},
                                      {"too long", "xxxxxxx"},
                                      {"bare", "abc"},
                                      {"bare full", "xxxxxxx"}}) {
        char text[8] = "xxxxxxx";
        reader.ReadText(name, text, sizeof text);
        EXPECT_STREQ(text, field) << name;
    }
    int32_t number = 0x11223344;
    reader.ReadDword("short dword", number);  // only the stored low byte is replaced
    EXPECT_EQ(number, 0x11223305);
    // A name that could not be written as one line of the file is refused.
    RegKey key = kNoKey;
    EXPECT_EQ(tree.CreateKey(kCurrentUser, "a\nb", &key), reg::kInvalidParameter);
}

TEST(RegExport, ReadsWhatTheRegistryEditorAndPeopleWrite) {
    // A registry editor export: UTF-16LE with a byte-order mark and CRLF line ends.
    const std::u16string exported =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Dde]\r\n"
        u"\"topic\"=\"Sheet \u00e4\"\r\n"
        u"\"wide\"=hex(2):41,00,\\\r\n  42,00,00,00\r\n\r\n";
    // As the bytes of the file, on the little-endian machines the program runs on.
    const std::string utf16(reinterpret_cast<const char*>(exported.data()), exported.size() * 2);
    RegistryTree tree;
    RegParseError error;
    ASSERT_TRUE(ParseRegExport(utf16, tree, &error)) << error.line << " " << error.reason;
    EXPECT_EQ(RawValue(tree, kDde, "topic"), TextBytes("Sheet \xC3\xA4", 9));
    EXPECT_EQ(RawValue(tree, kDde, "wide"), TextBytes("AB", 3));

    // Written by hand: unescaped backslashes, spaces, comments, names in any letter case, a key
    // twice, REGEDIT4.
    const std::string edited =
        "REGEDIT4\n"
        "; my settings\n"
        "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Capture]\n"
        "  \"PATH\" = \"D:\\video\"\n"
        "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Capture]\n";
    ASSERT_TRUE(ParseRegExport(edited, tree, &error)) << error.line << " " << error.reason;
    EXPECT_EQ(testing::ValueNames(tree, kCapture), std::vector<std::string>{"PATH"});
    EXPECT_EQ(RawValue(tree, kCapture, "path"), TextBytes("D:\\video", 9));
}

// Loads replace what the caller's fields held, with the defaults on an empty registry (the
// default placement itself is checked by the program's start-up test) and with what was saved.
TEST(SettingsStore, EveryGroupLoadsItsDefaultsAndThenWhatWasSaved) {
    RegistryTree registry;
    SettingsStore store(registry);
    FramePlacement frame{1, 1, 1, 1, 1, 1};
    store.LoadFrame(frame);
    WaveScales scales;
    scales.vscale[9] = scales.tscale = 5;
    store.LoadScale(scales);
    char name[1024];
    std::memset(name, 'x', sizeof name);
    store.LoadCamname(name, sizeof name);
    StreamSettings strm;
    store.LoadStrm(strm);
    CaptureSettings capture;
    store.LoadCapture(capture);
    DdeSettings dde;
    store.LoadDde(dde);
    TransportSettings port;
    port.terminator = 2;
    store.LoadPort(port);
    EXPECT_EQ(std::tie(frame.cx, scales.vscale[9], scales.tscale, name[0], strm.lrate, strm.lvw,
                       strm.lvh, strm.lvolume, dde.colCount, port.terminator),
              std::tuple(kDefaultFrameCx, 0, 7, '\0', 20, 640, 480, -10000, 1, 0));
    EXPECT_STREQ(capture.filename, "pravis");
    // The language: Automatic until chosen; a value that names no choice reads as Automatic.
    EXPECT_EQ(store.LoadLanguage(), LanguageChoice::Automatic);
    store.SaveLanguage(LanguageChoice::Japanese);
    EXPECT_EQ(store.LoadLanguage(), LanguageChoice::Japanese);
    EXPECT_EQ(testing::DwordValue(registry, "Software\\Korvex\\Velatrace\\Language", "lang"), 2);
    store.SaveLanguage(static_cast<LanguageChoice>(7));
    EXPECT_EQ(store.LoadLanguage(), LanguageChoice::Automatic);

    scales.vscale[9] = 9, scales.tscale = 3;
    store.SaveScale(scales);
    store.SaveStrm(StreamSettings{0, 30, 1280, 720, 0, 1, 99});
    capture.alarmEnable[3] = 1;  // folder, name, numbering and limit: through the sessions
    capture.alarmType[3] = kAlarmTransfer;
    capture.pretriggerSec = 7;
    store.SaveCapture(capture);
    port.terminator = kTerminatorLf;
    store.SavePort(port);
    scales = WaveScales{};
    strm = StreamSettings{};
    capture = CaptureSettings{};
    store.LoadScale(scales);
    store.LoadStrm(strm);
    store.LoadCapture(capture);
    EXPECT_EQ(std::tie(scales.vscale[9], scales.tscale), std::tuple(9, 3));
    // Only the four persisted fields of the stream record are touched.
    EXPECT_EQ(std::tie(strm.lrate, strm.lvw, strm.lvh, strm.lvolume, strm.llDuration),
              std::tuple(30, 1280, 720, 0, 0));
    EXPECT_EQ(std::tie(capture.alarmEnable[2], capture.alarmEnable[3], capture.alarmType[3],
                       capture.pretriggerSec),
              std::tuple(0, 1, kAlarmTransfer, 7));
    EXPECT_EQ(testing::DwordValue(registry, "Software\\Korvex\\Velatrace\\Port", "eos"), 2);
    EXPECT_EQ(testing::ValueNames(registry, kCapture),
              (std::vector<std::string>{"path", "filename", "autonum", "timer", "alarm1", "type1",
                                        "alarm2", "type2", "alarm3", "type3", "alarm4", "type4",
                                        "timeval", "pretrigger"}));
}

// A stored time limit is brought into the dialog's range, so the seconds shown are the seconds
// the timer runs; 0 would end every capture at once.
TEST(SettingsStore, StoredTimeLimitIsWhatTheTimerUses) {
    RegistryTree registry;
    SettingsStore store(registry);
    CaptureSettings capture;
    for (const auto& [stored, used] : {std::pair{0, 1}, {-5, 1}, {60, 60}, {2000000000, 1000}}) {
        capture.timeLimitSec = stored;
        store.SaveCapture(capture);
        store.LoadCapture(capture);
        EXPECT_EQ(capture.timeLimitSec, used) << stored;
    }
}

// The level triggers keep their own key; a value that cannot be used gives a disabled trigger
// with its other values kept, never a trigger on a level nobody set.
TEST(SettingsStore, TriggersRoundTripAndABrokenValueDisablesOnlyItsTrigger) {
    constexpr const char* kTrigger = "Software\\Korvex\\Velatrace\\Trigger";
    RegistryTree registry;
    SettingsStore store(registry);
    const LevelTriggerSetting saved[kLevelTriggers] = {{1, 3, kTriggerAbove, 2.5, 0.1},
                                                       {1, 10, kTriggerBelow, -0.25, 1e-3},
                                                       {0, 1, kTriggerAbove, 0, 0},
                                                       {1, 2, kTriggerAbove, 1e6, 0}};
    store.SaveTriggers(saved);
    LevelTriggerSetting loaded[kLevelTriggers];
    store.LoadTriggers(loaded);
    EXPECT_TRUE(std::equal(saved, saved + kLevelTriggers, loaded));
    EXPECT_EQ(testing::RawValue(registry, kTrigger, "hys1"), TextBytes("0.1", 4));
    testing::PutText(registry, kTrigger, "level1", "2,5");
    testing::PutDword(registry, kTrigger, "ch2", 11);
    testing::PutText(registry, kTrigger, "hys4", "-1");
    testing::PutDword(registry, kTrigger, "on3", 7);
    store.LoadTriggers(loaded);
    EXPECT_EQ(loaded[0].enabled + loaded[1].enabled + loaded[2].enabled + loaded[3].enabled, 0);
    EXPECT_EQ(std::tie(loaded[0].channel, loaded[1].channel, loaded[1].level, loaded[3].hysteresis),
              std::tuple(3, 1, -0.25, 0.0));
}

// A registry that cannot be reached (denied or broken): every call fails.
struct UnreachableRegistry final : RegistryStore {
    int32_t CreateKey(RegKey, const char*, RegKey*) override { return 5; }
    int32_t OpenKey(RegKey, const char*, RegKey*) override { return 5; }
    int32_t CloseKey(RegKey) override { return 6; }
    int32_t SetValue(RegKey, const char*, uint32_t, const void*, uint32_t) override { return 6; }
    int32_t QueryValue(RegKey, const char*, uint32_t*, void*, uint32_t*) override { return 6; }
    int32_t DeleteValue(RegKey, const char*) override { return 6; }
    int32_t EnumValue(RegKey, uint32_t, char*, uint32_t*) override { return 6; }
};

TEST(SettingsStore, AnUnreachableRegistryGivesTheDefaultsAndSavesQuietly) {
    UnreachableRegistry registry;
    SettingsStore store(registry);
    CaptureSettings capture;
    CopyText(capture.filename, "left over");
    store.LoadCapture(capture);
    StreamSettings strm;
    store.LoadStrm(strm);
    EXPECT_EQ(std::string(capture.filename) + "|" + std::to_string(strm.lvw), "pravis|640");
    store.SaveCapture(capture), store.SaveStrm(strm);
}

// Texts are written with their terminator, or with the fixed byte count of their field.
TEST(SettingsStore, TextsKeepTheirByteCounts) {
    RegistryTree registry;
    SettingsStore store(registry);
    testing::PutText(registry, kCapture, "filename", "");
    CaptureSettings capture;
    store.LoadCapture(capture);
    EXPECT_STREQ(capture.filename, "pravis");
    CopyText(capture.path, std::string(259, 'q').c_str());
    store.SaveCapture(capture);
    EXPECT_EQ(RawValue(registry, kCapture, "path"), TextBytes(capture.path, 260));
    SettingsStore::CaptureLoad fits = store.LoadCapture(capture);
    EXPECT_FALSE(fits.folderTooLong || fits.nameTooLong);
    // A folder or name edited past its field is not loaded, and the caller learns so.
    testing::PutText(registry, kCapture, "path", std::string(300, 'q'));
    testing::PutText(registry, kCapture, "filename", std::string(260, 'n'));
    fits = store.LoadCapture(capture);
    EXPECT_TRUE(fits.folderTooLong && fits.nameTooLong);
    EXPECT_EQ(std::string(capture.path) + "|" + capture.filename, "|pravis");

    DdeSettings dde;
    CopyText(dde.topic[0], "Kortopic");
    store.SaveDde(dde);  // the viewer has a topic only
    EXPECT_EQ(testing::ValueNames(registry, kDde), (std::vector<std::string>{"app", "topic"}));
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes("Kortopic", 33));
    dde.app = kDdeAppSpreadsheet;
    const std::string topic31(31, 't');
    CopyText(dde.topic[1], topic31.c_str());
    CopyText(dde.initialCell, "ABC1234");
    dde.rowStep = 2, dde.colStep = 3, dde.colCount = 5;
    store.SaveDde(dde);
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes(topic31, 33));
    EXPECT_EQ(RawValue(registry, kDde, "orgrange"), TextBytes("ABC1234", 9));
    DdeSettings loaded;
    store.LoadDde(loaded);
    EXPECT_EQ(std::tie(loaded.app, loaded.rowStep, loaded.colStep, loaded.colCount),
              std::tuple(1, 2, 3, 5));
    EXPECT_EQ(std::string(loaded.topic[1]) + "|" + loaded.initialCell, topic31 + "|ABC1234");
    // A stored topic filling the whole room is cut to the field.
    testing::PutText(registry, kDde, "topic", std::string(32, 'T'));
    store.LoadDde(loaded);
    EXPECT_EQ(loaded.topic[1], std::string(31, 'T'));
    // An application index outside the table writes an empty topic instead of reading past it.
    dde.app = 7;
    store.SaveDde(dde);
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes("", 33));
}

// A Japanese capture folder, base name and workbook topic come back byte for byte through the
// settings file.
TEST(SettingsStore, JapaneseNamesAndTopicsRoundTripThroughTheSettingsFile) {
    RegistryTree registry;
    SettingsStore store(registry);
    CaptureSettings capture;
    CopyText(capture.path, "/home/試験/計測データ/");
    CopyText(capture.filename, "記録");
    store.SaveCapture(capture);
    DdeSettings dde;
    dde.app = kDdeAppSpreadsheet;
    CopyText(dde.topic[1], "[ブック1]シート1");
    store.SaveDde(dde);
    RegistryTree reread;
    ASSERT_TRUE(ParseRegExport(FormatRegExport(registry), reread, nullptr));
    SettingsStore restarted(reread);
    CaptureSettings loaded;
    restarted.LoadCapture(loaded);
    DdeSettings loadedDde;
    restarted.LoadDde(loadedDde);
    EXPECT_EQ(std::string(loaded.path) + "|" + loaded.filename + "|" + loadedDde.topic[1],
              "/home/試験/計測データ/|記録|[ブック1]シート1");
}

TEST(SettingsStore, CameraNameKeepsTheBufferByteCount) {
    RegistryTree registry;
    SettingsStore store(registry);
    char name[1024] = "@device:pnp:\\\\?\\usb#vid_046d&pid_0825";
    store.SaveCamname(name, sizeof name);
    EXPECT_EQ(testing::DwordValue(registry, kCamname, "camsize"), 1024);
    EXPECT_EQ(RawValue(registry, kCamname, "camname"), TextBytes(name, 1024));
    const auto load = [&store](uint32_t size) {
        std::vector<char> buffer(size, 'x');  // exactly the size given, so an overrun is caught
        store.LoadCamname(buffer.data(), size);
        return std::string(buffer.data());
    };
    EXPECT_EQ(load(1024), name);
    // A name saved by a run whose buffer had grown is not read past a smaller buffer, and a
    // "camsize" below the stored length reads nothing rather than a cut name.
    std::vector<char> grown(1500, 'n');
    grown[1498] = '\0';
    store.SaveCamname(grown.data(), 1500);
    EXPECT_EQ(load(1024), "");
    testing::PutDword(registry, kCamname, "camsize", 10);
    EXPECT_EQ(load(1500), "");
}

TEST(FramePlacement, AMaximisedWindowSavesTheFixedRestoreSize) {
    const FramePlacement p = PlacementAtClose(true, 50, 60, 1920, 1080, 500);
    EXPECT_EQ(std::tie(p.max, p.x, p.y, p.cx, p.cy, p.split), std::tuple(1, 0, 0, 645, 642, 500));
}

}  // namespace
}  // namespace velatrace
