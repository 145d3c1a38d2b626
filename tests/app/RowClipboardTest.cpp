// SPDX-License-Identifier: GPL-3.0-or-later
// Rows on the clipboard: copied rows pasted elsewhere are the rows typing the
// same cells gives; the tab-separated text spreadsheets exchange.
#include "app/RowClipboard.h"
#include "app/TableRules.h"
#include "text/Convert.h"

#include "Channels.h"

#include <gtest/gtest.h>

using namespace tonvar;
using memory::ChannelRow;
using memory::ChannelTable;
using test::NumberedTable;

namespace {

// What the grid does when the user types a cell (or picks from its list)
// and leaves it.
void Type(ChannelTable &table, int row, int column, const std::string &text)
{
    table.SetCell(row, column, text);
    app::CompleteCellEdit(table, row, column);
}

// A channel typed cell by cell, as a user fills a new row: the receive
// frequency first.
const std::vector<std::pair<int, std::string>> kFirst{
    {1, "145.5"}, {2, "145.1"}, {3, "67"},   {4, "23N"}, {5, "LOW"},  {6, "NARROW"}, {7, "NONE"}, {8, "12500"},
    {9, "5"},     {10, "#"},    {11, "BOT"}, {12, "3"},  {13, "FSK"}, {14, "7"},     {15, "YES"}};
const std::vector<std::pair<int, std::string>> kSecond{{1, "446.00625"}, {2, ""}, {4, "754I"}, {6, "NARROW"}};

void TypeRow(ChannelTable &table, int row, const std::vector<std::pair<int, std::string>> &cells)
{
    for (const auto &[column, text] : cells)
        Type(table, row, column, text);
}

ChannelRow WithoutNumber(ChannelRow row)
{
    row[0].clear();
    return row;
}

} // namespace

TEST(RowClipboard, TwoCopiedRowsPastedIntoTwoOthersAreTheRowsTypingTheSameCellsGives)
{
    ChannelTable table = NumberedTable();
    TypeRow(table, 1, kFirst);
    TypeRow(table, 2, kSecond);
    ASSERT_EQ(table.Row(1), (ChannelRow{"1", "145.50000", "145.10000", "67.0", "023N", "LOW", "NARROW", "NONE", "12500",
                                        "5", "#", "BOT", "3", "FSK", "7", "YES"}));
    ASSERT_EQ(table.Row(2), (ChannelRow{"2", "446.00625", "", "NONE", "754I", "HIGH", "NARROW", "YES", "25000", "NONE",
                                        "NONE", "NONE", "NONE", "DTMF", "1", "NONE"}));

    // The rows pasted into: one as a loaded channel file leaves an empty
    // channel (blanks, so a new frequency brings no defaults), one
    // programmed otherwise.
    table.Row(5) = {"5", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "};
    TypeRow(table, 6, {{1, "430"}, {2, "431"}, {3, "100"}, {5, "HIGH"}, {15, "NONE"}});

    const std::string clipboard = app::CopyCells(table, 1, 2, 1, 15);
    EXPECT_EQ(clipboard, "145.50000\t145.10000\t67.0\t023N\tLOW\tNARROW\tNONE\t12500\t5\t#\tBOT\t3\tFSK\t7\tYES\n"
                         "446.00625\t\tNONE\t754I\tHIGH\tNARROW\tYES\t25000\tNONE\tNONE\tNONE\tNONE\tDTMF\t1\tNONE\n");
    EXPECT_EQ(app::PasteCells(table, 5, 1, clipboard), 6);

    // The same cells typed into two empty rows.
    ChannelTable typed = NumberedTable();
    for (int k = 0; k < 2; ++k)
        for (int c = 1; c <= 15; ++c)
            Type(typed, 9 + k, c, table.Cell(1 + k, c));

    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(WithoutNumber(table.Row(5 + k)), WithoutNumber(table.Row(1 + k))) << "pasted row " << 5 + k;
        EXPECT_EQ(WithoutNumber(table.Row(5 + k)), WithoutNumber(typed.Row(9 + k))) << "typed row " << 9 + k;
    }
    EXPECT_EQ(table.Cell(5, 0), "5") << "the channel number stays";
    EXPECT_EQ(table.Cell(6, 0), "6");
}

