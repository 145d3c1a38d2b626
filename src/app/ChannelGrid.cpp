// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChannelGrid.h"

#include "memory/ChannelTexts.h"

namespace tonvar::app {

namespace {

QStringList Items(const std::vector<std::string> &items)
{
    QStringList out;
    for (const std::string &item : items)
        out << QString::fromLatin1(item);
    return out;
}

grid::Editor EditorOf(int column)
{
    if (column == memory::kColChannel)
        return grid::Editor::Fixed;
    if (column == memory::kColRxFreq || column == memory::kColTxFreq)
        return grid::Editor::Text;
    if (column == memory::kColDecodeTone || column == memory::kColEncodeTone)
        return grid::Editor::TypedList;
    return grid::Editor::PickList;
}

} // namespace

std::vector<grid::ColumnSpec> ChannelColumns()
{
    std::vector<grid::ColumnSpec> columns;
    for (int c = 0; c < memory::kColumnCount; ++c) {
        grid::ColumnSpec spec;
        spec.caption = QString::fromLatin1(memory::ColumnCaptions()[static_cast<std::size_t>(c)]);
        spec.editor = EditorOf(c);
        if (spec.editor != grid::Editor::Fixed) {
            spec.items = Items(memory::PickList(c));
            spec.defaultText = QString::fromLatin1(memory::EditorDefault(c));
        }
        columns.push_back(std::move(spec));
    }
    return columns;
}

grid::TextSource ChannelSource(memory::ChannelTable &table)
{
    grid::TextSource source;
    source.rowCount = [&table] { return table.RowCount() - 1; };
    source.text = [&table](int row, int column) { return table.Cell(row + 1, column); };
    source.setText = [&table](int row, int column, const std::string &text) { table.SetCell(row + 1, column, text); };
    source.caption = [&table](int column) { return table.Cell(0, column); };
    return source;
}

} // namespace tonvar::app
