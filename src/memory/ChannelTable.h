// SPDX-License-Identifier: GPL-3.0-or-later
// The channel table as plain texts: a header row of captions and one row per
// channel, 16 text cells each. The grid on screen shows exactly these texts;
// sessions, codecs, the edit hook and channel files all work on this object.
#pragma once

#include "memory/ChannelTexts.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::memory {

using ChannelRow = std::array<std::string, kColumnCount>;

class ChannelTable {
public:
    // 17 rows: the captions in row 0, empty channel rows 1 to 16.
    ChannelTable();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Rows are added empty or dropped from the end; at least one row remains.
    void SetRowCount(int count);

    bool Contains(int row, int column) const
    {
        return row >= 0 && row < RowCount() && column >= 0 && column < kColumnCount;
    }
    const std::string &Cell(int row, int column) const;
    // Writes a cell; a position outside the table is ignored.
    void SetCell(int row, int column, std::string text);

    const ChannelRow &Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    ChannelRow &Row(int row) { return rows_.at(static_cast<std::size_t>(row)); }

    bool operator==(const ChannelTable &) const = default;

private:
    std::vector<ChannelRow> rows_;
};

} // namespace tonvar::memory
