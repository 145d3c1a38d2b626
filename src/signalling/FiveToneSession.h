// SPDX-License-Identifier: GPL-3.0-or-later
// The 5TONE window's sessions: memory area 4, seventeen blocks
// (FiveToneBlocks.h).
#pragma once

#include "signalling/AreaSession.h"
#include "signalling/FiveToneBlocks.h"

namespace tonvar::signalling {

// How the window reads and writes its area.
inline constexpr SessionTraits kFiveToneTraits{
    protocol::kArea5Tone, kFiveToneBlocks, true, link::TransferPlan::Clear::First, false, false,
    kFiveToneBlocks - 1,  kFiveToneBlocks, "5TONE"};

class FiveToneSession : public AreaSession<FiveToneTexts, kFiveToneTraits> {
public:
    FiveToneSession(link::PortHub &hub, link::Timer &timer1,
                    std::function<void(const std::string &)> showMessage);

    // The tones of the shown standard (Edit1..Edit16), "1981.0" etc.
    std::array<std::string, 16> tones;

    // After the user chose another shown standard: its tones.
    void StandardChanged();
    // After the user changed encode cell (row, column) (xg2), both from 1:
    // a row without a first frame code keeps no other cell; a first frame
    // code gives the row's other cells their defaults.
    void EncodeCellEdited(int row, int column);
    // The same for decode cell (row, column) (xg3), whose first cell is
    // the standard.
    void DecodeCellEdited(int row, int column);

protected:
    void Decode(int block, const memory::Payload &payload) override { DecodeFiveToneBlock(block, payload, texts); }
    void Encode(int block, memory::Payload &payload) const override { EncodeFiveToneBlock(block, texts, payload); }
    void ResetTexts() override
    {
        texts = FiveToneTexts();
        StandardChanged();
    }
    FiveToneTexts AreaTexts(const std::vector<memory::Payload> &blocks) const override
    {
        return DecodedArea<FiveToneTexts>(
            blocks, [](int b, const memory::Payload &p, FiveToneTexts &t) { DecodeFiveToneBlock(b, p, t); });
    }
    void CheckHeld() const override { CheckFiveToneHeld(texts); }
};

} // namespace tonvar::signalling
