#include "settings/RegistryFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/RegistryProbe.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

using testing::PutDword;
using testing::PutValue;
using testing::RawValue;
using testing::TempFolder;
namespace fs = std::filesystem;

constexpr const char* kFrame = "Software\\Korvex\\Velatrace\\Frame";
constexpr const char* kOdd = "Software\\Korvex\\Velatrace\\Odd";

std::vector<uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

std::vector<fs::path> AsideFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("velatrace.reg.broken-")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

TEST(RegistryFile, WritesARegistryExportTheRegistryEditorImports) {
    TempFolder dir;
    {
        RegistryFile store(dir.Path() / "velatrace.reg");
        PutDword(store, kFrame, "max", 0);
        PutDword(store, kFrame, "x", -8);
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Capture", "path", "C:\\cap\\");
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Capture", "filename", "run \"A\"");
        char camname[16] = "Cam";  // a whole buffer, written with its trailing zero bytes
        PutValue(store, "Software\\Korvex\\Velatrace\\Camname", "camname", reg::kSz, camname,
                 sizeof camname);
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Dde", "topic", "Blatt\xC3\xA4");
    }
    EXPECT_EQ(dir.Read("velatrace.reg"),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Camname]\n"
              "; \"camname\" takes 16 bytes\n"
              "\"camname\"=\"Cam\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Capture]\n"
              "\"path\"=\"C:\\\\cap\\\\\"\n"
              "\"filename\"=\"run \\\"A\\\"\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Dde]\n"
              "\"topic\"=hex(1):42,00,6c,00,61,00,74,00,74,00,e4,00,00,00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Frame]\n"
              "\"max\"=dword:00000000\n"
              "\"x\"=dword:fffffff8\n"
              "\n");
}

