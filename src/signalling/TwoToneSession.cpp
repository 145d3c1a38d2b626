// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/TwoToneSession.h"

namespace tonvar::signalling {

TwoToneSession::TwoToneSession(link::PortHub &hub, link::Timer &timer1,
                               std::function<void(const std::string &)> showMessage)
    : SignallingLogic(kTwoToneTraits, hub, timer1, std::move(showMessage))
{
}

void TwoToneSession::DecodeCellEdited(int row, int column)
{
    if (row < 1 || row > kTwoToneRows || column < 1 || column > kTwoToneDecodeColumns)
        return;
    if (texts.Decode(row, 1).empty()) {
        texts.Decode(row, column).clear(); // nothing before the first tone pair
        return;
    }
    if (column != 1)
        return;
    for (int c = 2; c <= kTwoToneDecodeColumns; ++c)
        texts.Decode(row, c) = c % 3 == 2 ? "NONE" : c % 3 == 0 ? "1" : "AB";
}

} // namespace tonvar::signalling
