// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TableFill.h"

#include "app/RowClipboard.h"
#include "app/TableRules.h"
#include "text/Convert.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace tonvar::app {

namespace {

constexpr double kHighestTone = 300.0;

std::string Quoted(const std::string &text)
{
    return text.empty() ? std::string("An empty cell") : "'" + text + "'";
}

const std::string &Caption(int column)
{
    return memory::ColumnCaptions().at(static_cast<std::size_t>(column));
}

bool SameButCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

std::string Listed(const std::vector<std::string> &items)
{
    std::string out;
    for (const std::string &item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

// "23N" or "23I", with or without leading zeros: the code the tone rules
// also put for a malformed one.
bool IsCode23(const std::string &text)
{
    const std::size_t digits = text.find_first_not_of('0');
    return digits != std::string::npos && (text.substr(digits) == "23N" || text.substr(digits) == "23I");
}

std::string ToneRefusal(const std::string &text)
{
    if (text.empty() || text == " " || text == "NONE")
        return {};
    const std::string refused = Quoted(text) + " is not a CTCSS tone or a DCS code (\"88.5\", \"754N\", \"NONE\")";
    // What the cell's editor lets through.
    if (text.find_first_not_of(".0123456789EINO") != std::string::npos)
        return refused;
    std::string regular;
    try {
        regular = NormalizeToneText(text);
    } catch (const text::ConversionError &) {
        return refused;
    }
    if ((regular == "023N" || regular == "023I") && !IsCode23(text))
        return refused; // a malformed code, replaced
    if (CountLetters(text) == 0 && text::StrToFloat(text) > kHighestTone)
        return Quoted(text) + " is above the highest tone, 300.0";
    return {};
}

std::string FrequencyRefusal(const std::string &text)
{
    if (memory::IsNoFrequency(text))
        return {};
    try {
        if (!CheckFrequencyText(text).empty())
            return {};
    } catch (const text::ConversionError &) {
    }
    return Quoted(text) + " is not a frequency in MHz above 0 and up to 999.99999";
}

bool IsChannelCell(const memory::ChannelTable &table, int row, int column)
{
    return row >= 1 && row < table.RowCount() && column >= 0 && column < memory::kColumnCount;
}

} // namespace

std::string RefusalOf(int column, const std::string &text)
{
    if (column < 0 || column >= memory::kColumnCount)
        return "The table has no column " + std::to_string(column);
    if (column == memory::kColChannel)
        return "The channel numbers do not change";
    if (column == memory::kColRxFreq || column == memory::kColTxFreq)
        return FrequencyRefusal(text);
    if (column == memory::kColDecodeTone || column == memory::kColEncodeTone)
        return ToneRefusal(text);
    const auto &items = memory::PickList(column);
    if (std::any_of(items.begin(), items.end(), [&text](const std::string &item) { return SameButCase(item, text); }))
        return {};
    return Quoted(text) + " is not one of " + Listed(items);
}

std::vector<CellText> FillSelection(const CellSelection &cells, const std::string &text)
{
    std::vector<CellText> out;
    for (const auto &[row, columns] : cells)
        for (const int column : columns)
            out.push_back({row, column, text});
    return out;
}

std::vector<CellText> FillDown(const memory::ChannelTable &table, const CellSelection &cells)
{
    std::map<int, int> top; // column -> its top selected row
    for (const auto &[row, columns] : cells)
        for (const int column : columns)
            top.emplace(column, row); // rows come in ascending order
    std::vector<CellText> out;
    for (const auto &[row, columns] : cells)
        for (const int column : columns)
            if (row > top.at(column) && table.Contains(top.at(column), column))
                out.push_back({row, column, table.Cell(top.at(column), column)});
    return out;
}

std::vector<CellText> SetColumn(const std::set<int> &rows, int column, const std::string &text)
{
    std::vector<CellText> out;
    for (const int row : rows)
        out.push_back({row, column, text});
    return out;
}

void SetCells(memory::ChannelTable &table, const std::vector<CellText> &cells)
{
    for (const CellText &cell : cells) {
        if (!IsChannelCell(table, cell.row, cell.column))
            throw text::Failure("Only the cells of channels 1 to " + std::to_string(table.RowCount() - 1) +
                                " are set. Nothing was changed.");
        const std::string why = RefusalOf(cell.column, cell.text);
        if (!why.empty())
            throw text::Failure(why + " (" + Caption(cell.column) + " of channel " + std::to_string(cell.row) +
                                "). Nothing was changed.");
    }
    // As the user would type them: a row's receive frequency first, since it
    // makes a new row (and its defaults) the other cells then go into.
    std::vector<CellText> ordered = cells;
    std::stable_sort(ordered.begin(), ordered.end(), [](const CellText &a, const CellText &b) {
        const auto key = [](const CellText &c) {
            return std::tuple(c.row, c.column != memory::kColRxFreq, c.column);
        };
        return key(a) < key(b);
    });
    memory::ChannelTable changed = table;
    for (const CellText &cell : ordered)
        CommitCell(changed, cell.row, cell.column, cell.text);
    table = std::move(changed);
}

} // namespace tonvar::app
