// The workbook that stands in for the spreadsheet: pictures anchored at the cells the transfer
// walks to, their values beside them, and a workbook that cannot be written losing nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/FixedText.h"
#include "dde/DdeTransfer.h"
#include "dde/WorkbookBackend.h"
#include "support/TempFolder.h"

namespace velatrace {
namespace {

// One member of the .xlsx (a zip) as text, read by unzip; empty when it is not there.
std::string Member(const testing::TempFolder& folder, const char* member) {
    const std::string command = "unzip -p '" + folder.File("Bench.xlsx") + "' " + member + " >'" +
                                folder.File("member") + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? folder.Read("member") : std::string();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

std::string Anchor(int col, int row) {
    return "<xdr:from><xdr:col>" + std::to_string(col) + "</xdr:col><xdr:colOff>0</xdr:colOff>" +
           "<xdr:row>" + std::to_string(row) + "</xdr:row>";
}

TEST(Workbook, PicturesLandAtTheWalkedCellsWithTheirValuesAndAFailedWriteLosesNothing) {
    testing::TempFolder folder;
    folder.Write("Bench.xlsx", "from an earlier run");
    WorkbookBackend backend([&] { return folder.Folder(); }, nullptr);
    DdeSettings s;
    s.app = kDdeAppSpreadsheet;
    CopyText(s.topic[kDdeAppSpreadsheet], "[Bench]静止画");
    CopyText(s.initialCell, "B2");
    s.colStep = 6;
    s.colCount = 2;
    s.rowStep = 14;
    DdeTransfer transfer(backend, s);
    ASSERT_TRUE(transfer.DdeInit() && transfer.DdeConnectApp());
    const std::string book = folder.File("Bench.xlsx");
    EXPECT_EQ(backend.WorkbookPath(), book);

    const StillImage still{64, 48, std::vector<uint8_t>(64 * 3 * 48, 0x80)};
    StillNote note;
    CopyText(note.time, "2026/12/07 10:00:00.000");
    note.channel[0] = {true, 4.5, "V"};
    auto send = [&] {
        ASSERT_EQ(transfer.TransferStill(still, note), TransferResult::PasteDue);
        ASSERT_TRUE(transfer.PasteDue());
    };
    send();
    EXPECT_STREQ(backend.Problem(), "");
    EXPECT_EQ(folder.Read("Bench (1).xlsx"), "from an earlier run") << "kept, not overwritten";
    send();
    const std::string two = folder.Read("Bench.xlsx");

    // The workbook cannot be written: told, the file stays as it was, and the picture is kept
    // for the next write.
    std::filesystem::create_directories(book + ".partial/x");
    note.channel[0].value = 1.25;
    send();
    EXPECT_NE(std::string(backend.Problem()).find("Cannot write " + book), std::string::npos)
        << backend.Problem();
    EXPECT_EQ(folder.Read("Bench.xlsx"), two);
    std::filesystem::remove_all(book + ".partial");
    send();
    EXPECT_STREQ(backend.Problem(), "");

    const std::string drawing = Member(folder, "xl/drawings/drawing1.xml");
    EXPECT_EQ(Count(drawing, "<xdr:pic>"), 4u) << drawing;
    for (auto [col, row] : {std::pair{1, 1}, {7, 1}, {1, 15}, {7, 15}}) {
        EXPECT_NE(drawing.find(Anchor(col, row)), std::string::npos) << col << "," << row;
    }
    // A 64-pixel picture covers one column; its values start in the next one.
    const std::string sheet = Member(folder, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<c r=\"D3\"><v>4.5</v></c>"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("<c r=\"J17\"><v>1.25</v></c>"), std::string::npos) << sheet;
    const std::string strings = Member(folder, "xl/sharedStrings.xml");
    for (const char* text : {"2026/12/07 10:00:00.000", "CH10", ">V<", "off"}) {
        EXPECT_NE(strings.find(text), std::string::npos) << text;
    }
    EXPECT_NE(Member(folder, "xl/workbook.xml").find("name=\"静止画\""), std::string::npos)
        << "a Japanese sheet name as it was typed";
}

TEST(Workbook, OnlyTheSpreadsheetConnectsAndItsTopicStaysInTheFolder) {
    testing::TempFolder folder;
    WorkbookBackend backend([&] { return folder.Folder(); }, nullptr);
    EXPECT_FALSE(backend.Connect("Korview", "Kortopic"));
    EXPECT_FALSE(backend.Connect("Tw", "Display"));
    EXPECT_TRUE(backend.Connect("Excel", "Book1"));
    EXPECT_EQ(backend.WorkbookPath(), folder.File("Book1.xlsx"));
    EXPECT_TRUE(backend.Connect("Excel", "[Book2.xlsx]"));
    EXPECT_EQ(backend.WorkbookPath(), folder.File("Book2.xlsx"));
    for (const char* topic : {"", "[../up]Sheet1", "[a/b]Sheet1", "[.hidden]S", "[Book1]Sh:1",
                              "[Book1", "[Book1]ThisSheetNameIsLongerThan31Chars"}) {
        EXPECT_FALSE(backend.Connect("Excel", topic)) << topic;
    }
}

}  // namespace
}  // namespace velatrace
