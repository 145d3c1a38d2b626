// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FiveToneSession.h"

#include "signalling/ToneCodecs.h"

namespace tonvar::signalling {

FiveToneSession::FiveToneSession(link::PortHub &hub, link::Timer &timer1,
                                 std::function<void(const std::string &)> showMessage)
    : AreaSession(hub, timer1, std::move(showMessage))
{
    StandardChanged();
}

void FiveToneSession::StandardChanged()
{
    if (const auto table = ToneTable(texts.shownStandard))
        for (std::size_t d = 0; d < tones.size(); ++d)
            tones[d] = std::to_string((*table)[d]) + ".0";
}

void FiveToneSession::EncodeCellEdited(int row, int column)
{
    // Nothing before the first frame code.
    if (FirstCellSet(row, column, kFiveToneRows, kEncodeColumns,
                     [this](int r, int c) -> std::string & { return texts.Encode(r, c); })) {
        texts.Encode(row, 2) = "12345";
        texts.Encode(row, 3) = "45678";
        texts.Encode(row, 4) = "ABCDE";
        texts.Encode(row, 5) = "CCIR";
    }
}

void FiveToneSession::DecodeCellEdited(int row, int column)
{
    // Nothing before the standard.
    if (FirstCellSet(row, column, kFiveToneRows, kDecodeColumns,
                     [this](int r, int c) -> std::string & { return texts.Decode(r, c); })) {
        static const std::array<const char *, 7> defaults{"12345", "CALL",     "45678", "ASK",
                                                          "ABCDE", "BE ASKED", "56789"};
        for (int c = 2; c <= kDecodeColumns; ++c)
            texts.Decode(row, c) = defaults[static_cast<std::size_t>(c - 2)];
    }
}

} // namespace tonvar::signalling
