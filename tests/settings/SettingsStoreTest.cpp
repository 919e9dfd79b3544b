#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/FixedText.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryProbe.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

using testing::DwordValue;
using testing::RawValue;
using testing::ValueNames;

constexpr const char* kCapture = "Software\\Korvex\\Velatrace\\Capture";
constexpr const char* kDde = "Software\\Korvex\\Velatrace\\Dde";
constexpr const char* kCamname = "Software\\Korvex\\Velatrace\\Camname";

// One settings file in a temporary folder; each Run() is a fresh start of the program on it.
class SettingsFile {
  public:
    RegistryFile& Run() {
        registry_.reset();  // the previous run ends (and writes what it still holds)
        registry_ = std::make_unique<RegistryFile>(folder_.Path() / "velatrace.reg");
        return *registry_;
    }

  private:
    testing::TempFolder folder_;
    std::unique_ptr<RegistryFile> registry_;
};

std::vector<uint8_t> TextBytes(const std::string& text, size_t size) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

// A registry that cannot be reached at all.
class UnreachableRegistry : public RegistryStore {
  public:
    int32_t CreateKey(RegKey, const char*, RegKey*) override { return reg::kAccessDenied; }
    int32_t OpenKey(RegKey, const char*, RegKey*) override { return reg::kAccessDenied; }
    int32_t CloseKey(RegKey) override { return reg::kInvalidHandle; }
    int32_t SetValue(RegKey, const char*, uint32_t, const void*, uint32_t) override {
        ++writes;
        return reg::kInvalidHandle;
    }
    int32_t QueryValue(RegKey, const char*, uint32_t*, void*, uint32_t*) override {
        return reg::kInvalidHandle;
    }
    int32_t DeleteValue(RegKey, const char*) override { return reg::kInvalidHandle; }
    int32_t EnumValue(RegKey, uint32_t, char*, uint32_t*) override { return reg::kInvalidHandle; }
    int writes = 0;
};

// The default placement is checked by the program's start-up test; here the loads replace
// what the caller's fields held, whether the registry is empty or cannot be reached at all.
TEST(SettingsStore, AnEmptyOrUnreachableRegistryGivesTheDefaults) {
    SettingsFile file;
    UnreachableRegistry unreachable;
    for (RegistryStore* registry :
         {static_cast<RegistryStore*>(&file.Run()), static_cast<RegistryStore*>(&unreachable)}) {
        SettingsStore store(*registry);
        FramePlacement frame{1, 1, 1, 1, 1, 1};
        store.LoadFrame(frame);
        EXPECT_EQ(frame.cx, kDefaultFrameCx);
        WaveScales scales;
        scales.vscale[9] = 5;
        scales.tscale = 1;
        store.LoadScale(scales);
        EXPECT_EQ(std::tie(scales.vscale[9], scales.tscale), std::tuple(0, 7));
        char name[1024];
        std::memset(name, 'x', sizeof name);
        store.LoadCamname(name, sizeof name);
        EXPECT_STREQ(name, "");
        StreamSettings strm;
        store.LoadStrm(strm);
        EXPECT_EQ(std::tie(strm.lrate, strm.lvw, strm.lvolume), std::tuple(20, 640, -10000));
        CaptureSettings capture;
        store.LoadCapture(capture);
        EXPECT_STREQ(capture.filename, "pravis");
        DdeSettings dde;
        store.LoadDde(dde);
        EXPECT_EQ(dde.colCount, 1);
        TransportSettings port;
        port.terminator = 2;
        store.LoadPort(port);
        EXPECT_EQ(port.terminator, 0);
    }
    SettingsStore(unreachable).SaveFrame(FramePlacement{});
    SettingsStore(unreachable).SaveCapture(CaptureSettings{});
    EXPECT_EQ(unreachable.writes, 0);
    // The first run on an empty file leaves every key behind.
    RegistryFile& next = file.Run();
    for (const char* group : {"Frame", "Scale", "Camname", "Strm", "Capture", "Dde", "Port"}) {
        RegKey key = kNoKey;
        const std::string path = std::string("Software\\Korvex\\Velatrace\\") + group;
        EXPECT_EQ(next.OpenKey(kCurrentUser, path.c_str(), &key), reg::kSuccess) << group;
        next.CloseKey(key);
    }
}

