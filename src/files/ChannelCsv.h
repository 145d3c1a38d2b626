// SPDX-License-Identifier: GPL-3.0-or-later
// Channel lists as CSV, in the generic format the common open-source radio
// programmers read and write: UTF-8, comma-separated, the first line naming
// the columns
//
//   Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,
//   DtcsPolarity,RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment
//
// (files from other radios may add D-STAR columns, which are ignored).
// Columns are found by name, in any order, so older lists with fewer columns
// read as well. This part reads and writes the text; turning a list's rows
// into channels, with the table's own rules, is the import's business
// (app/CsvImport.h).
#pragma once

#include "memory/ChannelTable.h"

#include <map>
#include <string>
#include <vector>

namespace tonvar::files {

// The columns an export writes, in this order.
const std::vector<std::string> &CsvColumns();

// The records of a CSV text: fields split at commas, a field in double
// quotes may hold commas, line ends and doubled quotes. Lines end at CR, LF
// or CR LF; empty lines are no records. A UTF-8 byte-order mark is skipped.
std::vector<std::vector<std::string>> ParseCsv(const std::string &text);

// One record as a line, without the line end; a field holding a comma, a
// quote, a line end or blanks at its ends is quoted.
std::string FormatCsvLine(const std::vector<std::string> &fields);

// A CSV list: its first record names the columns, the others are data rows.
class CsvList {
public:
    explicit CsvList(const std::string &text);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    bool Has(const std::string &column) const { return columns_.count(column) != 0; }
    // The field of data row `row` (from 0) in the named column, blanks at
    // its ends removed; empty where the list has no such column or the row
    // is short.
    std::string Field(int row, const std::string &column) const;

private:
    std::map<std::string, std::size_t> columns_; // the first column of each name
    std::vector<std::vector<std::string>> rows_;
};

// The export: one line per channel 1 to 16 with a receive frequency, as the
// radio would be programmed with it (a power other than "LOW" is High, a
// bandwidth other than "NARROW" FM, a scan flag other than "NONE" scanned).
// Throws text::ConversionError for a frequency, tone or step that does not
// convert, as a write to the radio does.
std::string ChannelCsvText(const memory::ChannelTable &table);

// Reads a CSV file (at most kMaxFileSize bytes); throws text::Failure("Cannot
// open file ...").
std::string ReadCsvFile(const std::string &fileName);
// Writes the export, as channel files are saved. Throws as ChannelCsvText
// does (nothing written then) or text::Failure("Cannot create file ...").
void SaveCsvFile(const memory::ChannelTable &table, const std::string &fileName);

} // namespace tonvar::files
