// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockFrames.h"
#include "protocol/MainSession.h"

#include "memory/ChannelBlock.h"
#include "text/Convert.h"

#include "Fakes.h"
#include "FrameBytes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace tonvar::protocol;
using tonvar::memory::ChannelRow;
using tonvar::memory::ChannelTable;
using tonvar::memory::DefaultSettingsTexts;
using tonvar::memory::SettingsTexts;
using Bytes = std::vector<std::uint8_t>;

namespace {

using tonvar::test::FakePort;
using tonvar::test::FakeTimer;

Bytes Ack()
{
    return {0x06};
}

Bytes Frame(std::uint8_t area, std::uint8_t block, const ByteBuffer &payload)
{
    Bytes f(34);
    f[0] = 0x57;
    f[1] = area;
    f[2] = block;
    f[3] = 0x20;
    for (std::size_t i = 4; i < 32; ++i)
        f[i] = payload[i];
    tonvar::test::PutChecksum(f);
    return f;
}

ChannelRow Channel(const std::string &rx)
{
    return {"",      rx,     rx,     "67.0", "NONE", "HIGH", "WIDE", "YES",
            "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
}

Bytes Ascii(const char *s)
{
    return Bytes(s, s + std::char_traits<char>::length(s));
}

struct SessionFixture : ::testing::Test {
    FakePort port;
    FakeTimer tim1;
    ChannelTable table;
    SettingsTexts settings = DefaultSettingsTexts();
    std::vector<std::string> messages;
    std::vector<int> sleeps;
    int commits = 0;
    tonvar::link::PortHub hub{port, tim1};
    MainSession session{hub, table, settings,
                        MainSessionHost{[this](const std::string &m) { messages.push_back(m); },
                                        [this](int ms) { sleeps.push_back(ms); }, [this] { ++commits; }}};

    void SetUp() override { session.hub.portName = "ttyUSB0"; }
    void Receive(const Bytes &chunk)
    {
        session.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size()));
    }
    // Every WritePort call since the last check must have been one byte long.
    bool AllOneByte() const
    {
        for (const Bytes &w : port.writes)
            if (w.size() != 1)
                return false;
        return true;
    }
};

} // namespace

TEST_F(SessionFixture, AReadRunsTheWholeSequenceAndFillsTableAndSettings)
{
    session.StartRead();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB0", "close", "open"}));
    EXPECT_TRUE(AllOneByte());
    EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
    EXPECT_TRUE(tim1.active);
    EXPECT_TRUE(session.ReadRunning());
    EXPECT_FALSE(session.WriteRunning());
    EXPECT_FALSE(session.PortFree());
    EXPECT_FALSE(session.Editable());
    EXPECT_TRUE(session.progress.visible);
    EXPECT_EQ(session.progress.maximum, 16);

    Receive(Ack());
    EXPECT_TRUE(AllOneByte());
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x01, 0x20}));

    for (int ch = 1; ch <= 16; ++ch) {
        ByteBuffer payload{};
        tonvar::test::EncodeChannelBlock(Channel(ch == 5 ? "" : std::to_string(400 + ch) + ".12500"), payload);
        if (ch == 5)
            payload[16] = 0xFF; // other bytes set, but no receive frequency
        Receive(Frame(0, static_cast<std::uint8_t>(ch), payload));
        if (ch < 16) {
            ASSERT_EQ(port.writes.size(), 1u) << "the next request goes out in one write";
            EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, static_cast<std::uint8_t>(ch + 1), 0x20}));
            EXPECT_EQ(session.progress.position, ch);
            EXPECT_TRUE(session.progress.visible);
        } else {
            EXPECT_TRUE(AllOneByte());
            EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x05, 0x00, 0x20}));
            EXPECT_EQ(sleeps, std::vector<int>{2});
            EXPECT_TRUE(session.progress.visible) << "Retry and Cancel stay within reach";
            EXPECT_EQ(session.progress.position, 15);
        }
        EXPECT_TRUE(tim1.active);
    }
    EXPECT_EQ(table, ChannelTable{}) << "the table changes only when the whole read has come";

    ByteBuffer settingsPayload{};
    settingsPayload[16] = 0; // voice CLOSE
    settingsPayload[15] = 120;
    settingsPayload[13] = 2;
    Receive(Frame(5, 0, settingsPayload));
    EXPECT_EQ(table.Cell(7, 1), "407.12500");
    EXPECT_EQ(table.Cell(16, 3), "67.0");
    EXPECT_EQ(table.Row(5), ChannelRow{});
    EXPECT_EQ(settings.Box(5), "CLOSE");
    EXPECT_EQ(settings.Box(4), "120");
    EXPECT_EQ(messages, std::vector<std::string>{"   Read Succeed!"});
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(!session.ReadRunning() && !session.WriteRunning() && session.PortFree() && session.Editable());
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_EQ(session.hub.link.rx.buffer[0], 0);
}