TEST(RowClipboard, PastedCellsMeetTheEditHookAndTheLists)
{
    ChannelTable table = NumberedTable();
    // Into a selected cell: a row is created by its frequency even when it
    // comes after other cells on the line.
    app::PasteCells(table, 3, 0, "147\t147.6\t");
    EXPECT_EQ(table.Row(3), (ChannelRow{"3", "147.00000", "147.60000", "NONE", "NONE", "HIGH", "WIDE", "YES", "25000",
                                        "NONE", "NONE", "NONE", "NONE", "DTMF", "1", "NONE"}))
        << "column 0 keeps the number: the paste starts at RX";
    // Tones are normalised, list texts taken whatever their case, a text not
    // in the list gives the list's default, cells past the last column are
    // left out.
    Type(table, 3, 7, "NONE");
    EXPECT_EQ(app::PasteCells(table, 3, 3, "7I\t350\tLow\tnarrow\tno\n"), 3);
    EXPECT_EQ(table.Cell(3, 3), "007I");
    EXPECT_EQ(table.Cell(3, 4), "300.0");
    EXPECT_EQ(table.Cell(3, 5), "LOW");
    EXPECT_EQ(table.Cell(3, 6), "NARROW");
    EXPECT_EQ(table.Cell(3, 7), "YES");
    app::PasteCells(table, 3, 14, "2\tYES\t9\t9");
    EXPECT_EQ(table.Cell(3, 14), "2");
    EXPECT_EQ(table.Cell(3, 15), "YES");
    // A frequency the table does not take empties the row, as typed.
    app::PasteCells(table, 3, 1, "1000\n");
    EXPECT_EQ(table.Row(3), (ChannelRow{"3"}));
    // Lines past the table's last row are left out.
    EXPECT_EQ(app::PasteCells(table, 16, 1, "145\n146\n"), 16);
    EXPECT_EQ(table.Cell(16, 1), "145.00000");
}

TEST(RowClipboard, APasteStopsAtATextThatIsNoNumber)
{
    // Pasted texts pass no keyboard filter: "abc" in a tone cell is no
    // number, and the paste ends there with the usual message.
    ChannelTable table = NumberedTable();
    try {
        app::PasteCells(table, 1, 1, "145\t\t67\n146\t146\tabc\t77\n147\n");
        ADD_FAILURE() << "no conversion error";
    } catch (const text::ConversionError &e) {
        EXPECT_EQ(std::string(e.what()), "'abc' is not a valid floating point value");
    }
    EXPECT_EQ(table.Cell(1, 3), "67.0");
    EXPECT_EQ(table.Cell(2, 1), "146.00000");
    EXPECT_EQ(table.Cell(2, 3), "abc") << "the cell keeps the text";
    EXPECT_EQ(table.Cell(2, 4), "NONE") << "the cells after it are not pasted";
    EXPECT_EQ(table.Cell(3, 1), "");
}

TEST(RowClipboard, SpreadsheetTextRoundTrips)
{
    const std::vector<std::vector<std::string>> rows{{"a", "b\tc", "\"q\" d"}, {"", "line\nend", ""}};
    const std::string text = app::FormatClipboard(rows);
    EXPECT_EQ(text, "a\t\"b\tc\"\t\"\"\"q\"\" d\"\n\t\"line\nend\"\t\n");
    EXPECT_EQ(app::ParseClipboard(text), rows);
    EXPECT_EQ(app::ParseClipboard("x\ty\r\nz"), (std::vector<std::vector<std::string>>{{"x", "y"}, {"z"}}));
    EXPECT_EQ(app::ParseClipboard("\n"), (std::vector<std::vector<std::string>>{{""}})) << "one empty cell";
    EXPECT_TRUE(app::ParseClipboard("").empty());
}

TEST(RowClipboard, ClearingAndMovingKeepTheChannelNumbers)
{
    ChannelTable table = NumberedTable();
    Type(table, 1, 1, "145");
    Type(table, 2, 1, "146");
    const ChannelRow first = table.Row(1), second = table.Row(2);
    app::SwapChannels(table, 1, 2);
    EXPECT_EQ(table.Cell(1, 0), "1");
    EXPECT_EQ(table.Cell(1, 1), "146.00000");
    EXPECT_EQ(WithoutNumber(table.Row(2)), WithoutNumber(first));
    app::SwapChannels(table, 1, 17); // no such row
    app::SwapChannels(table, 0, 1);  // the captions are no channel
    EXPECT_EQ(WithoutNumber(table.Row(1)), WithoutNumber(second));
    EXPECT_EQ(table.Cell(0, 1), "RX Freq");
    app::ClearChannel(table, 1);
    EXPECT_EQ(table.Row(1), (ChannelRow{"1"}));
}
