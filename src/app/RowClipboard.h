// SPDX-License-Identifier: GPL-3.0-or-later
// Rows and cells of the channel table on the clipboard, as spreadsheets keep
// them: tab-separated text, one line per row. Pasted cells go into the table
// as if the user had typed them one by one, so a pasted row is checked and
// completed by the edit hook just like a typed one. Plain functions of texts.
#pragma once

#include "memory/ChannelTable.h"

#include <string>
#include <vector>

namespace tonvar::app {

// Commits `text` into the cell as an editor would: the text as it is in the
// frequency and tone columns (pasted into their editors, it passes no
// keyboard filter), in the others the pick list's entry equal to it (or,
// failing that, equal but for case), else the column's default, as the list
// editor starts; then the edit hook runs.
// Throws text::ConversionError as the hook does, for a text that is no
// number ("1,5"); the cell keeps the text then.
void CommitCell(memory::ChannelTable &table, int row, int column, const std::string &text);

// Tab-separated text, a line end after each row; a field holding a tab, a
// line end or a leading quote is quoted, inner quotes doubled.
std::string FormatClipboard(const std::vector<std::vector<std::string>> &rows);
// The rows of such text (CR LF or LF line ends; the last line end is
// optional). A lone line end is one row of one empty field.
std::vector<std::vector<std::string>> ParseClipboard(const std::string &text);

// The texts of table rows firstRow..lastRow, columns firstColumn..lastColumn.
std::string CopyCells(const memory::ChannelTable &table, int firstRow, int lastRow, int firstColumn, int lastColumn);

// Pastes clipboard text with its first field at (row, column): each line into
// the next row, its fields into the following columns; fields beyond column
// 15 or the table's last row are left out, and column 0 keeps the channel
// numbers (a paste there starts at column 1). Each row's cells are committed
// with CommitCell, the receive frequency first, then the others from left to
// right. A text that does not convert stops the paste at that cell (the
// exception goes on); cells committed before stay. Returns the last row
// pasted into, or row - 1 when nothing was.
int PasteCells(memory::ChannelTable &table, int row, int column, const std::string &text);

// Empties columns 1 to 15 of the row.
void ClearChannel(memory::ChannelTable &table, int row);
// Swaps columns 1 to 15 of two rows; the channel numbers stay.
void SwapChannels(memory::ChannelTable &table, int a, int b);

} // namespace tonvar::app
