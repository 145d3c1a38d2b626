// SPDX-License-Identifier: GPL-3.0-or-later
// The FleetSync window's sessions: memory area 2, three blocks
// (FleetSyncBlocks.h), written as 32 bytes without a checksum, not resent.
#pragma once

#include "signalling/FleetSyncBlocks.h"
#include "signalling/RadioAreas.h"
#include "signalling/SignallingSession.h"

namespace tonvar::signalling {

// How the window reads and writes its area.
inline constexpr SessionTraits kFleetSyncTraits{
    protocol::kAreaFleetSync, kFleetSyncBlocks, false, link::TransferPlan::Clear::First, true, true, 4, 4};

class FleetSyncSession : public SignallingLogic {
public:
    FleetSyncSession(link::PortHub &hub, link::Timer &timer1,
                     std::function<void(const std::string &)> showMessage);

    FleetSyncTexts texts;

protected:
    void Decode(int block, const memory::Payload &payload) override { DecodeFleetSyncBlock(block, payload, texts); }
    void Encode(int block, memory::Payload &payload) const override { EncodeFleetSyncBlock(block, texts, payload); }
    void ResetTexts() override { texts = FleetSyncTexts(); }
    bool ShowsBlocks(const std::vector<memory::Payload> &blocks) const override
    {
        return AreaTexts(blocks) == texts;
    }
    bool SameTexts(const std::vector<memory::Payload> &a, const std::vector<memory::Payload> &b) const override
    {
        return AreaTexts(a) == AreaTexts(b);
    }
    static FleetSyncTexts AreaTexts(const std::vector<memory::Payload> &blocks)
    {
        return DecodedArea<FleetSyncTexts>(
            blocks, [](int b, const memory::Payload &p, FleetSyncTexts &t) { DecodeFleetSyncBlock(b, p, t); });
    }
    void CheckHeld() const override { CheckFleetSyncHeld(texts); }
    void ApplyTexts(files::RadioImage &image) const override { ApplyAreaTexts(image, texts); }
};

} // namespace tonvar::signalling
