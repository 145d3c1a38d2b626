// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ChannelBlock.h"

#include "text/Convert.h"

#include <optional>
#include <string_view>
#include <utility>

namespace tonvar::memory {

using namespace channel_offsets;

namespace {

constexpr double kHertzPerMegahertz = 1000000.0;
constexpr double kTenthsPerHertz = 10.0;

// Byte values of a pick list whose index is the byte.
constexpr std::array<std::string_view, 4> kPttIdTexts{"NONE", "BOTH", "BOT", "EOT"};
constexpr std::array<std::string_view, 4> kPttIdTypeTexts{"DTMF", "2TONE", "5TONE", "FSK"};

// DTMF key codes: the text at index i is byte i; "NONE" is 0xFF.
constexpr std::array<std::string_view, 16> kDtmfKeys{"D", "1", "2", "3", "4", "5", "6", "7",
                                                     "8", "9", "0", "*", "#", "A", "B", "C"};
constexpr std::uint8_t kDtmfNone = 0xFF;

template <std::size_t N>
std::optional<std::uint8_t> IndexOf(const std::array<std::string_view, N> &texts, const std::string &text)
{
    for (std::size_t i = 0; i < N; ++i)
        if (texts[i] == text)
            return static_cast<std::uint8_t>(i);
    return std::nullopt;
}

std::optional<std::uint8_t> DtmfKeyCode(const std::string &text)
{
    if (text == "NONE")
        return kDtmfNone;
    return IndexOf(kDtmfKeys, text);
}

// The on/off columns: the byte each keeps, and the texts of off (0) and on
// (any other byte; written as kOn).
struct Switch {
    int column;
    std::size_t at;
    const char *off;
    const char *on;
};
constexpr std::array<Switch, 4> kSwitches{{{kColPower, kPower, "LOW", "HIGH"},
                                           {kColBandwidth, kWidth, "NARROW", "WIDE"},
                                           {kColScanAdd, kScan, "NONE", "YES"},
                                           {kColCompandor, kCompandor, "NONE", "YES"}}};

std::uint32_t Bits(std::int32_t v)
{
    return static_cast<std::uint32_t>(v);
}

void PutIfKnown(Payload &frame, std::size_t at, std::optional<std::uint8_t> value)
{
    if (value)
        frame[at] = *value;
}

std::string FrequencyText(std::int32_t hertz)
{
    return text::FormatFixed(static_cast<double>(hertz) / kHertzPerMegahertz, 5);
}

std::string Padded3(unsigned n)
{
    std::string digits = std::to_string(n);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

} // namespace

std::uint16_t EncodeToneCode(const std::string &text)
{
    if (text == "NONE")
        return 0xFFFF;
    if (text.size() == 4 && (text[3] == 'N' || text[3] == 'I')) {
        // The three characters are taken as decimal digits whatever they are.
        const auto digit = [&](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(text[i])) - 0x30; };
        const int n = 100 * digit(0) + 10 * digit(1) + digit(2);
        const int base = text[3] == 'N' ? 0x2000 : 0xA000;
        return static_cast<std::uint16_t>(static_cast<unsigned>(base + n) & 0xFFFFu);
    }
    return static_cast<std::uint16_t>(Bits(text::ScaledToInt(text, kTenthsPerHertz)) & 0xFFFFu);
}

bool DecodeToneCode(std::uint16_t code, std::string &text)
{
    if (code == 0xFFFF) {
        text = "NONE";
        return true;
    }
    const unsigned n = code & 0x0FFFu;
    switch (code >> 12) {
    case 0x0:
        text = text::FormatFixed(code / kTenthsPerHertz, 1);
        return true;
    case 0xA:
        text = Padded3(n) + "I";
        return true;
    case 0x2:
        text = Padded3(n) + "N";
        return true;
    default:
        return false;
    }
}

void EncodeChannelColumn(int column, const std::string &text, Payload &payload)
{
    for (const Switch &s : kSwitches)
        if (s.column == column) {
            payload[s.at] = text == s.off ? kOff : kOn;
            return;
        }
    switch (column) {
    case kColRxFreq:
        Put32(payload, kRxFreq, Bits(text::ScaledToInt(text, kHertzPerMegahertz)));
        break;
    case kColTxFreq:
        Put32(payload, kTxFreq, IsNoFrequency(text) ? 0u : Bits(text::ScaledToInt(text, kHertzPerMegahertz)));
        break;
    case kColDecodeTone:
        Put16(payload, kDecodeTone, EncodeToneCode(text));
        break;
    case kColEncodeTone:
        Put16(payload, kEncodeTone, EncodeToneCode(text));
        break;
    case kColStep:
        Put16(payload, kStep, Bits(text::StrToInt(text)) & 0xFFFFu);
        break;
    case kColDtmf1:
        PutIfKnown(payload, kDtmf1, DtmfKeyCode(text));
        break;
    case kColDtmf2:
        PutIfKnown(payload, kDtmf2, DtmfKeyCode(text));
        break;
    case kColPttId:
        PutIfKnown(payload, kPttId, IndexOf(kPttIdTexts, text));
        break;
    case kColScrambler:
        payload[kScrambler] = text == "NONE" ? std::uint8_t{0} : Low8(text::StrToInt(text));
        break;
    case kColPttIdType:
        PutIfKnown(payload, kPttIdType, IndexOf(kPttIdTypeTexts, text));
        break;
    case kColPttIdNumber:
        payload[kPttIdNumber] = Low8(text::StrToInt(text));
        break;
    default:
        break;
    }
}

void EncodeChannelBlock(const ChannelRow &row, Payload &payload)
{
    if (IsNoFrequency(row[kColRxFreq])) {
        for (std::size_t i = 0; i < kEnd; ++i)
            payload[i] = 0x00;
        payload[kEnd] = 0xFF;
        return;
    }
    // In this order: a failing column leaves the ones after it as they were.
    for (const int column : {kColRxFreq, kColTxFreq, kColDecodeTone, kColEncodeTone, kColPower, kColBandwidth,
                             kColScanAdd, kColStep, kColDtmf1, kColDtmf2, kColPttId, kColScrambler, kColCompandor,
                             kColPttIdType, kColPttIdNumber})
        EncodeChannelColumn(column, row[static_cast<std::size_t>(column)], payload);
    payload[kEnd] = 0xFF;
}

bool DecodeChannelBlock(int channel, const Payload &payload, ChannelTable &table)
{
    const int r = channel;
    if (r < 1 || r > kChannelCount || r >= table.RowCount())
        return false;
    ChannelRow &row = table.Row(r);
    const auto cell = [&row](int column) -> std::string & { return row[static_cast<std::size_t>(column)]; };

    cell(kColRxFreq) = FrequencyText(static_cast<std::int32_t>(Get32(payload, kRxFreq)));
    const auto tx = static_cast<std::int32_t>(Get32(payload, kTxFreq));
    cell(kColTxFreq) = tx == 0 ? std::string() : FrequencyText(tx);
    DecodeToneCode(Get16(payload, kDecodeTone), cell(kColDecodeTone));
    DecodeToneCode(Get16(payload, kEncodeTone), cell(kColEncodeTone));
    for (const Switch &s : kSwitches)
        cell(s.column) = payload[s.at] == 0 ? s.off : s.on;
    cell(kColStep) = std::to_string(Get16(payload, kStep));
    for (const auto &[column, at] : {std::pair{kColDtmf1, kDtmf1}, std::pair{kColDtmf2, kDtmf2}}) {
        const std::uint8_t key = payload[at];
        if (key == kDtmfNone)
            cell(column) = "NONE";
        else if (key < kDtmfKeys.size())
            cell(column) = std::string(kDtmfKeys[key]);
    }
    if (payload[kPttId] < kPttIdTexts.size())
        cell(kColPttId) = std::string(kPttIdTexts[payload[kPttId]]);
    cell(kColScrambler) = payload[kScrambler] == 0 ? "NONE" : std::to_string(payload[kScrambler]);
    if (payload[kPttIdType] < kPttIdTypeTexts.size())
        cell(kColPttIdType) = std::string(kPttIdTypeTexts[payload[kPttIdType]]);
    cell(kColPttIdNumber) = std::to_string(payload[kPttIdNumber]);

    if (cell(kColRxFreq) == "0.00000")
        for (int c = kColRxFreq; c <= kColCompandor; ++c)
            cell(c).clear();
    return true;
}

} // namespace tonvar::memory
