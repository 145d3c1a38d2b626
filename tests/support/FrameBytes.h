// SPDX-License-Identifier: GPL-3.0-or-later
// Frames as bytes on the line, built by hand: the radio's answers and the
// tool's writes as tests feed or expect them.
#pragma once

#include "protocol/Frames.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvar::test {

// Puts the checksum of bytes 0 to 31 at 32 (high byte) and 33.
inline void PutChecksum(std::vector<std::uint8_t> &frame)
{
    const std::uint16_t crc = protocol::Crc16Modbus(frame.data(), protocol::kUncheckedFrameLength);
    frame[protocol::kChecksumHigh] = static_cast<std::uint8_t>(crc >> 8);
    frame[protocol::kChecksumLow] = static_cast<std::uint8_t>(crc & 0xFF);
}

// A block's frame: 'W', the area, the block, 0x20, 28 payload bytes of
// `fill`, and the checksum.
inline std::vector<std::uint8_t> FrameBytes(std::uint8_t area, std::uint8_t block, std::uint8_t fill = 0)
{
    std::vector<std::uint8_t> frame(protocol::kFrameLength, fill);
    frame[0] = protocol::kFrameStart;
    frame[1] = area;
    frame[2] = block;
    frame[3] = protocol::kAddressEnd;
    PutChecksum(frame);
    return frame;
}

// A frame buffer with every byte `value`.
inline protocol::ByteBuffer FilledFrame(std::uint8_t value)
{
    protocol::ByteBuffer b;
    b.fill(value);
    return b;
}

// Bytes `from` to `to` (both included) of a frame buffer.
inline std::vector<std::uint8_t> FrameRange(const protocol::ByteBuffer &b, std::size_t from, std::size_t to)
{
    return {b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to) + 1};
}

} // namespace tonvar::test
