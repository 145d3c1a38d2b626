// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ChannelTable.h"

#include <algorithm>

namespace tonvar::memory {

ChannelTable::ChannelTable() : rows_(kTableRows)
{
    rows_[0] = ColumnCaptions();
}

void ChannelTable::SetRowCount(int count)
{
    rows_.resize(static_cast<std::size_t>(std::max(count, 1)));
}

const std::string &ChannelTable::Cell(int row, int column) const
{
    static const std::string empty;
    if (!Contains(row, column))
        return empty;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ChannelTable::SetCell(int row, int column, std::string text)
{
    if (Contains(row, column))
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(text);
}

} // namespace tonvar::memory
