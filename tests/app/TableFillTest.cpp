// SPDX-License-Identifier: GPL-3.0-or-later
// Many cells set at once (a cell pasted into a selection, Fill Down, Set
// Column): each value judged by its column's rules first, then typed in; a
// refused value changes nothing, and a set that went in is one undo step.
#include "app/TableFill.h"
#include "app/TableUndo.h"
#include "text/Convert.h"

#include "Channels.h"

#include <gtest/gtest.h>

using namespace tonvar;
using namespace tonvar::app;
using memory::ChannelRow;
using memory::ChannelTable;

namespace {

constexpr int kRx = memory::kColRxFreq, kDecode = memory::kColDecodeTone, kPower = memory::kColPower,
              kWidth = memory::kColBandwidth;

// Channels 1 to 3 in use, the others empty.
ChannelTable ThreeChannels()
{
    ChannelTable t;
    t.Row(1) = test::TypedChannel(1, "145.50000", "145.50000");
    t.Row(2) = test::TypedChannel(2, "146.00000", "146.00000", "67.0");
    t.Row(3) = test::TypedChannel(3, "147.00000", "147.00000", "NONE", "NONE", "LOW", "NARROW");
    for (int ch = 4; ch <= memory::kChannelCount; ++ch)
        t.SetCell(ch, memory::kColChannel, std::to_string(ch));
    return t;
}

ChannelRow Empty(int ch)
{
    return ChannelRow{std::to_string(ch)};
}

} // namespace

