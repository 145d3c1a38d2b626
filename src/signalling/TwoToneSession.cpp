// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/TwoToneSession.h"

namespace tonvar::signalling {

void TwoToneSession::DecodeCellEdited(int row, int column)
{
    // Nothing before the first tone pair.
    if (!FirstCellSet(row, column, kTwoToneRows, kTwoToneDecodeColumns,
                      [this](int r, int c) -> std::string & { return texts.Decode(r, c); }))
        return;
    for (int c = 2; c <= kTwoToneDecodeColumns; ++c)
        texts.Decode(row, c) = c % 3 == 2 ? "NONE" : c % 3 == 0 ? "1" : "AB";
}

} // namespace tonvar::signalling