TEST_F(SessionFixture, AWriteSendsEachBlockOnTheAckBeforeAndEndsOnTheEighteenth)
{
    session.verifyWrites = false; // the read-back has a test of its own
    table.Row(2) = Channel("145.50000");
    session.StartWrite();
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
    EXPECT_EQ(session.progress.maximum, 17);
    EXPECT_TRUE(session.WriteRunning());

    // The handshake's Ack brings channel 1: an empty channel's known frame.
    Receive(Ack());
    EXPECT_TRUE(AllOneByte());
    Bytes empty1{0x57, 0x00, 0x01, 0x20};
    empty1.insert(empty1.end(), 27, 0x00);
    empty1.push_back(0xFF);
    empty1.push_back(0x38);
    empty1.push_back(0x6F);
    EXPECT_EQ(port.Sent(), empty1);
    EXPECT_EQ(session.progress.position, 1);

    Receive(Ack());
    const Bytes ch2 = port.Sent();
    ASSERT_EQ(ch2.size(), 34u);
    EXPECT_EQ(Bytes(ch2.begin(), ch2.begin() + 8), (Bytes{0x57, 0x00, 0x02, 0x20, 0x60, 0x27, 0xAC, 0x08}));

    for (int n = 3; n <= 16; ++n) {
        Receive(Ack());
        const Bytes f = port.Sent();
        ASSERT_EQ(f.size(), 34u);
        EXPECT_EQ(f[2], n);
    }
    // After channel 16 the settings frame: its bytes 20..31 are what the
    // (empty) channel 16 frame left in the buffer.
    Receive(Ack());
    const Bytes s = port.Sent();
    ASSERT_EQ(s.size(), 34u);
    const Bytes expected{0x57, 0x05, 0x00, 0x20, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x01, 0x00, 0x3C, 0x02, 0x00, 0x00, 0x01, 0,    0,
                         0,    0,    0,    0,    0,    0,    0,    0,    0,    0xFF};
    EXPECT_EQ(Bytes(s.begin(), s.begin() + 32), expected);
    const std::uint16_t crc = Crc16Modbus(s.data(), 32);
    EXPECT_EQ(s[32], crc >> 8);
    EXPECT_EQ(s[33], crc & 0xFF);
    EXPECT_TRUE(messages.empty());

    Receive(Ack());
    EXPECT_EQ(messages, std::vector<std::string>{"Write Succeed!"});
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(!session.ReadRunning() && !session.WriteRunning() && session.PortFree() && session.Editable());
    EXPECT_FALSE(session.progress.visible);
}

TEST_F(SessionFixture, TheResendRepeatsThirtyFourBytesOfWhateverTheBufferHolds)
{
    session.StartRead();
    port.Sent();
    session.hub.Tick();
    ASSERT_EQ(port.writes.size(), 1u);
    Bytes handshake = Ascii("PROGRAM");
    handshake.resize(32, 0x00);
    const std::uint16_t crc = Crc16Modbus(handshake.data(), 32);
    handshake.push_back(static_cast<std::uint8_t>(crc >> 8));
    handshake.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    EXPECT_EQ(port.Sent(), handshake);

    Receive(Ack());
    Receive(Ack()); // the resent copy's
    port.Sent();
    // The radio took over 300 ms: the request is resent after two ticks.
    session.hub.Tick();
    EXPECT_TRUE(port.Sent().empty());
    session.hub.Tick();
    Bytes request = handshake;
    request[0] = 0x52;
    request[1] = 0x00;
    request[2] = 0x01;
    request[3] = 0x20;
    EXPECT_EQ(port.Sent(), request) << "the request plus the handshake's leftovers";
}