TEST(SettingsStore, EveryGroupSurvivesARestart) {
    SettingsFile file;
    {
        SettingsStore store(file.Run());
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
        capture.autoNumber = 1;
        capture.useTimeLimit = 1;
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
    }
    SettingsStore store(file.Run());
    FramePlacement frame;
    store.LoadFrame(frame);
    EXPECT_EQ(std::tie(frame.x, frame.y, frame.cx, frame.cy, frame.split),
              std::tuple(-4, 20, 800, 600, 300));
    WaveScales scales;
    store.LoadScale(scales);
    EXPECT_EQ(std::tie(scales.vscale[9], scales.tscale), std::tuple(9, 3));
    StreamSettings strm;
    store.LoadStrm(strm);
    // Only the four persisted fields are touched.
    EXPECT_EQ(std::tie(strm.lrate, strm.lvw, strm.lvh, strm.lvolume, strm.llDuration),
              std::tuple(30, 1280, 720, 0, 0));
    CaptureSettings capture;
    store.LoadCapture(capture);
    EXPECT_STREQ(capture.path, "/srv/captures/");
    EXPECT_STREQ(capture.filename, "bench");
    EXPECT_EQ(std::tie(capture.autoNumber, capture.useTimeLimit, capture.timeLimitSec),
              std::tuple(1, 1, 45));
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(capture.alarmEnable[n], n % 2);
        EXPECT_EQ(capture.alarmType[n], kAlarmTransfer);  // the alarm actions are restored
    }
    TransportSettings port;
    store.LoadPort(port);
    EXPECT_EQ(std::tie(port.terminator, port.timeout), std::tuple(kTerminatorLf, 1234));
    EXPECT_EQ(DwordValue(file.Run(), "Software\\Korvex\\Velatrace\\Port", "eos"), 2);

    // Values go in the documented order.
    EXPECT_EQ(ValueNames(file.Run(), kCapture),
              (std::vector<std::string>{"path", "filename", "autonum", "timer", "alarm1", "type1",
                                        "alarm2", "type2", "alarm3", "type3", "alarm4", "type4",
                                        "timeval"}));
}

TEST(SettingsStore, CaptureTextsKeepTheirRules) {
    SettingsFile file;
    testing::PutText(file.Run(), kCapture, "filename", "");
    testing::PutText(file.Run(), kCapture, "path", std::string(300, 'p'));  // longer than 260
    CaptureSettings capture;
    SettingsStore(file.Run()).LoadCapture(capture);
    EXPECT_STREQ(capture.filename, "pravis");
    EXPECT_STREQ(capture.path, "");

    CopyText(capture.path, std::string(259, 'q').c_str());
    SettingsStore(file.Run()).SaveCapture(capture);
    EXPECT_EQ(RawValue(file.Run(), kCapture, "path")->size(), 260u);  // text and terminator
    CaptureSettings again;
    SettingsStore(file.Run()).LoadCapture(again);
    EXPECT_EQ(std::strlen(again.path), 259u);
}

