// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FleetSyncSession.h"

#include "SignallingFixture.h"

#include <gtest/gtest.h>

using namespace tonvar::signalling;
using tonvar::test::Bytes;

namespace {

struct FleetSync : tonvar::test::WindowFixture<FleetSyncSession> {
    FleetSyncSession &fleet = window;
};

} // namespace

TEST_F(FleetSync, TheFirstBlockOfTheInitialValuesIs32BytesWithoutChecksum)
{
    fleet.StartWrite();
    ASSERT_EQ(port.writes.size(), 32u) << "one byte per write, 32 in all";
    const Bytes expected{0x57, 0x02, 0x00, 0x20, 0x64, 0x00, 0xE8, 0x03, 24, 0x90, 0x01, 10, 0xFF, 0, 0, 0,
                         0,    0,    0,    0,    0,    0,    0,    0,    0,  0,    0,    0,  0,    0, 0, 0};
    EXPECT_EQ(port.Sent(), expected);
    // Tim1 times the Ack; it repeats nothing while the Ack may yet come.
    for (int tick = 1; tick < tonvar::link::kOnceWaitTicks; ++tick)
        main.hub.Tick();
    EXPECT_TRUE(port.Sent().empty()) << "FleetSync writes are not resent";
    EXPECT_TRUE(timer1.active);
}

TEST_F(FleetSync, AWriteSendsThreeBlocksEachAfterAnAck)
{
    fleet.texts.fleet[0] = "4464";
    fleet.texts.fleet[1] = "5";
    fleet.texts.id[1] = "";
    fleet.texts.fleet[2] = "300";
    fleet.texts.id[2] = "301";
    fleet.texts.id[15] = "16";
    fleet.texts.baudRate = "1200";
    fleet.StartWrite();
    Bytes b0 = port.Sent();
    EXPECT_EQ(b0[8], 12);
    EXPECT_EQ(Bytes(b0.begin() + 24, b0.end()), (Bytes{0x70, 0x11, 0, 0, 5, 0, 0, 0}));
    Receive({0x06});
    Bytes b1 = port.Sent();
    ASSERT_EQ(b1.size(), 32u);
    EXPECT_EQ(Bytes(b1.begin(), b1.begin() + 8), (Bytes{0x57, 0x02, 0x01, 0x20, 0x2C, 0x01, 0x2D, 0x01}));
    EXPECT_TRUE(messages.empty());
    Receive({0x06});
    Bytes b2 = port.Sent();
    ASSERT_EQ(b2.size(), 32u);
    EXPECT_EQ(b2[2], 2);
    EXPECT_EQ(Bytes(b2.begin() + 28, b2.end()), (Bytes{0, 0, 16, 0})) << "entry 16 in the last slot";
    EXPECT_TRUE(messages.empty());
    Receive({0x06});
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(AnswerReadBack(fleet), 3);
    EXPECT_EQ(messages, std::vector<std::string>{"WRITE SUCCEED!"});
    EXPECT_FALSE(fleet.WriteRunning());
    Receive({0x06});
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(FleetSync, AReadFillsTheWindowAndStopsAfterBlock2)
{
    fleet.texts.baudRate = "1200";
    fleet.StartRead();
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x02, 0x00, 0x20}));
    EXPECT_TRUE(tim1.active);
    const Bytes b0{0x70, 0x11, 0xE8, 0x03, 12, 0x90, 0x01, 30, 0x01, 0, 0, 0, 0, 0,
                   0,    0,    0,    0,    0,  0,    7,    0,  0,    0, 0, 0, 9, 0};
    Receive(Frame(2, 0, b0));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x02, 0x01, 0x20}));
    Bytes b1(28, 0);
    b1[0] = 3;
    Receive(Frame(2, 1, b1));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x02, 0x02, 0x20}));
    Bytes b2(28, 0);
    b2[26] = 0x10; // entry 16, ID
    Receive(Frame(2, 2, b2));
    EXPECT_TRUE(port.Sent().empty()) << "no request after block 2";
    EXPECT_FALSE(fleet.ReadRunning());
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(fleet.progress.visible);

    const FleetSyncTexts &t = fleet.texts;
    EXPECT_EQ(t.ownFleet, "4464");
    EXPECT_EQ(t.ownId, "1000");
    EXPECT_EQ(t.baudRate, "1200");
    EXPECT_EQ(t.modulationDelay, "400");
    EXPECT_EQ(t.messageTimer, "30");
    EXPECT_FALSE(t.sideTone) << "only 0xFF is on";
    EXPECT_EQ(t.fleet[0], "7");
    EXPECT_EQ(t.id[0], "");
    EXPECT_EQ(t.id[1], "9");
    EXPECT_EQ(t.fleet[2], "3");
    EXPECT_EQ(t.id[15], "16");
}

TEST_F(FleetSync, AnUnknownBaudByteShowsItsRateAndStrayBlocksTouchNothing)
{
    fleet.StartRead();
    Bytes b0(28, 0);
    b0[4] = 30; // 3000 bps: not in the list
    Receive(Frame(2, 0, b0));
    Receive(Frame(2, 1, Bytes(28, 0)));
    Receive(Frame(2, 2, Bytes(28, 0)));
    ASSERT_TRUE(!fleet.ReadRunning());
    EXPECT_EQ(fleet.texts.baudRate, "3000") << "what the radio holds, not what the window held";
    const FleetSyncTexts before = fleet.texts;
    Receive(Frame(2, 3, Bytes(28, 0x22)));
    Receive(Frame(2, 250, Bytes(28, 0x22)));
    EXPECT_EQ(fleet.texts, before);
}

TEST_F(FleetSync, AFieldThatDoesNotConvertSendsNothingAndGivesWriteBack)
{
    fleet.texts.modulationDelay = "4OO";
    EXPECT_THROW(fleet.StartWrite(), tonvar::text::ConversionError);
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(fleet.WriteRunning());
    // A field of a later block stops the write before its first block too.
    fleet.texts.modulationDelay = "400";
    fleet.texts.id[3] = "x";
    try {
        fleet.StartWrite();
        FAIL();
    } catch (const tonvar::text::ConversionError &e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(fleet.WriteRunning());
}

TEST_F(FleetSync, CloseEndsTheSession)
{
    fleet.StartRead();
    fleet.Close();
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(!fleet.ReadRunning() && !fleet.WriteRunning()) << "the port is free for another session";
    EXPECT_FALSE(timer1.active);
}
