// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the link a whole-session sweep would take long to single out.
#include "link/Link.h"
#include "link/Transfer.h"

#include "Fakes.h"
#include "FrameBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

using namespace tonvar;
using test::Bytes;

Bytes FrameOf(std::uint8_t area, std::uint8_t block)
{
    return test::FrameBytes(area, block);
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

// A frame whose checksum does not match is never taken, however often the
// radio repeats it, unless the wait says so (the main window's plain read).
TEST_F(LinkRules, AFrameWithABadChecksumIsNeverTakenByDefault)
{
    protocol::PutReadRequest(wire.frame, 5, 0);
    wire.Send(&session, 4, link::Wait::ForFrame(5, 0));
    Bytes odd = FrameOf(5, 0);
    odd[10] ^= 0x04; // the same line error twice
    EXPECT_EQ(Receive(odd), link::Answer::None);
    EXPECT_EQ(Receive(odd), link::Answer::None);
    EXPECT_EQ(Receive(odd), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::None);
    EXPECT_EQ(Receive(Bytes(odd.begin(), odd.begin() + 32)), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::None) << "no checksum at all: not taken either";
    EXPECT_EQ(Receive(FrameOf(5, 0)), link::Answer::Frame);
    EXPECT_FALSE(wire.TakenUnchecked());
    EXPECT_EQ(wire.UnverifiedFrames(), 0);
}

TEST_F(LinkRules, ALenientWaitTakesABadChecksumOnlyWhenRepeatedExactly)
{
    protocol::PutReadRequest(wire.frame, 5, 0);
    wire.Send(&session, 4, link::Wait::ForFrame(5, 0, true));
    Bytes odd = FrameOf(5, 0);
    odd[33] ^= 0xFF;
    Bytes other = odd;
    other[10] = 1;
    EXPECT_EQ(Receive(odd), link::Answer::None);
    EXPECT_EQ(Receive(other), link::Answer::None) << "not the same: a line error";
    EXPECT_EQ(Receive(other), link::Answer::Frame);
    EXPECT_EQ(wire.UnverifiedFrames(), 1);
    EXPECT_TRUE(wire.TakenUnchecked());
    // 32 bytes and nothing behind them: a radio that sends no checksum.
    wire.Send(&session, 4, link::Wait::ForFrame(5, 0, true));
    const Bytes bare(other.begin(), other.begin() + 32);
    EXPECT_EQ(Receive(bare), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::None);
    EXPECT_EQ(Receive(bare), link::Answer::None);
    EXPECT_EQ(wire.Tick(), link::Answer::Frame);
}

// The radio's own Ack request is answered with one byte of its own: the
// message awaited is resent as it was.
TEST_F(LinkRules, AnAckAskedForLeavesTheMessageAwaitedAlone)
{
    protocol::PutReadRequest(wire.frame, 0, 3);
    wire.Send(&session, 4, link::Wait::ForFrame(0, 3));
    port.Sent();
    Bytes marked = FrameOf(0, 9);
    marked[5] = 0x30;
    Receive(marked);
    wire.AckIfAsked();
    EXPECT_EQ(port.Sent(), Bytes{protocol::kAck});
    wire.Tick();
    const Bytes resend = port.Sent();
    ASSERT_EQ(resend.size(), 34u);
    EXPECT_EQ(Bytes(resend.begin(), resend.begin() + 4), (Bytes{0x52, 0x00, 0x03, 0x20}));
}

// A second, different well-formed answer to the request answered last says
// the first may have been a frame nobody asked for: the block is asked for
// again and only an answer given twice is taken.
TEST_F(LinkRules, AContradictedFrameIsAskedForAgainAndTakenWhenGivenTwice)
{
    protocol::PutReadRequest(wire.frame, 0, 4);
    wire.Send(&session, 4, link::Wait::ForFrame(0, 4));
    Bytes stray = FrameOf(0, 4);
    stray[8] = 0x11;
    test::PutChecksum(stray);
    EXPECT_EQ(Receive(stray), link::Answer::Frame);
    protocol::PutReadRequest(wire.frame, 0, 5);
    wire.Send(&session, 4, link::Wait::ForFrame(0, 5));
    EXPECT_EQ(Receive(stray), link::Answer::None) << "the same again: an answer to a copy";
    EXPECT_EQ(Receive(FrameOf(0, 4)), link::Answer::Contradicted);
    EXPECT_EQ(wire.Contradicted(), (std::pair<std::uint8_t, std::uint8_t>{0, 4}));
    protocol::PutReadRequest(wire.frame, 0, 4);
    wire.Send(&session, 4, link::Wait::ForFrame(0, 4));
    Bytes third = stray;
    third[9] = 0x22;
    test::PutChecksum(third);
    EXPECT_EQ(Receive(third), link::Answer::None) << "a third version: not given twice";
    EXPECT_EQ(Receive(FrameOf(0, 4)), link::Answer::Frame);
    EXPECT_EQ(Bytes(wire.rx.buffer.begin(), wire.rx.buffer.begin() + 34), FrameOf(0, 4));
}

// The radio took 5 ticks to answer. A block resent at the 5th tick gets the
// first copy's Ack at once and the copy's 5 ticks later: both are its own,
// and the next block hears of neither.
TEST_F(LinkRules, AnAckCountsOnlyForABlockWhoseCopyItCanAnswer)
{
    protocol::PutProgramHandshake(wire.frame);
    wire.Send(&session, 7, link::Wait::ForAck(false));
    for (int t = 0; t < 4; ++t)
        wire.Tick();
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack);
    EXPECT_EQ(wire.AckTicks(), 4);
    wire.Send(&session, 34, link::Wait::ForAck()); // channel 1
    for (int t = 0; t < 5; ++t)
        wire.Tick();
    ASSERT_EQ(wire.Copies(), 2) << "resent after 5 ticks";
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None) << "held: the copy's Ack may follow";
    for (int t = 0; t < 5; ++t)
        EXPECT_EQ(wire.Tick(), link::Answer::None) << "still waiting for the copy's Ack";
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack);
    wire.Send(&session, 34, link::Wait::ForAck()); // channel 2
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack) << "nothing owed";
}

