// SPDX-License-Identifier: GPL-3.0-or-later
// The port hub: which session an answer goes to, one session at a time, the
// hang-up; and a transfer sequence's stages on one open port.
#include "link/Hub.h"
#include "link/Sequence.h"

#include "Fakes.h"
#include "FrameBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace tonvar;
using test::Bytes;
using test::Joined;

// A DataFrame of `area`, `block`; `askAck`: the radio asks for an Ack of it.
Bytes FrameOf(std::uint8_t area, std::uint8_t block, bool askAck = false)
{
    Bytes f = test::FrameBytes(area, block);
    f[5] = askAck ? 0x30 : 0x00;
    test::PutChecksum(f);
    return f;
}

Bytes RequestOf(std::uint8_t area, std::uint8_t block)
{
    protocol::ByteBuffer frame{};
    protocol::PutReadRequest(frame, area, block);
    return Bytes(frame.begin(), frame.begin() + 4);
}

struct Recorder : link::HubSession {
    Recorder(std::string n, std::vector<std::string> &l) : name(std::move(n)), log(l) {}
    std::string name;
    std::vector<std::string> &log;
    bool running = false;
    std::string leaves; // what it says when the port hangs up
    std::function<void()> onAnswer;
    std::function<void()> onSettled;

    bool Running() const override { return running; }
    void Answered(link::Answer answer) override
    {
        log.push_back(name + (answer == link::Answer::Ack ? " ack" : " frame"));
        if (onAnswer)
            onAnswer();
    }
    void Settled() override
    {
        if (onSettled)
            onSettled();
    }
    std::string Abandon() override
    {
        running = false;
        log.push_back(name + " ends");
        return leaves;
    }
};

struct Hub : ::testing::Test {
    test::FakePort port;
    test::FakeTimer tim1;
    link::PortHub hub{port, tim1};
    std::vector<std::string> log;
    Recorder a{"A", log}, b{"B", log}, c{"C", log};

    Hub()
    {
        port.open = true;
        for (Recorder *r : {&a, &b, &c})
            hub.Join(*r);
    }
    void Receive(const Bytes &chunk) { hub.Receive(chunk.data(), chunk.size()); }
    void Ask(Recorder &r, link::Wait wait) { hub.link.Send(link::LinkUser(r), wait.kind == link::Wait::Ack ? 34 : 4, wait); }
};

} // namespace

TEST_F(Hub, AnAnswerGoesOnlyToTheRunningSessionThatAskedForIt)
{
    struct Case {
        const char *what;
        link::Wait wait;
        Bytes chunk;
        bool askerRunning;
        bool askerLeft;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        {"the frame asked for", link::Wait::ForFrame(2, 1), FrameOf(2, 1), true, false, {"A frame"}},
        {"the Ack asked for", link::Wait::ForAck(), {protocol::kAck}, true, false, {"A ack"}},
        {"a frame of another block", link::Wait::ForFrame(2, 1), FrameOf(2, 0), true, false, {}},
        {"a frame when an Ack is awaited", link::Wait::ForAck(), FrameOf(2, 1), true, false, {}},
        {"the asker has ended", link::Wait::ForFrame(2, 1), FrameOf(2, 1), false, false, {}},
        {"the asker has left the hub", link::Wait::ForFrame(2, 1), FrameOf(2, 1), true, true, {}},
    };
    for (const Case &k : cases) {
        log.clear();
        hub.Join(a);
        hub.link.Begin();
        // B and C run too: they hear nothing of A's answers.
        a.running = k.askerRunning;
        b.running = c.running = true;
        Ask(a, k.wait);
        if (k.askerLeft)
            hub.Leave(a);
        Receive(k.chunk);
        EXPECT_EQ(log, k.heard) << k.what;
        hub.link.Stop(link::LinkUser(a));
    }
}

TEST_F(Hub, OneSessionRunsAtATime)
{
    struct Case {
        bool a, b;
        bool mayStart, othersThanA, othersThanB;
    };
    for (const Case &k : {Case{false, false, true, false, false}, Case{true, false, false, false, true},
                          Case{false, true, false, true, false}, Case{true, true, false, true, true}}) {
        a.running = k.a;
        b.running = k.b;
        EXPECT_EQ(hub.MayStart(), k.mayStart) << k.a << k.b;
        EXPECT_EQ(hub.AnyRunning(), !k.mayStart) << k.a << k.b;
        EXPECT_EQ(hub.OthersRunning(&a), k.othersThanA) << k.a << k.b;
        EXPECT_EQ(hub.OthersRunning(&b), k.othersThanB) << k.a << k.b;
    }
}

TEST_F(Hub, AHangUpEndsEveryRunningSessionAndClosesThePort)
{
    hub.portName = "ttyUSB0";
    hub.Hold();
    a.running = c.running = true;
    a.leaves = "A stopped";
    c.leaves = "C stopped";
    EXPECT_EQ(hub.HungUp(), "C stopped");
    EXPECT_EQ(log, (std::vector<std::string>{"A ends", "C ends"})) << "B did not run";
    EXPECT_FALSE(hub.PortOpen());
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(hub.AnyRunning());
    EXPECT_EQ(hub.HungUp(), "") << "nothing ran";
}

