// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RowClipboard.h"

#include "app/TableRules.h"
#include "files/Delimited.h"
#include "memory/ChannelTexts.h"

#include <algorithm>
#include <cctype>

namespace tonvar::app {

namespace {

constexpr char kTab = '\t';
constexpr char kQuote = '"';

// The frequency and tone columns take typing; the others are chosen from
// their lists.
bool IsTyped(int column)
{
    return column >= memory::kColRxFreq && column <= memory::kColEncodeTone;
}

bool ValidRow(const memory::ChannelTable &table, int row)
{
    return row >= 1 && row < table.RowCount();
}

// A field holding a tab, a line end or a leading quote.
bool NeedsQuotes(const std::string &field)
{
    return field.find_first_of("\t\r\n") != std::string::npos || (!field.empty() && field.front() == kQuote);
}

} // namespace

void CommitCell(memory::ChannelTable &table, int row, int column, const std::string &text)
{
    if (!ValidRow(table, row) || column < memory::kColRxFreq || column > memory::kColCompandor)
        return;
    std::string stored = text;
    if (!IsTyped(column)) {
        // Spreadsheets write "Low" as readily as "LOW".
        const auto &items = memory::PickList(column);
        const auto same = [&text](const std::string &item) {
            return item.size() == text.size() && std::equal(item.begin(), item.end(), text.begin(), [](char a, char b) {
                       return std::toupper(static_cast<unsigned char>(a)) ==
                              std::toupper(static_cast<unsigned char>(b));
                   });
        };
        const auto at = std::find(items.begin(), items.end(), text);
        const auto alike = at != items.end() ? at : std::find_if(items.begin(), items.end(), same);
        stored = alike != items.end() ? *alike : memory::EditorDefault(column);
    }
    table.SetCell(row, column, std::move(stored));
    CompleteCellEdit(table, row, column);
}

std::string FormatClipboard(const std::vector<std::vector<std::string>> &rows)
{
    std::string out;
    for (const auto &fields : rows)
        out += files::FormatDelimited(fields, kTab, NeedsQuotes) + '\n';
    return out;
}

std::vector<std::vector<std::string>> ParseClipboard(const std::string &text)
{
    return files::ParseDelimited(text, {.separator = kTab, .blankLinesAreRecords = true, .blanksBeforeQuote = false});
}

std::string CopyCells(const memory::ChannelTable &table, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    std::vector<std::vector<std::string>> rows;
    for (int r = firstRow; r <= lastRow; ++r) {
        std::vector<std::string> fields;
        for (int c = firstColumn; c <= lastColumn; ++c)
            fields.push_back(table.Cell(r, c));
        rows.push_back(std::move(fields));
    }
    return FormatClipboard(rows);
}

int PasteCells(memory::ChannelTable &table, int row, int column, const std::string &text)
{
    column = std::max(column, static_cast<int>(memory::kColRxFreq));
    int last = row - 1;
    for (const auto &fields : ParseClipboard(text)) {
        const int r = last + 1;
        if (!ValidRow(table, r))
            break;
        last = r;
        // Left to right; a paste never starts left of the receive frequency,
        // so where a line holds it, it comes first and creates the row the
        // other cells then go into.
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const int c = column + static_cast<int>(k);
            if (c > memory::kColCompandor)
                break;
            CommitCell(table, r, c, fields[k]);
        }
    }
    return last;
}

void ClearChannel(memory::ChannelTable &table, int row)
{
    if (!ValidRow(table, row))
        return;
    for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c)
        table.SetCell(row, c, {});
}

void SwapChannels(memory::ChannelTable &table, int a, int b)
{
    if (!ValidRow(table, a) || !ValidRow(table, b) || a == b)
        return;
    for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c) {
        std::string moved = table.Cell(a, c);
        table.SetCell(a, c, table.Cell(b, c));
        table.SetCell(b, c, std::move(moved));
    }
}

} // namespace tonvar::app
