// Rules of the link a whole-session sweep would take long to single out.
#include "link/Link.h"

#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

using namespace tonvar;
using test::Bytes;

Bytes FrameOf(std::uint8_t area, std::uint8_t block)
{
    Bytes f(34, 0);
    f[0] = protocol::kFrameStart;
    f[1] = area;
    f[2] = block;
    f[3] = protocol::kAddressEnd;
    const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
    f[32] = static_cast<std::uint8_t>(crc >> 8);
    f[33] = static_cast<std::uint8_t>(crc & 0xFF);
    return f;
}

struct LinkRules : ::testing::Test {
    test::FakePort port;
    test::FakeTimer tim1;
    link::Link wire{port, tim1};
    const int session = 0;

    LinkRules() { port.open = true; }
    link::Answer Receive(const Bytes &chunk) { return wire.Receive(chunk.data(), chunk.size()); }
};

} // namespace

// A frame asked for twice may come twice; those copies are frames, so the
// Ack of the next message (the handshake after reopening) is taken at once.
TEST_F(LinkRules, AnswersOwedOfOneKindNeverSwallowTheOther)
{
    protocol::PutReadRequest(wire.frame, 0, 7);
    wire.Send(&session, 4, link::Wait::ForFrame(0, 7));
    wire.Tick(); // resent: the radio may answer twice
    EXPECT_EQ(wire.Receive(FrameOf(0, 7).data(), 34), link::Answer::Frame);
    protocol::PutProgramHandshake(wire.frame);
    wire.Send(&session, 7, link::Wait::ForAck());
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack);

    // Acks owed are taken as such: the Ack of the next block waits for them.
    wire.Send(&session, 34, link::Wait::ForAck());
    // The radio took a tick to answer before: the resend waits two.
    wire.Tick();
    EXPECT_EQ(wire.Copies(), 1);
    wire.Tick();
    EXPECT_EQ(wire.Copies(), 2);
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None) << "held: the copy's Ack may follow";
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack);
    wire.Send(&session, 34, link::Wait::ForAck());
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack) << "nothing owed any more";
}

// A frame whose checksum does not match is taken only when repeated exactly.
TEST_F(LinkRules, AnUncheckedFrameNeedsTheSameAnswerTwice)
{
    protocol::PutReadRequest(wire.frame, 5, 0);
    wire.Send(&session, 4, link::Wait::ForFrame(5, 0));
    Bytes odd = FrameOf(5, 0);
    odd[33] ^= 0xFF;
    Bytes other = odd;
    other[10] = 1;
    EXPECT_EQ(Receive(odd), link::Answer::None);
    EXPECT_EQ(Receive(other), link::Answer::None) << "not the same: a line error";
    EXPECT_EQ(Receive(other), link::Answer::Frame);
    EXPECT_EQ(wire.UnverifiedFrames(), 1);
    // 32 bytes and nothing behind them: a radio that sends no checksum.
    wire.Send(&session, 4, link::Wait::ForFrame(5, 0));
    const Bytes bare(other.begin(), other.begin() + 32);
    EXPECT_EQ(Receive(bare), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::None);
    EXPECT_EQ(Receive(bare), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::Frame);
}
