// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/Holdable.h"

#include "memory/ChannelBlock.h"
#include "text/Convert.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

namespace tonvar::memory {

namespace {

// Pick lists longer than this are not spelled out in a message.
constexpr std::size_t kListedValues = 12;

std::string Allowed(const std::vector<std::string> &list)
{
    if (list.empty() || list.size() > kListedValues)
        return {};
    std::string out = " The radio takes ";
    for (std::size_t i = 0; i < list.size(); ++i)
        out += (i == 0 ? "" : i + 1 == list.size() ? " or " : ", ") + list[i];
    return out + ".";
}

// Which cell of a row a conversion failure comes from.
int FailingColumn(const ChannelRow &row)
{
    const auto fails = [](auto &&convert) {
        try {
            convert();
            return false;
        } catch (const text::Failure &) {
            return true;
        }
    };
    for (int c = 1; c < kColumnCount; ++c) {
        const std::string &t = row[static_cast<std::size_t>(c)];
        bool bad = false;
        switch (c) {
        case kColRxFreq:
        case kColTxFreq:
            bad = !IsNoFrequency(t) && fails([&] { text::ScaledToInt(t, 1e6); });
            break;
        case kColDecodeTone:
        case kColEncodeTone:
            bad = fails([&] { EncodeToneCode(t); });
            break;
        case kColStep:
        case kColPttIdNumber:
            bad = fails([&] { text::StrToInt(t); });
            break;
        case kColScrambler:
            bad = t != "NONE" && fails([&] { text::StrToInt(t); });
            break;
        default:
            break;
        }
        if (bad)
            return c;
    }
    return 0;
}

} // namespace

std::optional<double> PlainNumber(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The highest frequency a channel block holds, as its range says.
constexpr double kMostFrequencyMHz = 2147.48364;

bool SameHeldValue(const std::string &typed, const std::string &kept)
{
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    if (std::equal(typed.begin(), typed.end(), kept.begin(), kept.end(),
                   [&](char x, char y) {
                       return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
                   }) ||
        IsNoFrequency(typed))
        return true; // "a" is kept as "A"
    const auto a = PlainNumber(typed);
    if (!a)
        return false;
    if (const auto b = PlainNumber(kept))
        return std::fabs(*a - *b) < 1e-7; // 145.5 is kept as 145.50000, 145.123456 as 145.12346
    return *a == 0 && (kept.empty() || kept == "NONE" || kept == "CLOSE");
}

void RefuseValue(const std::string &where, const std::string &typed, const std::string &kept,
                 const std::vector<std::string> &list, const std::string &range)
{
    const std::string takes = range.empty() ? Allowed(list) : " The radio takes " + range + ".";
    if (kept.empty())
        throw text::Failure("The radio cannot hold '" + typed + "'." + takes, where);
    throw text::Failure("The radio cannot hold '" + typed + "': it would keep '" + kept + "'." + takes, where);
}

const std::string &ChannelRange(int column)
{
    static const std::string frequency = "frequencies of 0.00001 to 2147.48364 MHz, in steps of 10 Hz";
    static const std::string tone = "NONE, tones of 0.0 to 409.5 Hz, or DCS codes 000N to 999N and 000I to 999I";
    static const std::string word = "0 to 65535";
    static const std::string byte = "0 to 255";
    static const std::string scrambler = "NONE, or 1 to 255";
    static const std::string none;
    switch (column) {
    case kColRxFreq:
    case kColTxFreq:
        return frequency;
    case kColDecodeTone:
    case kColEncodeTone:
        return tone;
    case kColStep:
        return word;
    case kColScrambler:
        return scrambler;
    case kColPttIdNumber:
        return byte;
    default:
        return none;
    }
}

void CheckChannelHeld(const ChannelRow &row, int channel)
{
    const std::string where = "Channel " + std::to_string(channel);
    const auto &captions = ColumnCaptions();
    // A frequency of 0 or below, or beyond what the block holds, would be
    // stored as the bytes of another (or fail as a number the user never
    // typed): refused with the range.
    if (!IsNoFrequency(row[kColRxFreq])) {
        for (const int c : {kColRxFreq, kColTxFreq}) {
            const std::string &text = row[static_cast<std::size_t>(c)];
            const auto v = PlainNumber(text);
            if (v && !IsNoFrequency(text) && (*v <= 0 || *v > kMostFrequencyMHz))
                RefuseValue(where + ", " + captions.at(static_cast<std::size_t>(c)), text, "", {}, ChannelRange(c));
        }
    }
    Payload scratch{};
    try {
        EncodeChannelBlock(row, scratch);
    } catch (const text::Failure &e) {
        const int c = FailingColumn(row);
        throw text::Failure(e.what(), c == 0 ? where : where + ", " + captions.at(static_cast<std::size_t>(c)));
    }
    if (IsNoFrequency(row[kColRxFreq]))
        return; // an empty channel: nothing of the row is kept
    ChannelTable kept;
    DecodeChannelBlock(channel, scratch, kept);
    const ChannelRow &back = kept.Row(channel);
    for (int c = 1; c < kColumnCount; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (!SameHeldValue(row[at], back[at]))
            RefuseValue(where + ", " + captions.at(at), row[at], back[at], PickList(c), ChannelRange(c));
    }
}

void CheckSettingsHeld(const SettingsTexts &settings)
{
    Payload scratch{};
    try {
        EncodeSettingsBlock(settings, scratch);
    } catch (const text::Failure &e) {
        // VOX level, VOX time, squelch and time-out hold numbers (or NONE / CLOSE).
        for (int n = SettingsTexts::kVoxLevel; n <= SettingsTexts::kTimeOut; ++n) {
            const std::string &t = settings.Box(n);
            if (t == "NONE" || t == "CLOSE")
                continue;
            try {
                text::StrToInt(t);
            } catch (const text::Failure &) {
                throw text::Failure(e.what(), "Settings, " + SettingsCaption(n));
            }
        }
        throw text::Failure(e.what(), "Settings");
    }
    SettingsTexts kept = DefaultSettingsTexts();
    DecodeSettingsBlock(scratch, kept);
    for (int n = 1; n <= kSettingsBoxCount; ++n)
        if (!SameHeldValue(settings.Box(n), kept.Box(n)))
            RefuseValue("Settings, " + SettingsCaption(n), settings.Box(n), kept.Box(n), SettingsItems(n));
}

} // namespace tonvar::memory
