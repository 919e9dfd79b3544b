#include "settings/RegistryFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "settings/RegistryProbe.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

using testing::PutDword;
using testing::PutValue;
using testing::RawValue;
using testing::TempFolder;
namespace fs = std::filesystem;
using namespace std::literals;

constexpr const char* kFrame = "Software\\Korvex\\Velatrace\\Frame";
constexpr const char* kOdd = "Software\\Korvex\\Velatrace\\Odd";

// Values the program writes come out as the registry editor writes them; any other value keeps
// its bytes, type and count across a restart, and the text stays plain ASCII.
TEST(RegistryFile, WritesARegistryExportThatKeepsEveryValue) {
    std::string padded = "USB Camera";
    padded.resize(1024, '\0');
    const std::vector<std::tuple<const char*, uint32_t, std::string>> cases = {
        {"padded", reg::kSz, padded},
        {"after the terminator", reg::kSz, "ab\0cd\0"s},
        {"unterminated", reg::kSz, "abc"},
        {"no bytes", reg::kSz, ""},
        {"utf8", reg::kSz, "Gr\u00fc\u00dfe \U0001F4F7\0"s},
        {"not utf8", reg::kSz, "\xFF\xFEx\0\x80\xED\xA0\x80"s},
        {"controls", reg::kSz, "a\tb\r\n\0"s},
        {"", reg::kSz, "default\0"s},
        {"quote \" and \\ in a name", reg::kMultiSz, "a\0b\0\0"s},
        {"other type", 11, "\1\2\3\4\5\6\7\x08"s},
    };
    TempFolder dir;
    const fs::path file = dir.Path() / "sub" / "velatrace.reg";  // the folder is made for it
    {
        RegistryFile store(file);
        PutDword(store, kFrame, "max", 0);
        PutDword(store, kFrame, "x", -8);
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Capture", "path", "C:\\cap\\");
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Capture", "filename", "run \"A\"");
        testing::PutText(store, "Software\\Korvex\\Velatrace\\Dde", "topic", "Blatt\xC3\xA4");
        for (const auto& [name, type, data] : cases) {
            PutValue(store, kOdd, name, type, data.data(), static_cast<uint32_t>(data.size()));
        }
    }
    const std::string written = dir.Read("sub/velatrace.reg");
    EXPECT_EQ(
        written.substr(0, written.find("[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Odd]")),
        "Windows Registry Editor Version 5.00\n"
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
    for (char c : written) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);  // no temporary file left behind
    RegistryFile reread(file);
    std::vector<std::string> names;
    for (const auto& [name, type, data] : cases) {
        uint32_t typeRead = 0;
        EXPECT_EQ(RawValue(reread, kOdd, name, &typeRead),
                  std::vector<uint8_t>(data.begin(), data.end()))
            << name;
        EXPECT_EQ(typeRead, type) << name;
        names.emplace_back(name);
    }
    EXPECT_EQ(testing::ValueNames(reread, kOdd), names);
}

TEST(RegistryFile, AnUnreadableFileIsKeptAsideAndNeverOverwritten) {
    for (const std::string content :
         {"not a registry file\n",
          "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"max\"=dword:1\n"
          "\"bad\"=dword:zz\n"}) {
        TempFolder dir;
        dir.Write("velatrace.reg", content);
        ::testing::internal::CaptureStderr();
        {
            RegistryFile store(dir.Path() / "velatrace.reg");
            ::testing::internal::GetCapturedStderr();
            const std::string told = store.Problem();
            EXPECT_NE(told.find("cannot be read"), std::string::npos) << told;
            EXPECT_NE(told.find("It was kept as"), std::string::npos) << told;
            EXPECT_EQ(RawValue(store, "X", "max"), std::nullopt) << "nothing is half loaded";
            PutDword(store, kFrame, "cx", 700);
        }
        std::vector<std::string> aside;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            if (entry.path().filename().string().starts_with("velatrace.reg.broken-")) {
                aside.push_back(dir.Read(entry.path().filename().string()));
            }
        }
        EXPECT_EQ(aside, std::vector<std::string>{content});
        RegistryFile next(dir.Path() / "velatrace.reg");
        EXPECT_EQ(testing::DwordValue(next, kFrame, "cx"), 700);
    }
}

// A folder where the file should be: what was set stays in memory and nothing is written over
// what is in the way.
TEST(RegistryFile, APlaceThatCannotBeWrittenLosesNothingInMemory) {
    TempFolder dir;
    fs::create_directories(dir.Path() / "velatrace.reg");
    ::testing::internal::CaptureStderr();
    {
        RegistryFile store(dir.Path() / "velatrace.reg");
        PutDword(store, kFrame, "max", 1);
        EXPECT_EQ(testing::DwordValue(store, kFrame, "max"), 1);
        EXPECT_STRNE(store.Problem(), "") << "the user is told";
    }
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
    EXPECT_TRUE(fs::is_directory(dir.Path() / "velatrace.reg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    // A folder that cannot hold the file: every save fails and says why, until one succeeds.
    dir.Write("blocker", "");
    ::testing::internal::CaptureStderr();
    RegistryFile blocked(dir.Path() / "blocker" / "velatrace.reg");
    PutDword(blocked, kFrame, "max", 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string(blocked.Problem()).find("cannot be saved"), std::string::npos);
    fs::remove(dir.Path() / "blocker");
    PutDword(blocked, kFrame, "max", 2);
    EXPECT_STREQ(blocked.Problem(), "");
    RegistryFile reread(dir.Path() / "blocker" / "velatrace.reg");
    EXPECT_EQ(testing::DwordValue(reread, kFrame, "max"), 2);
}

// Every settings load creates its key; a first start must not rewrite and sync the file for each.
// Created keys go out with the next value written, or when the store ends.
TEST(RegistryFile, KeysOnlyCreatedWaitForAValueOrTheEnd) {
    TempFolder dir;
    const fs::path file = dir.Path() / "velatrace.reg";
    {
        RegistryFile store(file);
        RegKey key = 0;
        ASSERT_EQ(store.CreateKey(kCurrentUser, kOdd, &key), reg::kSuccess);
        store.CloseKey(key);
        EXPECT_FALSE(fs::exists(file));
        PutDword(store, kFrame, "max", 1);
        EXPECT_NE(dir.Read("velatrace.reg").find("Odd]"), std::string::npos);
        ASSERT_EQ(store.CreateKey(kCurrentUser, "Software\\Korvex\\Velatrace\\Dde", &key),
                  reg::kSuccess);
        store.CloseKey(key);
        EXPECT_EQ(dir.Read("velatrace.reg").find("Dde]"), std::string::npos);
    }
    EXPECT_NE(dir.Read("velatrace.reg").find("Dde]"), std::string::npos);
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
