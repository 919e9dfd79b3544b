#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/FixedText.h"
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

// A registry that cannot be reached at all; what is written to it anyway is counted.
struct UnreachableRegistry : RegistryStore {
    int32_t CreateKey(RegKey, const char*, RegKey*) override { return reg::kAccessDenied; }
    int32_t OpenKey(RegKey, const char*, RegKey*) override { return reg::kAccessDenied; }
    int32_t CloseKey(RegKey) override { return reg::kInvalidHandle; }
    int32_t SetValue(RegKey, const char*, uint32_t, const void*, uint32_t) override {
        return ++writes, reg::kInvalidHandle;
    }
    int32_t QueryValue(RegKey, const char*, uint32_t*, void*, uint32_t*) override {
        return reg::kInvalidHandle;
    }
    int32_t DeleteValue(RegKey, const char*) override { return reg::kInvalidHandle; }
    int32_t EnumValue(RegKey, uint32_t, char*, uint32_t*) override { return reg::kInvalidHandle; }
    int writes = 0;
};

// The loads replace what the caller's fields held, whether the registry is empty or cannot be
// reached; the default placement itself is checked by the program's start-up test.
TEST(SettingsStore, AnEmptyOrUnreachableRegistryGivesTheDefaults) {
    RegistryTree empty;
    UnreachableRegistry unreachable;
    for (RegistryStore* registry :
         {static_cast<RegistryStore*>(&empty), static_cast<RegistryStore*>(&unreachable)}) {
        SettingsStore store(*registry);
        FramePlacement frame{1, 1, 1, 1, 1, 1};
        WaveScales scales;
        scales.vscale[9] = 5;
        scales.tscale = 1;
        char name[1024];
        std::memset(name, 'x', sizeof name);
        StreamSettings strm;
        CaptureSettings capture;
        DdeSettings dde;
        TransportSettings port;
        port.terminator = 2;
        store.LoadFrame(frame);
        store.LoadScale(scales);
        store.LoadCamname(name, sizeof name);
        store.LoadStrm(strm);
        store.LoadCapture(capture);
        store.LoadDde(dde);
        store.LoadPort(port);
        EXPECT_EQ(std::tie(frame.cx, scales.vscale[9], scales.tscale, name[0], strm.lrate, strm.lvw,
                           strm.lvolume, dde.colCount, port.terminator),
                  std::tuple(kDefaultFrameCx, 0, 7, '\0', 20, 640, -10000, 1, 0));
        EXPECT_STREQ(capture.filename, "pravis");
    }
    SettingsStore(unreachable).SaveFrame(FramePlacement{});
    SettingsStore(unreachable).SaveCapture(CaptureSettings{});
    EXPECT_EQ(unreachable.writes, 0);
    // The loads leave every key behind.
    for (const char* group : {"Frame", "Scale", "Camname", "Strm", "Capture", "Dde", "Port"}) {
        RegKey key = kNoKey;
        const std::string path = std::string("Software\\Korvex\\Velatrace\\") + group;
        EXPECT_EQ(empty.OpenKey(kCurrentUser, path.c_str(), &key), reg::kSuccess) << group;
        empty.CloseKey(key);
    }
}

TEST(SettingsStore, EveryGroupIsLoadedAsSaved) {
    RegistryTree registry;
    SettingsStore store(registry);
    store.SaveFrame(PlacementAtClose(false, -4, 20, 800, 600, 300));
    WaveScales scales;
    for (int n = 0; n < kChannels; ++n) {
        scales.vscale[n] = n;
    }
    scales.tscale = 3;
    store.SaveScale(scales);
    store.SaveStrm(StreamSettings{0, 30, 1280, 720, 0, 1, 99});
    CaptureSettings capture;
    CopyText(capture.path, "/srv/captures/");
    CopyText(capture.filename, "bench");
    capture.autoNumber = capture.useTimeLimit = 1;
    capture.timeLimitSec = 45;
    for (int n = 0; n < 4; ++n) {
        capture.alarmEnable[n] = n % 2;
        capture.alarmType[n] = kAlarmTransfer;
    }
    store.SaveCapture(capture);
    TransportSettings port;
    port.terminator = kTerminatorLf;
    port.timeout = 1234;
    store.SavePort(port);

    FramePlacement frame;
    WaveScales s;
    StreamSettings strm;
    CaptureSettings c;
    port = TransportSettings{};
    store.LoadFrame(frame);
    store.LoadScale(s);
    store.LoadStrm(strm);
    store.LoadCapture(c);
    store.LoadPort(port);
    EXPECT_EQ(std::tie(frame.x, frame.y, frame.cx, frame.cy, frame.split),
              std::tuple(-4, 20, 800, 600, 300));
    EXPECT_EQ(std::tie(s.vscale[0], s.vscale[9], s.tscale), std::tuple(0, 9, 3));
    // Only the four persisted fields of the stream record are touched.
    EXPECT_EQ(std::tie(strm.lrate, strm.lvw, strm.lvh, strm.lvolume, strm.llDuration),
              std::tuple(30, 1280, 720, 0, 0));
    EXPECT_EQ(std::string(c.path) + "|" + c.filename, "/srv/captures/|bench");
    EXPECT_EQ(std::tie(c.autoNumber, c.useTimeLimit, c.timeLimitSec, c.alarmEnable[2],
                       c.alarmEnable[3], c.alarmType[0], c.alarmType[3]),
              std::tuple(1, 1, 45, 0, 1, kAlarmTransfer, kAlarmTransfer));
    EXPECT_EQ(std::tie(port.terminator, port.timeout), std::tuple(kTerminatorLf, 1234));
    EXPECT_EQ(testing::DwordValue(registry, "Software\\Korvex\\Velatrace\\Port", "eos"), 2);
    EXPECT_EQ(testing::ValueNames(registry, kCapture),
              (std::vector<std::string>{"path", "filename", "autonum", "timer", "alarm1", "type1",
                                        "alarm2", "type2", "alarm3", "type3", "alarm4", "type4",
                                        "timeval"}));
}

