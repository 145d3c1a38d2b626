// SPDX-License-Identifier: GPL-3.0-or-later
// A signalling window's session over its texts: what a window shows is one
// `Texts`, compared, reset and put into an image whole.
#pragma once

#include "signalling/RadioAreas.h"
#include "signalling/SignallingSession.h"

namespace tonvar::signalling {

// `kTraits`: how the window reads and writes its area.
template <typename Texts, const SessionTraits &kTraits>
class AreaSession : public SignallingLogic {
public:
    AreaSession(link::PortHub &hub, link::Timer &timer1, std::function<void(const std::string &)> showMessage)
        : SignallingLogic(kTraits, hub, timer1, std::move(showMessage))
    {
    }

    Texts texts;

protected:
    // The texts `blocks` decode to, from first texts.
    virtual Texts AreaTexts(const std::vector<memory::Payload> &blocks) const = 0;

    void ResetTexts() override { texts = Texts(); }
    bool ShowsBlocks(const std::vector<memory::Payload> &blocks) const override
    {
        return AreaTexts(blocks) == texts;
    }
    bool SameTexts(const std::vector<memory::Payload> &a, const std::vector<memory::Payload> &b) const override
    {
        return AreaTexts(a) == AreaTexts(b);
    }
    void ApplyTexts(files::RadioImage &image) const override { ApplyAreaTexts(image, texts); }
};

// After the user changed cell (row, column) of a table of `rows` x
// `columns` (both from 1) whose rows keep nothing while their first cell is
// empty, `cell(row, column)` giving a cell's text: a cell outside the table
// is left, a cell of a row without a first cell is cleared. True when the
// first cell was set, so the row's other cells take their defaults.
template <typename Cell>
bool FirstCellSet(int row, int column, int rows, int columns, Cell &&cell)
{
    if (row < 1 || row > rows || column < 1 || column > columns)
        return false;
    if (cell(row, 1).empty()) {
        cell(row, column).clear();
        return false;
    }
    return column == 1;
}

} // namespace tonvar::signalling
