// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TableRules.h"

#include "text/Convert.h"

#include <gtest/gtest.h>

using namespace tonvar::app;
using tonvar::memory::ChannelRow;
using tonvar::memory::ChannelTable;

namespace {

// Types `text` into cell (column, row 1) and commits it.
ChannelRow Commit(ChannelTable &table, int column, const std::string &text)
{
    table.SetCell(1, column, text);
    CompleteCellEdit(table, 1, column);
    return table.Row(1);
}

ChannelRow Programmed()
{
    return {"1",     "145.50000", "146.00000", "67.0", "NONE", "LOW", "NARROW", "NONE",
            "12500", "5",         "#",         "BOT",  "3",    "FSK", "7",      "YES"};
}

} // namespace

TEST(Counting, CharactersAndLetters)
{
    EXPECT_EQ(CountChar('.', "1.2.3"), 2);
    EXPECT_EQ(CountChar('N', ""), 0);
    EXPECT_EQ(CountLetters("a1Z.n-"), 3);
    EXPECT_EQ(CountLetters("\xE9"), 0);
}

TEST(CheckFrequencyText, KeepsOnlyFrequenciesUpTo999_99999)
{
    EXPECT_EQ(CheckFrequencyText(""), "");
    EXPECT_EQ(CheckFrequencyText("145.5"), "145.5");
    EXPECT_EQ(CheckFrequencyText(" 145.5 "), " 145.5 ") << "returned as typed, not reformatted";
    EXPECT_EQ(CheckFrequencyText("999.99999"), "999.99999");
    for (const std::string bad : {"0", "1000", "1.2.3", "999.999995", "1E2", "NONE", ".", "-5"})
        EXPECT_EQ(CheckFrequencyText(bad), "") << bad;
    EXPECT_THROW(CheckFrequencyText("1-2"), tonvar::text::ConversionError);
}

TEST(NormalizeToneText, MakesEveryToneRegular)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", "NONE"},        {"NONE", "NONE"},   {" ", " "},        {"23N", "023N"},  {"7I", "007I"},
        {"5I", "005I"},      {"023I", "023I"},   {"999N", "999N"},  {"67", "67.0"},   {"67.05", "67.1"},
        {"350", "300.0"},    {"1234N", "023N"},  {"1234I", "023I"}, {"NO", "023N"},   {"6.7.0", "023N"},
        {"5", "5.0"},        {"N", "023N"},      {".", "023N"},     {"67.0", "67.0"}, {"12I4", "023N"},
        {"12D4", "023N"},    {"300.1", "300.0"}, {"450", "300.0"},  {"99", "99.0"},   {"1.2.", "023N"},
        {"123.45", "123.5"}, {"2II", "023N"},    {"NNN", "023N"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(NormalizeToneText(in), out) << '"' << in << '"';
}

TEST(CompleteCellEdit, AFrequencyInAnEmptyRowCreatesTheRowWithItsDefaults)
{
    ChannelTable table;
    table.SetCell(1, 0, "1");
    const ChannelRow expected{"1",     "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                              "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
    EXPECT_EQ(Commit(table, 1, "145.5"), expected);
}

TEST(CompleteCellEdit, AnUnusableFrequencyLeavesTheRowEmpty)
{
    for (const std::string bad : {"0", "1000", "1.2.3", "999.999995"}) {
        ChannelTable table;
        table.SetCell(1, 0, "1");
        ChannelRow expected{};
        expected[0] = "1";
        EXPECT_EQ(Commit(table, 1, bad), expected) << bad;
    }
    ChannelTable table;
    EXPECT_EQ(Commit(table, 1, "999.99999")[1], "999.99999");
}

TEST(CompleteCellEdit, ChangesToAFilledRow)
{
    ChannelTable table;
    table.Row(1) = Programmed();
    ChannelRow row = Commit(table, 1, "440.1");
    EXPECT_EQ(row[1], "440.10000");
    EXPECT_EQ(row[2], "146.00000") << "TX is copied only when the row is created";

    table.Row(1) = Programmed();
    row = Commit(table, 2, "1000");
    ChannelRow expected = Programmed();
    expected[2] = "";
    EXPECT_EQ(row, expected);

    table.Row(1) = Programmed();
    EXPECT_EQ(Commit(table, 2, "147.1")[2], "147.10000");

    table.Row(1) = Programmed();
    table.SetCell(1, 4, "");
    EXPECT_EQ(Commit(table, 7, "YES")[4], "NONE") << "an empty tone becomes NONE at the next commit";
}

TEST(CompleteCellEdit, ACommitInARowWithoutFrequencyEmptiesIt)
{
    ChannelTable table;
    table.SetCell(1, 0, "1");
    ChannelRow expected{};
    expected[0] = "1";
    EXPECT_EQ(Commit(table, 5, "LOW"), expected);
}

TEST(CompleteCellEdit, RowsLoadedWithBlanks)
{
    ChannelTable table;
    ChannelRow loaded;
    loaded.fill(" ");
    loaded[0] = "1";
    table.Row(1) = loaded;
    ChannelRow row = Commit(table, 1, "145.5");
    EXPECT_EQ(row[1], "145.50000");
    EXPECT_EQ(row[2], " ") << "no new-row defaults: the tone cells are not empty";
    EXPECT_EQ(row[3], " ");
    EXPECT_EQ(row[5], " ");

    table.Row(1) = loaded;
    ChannelRow expected{};
    expected[0] = "1";
    EXPECT_EQ(Commit(table, 6, "WIDE"), expected);
}

TEST(CompleteCellEdit, APastedNonNumberStopsTheHookWithTheCellKept)
{
    ChannelTable table;
    table.Row(1) = Programmed();
    try {
        Commit(table, 1, "14-5");
        FAIL() << "expected a conversion failure";
    } catch (const tonvar::text::ConversionError &e) {
        EXPECT_STREQ(e.what(), "'14-5' is not a valid floating point value");
    }
    EXPECT_EQ(table.Cell(1, 1), "14-5");
}