TEST(SettingsStore, CaptureTextsKeepTheirRules) {
    RegistryTree registry;
    SettingsStore store(registry);
    testing::PutText(registry, kCapture, "filename", "");
    testing::PutText(registry, kCapture, "path", std::string(300, 'p'));  // longer than 260
    CaptureSettings capture;
    store.LoadCapture(capture);
    EXPECT_STREQ(capture.filename, "pravis");
    EXPECT_STREQ(capture.path, "");

    CopyText(capture.path, std::string(259, 'q').c_str());
    store.SaveCapture(capture);
    EXPECT_EQ(RawValue(registry, kCapture, "path")->size(), 260u);  // text and terminator
    CaptureSettings again;
    store.LoadCapture(again);
    EXPECT_EQ(std::strlen(again.path), 259u);
}

TEST(SettingsStore, CameraNameKeepsTheBufferByteCount) {
    RegistryTree registry;
    SettingsStore store(registry);
    char name[1024] = "@device:pnp:\\\\?\\usb#vid_046d&pid_0825";
    store.SaveCamname(name, sizeof name);
    EXPECT_EQ(testing::DwordValue(registry, kCamname, "camsize"), 1024);
    EXPECT_EQ(RawValue(registry, kCamname, "camname"), TextBytes(name, 1024));
    char loaded[1024];
    std::memset(loaded, 'x', sizeof loaded);
    store.LoadCamname(loaded, sizeof loaded);
    EXPECT_STREQ(loaded, name);

    // A name saved by a run whose buffer had grown is not read past a smaller buffer.
    std::vector<char> grown(1500, 'n');
    grown[1498] = '\0';
    store.SaveCamname(grown.data(), 1500);
    auto small = std::make_unique<char[]>(1024);  // exact size, so an overrun is caught
    std::memset(small.get(), 'x', 1024);
    store.LoadCamname(small.get(), 1024);
    EXPECT_STREQ(small.get(), "");
    // A "camsize" below the stored length reads nothing rather than a cut name.
    testing::PutDword(registry, kCamname, "camsize", 10);
    std::memset(loaded, 'x', sizeof loaded);
    store.LoadCamname(loaded, sizeof loaded);
    EXPECT_STREQ(loaded, "");
}

TEST(SettingsStore, DdeWritesItsTextsWithFixedByteCounts) {
    RegistryTree registry;
    SettingsStore store(registry);
    DdeSettings dde;
    dde.app = kDdeAppViewer;
    CopyText(dde.topic[0], "Kortopic");
    dde.colCount = 5;
    store.SaveDde(dde);
    EXPECT_EQ(testing::ValueNames(registry, kDde), (std::vector<std::string>{"app", "topic"}));
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes("Kortopic", 33));

    dde.app = kDdeAppSpreadsheet;
    const std::string topic31(31, 't');
    CopyText(dde.topic[1], topic31.c_str());
    CopyText(dde.initialCell, "ABC1234");
    dde.rowStep = 2;
    dde.colStep = 3;
    store.SaveDde(dde);
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes(topic31, 33));
    EXPECT_EQ(RawValue(registry, kDde, "orgrange"), TextBytes("ABC1234", 9));
    DdeSettings loaded;
    store.LoadDde(loaded);
    EXPECT_EQ(std::tie(loaded.app, loaded.rowStep, loaded.colStep, loaded.colCount),
              std::tuple(1, 2, 3, 5));
    EXPECT_EQ(std::string(loaded.topic[1]) + "|" + loaded.initialCell, topic31 + "|ABC1234");

    // Stored texts filling the whole room are cut to the field; longer ones are not loaded.
    testing::PutText(registry, kDde, "topic", std::string(32, 'T'));
    testing::PutText(registry, kDde, "orgrange", "TOOLONGCELL");
    store.LoadDde(loaded);
    EXPECT_EQ(std::string(loaded.topic[1]) + "|" + loaded.initialCell, std::string(31, 'T') + "|");

    // An application index outside the table writes an empty topic instead of reading past it.
    dde.app = 7;
    store.SaveDde(dde);
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes("", 33));
}

TEST(FramePlacement, AMaximisedWindowSavesTheFixedRestoreSize) {
    const FramePlacement p = PlacementAtClose(true, 50, 60, 1920, 1080, 500);
    EXPECT_EQ(std::tie(p.max, p.x, p.y, p.cx, p.cy, p.split), std::tuple(1, 0, 0, 645, 642, 500));
}

}  // namespace
}  // namespace velatrace
