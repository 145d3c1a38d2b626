// SPDX-License-Identifier: GPL-3.0-or-later
// The DTMF window's sessions: memory area 1, four blocks (DtmfBlocks.h).
#pragma once

#include "signalling/AreaSession.h"
#include "signalling/DtmfBlocks.h"

namespace tonvar::signalling {

// How the window reads and writes its area.
inline constexpr SessionTraits kDtmfTraits{
    protocol::kAreaDtmf, kDtmfBlocks, true, link::TransferPlan::Clear::Each, true, true, 5, 4, "DTMF"};

class DtmfSession : public AreaSession<DtmfTexts, kDtmfTraits> {
public:
    using AreaSession::AreaSession;

    // Kept between sessions: the autodial blocks are read with the counts
    // block 0 gave.
    DtmfDigitCounts digitCounts{};

    // After the user changed autodial memory `row` (1..16): at most 8 characters.
    void AutodialEdited(int row);

protected:
    void Decode(int block, const memory::Payload &payload) override;
    void Encode(int block, memory::Payload &payload) const override;
    void ResetTexts() override
    {
        texts = DtmfTexts();
        digitCounts = {};
    }
    DtmfTexts AreaTexts(const std::vector<memory::Payload> &blocks) const override
    {
        DtmfDigitCounts counts{};
        return DecodedArea<DtmfTexts>(
            blocks, [&counts](int b, const memory::Payload &p, DtmfTexts &t) { DecodeDtmfBlock(b, p, t, counts); });
    }
    void CheckHeld() const override { CheckDtmfHeld(texts); }
};

} // namespace tonvar::signalling
