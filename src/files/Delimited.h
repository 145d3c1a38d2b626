// SPDX-License-Identifier: GPL-3.0-or-later
// Records of fields split by one separator character, as CSV files and
// spreadsheets' clipboard text keep them: a field in double quotes may hold
// the separator, line ends and doubled quotes. The flavours differ in small
// rules, which the caller names.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace tonvar::files {

struct DelimitedSyntax {
    char separator = ',';
    // A lone line end is a record of one empty field (else it is no record).
    bool blankLinesAreRecords = false;
    // Blanks before an opening quote are dropped (else a quote opens a field
    // only as its first character).
    bool blanksBeforeQuote = false;
};

// The records of the text. Lines end at CR, LF or CR LF; the last line end
// is optional.
std::vector<std::vector<std::string>> ParseDelimited(const std::string &text, const DelimitedSyntax &syntax);

// One record, without a line end: the fields joined by `separator`, a field
// for which `needsQuotes` holds in double quotes with inner quotes doubled.
std::string FormatDelimited(std::span<const std::string> fields, char separator,
                            bool (*needsQuotes)(const std::string &field));

} // namespace tonvar::files