TEST(SettingsStore, CameraNameKeepsTheBufferByteCount) {
    SettingsFile file;
    char name[1024] = "@device:pnp:\\\\?\\usb#vid_046d&pid_0825";
    SettingsStore(file.Run()).SaveCamname(name, sizeof name);
    EXPECT_EQ(DwordValue(file.Run(), kCamname, "camsize"), 1024);
    EXPECT_EQ(RawValue(file.Run(), kCamname, "camname"), TextBytes(name, 1024));

    char loaded[1024];
    std::memset(loaded, 'x', sizeof loaded);
    SettingsStore(file.Run()).LoadCamname(loaded, sizeof loaded);
    EXPECT_STREQ(loaded, name);

    // A name saved by a run whose buffer had grown is not read past a smaller buffer.
    std::vector<char> grown(1500, 'n');
    grown[1498] = '\0';
    SettingsStore(file.Run()).SaveCamname(grown.data(), 1500);
    auto small = std::make_unique<char[]>(1024);  // exact size, so an overrun is caught
    std::memset(small.get(), 'x', 1024);
    SettingsStore(file.Run()).LoadCamname(small.get(), 1024);
    EXPECT_STREQ(small.get(), "");
    auto large = std::make_unique<char[]>(1500);
    SettingsStore(file.Run()).LoadCamname(large.get(), 1500);
    EXPECT_EQ(std::strlen(large.get()), 1498u);

    // A "camsize" below the stored length reads nothing rather than a cut name.
    testing::PutDword(file.Run(), kCamname, "camsize", 10);
    SettingsStore(file.Run()).LoadCamname(large.get(), 1500);
    EXPECT_STREQ(large.get(), "");
}

TEST(SettingsStore, DdeWritesItsTextsWithFixedByteCounts) {
    SettingsFile file;
    DdeSettings dde;
    dde.app = kDdeAppViewer;
    CopyText(dde.topic[0], "Kortopic");
    dde.colCount = 5;
    SettingsStore(file.Run()).SaveDde(dde);
    EXPECT_EQ(ValueNames(file.Run(), kDde), (std::vector<std::string>{"app", "topic"}));
    EXPECT_EQ(RawValue(file.Run(), kDde, "topic"), TextBytes("Kortopic", 33));

    dde.app = kDdeAppSpreadsheet;
    const std::string topic31(31, 't');
    CopyText(dde.topic[1], topic31.c_str());
    CopyText(dde.initialCell, "ABC1234");
    dde.rowStep = 2;
    dde.colStep = 3;
    SettingsStore(file.Run()).SaveDde(dde);
    EXPECT_EQ(RawValue(file.Run(), kDde, "topic"), TextBytes(topic31, 33));
    EXPECT_EQ(RawValue(file.Run(), kDde, "orgrange"), TextBytes("ABC1234", 9));

    DdeSettings loaded;
    SettingsStore(file.Run()).LoadDde(loaded);
    EXPECT_EQ(std::tie(loaded.app, loaded.rowStep, loaded.colStep, loaded.colCount),
              std::tuple(1, 2, 3, 5));
    EXPECT_STREQ(loaded.topic[1], topic31.c_str());
    EXPECT_STREQ(loaded.initialCell, "ABC1234");

    // Stored texts filling the whole room are cut to the field; longer ones are not loaded.
    testing::PutText(file.Run(), kDde, "topic", std::string(32, 'T'));
    testing::PutText(file.Run(), kDde, "orgrange", "TOOLONGCELL");
    SettingsStore(file.Run()).LoadDde(loaded);
    EXPECT_EQ(std::string(loaded.topic[1]), std::string(31, 'T'));
    EXPECT_STREQ(loaded.initialCell, "");

    // An application index outside the table writes an empty topic instead of reading past it.
    dde.app = 7;
    SettingsStore(file.Run()).SaveDde(dde);
    EXPECT_EQ(RawValue(file.Run(), kDde, "topic"), TextBytes("", 33));
}

TEST(FramePlacement, AMaximisedWindowSavesTheFixedRestoreSize) {
    const FramePlacement p = PlacementAtClose(true, 50, 60, 1920, 1080, 500);
    EXPECT_EQ(std::tie(p.max, p.x, p.y, p.cx, p.cy, p.split), std::tuple(1, 0, 0, 645, 642, 500));
}

}  // namespace
}  // namespace velatrace