TEST(TableFill, TheColumnsRulesJudgeEachValueAsTyped)
{
    struct Case {
        int column;
        const char *text;
        const char *refusal; // empty: kept
    };
    const Case cases[] = {
        {kRx, "145.5", ""},
        {kRx, "", ""},
        {kRx, "abc", "'abc' is not a frequency in MHz above 0 and up to 999.99999"},
        {kRx, "1000", "'1000' is not a frequency in MHz above 0 and up to 999.99999"},
        {kRx, "0", "'0' is not a frequency in MHz above 0 and up to 999.99999"},
        {kRx, "1,5", "'1,5' is not a frequency in MHz above 0 and up to 999.99999"},
        {memory::kColTxFreq, "446.00625", ""},
        {kDecode, "88.5", ""},
        {kDecode, "67", ""},
        {kDecode, "754N", ""},
        {kDecode, "23N", ""},
        {kDecode, "NONE", ""},
        {kDecode, "", ""},
        {kDecode, "754i", "'754i' is not a CTCSS tone or a DCS code (\"88.5\", \"754N\", \"NONE\")"},
        {kDecode, "12N3", "'12N3' is not a CTCSS tone or a DCS code (\"88.5\", \"754N\", \"NONE\")"},
        {memory::kColEncodeTone, "ON", "'ON' is not a CTCSS tone or a DCS code (\"88.5\", \"754N\", \"NONE\")"},
        {kDecode, "500", "'500' is above the highest tone, 300.0"},
        {kPower, "LOW", ""},
        {kPower, "low", ""},
        {kPower, "MEDIUM", "'MEDIUM' is not one of HIGH, LOW"},
        {kPower, "", "An empty cell is not one of HIGH, LOW"},
        {kWidth, "Narrow", ""},
        {kWidth, "N", "'N' is not one of WIDE, NARROW"},
        {memory::kColStep, "12500", ""},
        {memory::kColStep, "12.5", "'12.5' is not one of 5000, 6250, 10000, 12500, 25000"},
        {memory::kColChannel, "5", "The channel numbers do not change"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in column " + std::to_string(c.column));
        EXPECT_EQ(RefusalOf(c.column, c.text), c.refusal);
    }
}

TEST(TableFill, SetCellsTypesEveryValueOrChangesNothing)
{
    struct Case {
        const char *name;
        std::vector<CellText> cells;
        std::vector<std::pair<int, ChannelRow>> rows; // rows changed; others as they were
        const char *failure;                          // empty: none
    };
    using test::TypedChannel;
    const Case cases[] = {
        {"a power for channels 1 to 5: the empty channels take nothing",
         FillSelection({{1, {kPower}}, {2, {kPower}}, {3, {kPower}}, {4, {kPower}}, {5, {kPower}}}, "low"),
         {{1, TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE", "LOW")},
          {2, TypedChannel(2, "146.00000", "146.00000", "67.0", "NONE", "LOW")}},
         ""},
        {"a frequency makes new channels with their defaults",
         FillSelection({{4, {kRx}}, {5, {kRx}}}, "430"),
         {{4, TypedChannel(4, "430.00000", "430.00000")}, {5, TypedChannel(5, "430.00000", "430.00000")}},
         ""},
        {"the frequency of a row goes in before its other cells",
         {{6, kWidth, "NARROW"}, {6, kRx, "144.8"}},
         {{6, TypedChannel(6, "144.80000", "144.80000", "NONE", "NONE", "HIGH", "NARROW")}},
         ""},
        {"a tone written with one decimal",
         SetColumn({1, 3}, kDecode, "100"),
         {{1, TypedChannel(1, "145.50000", "145.50000", "100.0")},
          {3, TypedChannel(3, "147.00000", "147.00000", "100.0", "NONE", "LOW", "NARROW")}},
         ""},
        {"a power the column does not have",
         SetColumn({1, 2, 3}, kPower, "MEDIUM"),
         {},
         "'MEDIUM' is not one of HIGH, LOW (TX Power of channel 1). Nothing was changed."},
        {"one refused value among good ones",
         {{1, kPower, "LOW"}, {2, kRx, "150"}, {3, kRx, "abc"}},
         {},
         "'abc' is not a frequency in MHz above 0 and up to 999.99999 (RX Freq of channel 3). Nothing was changed."},
        {"a malformed code",
         FillSelection({{2, {kDecode}}}, "12N3"),
         {},
         "'12N3' is not a CTCSS tone or a DCS code (\"88.5\", \"754N\", \"NONE\") (QT/DQT Dec of channel 2). "
         "Nothing was changed."},
        {"the channel numbers",
         {{2, kPower, "LOW"}, {2, memory::kColChannel, "9"}},
         {},
         "The channel numbers do not change (Ch No. of channel 2). Nothing was changed."},
        {"a row outside the channels",
         {{2, kPower, "LOW"}, {17, kPower, "LOW"}},
         {},
         "Only the cells of channels 1 to 16 are set. Nothing was changed."},
        {"a column outside the table",
         {{2, kPower, "LOW"}, {2, memory::kColumnCount, "LOW"}},
         {},
         "Only the cells of channels 1 to 16 are set. Nothing was changed."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ChannelTable before = ThreeChannels();
        ChannelTable table = before;
        memory::SettingsTexts settings = memory::DefaultSettingsTexts();
        TableHistory history(table, settings);
        history.Start();
        std::string failure;
        try {
            SetCells(table, c.cells);
        } catch (const text::Failure &e) {
            failure = e.what();
        }
        history.Record(QStringLiteral("Fill"));
        EXPECT_EQ(failure, c.failure);
        ChannelTable expected = before;
        for (const auto &[row, cells] : c.rows)
            expected.Row(row) = cells;
        EXPECT_EQ(table, expected);
        // One step, undone whole; none for a set refused.
        EXPECT_EQ(history.Stack().count(), c.rows.empty() ? 0 : 1);
        history.Undo();
        EXPECT_EQ(table, before);
    }
}

TEST(TableFill, FillDownCopiesEachColumnsTopSelectedCell)
{
    ChannelTable table = ThreeChannels();
    struct Case {
        const char *name;
        CellSelection selection;
        std::vector<CellText> cells;
    };
    const Case cases[] = {
        {"two columns, one longer",
         {{3, {kPower, kWidth}}, {4, {kPower, kWidth}}, {5, {kPower}}},
         {{4, kPower, "LOW"}, {4, kWidth, "NARROW"}, {5, kPower, "LOW"}}},
        {"rows apart", {{1, {kDecode}}, {3, {kDecode}}}, {{3, kDecode, "NONE"}}},
        {"each column from its own top", {{1, {kRx}}, {2, {kRx, kDecode}}, {3, {kDecode}}},
         {{2, kRx, "145.50000"}, {3, kDecode, "67.0"}}},
        {"one row: nothing to fill", {{2, {kPower, kWidth}}}, {}},
        {"nothing selected", {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FillDown(table, c.selection), c.cells);
    }
    // Channel 2's power filled down: channel 3 takes it, the empty channel 4
    // has nothing to hold it and stays empty.
    SetCells(table, FillDown(table, {{2, {kPower}}, {3, {kPower}}, {4, {kPower}}}));
    EXPECT_EQ(table.Row(3), test::TypedChannel(3, "147.00000", "147.00000", "NONE", "NONE", "HIGH", "NARROW"));
    EXPECT_EQ(table.Row(4), Empty(4));
}
