// The transfer's logic through a backend that records what it was asked: cells, the commands
// sent and where the target cell walks, and the picture as it reaches the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/FixedText.h"
#include "dde/DdeCell.h"
#include "dde/DdeTransfer.h"
#include "dde/StillPicture.h"

namespace velatrace {
namespace {

struct RecordingBackend : DdeBackend {
    bool Initialize() override { return initializes; }
    void Uninitialize() override {}
    bool Connect(const char* service, const char* topic) override {
        connected.push_back(std::string(service) + "|" + topic);
        return answers;
    }
    void Disconnect() override {}
    bool PutPicture(const uint8_t* dib, size_t size, const StillNote&) override {
        clipboard.assign(dib, dib + size);
        return true;
    }
    bool Execute(const char* command) override {
        commands.emplace_back(command);
        return sends;
    }
    bool initializes = true, answers = true, sends = true;
    std::vector<std::string> connected, commands;
    std::vector<uint8_t> clipboard;
};

TEST(DdeCell, ParsesFormatsAndRoundTripsEveryColumn) {
    int32_t c = 0, r = 0;
    EXPECT_TRUE(ParseCell("B3", &c, &r));
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 3);
    EXPECT_TRUE(ParseCell("aa10", &c, &r));
    EXPECT_EQ(c, 27);
    EXPECT_EQ(r, 10);
    EXPECT_TRUE(ParseCell("3B", &c, &r)) << "digits first still count";
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 3);
    EXPECT_TRUE(ParseCell("IV65535", &c, &r));
    EXPECT_FALSE(ParseCell("IW1", &c, &r)) << "column 257";
    EXPECT_FALSE(ParseCell("B 3", &c, &r));
    EXPECT_TRUE(ParseCell("", &c, &r));
    EXPECT_EQ(c + r, 0);
    EXPECT_FALSE(ParseCell("ZZZZZZZZZZZZ", &c, &r)) << "no overflow, only a refusal";

    char cell[kDdeCellSize];
    for (int32_t column = 1; column <= kMaxCellColumn; ++column) {
        FormatCell(99999, column, cell);
        ASSERT_TRUE(ParseCell(cell, &c, &r)) << cell;
        ASSERT_EQ(c, column) << cell;
        ASSERT_EQ(r, 99999) << cell;
    }
    FormatCell(1, 26, cell);
    EXPECT_STREQ(cell, "Z1");
    FormatCell(1, 27, cell);
    EXPECT_STREQ(cell, "AA1");
    FormatCell(1234567, 256, cell);
    EXPECT_STREQ(cell, "IV12345") << "cut to the field";
}