// Acks still owed when the wait for them ended: one that comes sooner after
// the next block than the radio has ever answered is not that block's.
TEST_F(LinkRules, ALateAckOfACopyIsNotTakenForTheNextBlock)
{
    wire.Send(&session, 34, link::Wait::ForAck()); // sent, then resent twice
    wire.Tick();
    wire.Tick();
    ASSERT_EQ(wire.Copies(), 3);
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None);
    link::Answer a = link::Answer::None;
    for (int t = 0; t < 20 && a == link::Answer::None; ++t)
        a = wire.Tick();
    EXPECT_EQ(a, link::Answer::Ack) << "the copies' Acks did not come";
    wire.Send(&session, 34, link::Wait::ForAck());
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None) << "sooner than the radio ever answered";
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None) << "the other copy's";
    wire.Tick();
    wire.Tick();
    EXPECT_EQ(wire.Copies(), 1);
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::Ack);
}

// A block sent once is sent again, whole and as it went, when its Ack is
// long overdue, a few times at most.
TEST_F(LinkRules, ABlockSentOnceIsSentAgainWhenItsAckIsOverdue)
{
    protocol::PutFrameHeader(wire.frame, 2, 1);
    wire.frame[20] = 0x42;
    const Bytes block(wire.frame.begin(), wire.frame.begin() + 32);
    wire.Send(&session, 32, link::Wait::ForAck(false));
    EXPECT_EQ(port.Sent(), block);
    int resent = 0;
    for (int t = 1; t <= 100; ++t) {
        wire.Tick();
        const Bytes sent = port.Sent();
        if (sent.empty())
            continue;
        EXPECT_EQ(sent, block);
        EXPECT_GE(t, link::kOnceWaitTicks * (resent + 1));
        ++resent;
    }
    EXPECT_EQ(resent, link::kOnceResends);
    EXPECT_TRUE(wire.Silent());
    EXPECT_EQ(Receive({protocol::kAck}), link::Answer::None) << "an Ack per copy: the others may follow";
}

