#include "app/RowClipboard.h"

#include "app/TableRules.h"
#include "memory/ChannelTexts.h"

#include <algorithm>

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

} // namespace

void CommitCell(memory::ChannelTable &table, int row, int column, const std::string &text)
{
    if (!ValidRow(table, row) || column < memory::kColRxFreq || column > memory::kColCompandor)
        return;
    std::string stored = text;
    if (!IsTyped(column)) {
        const auto &items = memory::PickList(column);
        stored = std::find(items.begin(), items.end(), text) != items.end() ? text : memory::EditorDefault(column);
    }
    table.SetCell(row, column, std::move(stored));
    xgSetEditText(table, row, column);
}

std::string FormatClipboard(const std::vector<std::vector<std::string>> &rows)
{
    std::string out;
    for (const auto &fields : rows) {
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (k > 0)
                out += kTab;
            const std::string &f = fields[k];
            if (f.find_first_of("\t\r\n") == std::string::npos && (f.empty() || f.front() != kQuote)) {
                out += f;
                continue;
            }
            out += kQuote;
            for (const char c : f) {
                if (c == kQuote)
                    out += kQuote;
                out += c;
            }
            out += kQuote;
        }
        out += '\n';
    }
    return out;
}

std::vector<std::vector<std::string>> ParseClipboard(const std::string &text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, fieldStart = true, pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != kQuote)
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == kQuote)
                field += text[++i];
            else
                quoted = false;
            continue;
        }
        if (c == kTab) {
            fields.push_back(std::move(field));
            field.clear();
            fieldStart = true;
            pending = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            fields.push_back(std::move(field));
            rows.push_back(std::move(fields));
            fields.clear();
            field.clear();
            fieldStart = true;
            pending = false;
        } else if (c == kQuote && fieldStart) {
            quoted = true;
            fieldStart = false;
            pending = true;
        } else {
            field += c;
            fieldStart = false;
            pending = true;
        }
    }
    if (pending) {
        fields.push_back(std::move(field));
        rows.push_back(std::move(fields));
    }
    return rows;
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
        // The cells this line fills, the receive frequency first: a row is
        // created by its frequency, and the other cells then go into it.
        std::vector<std::pair<int, const std::string *>> cells;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const int c = column + static_cast<int>(k);
            if (c > memory::kColCompandor)
                break;
            cells.emplace_back(c, &fields[k]);
        }
        std::stable_partition(cells.begin(), cells.end(),
                              [](const auto &cell) { return cell.first == memory::kColRxFreq; });
        for (const auto &[c, field] : cells)
            CommitCell(table, r, c, *field);
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