TEST_F(SessionFixture, AFrameMarkedAt5GetsOneAckAndTheNextResendRepeatsTheRequest)
{
    session.StartRead();
    Receive(Ack());
    port.Sent();
    ByteBuffer payload{};
    tonvar::test::EncodeChannelBlock(Channel("146.00000"), payload);
    payload[5] = 0x30;
    Receive(Frame(0, 1, payload));
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0], (Bytes{0x52, 0x00, 0x02, 0x20}));
    EXPECT_EQ(port.writes[1], Bytes{0x06});
    port.Sent();
    session.hub.Tick();
    const Bytes resend = port.Sent();
    EXPECT_EQ(Bytes(resend.begin(), resend.begin() + 4), (Bytes{0x52, 0x00, 0x02, 0x20}))
        << "the Ack leaves the frame buffer alone";

    // Outside any session it is answered as well.
    session.Cancel();
    port.open = true;
    Receive(Frame(1, 0, payload));
    EXPECT_EQ(port.Sent(), Bytes{0x06});
}

TEST_F(SessionFixture, AReadTakesOnlyTheWholeAnswerItAskedFor)
{
    session.StartRead();
    Receive(Ack());
    port.Sent();
    ByteBuffer payload{};
    tonvar::test::EncodeChannelBlock(Channel("146.00000"), payload);
    const Bytes good = Frame(0, 1, payload);
    Bytes badSum = good;
    badSum[33] ^= 0x01;
    Bytes badSpace = good;
    badSpace[3] = 0x21;
    struct Case {
        const char *what;
        std::vector<Bytes> chunks;
    };
    const std::vector<Case> refused{
        {"another block", {Frame(0, 9, payload)}},
        {"another area", {Frame(4, 1, payload)}},
        {"no 0x20", {badSpace}},
        {"a line error in the checksum", {badSum}},
        {"a short answer", {Bytes(good.begin(), good.begin() + 20)}},
        {"an Ack", {Ack()}},
        {"no message", {{0x41, 0x42, 0x43}}},
    };
    for (const Case &c : refused) {
        for (const Bytes &chunk : c.chunks)
            Receive(chunk);
        EXPECT_TRUE(port.Sent().empty()) << c.what;
        EXPECT_EQ(table.Cell(1, 1), "") << c.what;
        session.hub.Tick(); // the resend asks again, and drops what was half there
        EXPECT_EQ(port.Sent().size(), 34u) << c.what;
    }
    EXPECT_EQ(table.Cell(9, 1), "");

    // An answer split by a pause is put together.
    Receive(Bytes(good.begin(), good.begin() + 6));
    EXPECT_TRUE(port.Sent().empty());
    Receive(Bytes(good.begin() + 6, good.end()));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x02, 0x20})) << "channel 1 was taken";

    // A checksum of another kind is not taken, even when the radio repeats it exactly.
    Bytes other = Frame(0, 2, payload);
    other[32] = 0x12;
    other[33] = 0x34;
    Receive(other);
    EXPECT_TRUE(port.Sent().empty());
    session.hub.Tick();
    port.Sent();
    Receive(other);
    EXPECT_TRUE(port.Sent().empty()) << "channel 2 was not taken";
    EXPECT_EQ(session.hub.link.UnverifiedFrames(), 0);
}

