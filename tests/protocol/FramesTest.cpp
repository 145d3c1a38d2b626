// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/Frames.h"

#include "FrameBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tonvar::protocol;

namespace {

std::vector<std::uint8_t> Head(const ByteBuffer &b, std::size_t n)
{
    return {b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)};
}

} // namespace

TEST(Crc16, MatchesTheModbusCheckValue)
{
    const std::uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16Modbus(digits, sizeof digits), 0x4B37);
}

TEST(Crc16, StoresTheChecksumOfAnEmptyChannelOneFrameHighByteFirst)
{
    ByteBuffer frame = tonvar::test::FilledFrame(0xEE);
    frame[0] = 0x57;
    frame[1] = 0x00;
    frame[2] = 0x01;
    frame[3] = 0x20;
    std::fill(frame.begin() + 4, frame.begin() + 31, 0x00);
    frame[31] = 0xFF;
    Crc16(frame);
    EXPECT_EQ(frame[32], 0x38);
    EXPECT_EQ(frame[33], 0x6F);
    EXPECT_EQ(frame[34], 0xEE) << "nothing past the checksum is touched";
}

TEST(Builders, WriteOnlyTheirOwnBytes)
{
    ByteBuffer frame = tonvar::test::FilledFrame(0xAA);
    EXPECT_EQ(PutProgramHandshake(frame), 7u);
    EXPECT_EQ(Head(frame, 8), (std::vector<std::uint8_t>{0x50, 0x52, 0x4F, 0x47, 0x52, 0x41, 0x4D, 0xAA}));

    frame = tonvar::test::FilledFrame(0xAA);
    EXPECT_EQ(PutAck(frame), 1u);
    EXPECT_EQ(Head(frame, 2), (std::vector<std::uint8_t>{0x06, 0xAA}));

    frame = tonvar::test::FilledFrame(0xAA);
    PutFrameHeader(frame, 5, 0);
    EXPECT_EQ(Head(frame, 5), (std::vector<std::uint8_t>{0x57, 0x05, 0x00, 0x20, 0xAA}));
}

TEST(Builders, AReadRequestLeavesTheRestOfTheResendAsEarlierMessagesLeftIt)
{
    ByteBuffer frame{};
    for (std::size_t i = 0; i < kFrameLength; ++i)
        frame[i] = static_cast<std::uint8_t>(0x80 + i);
    EXPECT_EQ(PutReadRequest(frame, 0, 3), 4u);
    std::vector<std::uint8_t> expected{0x52, 0x00, 0x03, 0x20};
    for (std::size_t i = 4; i < kFrameLength; ++i)
        expected.push_back(static_cast<std::uint8_t>(0x80 + i));
    EXPECT_EQ(Head(frame, kFrameLength), expected);
}

TEST(Recognise, LooksAtTheFirstByteOnly)
{
    ByteBuffer received{};
    received[0] = 0x06;
    received[1] = 0x06; // two Acks back to back are one message
    EXPECT_EQ(Recognise(received), Message::Ack);
    received[0] = 0x57;
    received[1] = 3;
    received[2] = 9;
    EXPECT_EQ(Recognise(received), Message::DataFrame);
    EXPECT_EQ(FrameArea(received), 3);
    EXPECT_EQ(FrameBlock(received), 9);
    for (const std::uint8_t first : std::initializer_list<std::uint8_t>{0x00, 0x52, 0x50, 0xFF}) {
        received[0] = first;
        EXPECT_EQ(Recognise(received), Message::Other) << int(first);
    }
}

TEST(ReceiveBuffers, KeepOlderBytesBeyondAShortChunkAndClearOnlyIndexZero)
{
    ReceiveBuffers rx;
    const std::vector<std::uint8_t> first{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    rx.Accept(first.data(), first.size());
    rx.Finish();
    const std::vector<std::uint8_t> second{0x57, 0x01};
    EXPECT_EQ(rx.Accept(second.data(), second.size()), 2u);
    const std::vector<std::uint8_t> expected{0x57, 0x01, 3, 4, 5, 6, 7, 8, 9, 10, 0};
    EXPECT_EQ(Head(rx.buffer, 11), expected);
    EXPECT_EQ(Head(rx.copy, 11), expected);
    rx.Finish();
    EXPECT_EQ(rx.buffer[0], 0);
    EXPECT_EQ(rx.copy[0], 0);
    EXPECT_EQ(rx.buffer[1], 0x01);
}

TEST(ReceiveBuffers, NeverWritePastTheirEnd)
{
    ReceiveBuffers rx;
    std::vector<std::uint8_t> huge(kBufferSize + 500, 0x33);
    EXPECT_EQ(rx.Accept(huge.data(), huge.size()), kBufferSize);
    EXPECT_EQ(rx.buffer.back(), 0x33);
    EXPECT_EQ(rx.Accept(nullptr, 0), 0u);
}

TEST(Fields, AreLittleEndian)
{
    ByteBuffer b{};
    Put32(b, 4, 462562500u);
    EXPECT_EQ(Head(b, 8), (std::vector<std::uint8_t>{0, 0, 0, 0, 0xC4, 0x24, 0x92, 0x1B}));
    EXPECT_EQ(Get32(b, 4), 462562500u);
    Put16(b, 19, 25000);
    EXPECT_EQ(b[19], 0xA8);
    EXPECT_EQ(b[20], 0x61);
    EXPECT_EQ(Get16(b, 19), 25000);
}
