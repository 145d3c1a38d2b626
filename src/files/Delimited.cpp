// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Delimited.h"

namespace tonvar::files {

namespace {

constexpr char kQuote = '"';

bool OnlyBlanks(const std::string &s)
{
    return s.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

std::vector<std::vector<std::string>> ParseDelimited(const std::string &text, const DelimitedSyntax &syntax)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;    // inside a quoted field
    bool fieldStart = true; // nothing of this field read yet
    bool content = false;   // the record holds something: a character, a separator or quotes
    const auto endRecord = [&](bool lineEnd) {
        if (content || (lineEnd && syntax.blankLinesAreRecords)) {
            record.push_back(std::move(field));
            records.push_back(std::move(record));
        }
        record.clear();
        field.clear();
        fieldStart = true;
        content = false;
    };
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
        if (c == syntax.separator) {
            record.push_back(std::move(field));
            field.clear();
            fieldStart = true;
            content = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endRecord(true);
        } else if (c == kQuote && (syntax.blanksBeforeQuote ? OnlyBlanks(field) : fieldStart)) {
            field.clear(); // blanks before the opening quote are no part of the field
            quoted = true;
            fieldStart = false;
            content = true;
        } else {
            field += c;
            fieldStart = false;
            content = true;
        }
    }
    endRecord(false);
    return records;
}

std::string FormatDelimited(std::span<const std::string> fields, char separator,
                            bool (*needsQuotes)(const std::string &field))
{
    std::string out;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k > 0)
            out += separator;
        const std::string &f = fields[k];
        if (!needsQuotes(f)) {
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
    return out;
}

} // namespace tonvar::files
