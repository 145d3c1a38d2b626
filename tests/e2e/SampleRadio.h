// SPDX-License-Identifier: GPL-3.0-or-later
// A radio image for end-to-end tests: sample channels and settings, and the
// blocks a radio holds for a channel row.
#pragma once

#include "BlockFrames.h"
#include "memory/ChannelBlock.h"
#include "memory/ChannelTexts.h"

#include "RadioSim.h"

#include <algorithm>
#include <string>

namespace tonvar::test {

// A channel of a busy radio: every column set, differing from channel to
// channel.
inline memory::ChannelRow SampleRow(int ch)
{
    const auto &tones = memory::ToneList();
    return {std::to_string(ch),
            std::to_string(440 + ch) + ".12500",
            ch % 2 ? "" : std::to_string(445 + ch) + ".00000",
            tones[static_cast<std::size_t>(ch * 13) % tones.size()],
            tones[static_cast<std::size_t>(ch * 7) % tones.size()],
            ch % 3 ? "HIGH" : "LOW",
            ch % 2 ? "WIDE" : "NARROW",
            ch % 4 ? "YES" : "NONE",
            "12500",
            "5",
            "#",
            "BOT",
            std::to_string(ch % 10 + 1),
            "5TONE",
            std::to_string(ch),
            ch % 2 ? "YES" : "NONE"};
}

inline sim::Block Payload(const memory::ChannelRow &row)
{
    protocol::ByteBuffer frame{};
    tonvar::test::EncodeChannelBlock(row, frame);
    sim::Block b{};
    std::copy(frame.begin() + 4, frame.begin() + 32, b.begin());
    return b;
}

// Channels 1..16 from SampleRow, channel 5 empty, and settings of its own.
inline void FillRadio(sim::RadioSimulator &radio)
{
    for (int ch = 1; ch <= 16; ++ch)
        radio.SetBlock(0, ch, Payload(SampleRow(ch)));
    sim::Block five = Payload(SampleRow(5));
    std::fill(five.begin(), five.begin() + 4, 0); // no receive frequency
    radio.SetBlock(0, 5, five);
    const sim::Block settings{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05,
                              0x02, 0x03, 0x00, 0x00, 0x02, 0x01, 0x00, 0x77, 0x77};
    radio.SetBlock(5, 0, settings);
}

} // namespace tonvar::test
