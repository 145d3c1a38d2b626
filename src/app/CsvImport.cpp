// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CsvImport.h"

#include "app/TableRules.h"
#include "files/ChannelCsv.h"
#include "text/Convert.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tonvar::app {

namespace {

using memory::ChannelRow;

constexpr double kHighestTone = 300.0;

// Why a row is not taken.
struct NotTaken {
    std::string reason;
};

// A value from the file as the report quotes it: printable ASCII only, and
// short.
std::string Shown(const std::string &value)
{
    constexpr std::size_t kLongest = 24;
    std::string out;
    for (const char c : value.substr(0, kLongest))
        out += c >= 0x20 && c < 0x7F ? c : '?';
    if (value.size() > kLongest)
        out += "...";
    return "'" + out + "'";
}

// Ascending numbers as few words: "3", "3 and 5", "1, 3 to 5 and 9".
std::string NumberList(const std::vector<int> &numbers)
{
    std::vector<std::string> runs;
    for (std::size_t k = 0; k < numbers.size();) {
        std::size_t end = k;
        while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1)
            ++end;
        if (end >= k + 2) {
            runs.push_back(std::to_string(numbers[k]) + " to " + std::to_string(numbers[end]));
            k = end + 1;
        } else {
            runs.push_back(std::to_string(numbers[k++]));
        }
    }
    std::string out;
    for (std::size_t k = 0; k < runs.size(); ++k)
        out += (k == 0 ? "" : k + 1 == runs.size() ? " and " : ", ") + runs[k];
    return out;
}

std::string RowsWord(const std::vector<int> &rows)
{
    return (rows.size() == 1 ? "Row " : "Rows ") + NumberList(rows);
}

std::optional<double> Number(const std::string &s)
{
    try {
        return text::StrToFloat(s);
    } catch (const text::ConversionError &) {
        return std::nullopt;
    }
}

bool InToneList(const std::string &text)
{
    const auto &list = memory::ToneList();
    return std::find(list.begin(), list.end(), text) != list.end();
}

// A frequency text as the table keeps it (five decimals), or why not.
std::string Frequency(const std::string &value, const std::string &what)
{
    std::string checked;
    try {
        checked = CheckFrequencyText(value);
    } catch (const text::ConversionError &) {
        throw NotTaken{what + " " + Shown(value) + " is not a number"};
    }
    // Written with five decimals it must still be one (0.000001 would be 0).
    const std::string five = checked.empty() ? checked : text::FormatFixed(text::StrToFloat(checked), 5);
    if (five.empty() || CheckFrequencyText(five).empty())
        throw NotTaken{what + " " + Shown(value) + " is not a frequency above 0 and up to 999.99999 MHz"};
    return five;
}

class RowReader {
public:
    RowReader(const files::CsvList &list, int row) : list_(list), row_(row) {}

    std::string Field(const std::string &column) const { return list_.Field(row_, column); }
    bool Has(const std::string &column) const { return list_.Has(column); }

    ChannelRow Channel() const
    {
        ChannelRow out = memory::NewRowDefaults();
        out[memory::kColBandwidth] = Bandwidth();
        out[memory::kColRxFreq] = Frequency(Field("Frequency"), "frequency");
        out[memory::kColTxFreq] = Transmit(out[memory::kColRxFreq]);
        Tones(out[memory::kColEncodeTone], out[memory::kColDecodeTone]);
        out[memory::kColScanAdd] = Field("Skip") == "S" ? "NONE" : "YES";
        out[memory::kColPower] = Power();
        out[memory::kColStep] = Step();
        return out;
    }

private:
    std::string Bandwidth() const
    {
        const std::string mode = Field("Mode");
        if (mode.empty() || mode == "FM")
            return "WIDE";
        if (mode == "NFM")
            return "NARROW";
        throw NotTaken{"mode " + Shown(mode) + " is not FM or NFM"};
    }

    std::string Transmit(const std::string &rx) const
    {
        const std::string duplex = Field("Duplex");
        if (duplex.empty())
            return rx;
        if (duplex == "off")
            return {};
        if (duplex != "+" && duplex != "-" && duplex != "split")
            throw NotTaken{"duplex " + Shown(duplex) + " is not empty, +, -, split or off"};
        const std::string offsetText = Field("Offset");
        const std::optional<double> offset = Number(offsetText);
        if (!offset)
            throw NotTaken{"offset " + Shown(offsetText) + " is not a number"};
        if (duplex == "split")
            return Frequency(offsetText, "transmit frequency");
        const double v = text::StrToFloat(rx) + (duplex == "+" ? *offset : -*offset);
        return Frequency(text::FormatFixed(v, 5), "transmit frequency");
    }

