// SPDX-License-Identifier: GPL-3.0-or-later
// The handshake probe on a port and timer driven by hand: "PROGRAM" and its
// Ack, and how a probe ends when no Ack comes, the port will not open or
// hangs up.
#include "link/Probe.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tonvar;
using link::ProbeResult;
using test::Bytes;

// "PROGRAM" as it goes to the radio.
const Bytes kProgram{0x50, 0x52, 0x4F, 0x47, 0x52, 0x41, 0x4D};
constexpr std::uint8_t kAck = 0x06;

// A port whose device cannot be opened, and says why.
struct MissingPort : test::FakePort {
    void OpenPort() override
    {
        calls.push_back("open");
        throw text::Failure("Error opening serial port", "/dev/ttyUSB7: No such file or directory.");
    }
};

struct Probe : ::testing::Test {
    test::FakePort port;
    test::FakeTimer tim1;
    link::PortHub hub{port, tim1};
    link::HandshakeProbe probe{hub};

    Probe() { hub.portName = "ttyUSB3"; }

    void Ack()
    {
        const std::uint8_t ack = kAck;
        hub.Receive(&ack, 1);
    }
};

TEST_F(Probe, AnAckedProgramAnswersAndClosesThePort)
{
    probe.Start();
    EXPECT_TRUE(probe.Running());
    EXPECT_FALSE(probe.Finished());
    EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB3", "close", "open"}));
    EXPECT_EQ(port.Sent(), kProgram);
    EXPECT_TRUE(tim1.active);

    Ack();
    EXPECT_TRUE(probe.Finished());
    EXPECT_FALSE(probe.Running());
    EXPECT_EQ(probe.Result(), ProbeResult::Answered);
    EXPECT_EQ(probe.Error(), "");
    EXPECT_FALSE(port.open);
    EXPECT_EQ(port.calls.back(), "close");
    EXPECT_FALSE(tim1.active);
    // Nothing goes after the Ack: no read, no write.
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(Probe, NoAckIsResentByTheLinkThenGivenUpSilent)
{
    probe.Start();
    EXPECT_EQ(port.Sent(), kProgram);
    // Each tick of Tim1 without the Ack sends the frame buffer's 34 bytes,
    // "PROGRAM" first.
    for (int tick = 0; tick < 3; ++tick) {
        hub.Tick();
        const Bytes resent = port.Sent();
        ASSERT_EQ(resent.size(), 34u) << "tick " << tick;
        EXPECT_EQ(Bytes(resent.begin(), resent.begin() + 7), kProgram);
    }
    EXPECT_FALSE(probe.Finished());

    probe.GiveUp();
    EXPECT_TRUE(probe.Finished());
    EXPECT_FALSE(probe.Running());
    EXPECT_EQ(probe.Result(), ProbeResult::Silent);
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(tim1.active);

    // An Ack that comes late is nobody's.
    port.open = true;
    Ack();
    EXPECT_EQ(probe.Result(), ProbeResult::Silent);
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(Probe, APortThatWillNotOpenCannotBeProbedAndSaysWhy)
{
    MissingPort missing;
    link::PortHub otherHub{missing, tim1};
    otherHub.portName = "ttyUSB7";
    link::HandshakeProbe p{otherHub};
    p.Start();
    EXPECT_TRUE(p.Finished());
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Result(), ProbeResult::CannotOpen);
    EXPECT_EQ(p.Error(), "Error opening serial port. /dev/ttyUSB7: No such file or directory.");
    EXPECT_TRUE(missing.writes.empty());
    EXPECT_FALSE(otherHub.PortOpen());
    EXPECT_FALSE(tim1.active);
}

TEST_F(Probe, AHangUpEndsTheProbeHungUp)
{
    probe.Start();
    port.Sent();
    // Nothing was written: the hang-up leaves nothing to say of the radio.
    EXPECT_EQ(hub.HungUp(), "");
    EXPECT_TRUE(probe.Finished());
    EXPECT_EQ(probe.Result(), ProbeResult::HungUp);
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(hub.PortOpen());
    EXPECT_FALSE(tim1.active);
}

TEST_F(Probe, EachStartOpensThePortAfreshAndForgetsTheLastProbe)
{
    const std::vector<bool> answers{false, true, true, false, true};
    for (std::size_t i = 0; i < answers.size(); ++i) {
        port.calls.clear();
        probe.Start();
        EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB3", "close", "open"})) << i;
        EXPECT_EQ(port.Sent(), kProgram) << i;
        if (answers[i])
            Ack();
        else
            probe.GiveUp();
        EXPECT_EQ(probe.Result(), answers[i] ? ProbeResult::Answered : ProbeResult::Silent) << i;
        EXPECT_FALSE(port.open) << i;
    }
}

// A session of its own on the port.
struct Busy : link::HubSession {
    bool running = true;
    bool Running() const override { return running; }
    void Answered(link::Answer) override {}
    std::string Abandon() override { return {}; }
};

TEST_F(Probe, APortAnotherSessionRunsOnIsLeftAlone)
{
    Busy other;
    hub.Join(other);
    port.open = true;
    probe.Start();
    EXPECT_TRUE(probe.Finished());
    EXPECT_EQ(probe.Result(), ProbeResult::CannotOpen);
    EXPECT_EQ(probe.Error(), "Another session is using the port.");
    EXPECT_TRUE(port.calls.empty());
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(port.Sent().empty());
    hub.Leave(other);
}

TEST(ProbeResultName, NamesEveryResult)
{
    EXPECT_EQ(link::ProbeResultName(ProbeResult::Answered), "answered");
    EXPECT_EQ(link::ProbeResultName(ProbeResult::Silent), "silent");
    EXPECT_EQ(link::ProbeResultName(ProbeResult::CannotOpen), "cannot open");
    EXPECT_EQ(link::ProbeResultName(ProbeResult::HungUp), "hung up");
}

} // namespace
