// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FiveToneSession.h"

#include "signalling/ToneCodecs.h"

namespace tonvar::signalling {

FiveToneSession::FiveToneSession(link::PortHub &hub, link::Timer &timer1,
                                 std::function<void(const std::string &)> showMessage)
    : SignallingLogic(kFiveToneTraits, hub, timer1, std::move(showMessage))
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
    if (row < 1 || row > kFiveToneRows || column < 1 || column > kEncodeColumns)
        return;
    if (texts.Encode(row, 1).empty()) {
        texts.Encode(row, column).clear(); // nothing before the first frame code
        return;
    }
    if (column == 1) {
        texts.Encode(row, 2) = "12345";
        texts.Encode(row, 3) = "45678";
        texts.Encode(row, 4) = "ABCDE";
        texts.Encode(row, 5) = "CCIR";
    }
}

void FiveToneSession::DecodeCellEdited(int row, int column)
{
    if (row < 1 || row > kFiveToneRows || column < 1 || column > kDecodeColumns)
        return;
    if (texts.Decode(row, 1).empty()) {
        texts.Decode(row, column).clear(); // nothing before the standard
        return;
    }
    if (column == 1) {
        static const std::array<const char *, 7> defaults{"12345", "CALL",     "45678", "ASK",
                                                          "ABCDE", "BE ASKED", "56789"};
        for (int c = 2; c <= kDecodeColumns; ++c)
            texts.Decode(row, c) = defaults[static_cast<std::size_t>(c - 2)];
    }
}

} // namespace tonvar::signalling