    std::string Tone(const std::string &column) const
    {
        const std::string value = Has(column) ? Field(column) : "88.5";
        const std::optional<double> v = Number(value);
        // What the table holds: a tone of the list, or any typed one up to
        // 300.0 Hz with one decimal.
        const std::string tone = v ? text::FormatFixed(*v, 1) : std::string();
        const double kept = v ? text::StrToFloat(tone) : 0.0; // as one decimal keeps it
        if (!v || (!InToneList(tone) && !(kept >= 0.1 && kept <= kHighestTone)))
            throw NotTaken{"tone " + Shown(value) + " is not a tone from 0.1 to 300.0 Hz"};
        return tone;
    }

    // `side` 0 is the transmit letter of DtcsPolarity, 1 the receive letter.
    std::string Code(const std::string &column, int side) const
    {
        const std::string value = Has(column) ? Field(column) : "023";
        const bool digits = !value.empty() && value.size() <= 3 &&
                            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        std::string code = digits ? std::string(3 - value.size(), '0') + value : std::string();
        const std::string polarity = Has("DtcsPolarity") ? Field("DtcsPolarity") : "NN";
        if (polarity.size() != 2 || (polarity[0] != 'N' && polarity[0] != 'R') ||
            (polarity[1] != 'N' && polarity[1] != 'R'))
            throw NotTaken{"DTCS polarity " + Shown(polarity) + " is not NN, NR, RN or RR"};
        code += polarity[static_cast<std::size_t>(side)] == 'N' ? 'N' : 'I';
        // Any three digits, as the table keeps a typed code ("7I" is 007I).
        if (!digits)
            throw NotTaken{"DTCS code " + Shown(value) + " is not one to three digits"};
        return code;
    }

    void Tones(std::string &encode, std::string &decode) const
    {
        const std::string mode = Field("Tone");
        encode = decode = "NONE";
        if (mode.empty())
            return;
        if (mode == "Tone") {
            encode = Tone("rToneFreq");
        } else if (mode == "TSQL") {
            encode = decode = Tone("cToneFreq");
        } else if (mode == "DTCS") {
            // One code both ways; RxDtcsCode counts only in cross modes.
            encode = Code("DtcsCode", 0);
            decode = Code("DtcsCode", 1);
        } else if (mode == "Cross") {
            const std::string cross = Has("CrossMode") ? Field("CrossMode") : "Tone->Tone";
            const std::size_t arrow = cross.find("->");
            const std::string from = arrow == std::string::npos ? cross : cross.substr(0, arrow);
            const std::string to = arrow == std::string::npos ? std::string() : cross.substr(arrow + 2);
            const bool known = arrow != std::string::npos && (from.empty() || from == "Tone" || from == "DTCS") &&
                               (to.empty() || to == "Tone" || to == "DTCS") && !(from.empty() && to.empty());
            if (!known)
                throw NotTaken{"cross mode " + Shown(cross) +
                               " is not Tone->Tone, Tone->DTCS, DTCS->Tone, ->Tone, ->DTCS, DTCS->, Tone-> or "
                               "DTCS->DTCS"};
            if (from == "Tone")
                encode = Tone("rToneFreq");
            else if (from == "DTCS")
                encode = Code("DtcsCode", 0);
            if (to == "Tone")
                decode = Tone("cToneFreq");
            else if (to == "DTCS")
                decode = Code(Has("RxDtcsCode") ? "RxDtcsCode" : "DtcsCode", 1);
        } else {
            throw NotTaken{"tone mode " + Shown(mode) + " is not empty, Tone, TSQL, DTCS or Cross"};
        }
    }

    std::string Power() const
    {
        const std::string power = Field("Power");
        if (!power.empty() && (power[0] == 'L' || power[0] == 'l'))
            return "LOW";
        // A wattage, "1.0W" or "0.5 W".
        std::string watts = power;
        if (!watts.empty() && (watts.back() == 'W' || watts.back() == 'w'))
            watts.pop_back();
        const std::optional<double> v = watts.empty() ? std::nullopt : Number(watts);
        return v && *v < 2.0 ? "LOW" : "HIGH";
    }