TEST_F(Hub, TheSessionsSettleOnlyOnceTheAckTheRadioAskedForIsSent)
{
    a.running = true;
    Ask(a, link::Wait::ForFrame(2, 1));
    port.writes.clear();
    Bytes sentBeforeSettling;
    a.onAnswer = [&] { EXPECT_TRUE(port.writes.empty()) << "the Ack went out before the answer was dealt with"; };
    a.onSettled = [&] { sentBeforeSettling = port.Sent(); };
    Receive(FrameOf(2, 1, true));
    EXPECT_EQ(log, (std::vector<std::string>{"A frame"}));
    EXPECT_EQ(sentBeforeSettling, Bytes{protocol::kAck});
}

// What a session throws is passed on with the receive buffers finished, so
// a later short chunk is not read with this frame's bytes behind it.
TEST_F(Hub, ASessionThatThrowsLeavesTheReceiveBuffersFinished)
{
    a.running = true;
    Ask(a, link::Wait::ForFrame(2, 1));
    a.onAnswer = [] { throw std::runtime_error("a block does not decode"); };
    EXPECT_THROW(Receive(FrameOf(2, 1)), std::runtime_error);
    EXPECT_EQ(hub.link.rx.buffer[0], 0);
    EXPECT_EQ(hub.link.rx.copy[0], 0);
}

namespace {

// A session that runs a transfer sequence, as the windows' and the
// command line's do.
struct SequenceSession : link::HubSession {
    explicit SequenceSession(link::PortHub &h) : hub(h) { hub.Join(*this); }
    ~SequenceSession() override { hub.Leave(*this); }
    link::PortHub &hub;
    link::TransferSequence sequence{hub.link, link::LinkUser(*this)};
    bool Running() const override { return sequence.Running(); }
    void Answered(link::Answer answer) override { sequence.Answered(answer); }
    void Settled() override { sequence.Advance(); }
    std::string Abandon() override
    {
        sequence.Stop();
        return {};
    }
};

link::Stage ReadOf(std::vector<link::BlockRef> blocks)
{
    link::TransferPlan plan;
    plan.blocks = std::move(blocks);
    return {plan, false, {}};
}

struct Sequence : Hub {
    SequenceSession session{hub};
    // Answers each request the radio is sent with its frame; `askAck`: the
    // radio asks for an Ack of each.
    Bytes AnswerAll(bool askAck = false)
    {
        Bytes sent;
        for (Bytes s = port.Sent(); !s.empty(); s = port.Sent()) {
            sent.insert(sent.end(), s.begin(), s.end());
            // The request among what went out (an Ack may come before or after it).
            for (std::size_t i = 0; i + 4 <= s.size(); ++i)
                if (Bytes(s.begin() + static_cast<std::ptrdiff_t>(i),
                          s.begin() + static_cast<std::ptrdiff_t>(i + 4)) == RequestOf(s[i + 1], s[i + 2])) {
                    Receive(FrameOf(s[i + 1], s[i + 2], askAck));
                    break;
                }
        }
        return sent;
    }
};

} // namespace

TEST_F(Sequence, ItsStagesRunOneAfterAnotherOnOneOpenPort)
{
    for (const bool askAck : {false, true}) {
        SCOPED_TRACE(askAck ? "the radio asks for Acks" : "no Acks asked for");
        port.calls.clear();
        hub.portName = "ttyUSB0";
        hub.OpenFresh();
        session.sequence.Start({ReadOf({{1, 0}}), ReadOf({{2, 0}, {2, 1}})});
        // The Ack the radio asked for of the first stage's last frame goes
        // out before the second stage's first request (within a stage, the
        // next request goes first).
        const Bytes ack{protocol::kAck};
        EXPECT_EQ(AnswerAll(askAck), askAck ? Joined({RequestOf(1, 0), ack, RequestOf(2, 0), RequestOf(2, 1), ack, ack})
                                            : Joined({RequestOf(1, 0), RequestOf(2, 0), RequestOf(2, 1)}));
        EXPECT_EQ(session.sequence.Now(), link::TransferSequence::State::Succeeded);
        EXPECT_EQ(session.sequence.Answers(), 3);
        EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB0", "close", "open"}))
            << "the port stays open between the stages";
    }
}

TEST_F(Sequence, WhatRefusesTheNextStageStopsItBeforeItsFirstByte)
{
    session.sequence.Start({ReadOf({{1, 0}}), ReadOf({{2, 0}})},
                           [](std::size_t) { throw std::runtime_error("the backup could not be saved"); });
    EXPECT_THROW(AnswerAll(), std::runtime_error);
    EXPECT_TRUE(port.Sent().empty()) << "nothing of the second stage went out";
    session.sequence.Stop();
    EXPECT_EQ(session.sequence.Now(), link::TransferSequence::State::Stopped);
    EXPECT_FALSE(hub.AnyRunning());
}

TEST_F(Sequence, AWriteThatCannotGoThroughWholeSendsNothing)
{
    link::TransferPlan plan;
    plan.blocks = {{3, 0}, {3, 1}};
    link::TransferHooks hooks;
    hooks.build = [](link::BlockRef block, memory::Payload &) {
        if (block.number == 1)
            throw std::runtime_error("block 1 does not convert");
    };
    const std::vector<link::Stage> stages{ReadOf({{1, 0}}), {plan, true, hooks}};
    EXPECT_THROW(session.sequence.Check(stages), std::runtime_error);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_FALSE(session.sequence.WroteSomething());
}