TEST(RegistryFile, EveryValueKeepsItsBytesTypeAndCountAcrossARestart) {
    struct Case {
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    std::vector<uint8_t> padded = Bytes("USB Camera");
    padded.resize(1024, 0);
    const std::vector<Case> cases = {
        {"padded", reg::kSz, padded},
        {"after the terminator", reg::kSz, Bytes(std::string_view("ab\0cd\0", 6))},
        {"unterminated", reg::kSz, Bytes("abc")},
        {"no bytes", reg::kSz, {}},
        {"utf8", reg::kSz,
         Bytes(std::string_view("Gr\xC3\xBC\xC3\x9F"
                                "e \xF0\x9F\x93\xB7\0",
                                13))},
        {"not utf8", reg::kSz, Bytes(std::string_view("\xFF\xFEx\0\x80\xED\xA0\x80", 8))},
        {"controls", reg::kSz, Bytes(std::string_view("a\tb\r\n\0", 6))},
        {"binary", reg::kBinary, {0, 1, 2, 255}},
        {"short dword", reg::kDword, {1, 2, 3}},
        {"", reg::kSz, Bytes(std::string_view("default\0", 8))},
        {"quote \" and \\ in a name", reg::kMultiSz, Bytes(std::string_view("a\0b\0\0", 5))},
        {"other type", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    TempFolder dir;
    const fs::path file = dir.Path() / "velatrace.reg";
    {
        RegistryFile store(file);
        for (const Case& c : cases) {
            PutValue(store, kOdd, c.name, c.type, c.data.data(),
                     static_cast<uint32_t>(c.data.size()));
        }
    }
    const std::string written = dir.Read("velatrace.reg");
    for (char c : written) {  // the text stays plain ASCII whatever the values hold
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
    }
    RegistryFile reread(file);
    for (const Case& c : cases) {
        uint32_t type = 0;
        const auto bytes = RawValue(reread, kOdd, c.name, &type);
        ASSERT_TRUE(bytes.has_value()) << c.name;
        EXPECT_EQ(*bytes, c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    EXPECT_EQ(testing::ValueNames(reread, kOdd).size(), cases.size());
    // Writing back what was read gives the same text.
    RegKey key = kNoKey;
    reread.CreateKey(kCurrentUser, kOdd, &key);
    const uint8_t one[4] = {1, 0, 0, 0};
    reread.SetValue(key, "passing", reg::kDword, one, 4);
    reread.DeleteValue(key, "passing");
    reread.CloseKey(key);
    EXPECT_EQ(dir.Read("velatrace.reg"), written);
}

TEST(RegistryFile, SavesOnceTheKeyIsClosed) {
    TempFolder dir;
    RegistryFile store(dir.Path() / "sub" / "velatrace.reg");
    RegKey key = kNoKey;
    ASSERT_EQ(store.CreateKey(kCurrentUser, kFrame, &key), reg::kSuccess);
    const uint8_t one[4] = {1, 0, 0, 0};
    store.SetValue(key, "max", reg::kDword, one, 4);
    store.SetValue(key, "split", reg::kDword, one, 4);
    EXPECT_FALSE(fs::exists(dir.Path() / "sub" / "velatrace.reg"));
    store.CloseKey(key);
    EXPECT_NE(dir.Read("sub/velatrace.reg").find("\"split\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "sub"), fs::directory_iterator()),
              1);  // no temporary file left behind
}

TEST(RegistryFile, AnUnreadableFileIsKeptAsideAndNeverOverwritten) {
    const std::vector<std::string> broken = {
        "not a registry file\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"max\"=dword:12345678\n"
        "\"bad\"=dword:zz\n",
        "Windows Registry Editor Version 5.00\n\n\"outside\"=\"a key\"\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"open\"=\"quote\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"h\"=hex:01,0g\n",
    };
    for (const std::string& content : broken) {
        TempFolder dir;
        dir.Write("velatrace.reg", content);
        ::testing::internal::CaptureStderr();
        {
            RegistryFile store(dir.Path() / "velatrace.reg");
            const std::string message = ::testing::internal::GetCapturedStderr();
            EXPECT_NE(message.find("cannot be read"), std::string::npos) << message;
            SettingsStore settings(store);
            FramePlacement frame{1, 1, 1, 1, 1, 1};
            settings.LoadFrame(frame);
            EXPECT_EQ(frame.cx, kDefaultFrameCx);
            frame.cx = 700;
            settings.SaveFrame(frame);
        }
        const auto aside = AsideFiles(dir.Path());
        ASSERT_EQ(aside.size(), 1u) << content;
        EXPECT_EQ(dir.Read(aside[0].filename().string()), content);
        RegistryFile next(dir.Path() / "velatrace.reg");
        EXPECT_EQ(testing::DwordValue(next, kFrame, "cx"), 700);
    }
}

TEST(RegistryFile, AFolderThatCannotBeWrittenLosesNothingInMemory) {
    TempFolder dir;
    dir.Write("blocker", "x");  // a file where the settings folder should be
    {
        RegistryFile store(dir.Path() / "blocker" / "velatrace" / "velatrace.reg");
        SettingsStore settings(store);
        FramePlacement frame;
        frame.cx = 900;
        settings.SaveFrame(frame);
        FramePlacement again;
        settings.LoadFrame(again);
        EXPECT_EQ(again.cx, 900);
    }
    EXPECT_EQ(dir.Read("blocker"), "x");

    // A folder where the file should be: nothing is written over it either.
    fs::create_directories(dir.Path() / "velatrace.reg");
    ::testing::internal::CaptureStderr();
    {
        RegistryFile store(dir.Path() / "velatrace.reg");
        PutDword(store, kFrame, "max", 1);
        EXPECT_EQ(testing::DwordValue(store, kFrame, "max"), 1);
    }
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
    EXPECT_TRUE(fs::is_directory(dir.Path() / "velatrace.reg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(RegistryFile, DefaultPathFollowsTheEnvironment) {
    // Nothing else in this program reads these variables, so they are not put back.
    setenv("HOME", "/home/tester", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    setenv("VELATRACE_REGISTRY", "/tmp/named.reg", 1);
    EXPECT_EQ(RegistryFile::DefaultPath(), fs::path("/tmp/named.reg"));
    unsetenv("VELATRACE_REGISTRY");
    EXPECT_EQ(RegistryFile::DefaultPath(), fs::path("/xdg/velatrace/velatrace.reg"));
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(RegistryFile::DefaultPath(),
              fs::path("/home/tester/.config/velatrace/velatrace.reg"));
}

}  // namespace
}  // namespace velatrace