TEST_F(SessionFixture, AWriteReadsBackWhatItWroteAndWritesAgainWhatDiffers)
{
    for (int ch = 1; ch <= 16; ++ch)
        table.Row(ch) = Channel(std::to_string(440 + ch) + ".00000");
    session.StartWrite();
    std::vector<Bytes> radio(18); // what the radio holds, by step (17: settings)
    int corruptions = 1;          // the radio keeps channel 7 wrong once
    // Answers every message as a radio would; returns false when nothing was sent.
    const auto answer = [&] {
        const Bytes sent = port.Sent();
        if (sent.empty())
            return false;
        if (sent[0] == 'P') {
            Receive(Ack());
        } else if (sent[0] == 0x57) {
            const int step = sent[1] == 5 ? 17 : sent[2];
            radio[static_cast<std::size_t>(step)] = sent;
            if (step == 7 && corruptions-- > 0)
                radio[7][8] ^= 0x10;
            Receive(Ack());
        } else if (sent[0] == 0x52) {
            const int step = sent[1] == 5 ? 17 : sent[2];
            Bytes f = radio[static_cast<std::size_t>(step)];
            tonvar::test::PutChecksum(f);
            Receive(f);
        }
        return true;
    };
    int messagesSent = 0;
    while (answer() && messagesSent < 200)
        ++messagesSent;
    EXPECT_EQ(messages, std::vector<std::string>{"Write Succeed!"});
    // 18 written and 18 read back, then channel 7 again: written and read.
    EXPECT_EQ(messagesSent, 18 + 18 + 2 + 2);
    EXPECT_EQ(radio[7][8], radio[7][4]) << "channel 7 as written: TX as RX";

    // A radio that never keeps it: the write fails, naming the channel.
    messages.clear();
    corruptions = 100;
    session.StartWrite();
    try {
        while (answer())
            ;
        ADD_FAILURE() << "no failure";
    } catch (const tonvar::text::Failure &e) {
        EXPECT_NE(e.detail().find("channel 7"), std::string::npos) << e.detail();
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(!session.WriteRunning() && !session.ReadRunning());
    EXPECT_FALSE(port.open);
}

TEST_F(SessionFixture, AnAckCountsOnlyForTheBlockThatWaitsForIt)
{
    session.verifyWrites = false;
    session.StartWrite();
    port.Sent();
    Receive(Ack()); // the handshake's
    port.Sent();
    // Channel 1 goes out twice before its Ack: the radio owes a second Ack.
    session.hub.Tick();
    EXPECT_EQ(session.hub.link.Copies(), 2);
    port.Sent();
    Receive(Ack());
    EXPECT_TRUE(port.Sent().empty()) << "channel 2 waits for the second Ack";
    Receive(Ack()); // the second copy's
    Bytes f = port.Sent();
    ASSERT_EQ(f.size(), 34u);
    EXPECT_EQ(f[2], 2);
    // A radio that ignored the copy it got while storing never sends that
    // Ack: after a quiet spell the write goes on.
    session.hub.Tick();
    port.Sent();
    Receive(Ack());
    for (int tick = 0; tick < 5 && port.writes.empty(); ++tick)
        session.hub.Tick();
    f = port.Sent();
    ASSERT_EQ(f.size(), 34u);
    EXPECT_EQ(f[2], 3);
}

TEST_F(SessionFixture, TheHangUpOfThePortEndsASessionAtOnce)
{
    const auto hangUp = [&] {
        try {
            session.HungUp();
        } catch (const tonvar::text::Failure &e) {
            return std::string(e.what());
        }
        return std::string("no failure");
    };
    // During the read-back every block was written and acknowledged.
    session.StartWrite();
    for (int n = 0; n < 19; ++n)
        Receive(Ack());
    ASSERT_TRUE(session.Checking());
    EXPECT_EQ(hangUp(), kCheckHungUp);

    session.StartWrite();
    Receive(Ack());
    EXPECT_EQ(hangUp(), kWriteHungUp);
    EXPECT_TRUE(!session.WriteRunning() && !session.ReadRunning() && session.PortFree() && session.Editable());
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(port.open);
    EXPECT_NO_THROW(session.HungUp()) << "nothing runs";
}

TEST_F(SessionFixture, RetryRestartsTheSameKindOfSessionAfterAPause)
{
    session.StartRead();
    Receive(Ack());
    session.Retry();
    EXPECT_EQ(sleeps, std::vector<int>{300});
    EXPECT_TRUE(session.ReadRunning());
    EXPECT_EQ(session.progress.maximum, 16);
    EXPECT_EQ(session.progress.position, 0);
    EXPECT_TRUE(session.progress.visible);
    EXPECT_EQ(port.writes.back(), Bytes{'M'});

    session.Cancel();
    session.StartWrite();
    Receive(Ack());
    port.calls.clear();
    session.Retry();
    EXPECT_TRUE(session.WriteRunning());
    EXPECT_FALSE(session.ReadRunning());
    EXPECT_EQ(session.progress.maximum, 17);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"close", "name ttyUSB0", "close", "open"}));
}

