#include "settings/RegistryTree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/RegExport.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryProbe.h"
#include "settings/Utf16Bytes.h"

namespace velatrace {
namespace {

constexpr const char* kKey = "Software\\Korvex\\Velatrace\\Capture";

TEST(RegistryTree, QueriesFollowTheRegistryRules) {
    RegistryTree tree;
    RegKey missing = kNoKey;
    EXPECT_EQ(tree.OpenKey(kCurrentUser, kKey, &missing), reg::kFileNotFound);

    RegKey key = kNoKey;
    ASSERT_EQ(tree.CreateKey(kCurrentUser, kKey, &key), reg::kSuccess);
    testing::PutText(tree, kKey, "Path", "C:\\cap\\");

    // A field keeps its bytes when the value is missing or longer than the field.
    char field[8];
    std::memcpy(field, "default", 8);
    uint32_t size = sizeof field;
    EXPECT_EQ(tree.QueryValue(key, "filename", nullptr, field, &size), reg::kFileNotFound);
    EXPECT_STREQ(field, "default");
    size = 7;
    EXPECT_EQ(tree.QueryValue(key, "path", nullptr, field, &size), reg::kMoreData);
    EXPECT_EQ(size, 8u);  // names compare without letter case; the size needed is reported
    EXPECT_STREQ(field, "default");
    uint32_t type = 0;
    size = sizeof field;
    EXPECT_EQ(tree.QueryValue(key, "PATH", &type, field, &size), reg::kSuccess);
    EXPECT_EQ(type, reg::kSz);
    EXPECT_STREQ(field, "C:\\cap\\");

    // A key on the way to one that was created can be opened; deleted values are gone.
    RegKey parent = kNoKey;
    EXPECT_EQ(tree.OpenKey(kCurrentUser, "software\\KORVEX", &parent), reg::kSuccess);
    EXPECT_EQ(tree.DeleteValue(key, "path"), reg::kSuccess);
    EXPECT_EQ(tree.DeleteValue(key, "path"), reg::kFileNotFound);
    EXPECT_TRUE(testing::ValueNames(tree, kKey).empty());
    EXPECT_EQ(tree.CloseKey(parent), reg::kSuccess);
    EXPECT_EQ(tree.CloseKey(key), reg::kSuccess);
    EXPECT_EQ(tree.CloseKey(key), reg::kInvalidHandle);
    EXPECT_EQ(tree.SetValue(key, "x", reg::kSz, "", 1), reg::kInvalidHandle);
    // A name that could not be written as one line of the file is refused.
    RegKey bad = kNoKey;
    EXPECT_EQ(tree.CreateKey(kCurrentUser, "a\nb", &bad), reg::kInvalidParameter);
}

TEST(RegistryKey, ATextReadKeepsTheFieldTerminatedOrUntouched) {
    RegistryTree tree;
    testing::PutText(tree, kKey, "fits", "1234567");                      // 8 bytes
    testing::PutText(tree, kKey, "too long", "12345678");                 // 9 bytes
    testing::PutValue(tree, kKey, "bare", reg::kSz, "abc", 3);            // no terminator
    testing::PutValue(tree, kKey, "bare full", reg::kSz, "abcdefgh", 8);  // fills the field
    testing::PutValue(tree, kKey, "short dword", reg::kDword, "\x05", 1);
    RegistryKey key(tree);
    ASSERT_TRUE(key.Open(kCurrentUser, kKey));
    char field[8];
    key.ReadText("fits", field, sizeof field);
    EXPECT_STREQ(field, "1234567");
    std::strcpy(field, "keep");
    key.ReadText("too long", field, sizeof field);
    EXPECT_STREQ(field, "keep");
    std::strcpy(field, "xxxxxxx");
    key.ReadText("bare", field, sizeof field);
    EXPECT_STREQ(field, "abc");
    std::strcpy(field, "keep");
    key.ReadText("bare full", field, sizeof field);
    EXPECT_STREQ(field, "keep");
    int32_t number = 0x11223344;
    key.ReadDword("short dword", number);  // only the stored low byte is replaced
    EXPECT_EQ(number, 0x11223305);
}

TEST(RegExport, ReadsWhatTheRegistryEditorAndPeopleWrite) {
    // A registry editor export: UTF-16LE with a byte-order mark and CRLF line ends.
    const std::string exported =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Dde]\r\n"
        "\"topic\"=\"Sheet \xC3\xA4\"\r\n"
        "\"wide\"=hex(2):41,00,\\\r\n  42,00,00,00\r\n\r\n";
    std::string utf16 = "\xFF\xFE";
    const auto* bytes = reinterpret_cast<const uint8_t*>(exported.data());
    for (char16_t u : BytesToUtf16(bytes, exported.size())) {
        utf16 += static_cast<char>(u & 0xFF);
        utf16 += static_cast<char>(u >> 8);
    }
    RegistryTree tree;
    RegParseError error;
    ASSERT_TRUE(ParseRegExport(utf16, tree, &error)) << error.line << " " << error.reason;
    EXPECT_EQ(testing::RawValue(tree, "Software\\Korvex\\Velatrace\\Dde", "topic"),
              std::vector<uint8_t>({'S', 'h', 'e', 'e', 't', ' ', 0xC3, 0xA4, 0}));
    EXPECT_EQ(testing::RawValue(tree, "Software\\Korvex\\Velatrace\\Dde", "wide"),
              std::vector<uint8_t>({'A', 'B', 0}));

    // Written by hand: unescaped backslashes, spaces, comments, deletions, REGEDIT4.
    const std::string edited =
        "REGEDIT4\n"
        "; my settings\n"
        "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Capture]\n"
        "  \"path\" = \"D:\\video\"\n"
        "\"old\"=dword:1\n"
        "\"old\"=-\n"
        "[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Gone]\n"
        "\"x\"=dword:00000001\n"
        "[-HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Gone]\n";
    RegistryTree hand;
    ASSERT_TRUE(ParseRegExport(edited, hand, &error)) << error.line << " " << error.reason;
    EXPECT_EQ(testing::RawValue(hand, kKey, "path"),
              std::vector<uint8_t>({'D', ':', '\\', 'v', 'i', 'd', 'e', 'o', 0}));
    EXPECT_EQ(testing::RawValue(hand, kKey, "old"), std::nullopt);
    RegKey gone = kNoKey;
    EXPECT_EQ(hand.OpenKey(kCurrentUser, "Software\\Korvex\\Velatrace\\Gone", &gone),
              reg::kFileNotFound);
}

}  // namespace
}  // namespace velatrace
