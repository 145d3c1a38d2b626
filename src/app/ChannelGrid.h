// SPDX-License-Identifier: GPL-3.0-or-later
// The channel table on screen: the grid's columns (captions, editors, pick
// lists, default texts) and the grid's view of the table of texts. Rows 1 to
// 16 of the table are the grid's rows 0 to 15; row 0, the captions, is the
// grid's header; column 0 holds the channel numbers and is fixed.
#pragma once

#include "grid/TextGrid.h"
#include "memory/ChannelTable.h"

#include <vector>

namespace tonvar::app {

std::vector<grid::ColumnSpec> ChannelColumns();
grid::TextSource ChannelSource(memory::ChannelTable &table);

} // namespace tonvar::app
