#include "base/FixedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace velatrace {
namespace {

// The longest start of `text` that ends on a character boundary and fits `room` bytes.
std::string WholeStart(const std::string& text, size_t room) {
    size_t end = std::min(room, text.size());
    while (end < text.size() && (text[end] & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

// Japanese folder and file names (3 bytes a character) with 1-, 2- and 4-byte characters between
// them, cut by every room a field, a count or a formatted text can give.
TEST(FixedText, CutsNeverLeaveAPartOfACharacter) {
    const std::string text = "計測データ/é試験_①😀x記録";
    for (size_t room = 0; room <= text.size() + 1; ++room) {
        char field[64];
        CopyText(field, room + 1, text.c_str());
        EXPECT_EQ(field, WholeStart(text, room)) << "field of " << room + 1;
        CopyText(field, sizeof field, text.c_str(), room);
        EXPECT_EQ(field, WholeStart(text, room)) << "count of " << room;
        FormatText(field, room + 1, "%s", text.c_str());
        EXPECT_EQ(field, WholeStart(text, room)) << "format into " << room + 1;
    }
    // A counted copy of exactly its text is whole, and bytes that are not UTF-8 are kept.
    char field[16];
    EXPECT_EQ(CopyText(field, sizeof field, "記録", 6), 6u);
    EXPECT_EQ(CopyText(field, sizeof field, "ab\xff\xfe", 3), 3u);
    EXPECT_STREQ(field, "ab\xff");
}

}  // namespace
}  // namespace velatrace