namespace {

Bytes FrameWith(std::uint8_t area, std::uint8_t block, std::uint8_t fill)
{
    return test::FrameBytes(area, block, fill);
}

struct TransferRules : LinkRules {
    link::Transfer transfer{wire, &session};
    std::map<link::BlockRef, std::uint8_t> received; // each block's first payload byte, as last received
    link::TransferHooks hooks;
    TransferRules()
    {
        hooks.received = [this](link::BlockRef b, const memory::Payload &p) { received[b] = p[0]; };
    }
    int Got(std::uint8_t block) { return received[link::BlockRef{1, block}]; }
    void Answer(const Bytes &chunk)
    {
        const link::Answer a = Receive(chunk);
        if (a != link::Answer::None && wire.Sender() == &session)
            transfer.Answered(a);
        wire.Finish();
    }
};

link::TransferPlan TwoBlocks()
{
    link::TransferPlan plan;
    plan.blocks = {{1, 0}, {1, 1}};
    return plan;
}

} // namespace

// The lenient rule holds only for a read that asks for it, and names what it took so.
TEST_F(TransferRules, OnlyALenientReadTakesTheSameBadChecksumTwiceAndNamesTheBlock)
{
    Bytes odd = FrameWith(1, 1, 7);
    odd[10] ^= 0x04;
    for (const bool lenient : {false, true}) {
        link::TransferPlan plan = TwoBlocks();
        plan.lenientChecksums = lenient;
        transfer.Read(plan, hooks);
        Answer(FrameWith(1, 0, 5));
        Answer(odd);
        Answer(odd);
        if (lenient) {
            EXPECT_EQ(transfer.State(), link::Transfer::Phase::Succeeded);
            EXPECT_EQ(transfer.TakenWithBadChecksum(), (std::vector<link::BlockRef>{{1, 1}}));
        } else {
            EXPECT_EQ(transfer.State(), link::Transfer::Phase::Reading);
            EXPECT_TRUE(transfer.TakenWithBadChecksum().empty());
            Answer(FrameWith(1, 1, 7));
            EXPECT_EQ(transfer.State(), link::Transfer::Phase::Succeeded);
        }
        transfer.Stop();
    }
    // A write's read-back never takes one, whatever the plan says.
    link::TransferPlan plan = TwoBlocks();
    plan.lenientChecksums = true;
    hooks.build = [](link::BlockRef, memory::Payload &p) { p.fill(7); };
    transfer.Write(plan, hooks);
    Answer({protocol::kAck});
    Answer({protocol::kAck});
    ASSERT_EQ(transfer.State(), link::Transfer::Phase::Checking);
    Answer(FrameWith(1, 0, 7));
    Answer(odd);
    Answer(odd);
    EXPECT_EQ(transfer.State(), link::Transfer::Phase::Checking);
    EXPECT_TRUE(transfer.TakenWithBadChecksum().empty());
}

// A block taken from a frame nobody asked for is read again when the real
// answer contradicts it, and what the session keeps is the real one.
TEST_F(TransferRules, AContradictedBlockIsReadAgain)
{
    link::TransferPlan plan = TwoBlocks();
    plan.blocks.push_back({1, 2});
    transfer.Read(plan, hooks);
    Answer(FrameWith(1, 0, 0x99)); // the stray
    EXPECT_EQ(Got(0), 0x99);
    EXPECT_EQ(transfer.Current(), (link::BlockRef{1, 1}));
    port.Sent();
    Answer(FrameWith(1, 0, 5)); // the radio's answer
    EXPECT_EQ(transfer.Current(), (link::BlockRef{1, 0}));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 1, 0, 0x20})) << "asked for again";
    Answer(FrameWith(1, 1, 6)); // the answer to the request before: not taken
    EXPECT_EQ(transfer.Current(), (link::BlockRef{1, 0}));
    Answer(FrameWith(1, 0, 5));
    EXPECT_EQ(Got(0), 5);
    Answer(FrameWith(1, 1, 6));
    Answer(FrameWith(1, 2, 7));
    EXPECT_EQ(transfer.State(), link::Transfer::Phase::Succeeded);
    EXPECT_EQ(Got(1), 6);
}
