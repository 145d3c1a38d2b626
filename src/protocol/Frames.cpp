// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/Frames.h"

#include <algorithm>
#include <cstring>

namespace tonvar::protocol {

std::uint16_t Crc16Modbus(const std::uint8_t *data, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            if (crc & 1u)
                crc = static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u);
            else
                crc = static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

void Crc16(ByteBuffer &frame)
{
    const std::uint16_t crc = Crc16Modbus(frame.data(), kPayloadLast + 1);
    frame[kChecksumHigh] = static_cast<std::uint8_t>(crc >> 8);
    frame[kChecksumLow] = static_cast<std::uint8_t>(crc & 0xFF);
}

std::size_t PutProgramHandshake(ByteBuffer &frame)
{
    static constexpr char kProgram[] = "PROGRAM";
    for (std::size_t i = 0; i < kHandshakeLength; ++i)
        frame[i] = static_cast<std::uint8_t>(kProgram[i]);
    return kHandshakeLength;
}

std::size_t PutAck(ByteBuffer &frame)
{
    frame[0] = kAck;
    return kAckLength;
}

std::size_t PutReadRequest(ByteBuffer &frame, std::uint8_t area, std::uint8_t block)
{
    frame[0] = kRequestStart;
    frame[1] = area;
    frame[2] = block;
    frame[3] = kAddressEnd;
    return kReadRequestLength;
}

void PutFrameHeader(ByteBuffer &frame, std::uint8_t area, std::uint8_t block)
{
    frame[0] = kFrameStart;
    frame[1] = area;
    frame[2] = block;
    frame[3] = kAddressEnd;
}

Message Recognise(const ByteBuffer &received)
{
    switch (received[0]) {
    case kAck:
        return Message::Ack;
    case kFrameStart:
        return Message::DataFrame;
    default:
        return Message::Other;
    }
}

std::size_t ReceiveBuffers::Accept(const std::uint8_t *data, std::size_t length)
{
    const std::size_t n = std::min(length, kBufferSize);
    if (n > 0) {
        std::memcpy(buffer.data(), data, n);
        std::memcpy(copy.data(), data, n);
    }
    return n;
}

void ReceiveBuffers::Finish()
{
    buffer[0] = 0;
    copy[0] = 0;
}

} // namespace tonvar::protocol