    std::string Step() const
    {
        const std::string step = Field("TStep");
        if (step.empty())
            return memory::NewRowDefaults()[memory::kColStep];
        const std::optional<double> kilohertz = Number(step);
        if (kilohertz) {
            const double hertz = *kilohertz * 1000.0;
            for (const std::string &s : memory::PickList(memory::kColStep))
                if (std::fabs(hertz - text::StrToFloat(s)) < 1e-6)
                    return s;
        }
        throw NotTaken{"step " + Shown(step) + " kHz is not 5.00, 6.25, 10.00, 12.50 or 25.00"};
    }

    const files::CsvList &list_;
    int row_;
};

} // namespace

std::string CsvImportResult::Report() const
{
    std::string out = "Imported " + std::to_string(taken) + " of " + std::to_string(rows) +
                      (rows == 1 ? " row" : " rows") + " into channels 1 to 16.";
    for (const std::string &line : notTaken)
        out += "\n" + line;
    if (names)
        out += "\nNames are not stored by this radio; the Name column was left out.";
    return out;
}

CsvImportResult ImportCsvText(const std::string &text, memory::ChannelTable &table)
{
    const files::CsvList list(text);
    if (!list.Has("Frequency"))
        throw text::Failure("The file is no CSV channel list: it has no Frequency column.");
    CsvImportResult result;
    result.rows = list.RowCount();
    const int channels = std::min(memory::kChannelCount, table.RowCount() - 1);

    // Each row goes to the channel its Location names; rows without one
    // (or with one that is taken, or no channel) fill the next free ones.
    std::vector<int> rowOf(static_cast<std::size_t>(channels + 1), -1);
    std::vector<int> unplaced;
    for (int r = 0; r < list.RowCount(); ++r) {
        const std::string location = list.Field(r, "Location");
        int ch = 0;
        if (!location.empty() && location.size() <= 3 &&
            std::all_of(location.begin(), location.end(), [](char c) { return c >= '0' && c <= '9'; }))
            ch = std::stoi(location);
        if (ch >= 1 && ch <= channels && rowOf[static_cast<std::size_t>(ch)] < 0)
            rowOf[static_cast<std::size_t>(ch)] = r;
        else
            unplaced.push_back(r);
    }
    // Rows put elsewhere than their Location, as rows with none and rows
    // whose Location is no free channel.
    std::vector<int> unnamedRows, unnamedChannels, takenRows, takenChannels;
    int next = 1;
    std::vector<int> left; // rows with no channel left for them
    for (const int r : unplaced) {
        while (next <= channels && rowOf[static_cast<std::size_t>(next)] >= 0)
            ++next;
        if (next > channels) {
            left.push_back(r + 1);
            continue;
        }
        rowOf[static_cast<std::size_t>(next)] = r;
        if (list.Has("Location")) {
            const bool none = list.Field(r, "Location").empty();
            (none ? unnamedRows : takenRows).push_back(r + 1);
            (none ? unnamedChannels : takenChannels).push_back(next);
        }
    }

    for (int ch = 1; ch <= channels; ++ch) {
        const int r = rowOf[static_cast<std::size_t>(ch)];
        ChannelRow row{};
        if (r >= 0) {
            try {
                row = RowReader(list, r).Channel();
                ++result.taken;
                if (!list.Field(r, "Name").empty())
                    result.names = true;
            } catch (const NotTaken &e) {
                row = ChannelRow{};
                result.notTaken.push_back("Row " + std::to_string(r + 1) + ": " + e.reason + "; channel " +
                                          std::to_string(ch) + " left empty.");
            }
        }
        row[memory::kColChannel] = std::to_string(ch);
        table.Row(ch) = row;
    }
    const auto channelsWord = [](const std::vector<int> &c) {
        return (c.size() == 1 ? "channel " : "channels ") + NumberList(c);
    };
    if (!unnamedRows.empty())
        result.notTaken.push_back(RowsWord(unnamedRows) + ": no Location; put in " + channelsWord(unnamedChannels) +
                                  ".");
    if (takenRows.size() == 1)
        result.notTaken.push_back(RowsWord(takenRows) + ": Location " +
                                  Shown(list.Field(takenRows.front() - 1, "Location")) +
                                  " is no free channel 1 to 16; put in " + channelsWord(takenChannels) + ".");
    else if (!takenRows.empty())
        result.notTaken.push_back(RowsWord(takenRows) + ": their Location is no free channel 1 to 16; put in " +
                                  channelsWord(takenChannels) + " in file order.");
    if (!left.empty())
        result.notTaken.push_back(RowsWord(left) + ": not taken; the radio has 16 channels.");
    return result;
}

} // namespace tonvar::app
