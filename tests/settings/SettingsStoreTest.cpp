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

// The loads replace what the caller's fields held; the default placement itself is checked by
// the program's start-up test.
TEST(SettingsStore, AnEmptyRegistryGivesTheDefaults) {
    RegistryTree empty;
    SettingsStore store(empty);
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

    DdeSettings dde;
    CopyText(dde.topic[0], "Kortopic");
    store.SaveDde(dde);  // the viewer has a topic only
    EXPECT_EQ(testing::ValueNames(registry, kDde), (std::vector<std::string>{"app", "topic"}));
    EXPECT_EQ(RawValue(registry, kDde, "topic"), TextBytes("Kortopic", 33));
    dde.app = kDdeAppSpreadsheet;
    const std::string topic31(31, 't');
    CopyText(dde.topic[1], topic31.c_str());
    CopyText(dde.initialCell, "ABC1234");
    dde.rowStep = 2;
    dde.colStep = 3;
    dde.colCount = 5;
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

TEST(FramePlacement, AMaximisedWindowSavesTheFixedRestoreSize) {
    const FramePlacement p = PlacementAtClose(true, 50, 60, 1920, 1080, 500);
    EXPECT_EQ(std::tie(p.max, p.x, p.y, p.cx, p.cy, p.split), std::tuple(1, 0, 0, 645, 642, 500));
}

}  // namespace
}  // namespace velatrace
