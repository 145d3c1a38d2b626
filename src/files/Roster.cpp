// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Roster.h"

#include "files/ChannelCsv.h"
#include "files/ChannelFile.h"
#include "text/Convert.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace tonvar::files {

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// One line's fields, as CSV splits them (a spreadsheet writes "H/L
// PowerSwitch" without quotes: a blank separates no fields).
std::vector<std::string> Fields(const std::string &line)
{
    const std::vector<std::vector<std::string>> records = ParseCsv(line);
    return records.empty() ? std::vector<std::string>{} : records.front();
}

[[noreturn]] void NotARoster(const std::string &why, std::size_t line)
{
    throw text::Failure("The file is not a roster.",
                        (line > 0 ? "Line " + std::to_string(line) + ": " : std::string()) + why);
}

} // namespace

const Roster::Row *Roster::Find(const std::string &label, const std::string &device,
                                const std::string &serial) const
{
    const auto names = [&](const std::string &rowKey) {
        if (key == Key::Serial)
            return !serial.empty() && rowKey == serial;
        if (rowKey == label || rowKey == device)
            return true;
        std::error_code ignored;
        return rowKey.front() == '/' && !device.empty() && std::filesystem::equivalent(rowKey, device, ignored);
    };
    for (const Row &row : rows)
        if (names(row.key))
            return &row;
    return nullptr;
}

bool LooksLikeRoster(const std::string &text)
{
    const std::string start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    const std::vector<std::string> lines = SplitLines(start.substr(0, 4096));
    if (lines.empty())
        return false;
    const std::vector<std::string> header = Fields(lines.front());
    if (header.empty())
        return false;
    const std::string first = Lower(text::TrimBlanks(header.front()));
    return first == "port" || first == "serial";
}

Roster ParseRoster(const std::string &text, RosterRows rows)
{
    if (text.find('\0') != std::string::npos)
        NotARoster("It holds bytes that are not text.", 0);
    // A spreadsheet's UTF-8 byte order mark is no part of the first name.
    const std::string body = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    std::vector<std::string> lines = SplitLines(body);
    while (!lines.empty() && text::TrimBlanks(lines.back()).empty())
        lines.pop_back();
    if (lines.empty())
        NotARoster("It is empty.", 0);
    const std::vector<std::string> header = Fields(lines.front());
    const std::string first = header.empty() ? std::string() : Lower(text::TrimBlanks(header.front()));
    if (header.size() == 1 && lines.front().find(';') != std::string::npos)
        NotARoster("Its fields are separated by semicolons: save it as CSV with commas.", 1);
    const bool inOrder = rows == RosterRows::InOrder;
    if (inOrder && first.empty())
        NotARoster("The first column has no name: it labels each row (an asset number, say).", 1);
    if (!inOrder && first != "port" && first != "serial")
        NotARoster("The first column must be \"port\" or \"serial\": how each row picks its radio (a roster whose "
                   "first column is a label of another name is for tonvar-cli station).",
                   1);
    Roster roster;
    roster.key = inOrder ? Roster::Key::Label : first == "port" ? Roster::Key::Port : Roster::Key::Serial;
    std::set<std::string> names;
    for (std::size_t c = 1; c < header.size(); ++c) {
        const std::string name = text::TrimBlanks(header[c]);
        if (name.empty())
            NotARoster("Column " + std::to_string(c + 1) + " has no name.", 1);
        if (!names.insert(text::FoldedName(name)).second)
            NotARoster("\"" + name + "\" is given twice.", 1);
        roster.fields.push_back(name);
    }
    std::set<std::string> keys;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (text::TrimBlanks(lines[i]).empty())
            continue;
        std::vector<std::string> cells = Fields(lines[i]);
        if (cells.size() != header.size())
            NotARoster("It has " + std::to_string(cells.size()) + " fields; the first line has " +
                           std::to_string(header.size()) + ".",
                       i + 1);
        Roster::Row row;
        row.key = text::TrimBlanks(cells.front());
        row.line = static_cast<int>(i + 1);
        if (row.key.empty())
            NotARoster(inOrder ? "The row's label is empty." : "The radio's " + first + " is empty.", i + 1);
        if (!keys.insert(row.key).second)
            NotARoster(row.key + " has a row already.", i + 1);
        for (std::size_t c = 1; c < cells.size(); ++c)
            row.values.push_back(text::TrimBlanks(cells[c]));
        roster.rows.push_back(std::move(row));
    }
    if (roster.rows.empty())
        NotARoster("It names no radio.", 0);
    return roster;
}

Roster LoadRoster(const std::string &fileName, RosterRows rows)
{
    return LoadFileAs(fileName, "The file is too large for a roster.",
                      [rows](const std::string &text) { return ParseRoster(text, rows); });
}

} // namespace tonvar::files