TEST(DdeTransfer, SpreadsheetPastesWalkAcrossAndDownAndOtherAppsGetTheirCommands) {
    RecordingBackend backend;
    DdeSettings s;
    s.app = kDdeAppSpreadsheet;
    CopyText(s.topic[kDdeAppSpreadsheet], "[Book1]Sheet1");
    CopyText(s.initialCell, "B2");
    s.colStep = 1;
    s.colCount = 3;
    s.rowStep = 1;
    DdeTransfer t(backend, s);
    ASSERT_TRUE(t.DdeInit());
    EXPECT_FALSE(t.DdeInit()) << "once only";
    EXPECT_STREQ(s.topic[kDdeAppViewer], "Kortopic");
    EXPECT_STREQ(s.topic[kDdeAppTw], "Display");
    ASSERT_TRUE(t.DdeConnectApp());
    EXPECT_EQ(backend.connected.back(), "Excel|[Book1]Sheet1");

    BitmapInfoHeader h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biBitCount = 24;
    const uint8_t pixels[16] = {};
    const StillNote note;
    auto transfer = [&] {
        EXPECT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::PasteDue);
        return t.PasteDue();
    };
    // An empty next cell starts at the initial cell; the row wraps after three pastes.
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(transfer());
    }
    EXPECT_EQ(backend.commands,
              (std::vector<std::string>{"[SELECT(\"R2C2\")][PASTE]", "[SELECT(\"R2C3\")][PASTE]",
                                        "[SELECT(\"R2C4\")][PASTE]", "[SELECT(\"R3C2\")][PASTE]",
                                        "[SELECT(\"R3C3\")][PASTE]"}));
    EXPECT_STREQ(s.nextCell, "D3");
    EXPECT_EQ(t.Walk().rowCount, 1);

    // A command that cannot be sent leaves the cell where it was; the count survives reconnecting.
    backend.sends = false;
    EXPECT_FALSE(transfer());
    EXPECT_STREQ(s.nextCell, "D3");
    backend.sends = true;
    t.DdeUninit();
    ASSERT_TRUE(t.DdeInit() && t.DdeConnectApp());
    EXPECT_TRUE(transfer());
    EXPECT_EQ(backend.commands.back(), "[SELECT(\"R3C4\")][PASTE]");
    EXPECT_STREQ(s.nextCell, "B4");

    // A second transfer before the first paste was made pastes the first one first.
    ASSERT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::PasteDue);
    ASSERT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::PasteDue);
    EXPECT_EQ(backend.commands.back(), "[SELECT(\"R4C2\")][PASTE]");

    // No wrap with a column count of 0; Tw gets ClipPaste at once, the viewer nothing.
    EXPECT_TRUE(t.PasteDue());
    s.colCount = 0;
    CopyText(s.nextCell, "IU1");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(transfer());
    }
    EXPECT_STREQ(s.nextCell, "IX1") << "the column passes 256 and never wraps";
    const size_t sent = backend.commands.size();
    s.app = kDdeAppTw;
    ASSERT_TRUE(t.DdeConnectApp());
    EXPECT_EQ(backend.connected.back(), "Tw|Display");
    EXPECT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::Done);
    EXPECT_EQ(backend.commands.back(), "ClipPaste()");
    s.app = kDdeAppViewer;
    ASSERT_TRUE(t.DdeConnectApp());
    EXPECT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::Done);
    EXPECT_EQ(backend.commands.size(), sent + 1);

    // Without a conversation the clipboard still gets the picture; a damaged index connects to
    // nobody.
    backend.clipboard.clear();
    backend.answers = false;
    EXPECT_FALSE(t.DdeConnectApp());
    EXPECT_EQ(t.TransferStill(h, pixels, sizeof pixels, note), TransferResult::NoPaste);
    EXPECT_EQ(backend.clipboard.size(), 40u + 16u);
    s.app = 7;
    backend.answers = true;
    EXPECT_FALSE(t.DdeConnectApp());
}

TEST(StillPicture, RowsReachTheClipboardBottomUpAndPadded) {
    // A 321-pixel-wide 24-bit row is 963 bytes, stored as 964.
    EXPECT_EQ(DibRowBytes(321, 24), 964);
    EXPECT_EQ(DibRowBytes(321, 0), 44);
    BitmapInfoHeader h;
    h.biWidth = 321;
    h.biHeight = -3;  // given top-down
    h.biBitCount = 24;
    std::vector<uint8_t> rows(3 * 964);
    for (int r = 0; r < 3; ++r) {
        std::memset(rows.data() + r * 964, 'a' + r, 964);
    }
    std::vector<uint8_t> dib;
    ASSERT_TRUE(PackClipboardDib(h, rows.data(), rows.size(), &dib));
    ASSERT_EQ(dib.size(), 40u + 3 * 964);
    BitmapInfoHeader out;
    std::memcpy(&out, dib.data(), sizeof out);
    EXPECT_EQ(out.biHeight, 3);
    EXPECT_EQ(out.biSizeImage, 3u * 964);
    EXPECT_EQ(dib[40], 'c');
    EXPECT_EQ(dib[40 + 964], 'b');
    EXPECT_EQ(dib[40 + 2 * 964 + 963], 'a');
    // Rows already bottom-up stay; too few bytes or a silly header give nothing.
    h.biHeight = 3;
    ASSERT_TRUE(PackClipboardDib(h, rows.data(), rows.size(), &dib));
    EXPECT_EQ(dib[40], 'a');
    EXPECT_FALSE(PackClipboardDib(h, rows.data(), rows.size() - 1, &dib));
    EXPECT_TRUE(dib.empty());
    h.biWidth = -5;
    EXPECT_FALSE(PackClipboardDib(h, rows.data(), rows.size(), &dib));

    // The preview's B, G, R, X picture becomes 24-bit rows, top-down.
    VideoFrame frame;
    frame.width = 2;
    frame.height = 2;
    frame.stride = 8;
    frame.pixels = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(BitmapFromVideoFrame(frame, &h, &pixels));
    EXPECT_EQ(h.biHeight, -2);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
    frame.pixels.resize(12);
    EXPECT_FALSE(BitmapFromVideoFrame(frame, &h, &pixels));
}

}  // namespace
}  // namespace velatrace
