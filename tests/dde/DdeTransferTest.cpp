// The transfer's logic through a backend that records what it was asked: cells, the commands
// sent and where the target cell walks, and the picture as it reaches the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
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

// (parsed, column, row) of a cell text.
std::tuple<bool, int32_t, int32_t> Cell(const char* text) {
    int32_t c = -1, r = -1;
    const bool ok = ParseCell(text, &c, &r);
    return {ok, c, r};
}

TEST(DdeCell, ParsesFormatsAndRoundTripsEveryColumn) {
    EXPECT_EQ(Cell("B3"), std::make_tuple(true, 2, 3));
    EXPECT_EQ(Cell("aa10"), std::make_tuple(true, 27, 10));
    EXPECT_EQ(Cell("3B"), std::make_tuple(true, 2, 3)) << "digits first still count";
    EXPECT_EQ(Cell(""), std::make_tuple(true, 0, 0));
    EXPECT_EQ(Cell("IW1"), std::make_tuple(false, 257, 1));
    EXPECT_FALSE(std::get<0>(Cell("B 3")));
    EXPECT_FALSE(std::get<0>(Cell("ZZZZZZZZZZZZ"))) << "no overflow, only a refusal";

    char cell[kDdeCellSize];
    for (int32_t column = 1; column <= kMaxCellColumn; ++column) {
        FormatCell(99999, column, cell);
        ASSERT_EQ(Cell(cell), std::make_tuple(true, column, 99999)) << cell;
    }
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
    s.colCount = 3;
    s.colStep = s.rowStep = 1;
    DdeTransfer t(backend, s);
    ASSERT_TRUE(t.DdeInit() && t.DdeConnectApp());
    EXPECT_STREQ(s.topic[kDdeAppTw], "Display");
    EXPECT_EQ(backend.connected.back(), "Excel|[Book1]Sheet1");

    const StillImage still{2, 2, std::vector<uint8_t>(16)};
    auto send = [&] { return t.TransferStill(still, StillNote{}); };
    auto transfer = [&] { return send() == TransferResult::PasteDue && t.PasteDue(); };
    // An empty next cell starts at the initial cell; the row wraps after three pastes.
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(transfer());
    }
    EXPECT_EQ(backend.commands,
              (std::vector<std::string>{"[SELECT(\"R2C2\")][PASTE]", "[SELECT(\"R2C3\")][PASTE]",
                                        "[SELECT(\"R2C4\")][PASTE]", "[SELECT(\"R3C2\")][PASTE]",
                                        "[SELECT(\"R3C3\")][PASTE]"}));
    EXPECT_STREQ(s.nextCell, "D3");

    // A command that cannot be sent leaves the cell where it was; the count survives reconnecting.
    backend.sends = false;
    EXPECT_FALSE(transfer());
    EXPECT_STREQ(s.nextCell, "D3");
    backend.sends = true;
    t.DdeUninit();
    ASSERT_TRUE(t.DdeInit() && t.DdeConnectApp());
    EXPECT_TRUE(transfer());
    EXPECT_STREQ(s.nextCell, "B4");

    // A second transfer before the first paste was made pastes the first one first.
    ASSERT_EQ(send(), TransferResult::PasteDue);
    ASSERT_EQ(send(), TransferResult::PasteDue);
    EXPECT_EQ(backend.commands.back(), "[SELECT(\"R4C2\")][PASTE]");

    // No wrap with a column count of 0.
    EXPECT_TRUE(t.PasteDue());
    s.colCount = 0;
    CopyText(s.nextCell, "IU1");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(transfer());
    }
    EXPECT_STREQ(s.nextCell, "IX1") << "the column passes 256 and never wraps";

    // Tw gets ClipPaste at once, the viewer nothing; without a conversation the clipboard still
    // gets the picture; a damaged index connects to nobody.
    s.app = kDdeAppTw;
    ASSERT_TRUE(t.DdeConnectApp());
    EXPECT_EQ(send(), TransferResult::Done);
    EXPECT_EQ(backend.commands.back(), "ClipPaste()");
    const size_t sent = backend.commands.size();
    s.app = kDdeAppViewer;
    ASSERT_TRUE(t.DdeConnectApp());
    EXPECT_EQ(send(), TransferResult::Done);
    EXPECT_EQ(backend.commands.size(), sent);
    backend.clipboard.clear();
    backend.answers = false;
    EXPECT_FALSE(t.DdeConnectApp());
    EXPECT_EQ(send(), TransferResult::NoPaste);
    EXPECT_EQ(backend.clipboard.size(), 40u + 16u);
    s.app = 7;
    backend.answers = true;
    EXPECT_FALSE(t.DdeConnectApp());
}

TEST(StillPicture, RowsReachTheClipboardBottomUpAndPadded) {
    StillImage still{321, 3, std::vector<uint8_t>(3 * 964)};  // rows of 963 bytes stored as 964
    for (int r = 0; r < 3; ++r) {
        std::memset(still.rows.data() + r * 964, 'a' + r, 964);
    }
    std::vector<uint8_t> dib;
    ASSERT_TRUE(PackClipboardDib(still, &dib));
    // The clipboard's header: 40 bytes, little-endian, width, positive height, 24 bits, the
    // image size; the rows follow as given (bottom-up).
    EXPECT_EQ(std::vector<uint8_t>(dib.begin(), dib.begin() + 24),
              (std::vector<uint8_t>{40, 0, 0,  0, 0x41, 1, 0, 0, 3,    0,    0, 0,
                                    1,  0, 24, 0, 0,    0, 0, 0, 0x4C, 0x0B, 0, 0}));
    DibView view;
    ASSERT_TRUE(ReadPackedDib(dib.data(), dib.size(), &view));
    EXPECT_EQ(std::tuple(view.width, view.height, view.rowBytes), std::tuple(321, 3, 964));
    EXPECT_EQ(std::string(view.rows, view.rows + dib.size() - 40),
              std::string(964, 'a') + std::string(964, 'b') + std::string(964, 'c'));
    // Too few bytes give nothing; a short or foreign bitmap is not read.
    still.rows.pop_back();
    EXPECT_FALSE(PackClipboardDib(still, &dib));
    EXPECT_TRUE(dib.empty());
    const std::vector<uint8_t> shortDib(60, 0);
    EXPECT_FALSE(ReadPackedDib(shortDib.data(), shortDib.size(), &view));

    // The preview's B, G, R, X picture becomes 24-bit rows, bottom-up.
    VideoFrame frame;
    frame.width = frame.height = 2;
    frame.stride = 8;
    frame.pixels = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    ASSERT_TRUE(StillFromVideoFrame(frame, &still));
    EXPECT_EQ(still.rows,
              (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}));
    frame.pixels.resize(12);
    EXPECT_FALSE(StillFromVideoFrame(frame, &still));
}

}  // namespace
}  // namespace velatrace
