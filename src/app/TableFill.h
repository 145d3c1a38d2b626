// SPDX-License-Identifier: GPL-3.0-or-later
// Many cells of the channel table set at once: a cell's text pasted into a
// selection, Fill Down and Set Column. Every value goes in as if the user
// had typed it into its cell (CommitCell, then the edit hook), but only once
// the whole set has been judged: a value the column's rules would not keep
// as it is (a frequency they would empty, a pick list's text they would put
// the column's default for, a malformed code they would replace, a tone they
// would cap, a text that is no number) refuses the whole set and nothing
// changes. Plain functions of texts.
#pragma once

#include "memory/ChannelTable.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tonvar::app {

// Selected cells in table rows: row -> columns 1..15.
using CellSelection = std::map<int, std::set<int>>;

// One cell and the text it is to take.
struct CellText {
    int row = 0;
    int column = 0;
    std::string text;
    bool operator==(const CellText &) const = default;
};

// Why the column's rules would not keep `text` as typed ("'abc' is not a
// frequency"); empty when they keep it (perhaps written another way: "145.5"
// as "145.50000", "low" as "LOW", "67" as "67.0").
std::string RefusalOf(int column, const std::string &text);

// The selection's cells, each to take `text`.
std::vector<CellText> FillSelection(const CellSelection &cells, const std::string &text);
// Fill Down: in each column, the text of its top selected cell for every
// selected cell below it. Empty when no column has a selected cell below
// its top one.
std::vector<CellText> FillDown(const memory::ChannelTable &table, const CellSelection &cells);
// Set Column: `text` in `column` of each row.
std::vector<CellText> SetColumn(const std::set<int> &rows, int column, const std::string &text);

// Sets the cells, row by row from the top, in each row the receive frequency
// first, then the others from left to right, each committed as typed. Throws
// text::Failure before changing anything when a value is refused or a cell
// is outside channel rows and columns 1..15; the message names the value,
// the column and the channel. A failure on the way leaves the table as it
// was too.
void SetCells(memory::ChannelTable &table, const std::vector<CellText> &cells);

} // namespace tonvar::app
