// SPDX-License-Identifier: GPL-3.0-or-later
// Every text conversion on an arbitrary text: the number conversions every
// window uses, the codes of the block encoders, and the channel table's edit
// rules. A conversion either throws its conversion error or gives a value
// that survives being written as text and read again.
//
// Input: a first byte that picks the table column the text is typed into,
// then the text.
#include "Fuzz.h"

#include "app/TableRules.h"
#include "memory/ChannelBlock.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "signalling/DtmfCodec.h"
#include "signalling/ToneCodecs.h"
#include "text/Convert.h"

#include <cmath>
#include <string>

using namespace tonvar;
using fuzz::Check;

namespace {

template <typename Convert>
void Try(Convert &&convert)
{
    try {
        convert();
    } catch (const text::ConversionError &) {
    }
}

void WholeNumbers(const std::string &t)
{
    Try([&] {
        const std::int32_t v = text::StrToInt(t);
        Check(text::StrToInt(std::to_string(v)) == v, "a whole number does not survive its text");
    });
    Try([&] { text::HexToInt(t); });
}

// |a - b| within what 15 significant digits and `decimals` decimals allow.
bool Near(double a, double b, double absolute)
{
    return std::fabs(a - b) <= absolute + 1e-14 * std::fabs(b);
}

void DecimalNumbers(const std::string &t)
{
    double v = 0;
    try {
        v = text::StrToFloat(t);
    } catch (const text::ConversionError &) {
        return;
    }
    Check(std::isfinite(v), "a text read as an infinite number");
    for (const int decimals : {0, 1, 5}) {
        const std::string fixed = text::FormatFixed(v, decimals);
        const std::size_t point = fixed.find('.');
        Check(decimals == 0 ? point == std::string::npos
                            : fixed.size() - point - 1 == static_cast<std::size_t>(decimals),
              "a number written with the wrong number of decimals");
        Check(Near(text::StrToFloat(fixed), v, 0.5 * std::pow(10.0, -decimals)), "a fixed-point text is off");
    }
    const std::string shortest = text::FloatToShortest(v);
    if (std::fabs(v) >= 1e-300) // below that, 15 digits are more than the value holds
        Check(Near(text::StrToFloat(shortest), v, 0), "a shortest text does not read back");
    Try([&] {
        // Whole on its 15 significant digits, as 462.5625 x 1e6 must be.
        const std::int32_t whole = text::ShortestToInt(v);
        Check(Near(static_cast<double>(whole), v, 0), "a whole number came from a fraction");
    });
    for (const double scale : {10.0, 100.0, 1e6})
        Try([&] { text::ScaledToInt(t, scale); });
}

void Codes(const std::string &t)
{
    using namespace signalling;
    Try([&] {
        const std::uint16_t code = memory::EncodeToneCode(t);
        std::string shown;
        memory::DecodeToneCode(code, shown);
    });
    if (const auto byte = GroupCodeByte(t))
        Check(GroupCodeText(*byte) == t, "a group code does not survive its byte");
    Try([&] { EncodeTonePair(t); });
    Try([&] { Encode5ToneCode(t); });
    if (const std::uint8_t s = EncodeStandard(t))
        Check(DecodeStandard(s) == t, "a standard does not survive its number");
    Check(ToneTable(t).has_value() == (EncodeStandard(t) != 0), "a standard without tones");
    EncodeFunction(t);
    EncodeIdCode(t);
    EncodeAutodial(t);
}

// The channel table's edit rules on a programmed channel with the text typed
// into one cell, then the channel encoded as a write would.
void TableRules(int column, const std::string &t)
{
    Try([&] {
        const std::string f = app::CheckFrequencyText(t);
        Check(f.empty() || f == t, "a frequency check made up a text");
    });
    Try([&] {
        const std::string tone = app::NormalizeToneText(t);
        Check(app::NormalizeToneText(tone) == tone, "a normalised tone changes when normalised again");
    });

    memory::ChannelTable table;
    table.Row(1) = {"1",     "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                    "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
    if (table.Contains(1, column))
        table.SetCell(1, column, t);
    Try([&] { app::CompleteCellEdit(table, 1, column); });
    Check(table.Cell(1, 0) == "1" || column == 0, "the edit rules changed the channel number");
    memory::Payload payload{};
    Try([&] { memory::EncodeChannelBlock(table.Row(1), payload); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Reader in(data, size);
    const int column = static_cast<int>(in.Byte() % (memory::kColumnCount + 2)) - 1; // -1 .. 16
    const std::string t = in.Rest();

    WholeNumbers(t);
    DecimalNumbers(t);
    Codes(t);
    TableRules(column, t);

    // The settings encoder on the text in each box.
    for (int box = 1; box <= memory::kSettingsBoxCount; ++box) {
        memory::SettingsTexts settings = memory::DefaultSettingsTexts();
        settings.Box(box) = t;
        memory::Payload payload{};
        Try([&] { memory::EncodeSettingsBlock(settings, payload); });
    }
    return 0;
}
