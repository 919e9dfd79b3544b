// The settings in the real Windows registry: what the program saves reads back equal, the
// registry editor's export of the program's key holds what the registry-file backend writes for
// the same settings, and a refused write is told to the user.
#include "settings/RegistryWin32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/FixedText.h"
#include "settings/RegExport.h"
#include "settings/RegistryTree.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

constexpr const char* kProgramKey = "Software\\Korvex\\Velatrace";

struct AllSettings {
    FramePlacement frame{0, 300, 800, 600, -20, 15};
    WaveScales scales;
    char camname[1024] = "USB Video Device";  // the whole buffer is saved
    StreamSettings strm;
    CaptureSettings capture;
    DdeSettings dde;
    TransportSettings port;

    AllSettings() {
        scales.vscale[3] = 4;
        scales.tscale = 2;
        strm.lrate = 30;
        strm.lvw = 1280;
        strm.lvh = 720;
        strm.lvolume = -10000;
        CopyText(capture.path, "C:\\captures\\bench 1\\");
        CopyText(capture.filename, "run \"A\"");
        capture.autoNumber = 1;
        capture.alarmEnable[1] = 1;
        capture.alarmType[2] = 2;
        capture.timeLimitSec = 90;
        dde.app = kDdeAppSpreadsheet;
        CopyText(dde.topic[kDdeAppSpreadsheet], "[Book1]Sheet1");
        CopyText(dde.initialCell, "B2");
        dde.colStep = dde.rowStep = 1;
        dde.colCount = 3;
        port.terminator = 2;
        port.timeout = 5000;
    }
    void SaveTo(SettingsStore& store) const {
        store.SaveFrame(frame);
        store.SaveScale(scales);
        store.SaveCamname(camname, sizeof camname);
        store.SaveStrm(strm);
        store.SaveCapture(capture);
        store.SaveDde(dde);
        store.SavePort(port);
    }
};

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void DeleteProgramKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

TEST(RegistryWin32, SettingsRoundTripExportLikeTheFileBackendAndRefusalsAreTold) {
    DeleteProgramKey();
    const AllSettings saved;
    {
        RegistryWin32 registry;
        SettingsStore store(registry);
        saved.SaveTo(store);
        EXPECT_STREQ(registry.Problem(), "");
    }
    // A new run reads back what the last one saved.
    RegistryWin32 registry;
    SettingsStore store(registry);
    FramePlacement frame;
    store.LoadFrame(frame);
    EXPECT_EQ(std::tie(frame.max, frame.split, frame.cx, frame.cy, frame.x, frame.y),
              std::make_tuple(0, 300, 800, 600, -20, 15));
    WaveScales scales;
    store.LoadScale(scales);
    EXPECT_EQ(scales.vscale[3], 4);
    EXPECT_EQ(scales.tscale, 2);
    char camname[1024] = {};
    store.LoadCamname(camname, sizeof camname);
    EXPECT_STREQ(camname, saved.camname);
    StreamSettings strm;
    store.LoadStrm(strm);
    EXPECT_EQ(std::tie(strm.lrate, strm.lvw, strm.lvh, strm.lvolume),
              std::make_tuple(30, 1280, 720, -10000));
    CaptureSettings capture;
    store.LoadCapture(capture);
    EXPECT_STREQ(capture.path, saved.capture.path);
    EXPECT_STREQ(capture.filename, saved.capture.filename);
    EXPECT_EQ(std::tie(capture.autoNumber, capture.alarmEnable[1], capture.timeLimitSec),
              std::make_tuple(1, 1, 90));
    DdeSettings dde;
    store.LoadDde(dde);
    EXPECT_EQ(dde.app, kDdeAppSpreadsheet);
    EXPECT_STREQ(dde.topic[kDdeAppSpreadsheet], "[Book1]Sheet1");
    EXPECT_STREQ(dde.initialCell, "B2");
    EXPECT_EQ(std::tie(dde.colStep, dde.rowStep, dde.colCount), std::make_tuple(1, 1, 3));
    TransportSettings port;
    store.LoadPort(port);
    EXPECT_EQ(std::tie(port.terminator, port.timeout), std::make_tuple(2, 5000));

    // The registry editor's export of the program's key reads as the file backend's text for
    // the same saves: the same keys, names, types and bytes.
    RegistryTree fileBackend;
    SettingsStore fileStore(fileBackend);
    saved.SaveTo(fileStore);
    RegistryTree expected;
    ASSERT_TRUE(ParseRegExport(FormatRegExport(fileBackend), expected, nullptr));
    testing::TempFolder dir;
    const std::string exported = dir.File("export.reg");
    const std::string command =
        "regedit /E \"" + exported + "\" \"HKEY_CURRENT_USER\\" + kProgramKey + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    RegistryTree actual;
    RegParseError error;
    ASSERT_TRUE(ParseRegExport(dir.Read("export.reg"), actual, &error))
        << error.line << ": " << error.reason;
    // Values compare as sets (a registry keeps them in its own order), and a text as far as its
    // terminator: the editor writes a text as its characters, without a fixed buffer's padding.
    const auto contents = [](const RegistryTree& tree, size_t from) {
        std::map<std::string, std::map<std::string, std::pair<uint32_t, std::vector<uint8_t>>>>
            keys;
        for (size_t k = from; k < tree.Keys().size(); ++k) {
            auto& values = keys[Lower(tree.Keys()[k].path)];
            for (const RegValue& v : tree.Keys()[k].values) {
                std::vector<uint8_t> data = v.data;
                const auto end = std::find(data.begin(), data.end(), 0);
                if (v.type == reg::kSz && end != data.end()) {
                    data.erase(end + 1, data.end());
                }
                values[Lower(v.name)] = {v.type, std::move(data)};
            }
        }
        return keys;
    };
    ASSERT_EQ(actual.Keys().size(), expected.Keys().size() + 1);  // with the program's own key
    EXPECT_EQ(contents(actual, 1), contents(expected, 0));

    // A key opened for reading only refuses writes, and a lasting key cannot be made below a
    // volatile one: each time the user is told where and why; a group saved whole clears it.
    HKEY readOnly = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Korvex\\Velatrace\\Frame", 0, KEY_READ,
                              &readOnly),
              ERROR_SUCCESS);
    const int32_t one = 1;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(registry.SetValue(reinterpret_cast<RegKey>(readOnly), "max", reg::kDword, &one, 4),
              reg::kAccessDenied);
    ::RegCloseKey(readOnly);
    EXPECT_NE(std::string(registry.Problem()).find("cannot be saved"), std::string::npos);
    DeleteProgramKey();
    HKEY volatileKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(volatileKey);
    store.SaveFrame(saved.frame);
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
    EXPECT_NE(std::string(registry.Problem())
                  .find("HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Frame ("),
              std::string::npos)
        << registry.Problem();
    DeleteProgramKey();
    store.SaveFrame(saved.frame);
    EXPECT_STREQ(registry.Problem(), "");
    DeleteProgramKey();
}

}  // namespace
}  // namespace velatrace
