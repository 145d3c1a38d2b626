// SPDX-License-Identifier: GPL-3.0-or-later
// CSV channel lists come from spreadsheets and other programs: any bytes at
// all must import into channels 1 to 16 or be refused as no list, without
// touching the captions or another row. Every channel an import fills holds
// texts the radio takes (a frequency the table keeps, tones from the tone
// list, entries of the pick lists), so it exports without a conversion
// error, and the export imports back to the same table.
#include "Fuzz.h"

#include "app/CsvImport.h"
#include "app/TableRules.h"
#include "files/ChannelCsv.h"
#include "memory/Holdable.h"
#include "text/Convert.h"

#include <algorithm>
#include <string>

using namespace tonvar;
using fuzz::Check;

namespace {

bool InList(const std::vector<std::string> &list, const std::string &text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

bool Frequency(const std::string &text)
{
    return !text.empty() && app::CheckFrequencyText(text) == text &&
           text::FormatFixed(text::StrToFloat(text), 5) == text;
}

// A tone or code as a typed one stands in the table: the edit rules keep it.
bool ToneAsTyped(const std::string &cell)
{
    try {
        return app::NormalizeToneText(cell) == cell;
    } catch (const text::ConversionError &) {
        return false;
    }
}

void CheckChannel(const memory::ChannelRow &row)
{
    if (row[memory::kColRxFreq].empty()) {
        for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c)
            Check(row[static_cast<std::size_t>(c)].empty(), "a channel without a frequency holds a text");
        return;
    }
    Check(Frequency(row[memory::kColRxFreq]), "an imported receive frequency the table would not keep");
    Check(row[memory::kColTxFreq].empty() || Frequency(row[memory::kColTxFreq]),
          "an imported transmit frequency the table would not keep");
    for (int c = memory::kColDecodeTone; c <= memory::kColCompandor; ++c) {
        const std::string &cell = row[static_cast<std::size_t>(c)];
        if (c >= memory::kColDtmf1)
            Check(cell == memory::NewRowDefaults()[static_cast<std::size_t>(c)],
                  "a column the list has no place for is not its default");
        else if (c == memory::kColDecodeTone || c == memory::kColEncodeTone)
            Check(InList(memory::PickList(c), cell) || ToneAsTyped(cell),
                  "an imported tone the table would not keep as it is");
        else
            Check(InList(memory::PickList(c), cell), "an imported text outside its column's list");
    }
    // Whatever was imported can be written to the radio as it stands.
    try {
        memory::CheckChannelHeld(row, 1);
    } catch (const text::Failure &) {
        Check(false, "an imported channel the radio cannot hold");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    memory::ChannelTable table;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        table.Row(ch) = {std::to_string(ch),
                         "430.00000",
                         "",
                         "67.0",
                         "023N",
                         "LOW",
                         "NARROW",
                         "NONE",
                         "5000",
                         "1",
                         "2",
                         "BOT",
                         "3",
                         "FSK",
                         "9",
                         "YES"};
    const memory::ChannelTable before = table;
    app::CsvImportResult result;
    try {
        result = app::ImportCsvText(text, table);
    } catch (const text::Failure &) {
        for (int r = 0; r < table.RowCount(); ++r)
            Check(table.Row(r) == before.Row(r), "a refused list changed the table");
        return 0;
    }
    Check(table.RowCount() == before.RowCount(), "an import changed the number of rows");
    Check(table.Row(0) == before.Row(0), "an import changed the captions");
    int filled = 0;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        Check(table.Cell(ch, 0) == before.Cell(ch, 0), "an import changed a channel number");
        CheckChannel(table.Row(ch));
        filled += table.Cell(ch, memory::kColRxFreq).empty() ? 0 : 1;
    }
    Check(filled == result.taken && result.taken <= std::min(result.rows, memory::kChannelCount),
          "the report counts other rows than were taken");
    Check(result.Report().size() < 16 * 1024, "the report grew with the file");

    std::string exported;
    try {
        exported = files::ChannelCsvText(table);
    } catch (const text::ConversionError &) {
        Check(false, "an imported channel does not export");
    }
    memory::ChannelTable again = before;
    const app::CsvImportResult second = app::ImportCsvText(exported, again);
    Check(second.taken == filled && second.notTaken.empty(), "an export imports with rows not taken");
    // Each exported channel comes back at its Location; the empty ones,
    // left out of the export, come back empty.
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c)
            Check(again.Cell(ch, c) == table.Cell(ch, c), "an exported channel imports back different");
    return 0;
}
