// SPDX-License-Identifier: GPL-3.0-or-later
// The block codecs on a frame buffer, for tests that speak in the frame
// offsets the radio's messages use (the payload at 4..31).
#pragma once

#include "memory/ChannelBlock.h"
#include "memory/SettingsBlock.h"
#include "protocol/Frames.h"

namespace tonvar::test {

inline void EncodeChannelBlock(const memory::ChannelRow &row, protocol::ByteBuffer &frame)
{
    protocol::FillPayload(frame, [&](memory::Payload &p) { memory::EncodeChannelBlock(row, p); });
}

// The row named by the frame's block byte.
inline bool DecodeChannelBlock(const protocol::ByteBuffer &frame, memory::ChannelTable &table)
{
    return memory::DecodeChannelBlock(protocol::FrameBlock(frame), protocol::PayloadOf(frame), table);
}

inline void EncodeSettingsBlock(const memory::SettingsTexts &texts, protocol::ByteBuffer &frame)
{
    protocol::FillPayload(frame, [&](memory::Payload &p) { memory::EncodeSettingsBlock(texts, p); });
}

inline void DecodeSettingsBlock(const protocol::ByteBuffer &frame, memory::SettingsTexts &texts)
{
    memory::DecodeSettingsBlock(protocol::PayloadOf(frame), texts);
}

} // namespace tonvar::test
