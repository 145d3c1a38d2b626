// SPDX-License-Identifier: GPL-3.0-or-later
// The FleetSync window's sessions: memory area 2, three blocks
// (FleetSyncBlocks.h), written as 32 bytes without a checksum, not resent.
#pragma once

#include "signalling/AreaSession.h"
#include "signalling/FleetSyncBlocks.h"

namespace tonvar::signalling {

// How the window reads and writes its area.
inline constexpr SessionTraits kFleetSyncTraits{
    protocol::kAreaFleetSync, kFleetSyncBlocks, false, link::TransferPlan::Clear::First, true, true, 4, 4, "FleetSync"};

class FleetSyncSession : public AreaSession<FleetSyncTexts, kFleetSyncTraits> {
public:
    using AreaSession::AreaSession;

protected:
    void Decode(int block, const memory::Payload &payload) override { DecodeFleetSyncBlock(block, payload, texts); }
    void Encode(int block, memory::Payload &payload) const override { EncodeFleetSyncBlock(block, texts, payload); }
    FleetSyncTexts AreaTexts(const std::vector<memory::Payload> &blocks) const override
    {
        return DecodedArea<FleetSyncTexts>(
            blocks, [](int b, const memory::Payload &p, FleetSyncTexts &t) { DecodeFleetSyncBlock(b, p, t); });
    }
    void CheckHeld() const override { CheckFleetSyncHeld(texts); }
};

} // namespace tonvar::signalling
