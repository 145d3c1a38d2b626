// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ChannelCsv.h"

#include "files/ChannelFile.h"
#include "files/Delimited.h"
#include "text/Convert.h"

#include <cstdint>

namespace tonvar::files {

namespace {

constexpr char kComma = ',';
const std::string kByteOrderMark = "\xEF\xBB\xBF";

// The format's values for a side that has no tone of that kind.
const std::string kUnusedTone = "88.5";
const std::string kUnusedCode = "023";

constexpr double kHertzPerMegahertz = 1e6;
// A transmit frequency further than this from the receive frequency is
// given as itself ("split") rather than as an offset.
constexpr std::int64_t kSplitAboveHertz = 70'000'000;

std::string Trimmed(const std::string &s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// As the channel block takes it: whole hertz, or a conversion error.
std::int64_t Hertz(const std::string &megahertz)
{
    return text::ScaledToInt(megahertz, kHertzPerMegahertz);
}

std::string SixDecimals(std::int64_t hertz)
{
    return text::FormatFixed(static_cast<double>(hertz) / kHertzPerMegahertz, 6);
}

// One side of a channel's squelch as the radio takes a tone cell: "NONE", a
// DCS code (four characters ending in "N" or "I"), or a CTCSS tone.
struct ToneSide {
    enum class Kind { None, Tone, Code } kind = Kind::None;
    std::string value;   // "67.0" or "023"
    char polarity = 'N'; // N normal, R reversed (our "I")
};

ToneSide SideOf(const std::string &cell)
{
    if (cell == "NONE")
        return {};
    if (cell.size() == 4 && (cell[3] == 'N' || cell[3] == 'I'))
        return {ToneSide::Kind::Code, cell.substr(0, 3), cell[3] == 'N' ? 'N' : 'R'};
    return {ToneSide::Kind::Tone, text::FormatFixed(text::StrToFloat(cell), 1), 'N'};
}

const char *CrossName(ToneSide::Kind kind)
{
    switch (kind) {
    case ToneSide::Kind::Tone:
        return "Tone";
    case ToneSide::Kind::Code:
        return "DTCS";
    case ToneSide::Kind::None:
        break;
    }
    return "";
}

std::vector<std::string> ExportRow(int channel, const memory::ChannelRow &row)
{
    const auto cell = [&row](int column) -> const std::string & { return row[static_cast<std::size_t>(column)]; };
    const std::int64_t rx = Hertz(cell(memory::kColRxFreq));
    std::string duplex;
    std::int64_t offset = 0;
    if (memory::IsNoFrequency(cell(memory::kColTxFreq))) {
        duplex = "off";
    } else {
        const std::int64_t tx = Hertz(cell(memory::kColTxFreq));
        const std::int64_t difference = tx - rx;
        if (difference > kSplitAboveHertz || difference < -kSplitAboveHertz) {
            duplex = "split";
            offset = tx;
        } else if (difference > 0) {
            duplex = "+";
            offset = difference;
        } else if (difference < 0) {
            duplex = "-";
            offset = -difference;
        }
    }

    // The transmitter sends the encode tone, the receiver opens on the decode tone.
    const ToneSide transmit = SideOf(cell(memory::kColEncodeTone));
    const ToneSide receive = SideOf(cell(memory::kColDecodeTone));
    using Kind = ToneSide::Kind;
    std::string tone, rTone = kUnusedTone, cTone = kUnusedTone, code = kUnusedCode, rxCode = kUnusedCode;
    std::string cross = "Tone->Tone";
    if (transmit.kind == Kind::None && receive.kind == Kind::None) {
        // no squelch tones
    } else if (transmit.kind == Kind::Tone && receive.kind == Kind::None) {
        tone = "Tone";
        rTone = transmit.value;
    } else if (transmit.kind == Kind::Tone && receive.kind == Kind::Tone && transmit.value == receive.value) {
        tone = "TSQL";
        cTone = receive.value;
    } else if (transmit.kind == Kind::Code && receive.kind == Kind::Code && transmit.value == receive.value) {
        tone = "DTCS";
        code = transmit.value;
        rxCode = receive.value;
    } else {
        tone = "Cross";
        cross = std::string(CrossName(transmit.kind)) + "->" + CrossName(receive.kind);
        if (transmit.kind == Kind::Tone)
            rTone = transmit.value;
        if (transmit.kind == Kind::Code)
            code = transmit.value;
        if (receive.kind == Kind::Tone)
            cTone = receive.value;
        if (receive.kind == Kind::Code)
            rxCode = receive.value;
    }
    const std::string polarity{transmit.kind == Kind::Code ? transmit.polarity : 'N',
                               receive.kind == Kind::Code ? receive.polarity : 'N'};

    const double stepKilohertz = text::StrToInt(cell(memory::kColStep)) / 1000.0;
    return {std::to_string(channel),
            "",
            SixDecimals(rx),
            duplex,
            SixDecimals(offset),
            tone,
            rTone,
            cTone,
            code,
            polarity,
            rxCode,
            cross,
            cell(memory::kColBandwidth) == "NARROW" ? "NFM" : "FM",
            text::FormatFixed(stepKilohertz, 2),
            cell(memory::kColScanAdd) == "NONE" ? "S" : "",
            cell(memory::kColPower) == "LOW" ? "Low" : "High",
            ""};
}

} // namespace

const std::vector<std::string> &CsvColumns()
{
    static const std::vector<std::string> columns{
        "Location",     "Name",       "Frequency", "Duplex", "Offset", "Tone", "rToneFreq", "cToneFreq", "DtcsCode",
        "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode",   "TStep",  "Skip", "Power",     "Comment"};
    return columns;
}

std::vector<std::vector<std::string>> ParseCsv(const std::string &text)
{
    const bool marked = text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0;
    return ParseDelimited(marked ? text.substr(kByteOrderMark.size()) : text,
                          {.separator = kComma, .blankLinesAreRecords = false, .blanksBeforeQuote = true});
}

std::string FormatCsvLine(const std::vector<std::string> &fields)
{
    return FormatDelimited(fields, kComma, [](const std::string &f) {
        return f.find_first_of(",\"\r\n") != std::string::npos || (!f.empty() && Trimmed(f) != f);
    });
}

CsvList::CsvList(const std::string &text)
{
    rows_ = ParseCsv(text);
    if (rows_.empty())
        return;
    const std::vector<std::string> header = rows_.front();
    rows_.erase(rows_.begin());
    for (std::size_t k = 0; k < header.size(); ++k)
        columns_.emplace(Trimmed(header[k]), k); // the first of two equal names counts
}

std::string CsvList::Field(int row, const std::string &column) const
{
    const auto at = columns_.find(column);
    if (row < 0 || row >= RowCount() || at == columns_.end())
        return {};
    const std::vector<std::string> &fields = rows_[static_cast<std::size_t>(row)];
    return at->second < fields.size() ? Trimmed(fields[at->second]) : std::string();
}

std::string ChannelCsvText(const memory::ChannelTable &table)
{
    std::string out = FormatCsvLine(CsvColumns()) + "\r\n";
    for (int ch = 1; ch <= memory::kChannelCount && ch < table.RowCount(); ++ch)
        if (!memory::IsNoFrequency(table.Cell(ch, memory::kColRxFreq)))
            out += FormatCsvLine(ExportRow(ch, table.Row(ch))) + "\r\n";
    return out;
}

std::string ReadCsvFile(const std::string &fileName)
{
    return ReadFileBytes(fileName, "The file is too large to be a channel list.");
}

void SaveCsvFile(const memory::ChannelTable &table, const std::string &fileName)
{
    SaveFileBytes(fileName, ChannelCsvText(table));
}

} // namespace tonvar::files