TEST_F(SessionFixture, CancelReturnsEverythingToIdleWithThePortClosed)
{
    session.StartWrite();
    Receive(Ack());
    // Channel 1 went out: the radio may hold a mix, and Cancel says so.
    try {
        session.Cancel();
        ADD_FAILURE() << "a write cancelled half-way said nothing";
    } catch (const tonvar::text::Failure &e) {
        EXPECT_STREQ(e.what(), "The write was cancelled.");
        EXPECT_EQ(e.detail(), "The radio may now hold a mix of old and new values: write it again.");
    }
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(!session.ReadRunning() && !session.WriteRunning() && session.PortFree() && session.Editable());
    EXPECT_FALSE(session.progress.visible);
    port.Sent();
    port.open = true;
    Receive(Ack()); // a late answer is ignored
    EXPECT_TRUE(port.Sent().empty());

    // Cancelled before its first block (no answer to PROGRAM): nothing to say.
    session.StartWrite();
    EXPECT_NO_THROW(session.Cancel());
}

TEST_F(SessionFixture, APortThatWillNotOpenStopsTheStartWithNothingDisabled)
{
    port.failOpen = true;
    EXPECT_THROW(session.StartRead(), tonvar::text::Failure);
    EXPECT_FALSE(session.progress.visible) << "no dialog is left over a window that waits for nothing";
    EXPECT_TRUE(!session.ReadRunning() && !session.WriteRunning() && session.PortFree() && session.Editable());
    EXPECT_TRUE(port.writes.empty());

    EXPECT_THROW(session.StartWrite(), tonvar::text::Failure);
    EXPECT_FALSE(session.progress.visible);
    EXPECT_FALSE(tim1.active) << "nothing was sent, so nothing is resent";
    // Retry starts again what was asked for last: the write, not a read.
    port.failOpen = false;
    session.Retry();
    EXPECT_TRUE(session.WriteRunning());
    EXPECT_FALSE(session.ReadRunning());

    // A Retry whose port will not open leaves nothing running: Read and
    // Write come back, the port may be chosen again.
    port.failOpen = true;
    EXPECT_THROW(session.Retry(), tonvar::text::Failure);
    EXPECT_FALSE(session.Running());
    EXPECT_FALSE(hub.AnyRunning());
    EXPECT_TRUE(session.PortFree() && session.Editable());
    EXPECT_FALSE(session.progress.visible);
}

TEST_F(SessionFixture, AWriteThatCouldNotGoThroughWholeSendsNothing)
{
    struct Case {
        int channel; // 0: the settings
        int column;  // or the settings box
        std::string text;
        std::string where;
    };
    const std::vector<Case> cases{
        {3, 1, "abc", "Channel 3, RX Freq"},    {5, 5, "MEDIUM", "Channel 5, TX Power"},
        {6, 14, "999", "Channel 6, PTTID NO."}, {0, 4, "300", "Settings, TOT"},
        {0, 3, "7777", "Settings, SQ Lev"},     {0, 4, "6O", "Settings, TOT"},
    };
    for (const Case &c : cases) {
        ChannelTable t;
        for (int ch = 1; ch <= 16; ++ch)
            t.Row(ch) = Channel("145.50000");
        SettingsTexts s = DefaultSettingsTexts();
        if (c.channel == 0)
            s.Box(c.column) = c.text;
        else
            t.SetCell(c.channel, c.column, c.text);
        table = t;
        settings = s;
        port.calls.clear();
        try {
            session.StartWrite();
            ADD_FAILURE() << c.text << " was taken";
        } catch (const tonvar::text::Failure &e) {
            EXPECT_EQ(e.detail().rfind(c.where, 0), 0u) << c.text << ": " << e.detail();
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
        }
        EXPECT_TRUE(port.calls.empty()) << c.text << ": the port is not even opened";
        EXPECT_TRUE(port.writes.empty());
        EXPECT_TRUE(!session.WriteRunning() && session.Editable());
    }
}

TEST_F(SessionFixture, EndsAndCancelStopTheResendOnlyWhenNoOtherSessionWaits)
{
    const int signallingWindow = 0; // stands for a signalling session
    session.hub.link.StartResend(&signallingWindow);
    session.StartRead();
    session.Cancel();
    EXPECT_TRUE(tim1.active);
    session.hub.link.StopResend(&signallingWindow);
    EXPECT_FALSE(tim1.active);
    session.hub.link.StopResend(&signallingWindow); // no longer waiting: nothing happens
    tim1.active = true;
    session.hub.link.StopResend(&signallingWindow);
    EXPECT_TRUE(tim1.active);
}

TEST_F(SessionFixture, ShowCommandsOpenThePortOnce)
{
    session.hub.Hold();
    session.hub.Hold();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB0", "open"}));
    EXPECT_FALSE(session.PortFree());
    port.failOpen = true;
    session.Cancel();
    EXPECT_THROW(session.hub.Hold(), tonvar::text::Failure);
    EXPECT_TRUE(session.PortFree());
}

