// SPDX-License-Identifier: GPL-3.0-or-later
// The 2TONE window's sessions: memory area 3, eleven blocks (TwoToneBlocks.h).
#pragma once

#include "signalling/AreaSession.h"
#include "signalling/TwoToneBlocks.h"

namespace tonvar::signalling {

// How the window reads and writes its area.
inline constexpr SessionTraits kTwoToneTraits{
    protocol::kArea2Tone, kTwoToneBlocks, true, link::TransferPlan::Clear::Each, true, false,
    kTwoToneBlocks,       kTwoToneBlocks, "2TONE"};

class TwoToneSession : public AreaSession<TwoToneTexts, kTwoToneTraits> {
public:
    using AreaSession::AreaSession;

    // After the user changed decode cell (row, column) (xg2), both from 1.
    void DecodeCellEdited(int row, int column);

protected:
    void Decode(int block, const memory::Payload &payload) override { DecodeTwoToneBlock(block, payload, texts); }
    void Encode(int block, memory::Payload &payload) const override { EncodeTwoToneBlock(block, texts, payload); }
    TwoToneTexts AreaTexts(const std::vector<memory::Payload> &blocks) const override
    {
        return DecodedArea<TwoToneTexts>(blocks, [](int b, const memory::Payload &p, TwoToneTexts &t) { DecodeTwoToneBlock(b, p, t); });
    }
    void CheckHeld() const override { CheckTwoToneHeld(texts); }
};

} // namespace tonvar::signalling
