// SPDX-License-Identifier: GPL-3.0-or-later
// The wire format between the tool and the radio.
//
// There are no start or end characters and no escaping: a message is a fixed
// run of raw bytes recognised by its first byte alone.
//
//   ProgramHandshake  tool -> radio   7 bytes  "PROGRAM"
//   Ack               both ways       1 byte   0x06
//   ReadRequest       tool -> radio   4 bytes  'R', area, block, 0x20
//   DataFrame         both ways      34 bytes  'W', area, block, 0x20,
//                                              28 payload bytes (offsets 4..31),
//                                              CRC-16 high byte, low byte
//   FleetSync frame   tool -> radio  32 bytes  a DataFrame of area 2 without
//                                              its checksum
//
// Every message the tool sends is built in one shared frame buffer from index
// 0. The buffer is never cleared as a whole: a builder writes only the bytes it
// sets, and because a waiting session resends indices 0 to 33 every 300 ms,
// whatever earlier messages left behind goes on the wire too. The radio has
// always seen those leftovers, so they are modelled byte for byte here.
#pragma once

#include "memory/Payload.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace tonvar::protocol {

inline constexpr std::size_t kBufferSize = 20001;

// The frame buffer, the receive buffer and the receive copy all have this shape.
using ByteBuffer = std::array<std::uint8_t, kBufferSize>;

inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kFrameStart = 0x57;   // 'W'
inline constexpr std::uint8_t kRequestStart = 0x52; // 'R'
inline constexpr std::uint8_t kAddressEnd = 0x20;

inline constexpr std::size_t kHandshakeLength = 7;
inline constexpr std::size_t kAckLength = 1;
inline constexpr std::size_t kReadRequestLength = 4;
inline constexpr std::size_t kFrameLength = 34;
inline constexpr std::size_t kUncheckedFrameLength = 32;
inline constexpr std::size_t kPayloadFirst = 4;
inline constexpr std::size_t kPayloadLast = 31;
inline constexpr std::size_t kChecksumHigh = 32;
inline constexpr std::size_t kChecksumLow = 33;

// Memory areas of the radio and the blocks each one holds.
enum Area : std::uint8_t {
    kAreaChannels = 0,  // blocks 1..16, block number = channel number
    kAreaDtmf = 1,      // blocks 0..3
    kAreaFleetSync = 2, // blocks 0..2
    kArea2Tone = 3,     // blocks 0..10
    kArea5Tone = 4,     // blocks 0..16
    kAreaSettings = 5,  // block 0
};
inline constexpr int kAreaCount = 6;
// First and last block number of each area.
inline constexpr std::array<std::pair<int, int>, kAreaCount> kAreaBlocks{
    {{1, 16}, {0, 3}, {0, 2}, {0, 10}, {0, 16}, {0, 0}}};

// CRC-16 with the CRC-16/MODBUS parameters (reflected polynomial 0xA001,
// start 0xFFFF, no final xor) over `length` bytes.
std::uint16_t Crc16Modbus(const std::uint8_t *data, std::size_t length);

// Computes the checksum of indices 0..31 and stores it at 32 (high byte)
// and 33 (low byte).
void Crc16(ByteBuffer &frame);

// Builders: each writes only its own bytes from index 0 and returns the
// message length.
std::size_t PutProgramHandshake(ByteBuffer &frame);
std::size_t PutAck(ByteBuffer &frame);
std::size_t PutReadRequest(ByteBuffer &frame, std::uint8_t area, std::uint8_t block);
// Writes the 4 header bytes of a DataFrame; the caller fills the payload and
// runs Crc16 (or sends the 32 bytes unchecked, for FleetSync).
void PutFrameHeader(ByteBuffer &frame, std::uint8_t area, std::uint8_t block);

// What a received chunk is, judged by its first byte alone. Nothing else of
// a received frame is checked: not its length, its 0x20 or its checksum.
enum class Message { Ack, DataFrame, Other };
Message Recognise(const ByteBuffer &received);
inline std::uint8_t FrameArea(const ByteBuffer &received)
{
    return received[1];
}
inline std::uint8_t FrameBlock(const ByteBuffer &received)
{
    return received[2];
}

using memory::Low16;
using memory::Low8;
using memory::Payload;

// The payload a DataFrame carries at offsets 4..31.
inline Payload PayloadOf(const ByteBuffer &frame)
{
    Payload p{};
    std::copy_n(frame.begin() + kPayloadFirst, p.size(), p.begin());
    return p;
}
inline void SetPayload(ByteBuffer &frame, const Payload &payload)
{
    std::copy(payload.begin(), payload.end(), frame.begin() + kPayloadFirst);
}
// Runs `fill` on the frame's payload: what it writes lands at offsets 4..31,
// also when it throws; what it leaves alone keeps what the frame held.
template <typename Fill>
void FillPayload(ByteBuffer &frame, Fill &&fill)
{
    Payload p = PayloadOf(frame);
    try {
        fill(p);
    } catch (...) {
        SetPayload(frame, p);
        throw;
    }
    SetPayload(frame, p);
}

// Little-endian field access at frame offsets.
inline std::uint16_t Get16(const ByteBuffer &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t Get32(const ByteBuffer &b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline void Put16(ByteBuffer &b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void Put32(ByteBuffer &b, std::size_t at, std::uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// The receive buffer and the receive copy. Every received chunk is copied into
// both from index 0; bytes past the chunk keep what older chunks left. When a
// chunk has been handled, index 0 of both is set to 0. The main window's
// session and decoders read `buffer`; the signalling windows read `copy`.
struct ReceiveBuffers {
    ByteBuffer buffer{};
    ByteBuffer copy{};

    // Copies the chunk in; anything beyond the arrays' size is dropped.
    // Returns the number of bytes taken.
    std::size_t Accept(const std::uint8_t *data, std::size_t length);
    void Finish();
};

} // namespace tonvar::protocol