// Port > Close Port frees a port a show command left open, never one a
// session runs on.
TEST_F(SessionFixture, ClosePortReleasesAPortNoSessionUses)
{
    EXPECT_FALSE(session.hub.HeldIdle());
    session.hub.Hold();
    EXPECT_TRUE(session.hub.HeldIdle());
    session.hub.Release();
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(session.PortFree());
    session.StartRead();
    EXPECT_FALSE(session.hub.HeldIdle()) << "a read runs";
    session.hub.Release();
    EXPECT_TRUE(port.open);
    EXPECT_FALSE(session.PortFree());
}

TEST_F(SessionFixture, TheDialogSaysWhatIsAwaitedAndWhenTheRadioDoesNotAnswer)
{
    session.StartRead();
    EXPECT_EQ(session.progress.text, "Waiting for the radio to answer");
    Receive(Ack());
    EXPECT_EQ(session.progress.text, "Reading channel 1 of 16");
    for (int tick = 0; tick < 33; ++tick)
        session.hub.Tick();
    EXPECT_EQ(session.progress.text.find("does not answer"), std::string::npos) << "not before 10 s";
    session.hub.Tick();
    EXPECT_NE(session.progress.text.find("Reading channel 1 of 16\nThe radio does not answer"), std::string::npos)
        << session.progress.text;
    EXPECT_TRUE(tim1.active) << "the resend goes on until the user chooses";
}

// A read that stops anywhere (after any number of answers, by Cancel, Retry
// and Cancel, a pulled cable or a radio that falls silent) leaves the table
// and the settings exactly as they were; one that ends replaces them whole.
TEST_F(SessionFixture, AReadStoppedAnywhereLeavesTableAndSettingsAsTheyWere)
{
    // What the user holds before the read: a channel file's contents.
    for (int ch = 1; ch <= 16; ++ch)
        table.Row(ch) = Channel(std::to_string(150 + ch) + ".00000");
    settings.Box(4) = "60";
    const ChannelTable heldTable = table;
    const SettingsTexts heldSettings = settings;

    // The radio's answers: the Ack, channels 1 to 16, the settings.
    std::vector<Bytes> answers{Ack()};
    ChannelTable radio; // what the read must show: the radio's blocks decoded
    for (int ch = 1; ch <= 16; ++ch) {
        ByteBuffer payload{};
        tonvar::test::EncodeChannelBlock(ch % 3 == 0 ? ChannelRow{} : Channel(std::to_string(440 + ch) + ".12500"),
                                         payload);
        tonvar::memory::DecodeChannelBlock(ch, PayloadOf(payload), radio);
        answers.push_back(Frame(0, static_cast<std::uint8_t>(ch), payload));
    }
    ByteBuffer settingsPayload{};
    settingsPayload[15] = 120; // TOT 120
    answers.push_back(Frame(5, 0, settingsPayload));

    enum Stop { Cancel, RetryThenCancel, HangUp, SilenceThenCancel };
    for (const Stop stop : {Cancel, RetryThenCancel, HangUp, SilenceThenCancel}) {
        for (std::size_t taken = 0; taken < answers.size(); ++taken) {
            SCOPED_TRACE("stop " + std::to_string(stop) + " after " + std::to_string(taken) + " answers");
            session.StartRead();
            for (std::size_t a = 0; a < taken; ++a)
                Receive(answers[a]);
            ASSERT_TRUE(session.ReadRunning());
            try {
                switch (stop) {
                case Cancel:
                    session.Cancel();
                    break;
                case RetryThenCancel:
                    session.Retry();
                    ASSERT_TRUE(session.ReadRunning());
                    session.Cancel();
                    break;
                case HangUp:
                    session.HungUp();
                    break;
                case SilenceThenCancel:
                    for (int tick = 0; tick < 50; ++tick)
                        session.hub.Tick();
                    session.Cancel();
                    break;
                }
            } catch (const tonvar::text::Failure &) {
                // A hang-up says so; what it says has tests of its own.
            }
            EXPECT_FALSE(session.ReadRunning());
            EXPECT_EQ(table, heldTable);
            EXPECT_EQ(settings, heldSettings);
            EXPECT_TRUE(messages.empty());
        }
    }

    // The whole read replaces every row, also those the radio holds empty.
    session.StartRead();
    for (const Bytes &answer : answers)
        Receive(answer);
    EXPECT_EQ(messages, std::vector<std::string>{kReadSucceeded});
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(table.Row(ch), radio.Row(ch)) << "channel " << ch;
    EXPECT_EQ(table.Row(3), ChannelRow{}) << "a channel the radio holds empty is emptied";
    EXPECT_EQ(settings.Box(4), "120");
}

