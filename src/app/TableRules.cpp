// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TableRules.h"

#include "text/Convert.h"

#include <algorithm>

namespace tonvar::app {

using memory::IsNoFrequency;

namespace {

constexpr double kHighestFrequency = 999.99999;
constexpr double kHighestTone = 300.0;

bool Has(const std::string &s, char c)
{
    return s.find(c) != std::string::npos;
}

// Exactly one `c`, and it stands at the 1-based position `at`.
bool OnlyAt(const std::string &s, char c, std::size_t at)
{
    return CountChar(c, s) == 1 && s.size() >= at && s[at - 1] == c;
}

std::string OneDecimal(double v)
{
    return text::FormatFixed(v, 1);
}

std::string CappedTone(const std::string &s)
{
    const double v = text::StrToFloat(s);
    return v > kHighestTone ? "300.0" : OneDecimal(v);
}

std::string FiveDecimals(const std::string &s)
{
    return text::FormatFixed(text::StrToFloat(s), 5);
}

} // namespace

int CountChar(char c, const std::string &text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

int CountLetters(const std::string &text)
{
    return static_cast<int>(std::count_if(text.begin(), text.end(),
                                          [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }));
}

std::string CheckFrequencyText(const std::string &s)
{
    if (s.empty())
        return s;
    if (CountLetters(s) > 0 || CountChar('.', s) > 1)
        return {};
    const double v = text::StrToFloat(s);
    return v > 0 && v <= kHighestFrequency ? s : std::string();
}

std::string NormalizeToneText(const std::string &s)
{
    if (s.empty())
        return "NONE";
    if (s == " " || s == "NONE")
        return s;
    const bool o = Has(s, 'O'), e = Has(s, 'E'), i = Has(s, 'I'), n = Has(s, 'N'), d = Has(s, 'D');
    const bool manyPoints = CountChar('.', s) > 1;
    const bool point = Has(s, '.');
    switch (s.size()) {
    case 1:
        if (s == "O" || s == "E" || s == "I" || s == "." || s == "N")
            return "023N";
        return OneDecimal(text::StrToFloat(s));
    case 2:
    case 3: {
        // A short code padded with zeros: "23N" is "023N", "5I" is "005I".
        const std::string pad(3 - (s.size() - 1), '0');
        if (!o && !e && !point && !n && OnlyAt(s, 'I', s.size()))
            return pad + s;
        if (!o && !e && !point && !i && OnlyAt(s, 'N', s.size()))
            return pad + s;
        if (o || e || i || n || manyPoints)
            return "023N";
        return s.size() == 2 ? OneDecimal(text::StrToFloat(s)) : CappedTone(s);
    }
    case 4:
        if (!o && !e && !point && !n && OnlyAt(s, 'I', 4))
            return s;
        if (!o && !e && !point && !i && OnlyAt(s, 'N', 4))
            return s;
        if (o || e || i || n || d || manyPoints)
            return "023N";
        return CappedTone(s);
    default:
        if (s.back() == 'N')
            return "023N";
        if (s.back() == 'I')
            return "023I";
        if (o || e || i || n || manyPoints)
            return "023N";
        return CappedTone(s);
    }
}

void CompleteCellEdit(memory::ChannelTable &table, int r, int c)
{
    if (r < 1 || r >= table.RowCount())
        return;
    memory::ChannelRow &row = table.Row(r);
    std::string &rx = row[memory::kColRxFreq];
    std::string &tx = row[memory::kColTxFreq];
    const auto filled = [](const std::string &s) { return !IsNoFrequency(s); };

    if (c == memory::kColRxFreq && filled(rx))
        rx = CheckFrequencyText(rx);
    if (c == memory::kColTxFreq && !rx.empty() && filled(tx))
        tx = CheckFrequencyText(tx);
    if (c == memory::kColRxFreq && filled(rx))
        rx = FiveDecimals(rx);
    if (c == memory::kColTxFreq && filled(rx) && filled(tx))
        tx = FiveDecimals(tx);
    if (c == memory::kColRxFreq && !rx.empty() && row[memory::kColDecodeTone].empty() &&
        row[memory::kColEncodeTone].empty()) {
        // A new row: the frequency both ways and the defaults.
        rx = FiveDecimals(rx);
        tx = rx;
        const auto &defaults = memory::NewRowDefaults();
        for (int k = memory::kColDecodeTone; k <= memory::kColCompandor; ++k)
            row[static_cast<std::size_t>(k)] = defaults[static_cast<std::size_t>(k)];
    }
    row[memory::kColDecodeTone] = NormalizeToneText(row[memory::kColDecodeTone]);
    row[memory::kColEncodeTone] = NormalizeToneText(row[memory::kColEncodeTone]);
    if (IsNoFrequency(rx)) {
        if (c >= 0 && c < memory::kColumnCount)
            row[static_cast<std::size_t>(c)].clear();
        for (int k = memory::kColRxFreq; k <= memory::kColCompandor; ++k)
            row[static_cast<std::size_t>(k)].clear();
    }
}

} // namespace tonvar::app
