// SPDX-License-Identifier: GPL-3.0-or-later
// The 28 bytes a block of the radio's memory carries, whatever its area.
//
// Every codec reads and writes a block through this payload; the frame that
// carries it on the wire (its header and checksum) is the link's business.
// Offsets here count from the payload's first byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tonvar::memory {

inline constexpr std::size_t kPayloadLength = 28;
using Payload = std::array<std::uint8_t, kPayloadLength>;

// A switch's byte: on is 0xFF, off 0.
inline constexpr std::uint8_t kOn = 0xFF;
inline constexpr std::uint8_t kOff = 0x00;

// The low 8 and 16 bits of a converted number, as stored in a block.
inline std::uint8_t Low8(std::int32_t v)
{
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFFu);
}
inline std::uint32_t Low16(std::int32_t v)
{
    return static_cast<std::uint32_t>(v) & 0xFFFFu;
}

// Little-endian fields.
inline std::uint16_t Get16(const Payload &p, std::size_t at)
{
    return static_cast<std::uint16_t>(p.at(at) | (p.at(at + 1) << 8));
}
inline std::uint32_t Get32(const Payload &p, std::size_t at)
{
    return static_cast<std::uint32_t>(Get16(p, at)) | (static_cast<std::uint32_t>(Get16(p, at + 2)) << 16);
}
inline void Put16(Payload &p, std::size_t at, std::uint32_t v)
{
    p.at(at) = static_cast<std::uint8_t>(v & 0xFF);
    p.at(at + 1) = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void Put32(Payload &p, std::size_t at, std::uint32_t v)
{
    Put16(p, at, v & 0xFFFF);
    Put16(p, at + 2, v >> 16);
}

} // namespace tonvar::memory
