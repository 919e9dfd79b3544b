#include "base/FixedText.h"

#include <gtest/gtest.h>

#include <string>

namespace velatrace {
namespace {

// Whether `cut` is `whole` up to a character boundary (the whole characters that fit).
bool IsWholePrefix(const std::string& cut, const std::string& whole, size_t room) {
    if (whole.compare(0, cut.size(), cut) != 0 || cut.size() > room) {
        return false;
    }
    const size_t next = cut.size();
    // The next byte begins a character (not a continuation byte), and that character did not fit.
    size_t length = 1;
    while (next + length < whole.size() && (whole[next + length] & 0xC0) == 0x80) {
        ++length;
    }
    return next == whole.size() || ((whole[next] & 0xC0) != 0x80 && next + length > room);
}

// Japanese folder and file names (3 bytes a character) with 1-, 2- and 4-byte characters between
// them, cut by every room a field, a count or a formatted text can give.
TEST(FixedText, CutsNeverLeaveAPartOfACharacter) {
    const std::string text = "計測データ/é試験_①😀x記録";
    for (size_t room = 0; room <= text.size() + 1; ++room) {
        char field[64];
        CopyText(field, room + 1, text.c_str());
        EXPECT_TRUE(IsWholePrefix(field, text, room)) << "field of " << room + 1;
        CopyText(field, sizeof field, text.c_str(), room);
        EXPECT_TRUE(IsWholePrefix(field, text, room)) << "count of " << room;
        FormatText(field, room + 1, "%s", text.c_str());
        EXPECT_TRUE(IsWholePrefix(field, text, room)) << "format into " << room + 1;
    }
    // A counted copy of exactly its text is whole, and bytes that are not UTF-8 are kept.
    char field[16];
    EXPECT_EQ(CopyText(field, sizeof field, "記録", 6), 6u);
    EXPECT_EQ(CopyText(field, sizeof field, "ab\xff\xfe", 3), 3u);
    EXPECT_STREQ(field, "ab\xff");
}

}  // namespace
}  // namespace velatrace