// A radio read and written back unchanged gets its own bytes back, whatever
// they hold (spare bits, values the table cannot encode again); a channel
// the user changed is the one block that differs, and it holds the change.
TEST_F(SessionFixture, WhatTheUserDidNotChangeIsWrittenBackAsTheRadioGaveIt)
{
    session.verifyWrites = false; // the read-back has tests of its own
    std::vector<Bytes> blocks; // channels 1..16, then the settings, as the radio holds them
    std::uint32_t seed = 12345;
    for (int b = 0; b < 17; ++b) {
        ByteBuffer payload{};
        for (std::size_t i = 4; i < 32; ++i) {
            seed = seed * 1103515245u + 12345u;
            payload[i] = static_cast<std::uint8_t>(seed >> 16);
        }
        if (b == 2) // channel 3: one the user will edit
            tonvar::test::EncodeChannelBlock(Channel("433.00000"), payload);
        if (b == 4)
            payload[4] = payload[5] = payload[6] = payload[7] = 0x99; // no frequency the table can encode again
        blocks.push_back(b < 16 ? Frame(0, static_cast<std::uint8_t>(b + 1), payload) : Frame(5, 0, payload));
    }
    session.StartRead();
    Receive(Ack());
    for (const Bytes &frame : blocks)
        Receive(frame);
    ASSERT_EQ(messages, std::vector<std::string>{kReadSucceeded});

    const auto write = [&] {
        std::vector<Bytes> written;
        port.Sent();
        session.StartWrite();
        EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
        for (int n = 0; n < 18 && session.WriteRunning(); ++n) {
            Receive(Ack());
            const Bytes sent = port.Sent();
            if (sent.size() == 34)
                written.push_back(sent);
        }
        return written;
    };
    std::vector<Bytes> written;
    ASSERT_NO_THROW(written = write());
    ASSERT_EQ(written.size(), 17u);
    for (std::size_t b = 0; b < 17; ++b)
        EXPECT_EQ(written[b], blocks[b]) << "block " << b;

    // One cell changed: that channel alone is encoded again, over the radio's bytes.
    table.SetCell(3, 5, table.Cell(3, 5) == "HIGH" ? "LOW" : "HIGH");
    const std::string power = table.Cell(3, 5);
    ASSERT_NO_THROW(written = write());
    ASSERT_EQ(written.size(), 17u);
    for (std::size_t b = 0; b < 17; ++b) {
        if (b != 2) {
            EXPECT_EQ(written[b], blocks[b]) << "block " << b;
        }
    }
    EXPECT_NE(written[2], blocks[2]);
    ChannelTable decoded;
    ByteBuffer frame{};
    std::copy(written[2].begin(), written[2].end(), frame.begin());
    tonvar::memory::DecodeChannelBlock(3, PayloadOf(frame), decoded);
    EXPECT_EQ(decoded.Cell(3, 5), power);
}

// A frame whose checksum does not match is never taken by a read, even when
// the radio sends it the same twice (a line that flips the same bit twice):
// the read asks again until a frame that checks comes.
TEST_F(SessionFixture, AReadNeverTakesAFrameWhoseChecksumDoesNotMatch)
{
    session.StartRead();
    Receive(Ack());
    port.Sent();
    ByteBuffer payload{};
    tonvar::test::EncodeChannelBlock(Channel("146.00000"), payload);
    Bytes spoilt = Frame(0, 1, payload);
    spoilt[10] ^= 0x04; // a payload bit flipped on the line, the checksum as sent
    for (int copy = 0; copy < 3; ++copy) {
        Receive(spoilt);
        EXPECT_TRUE(port.Sent().empty()) << "copy " << copy;
        session.hub.Tick(); // asked again
        port.Sent();
    }
    Receive(Frame(0, 1, payload));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x02, 0x20})) << "the frame that checks is taken";
}
