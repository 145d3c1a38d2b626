#include "protocol/MainSession.h"

#include "memory/ChannelBlock.h"
#include "text/Convert.h"

#include "Fakes.h"

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

struct Recorder : SignallingSession {
    std::uint8_t area;
    bool reading = false;
    bool writing = false;
    std::vector<std::string> *log;
    std::string name;
    Recorder(std::uint8_t a, std::string n, std::vector<std::string> *l) : area(a), log(l), name(std::move(n)) {}
    std::uint8_t Area() const override { return area; }
    bool ReadRunning() const override { return reading; }
    bool WriteRunning() const override { return writing; }
    void BlockAcknowledged() override { log->push_back(name + " ack"); }
    void BlockReceived() override { log->push_back(name + " frame"); }
};

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
    f[32] = 0xAA; // checksum bytes are not checked
    f[33] = 0xBB;
    return f;
}

ChannelRow Channel(const std::string &rx)
{
    return {"", rx, rx, "67.0", "NONE", "HIGH", "WIDE", "YES", "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1", "NONE"};
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
    MainSession session{port, tim1, table, settings,
                        MainSessionHost{[this](const std::string &m) { messages.push_back(m); },
                                        [this](int ms) { sleeps.push_back(ms); }, [this] { ++commits; }}};

    void SetUp() override { session.comcbbText = "ttyUSB0"; }
    void Receive(const Bytes &chunk) { session.Comm1ReceiveData(chunk.data(), static_cast<std::uint16_t>(chunk.size())); }
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
    session.rbtnClick();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB0", "close", "open"}));
    EXPECT_TRUE(AllOneByte());
    EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
    EXPECT_TRUE(tim1.active);
    EXPECT_FALSE(session.rbtnEnabled);
    EXPECT_TRUE(session.wbtnEnabled);
    EXPECT_FALSE(session.comcbbEnabled);
    EXPECT_FALSE(session.formEnabled);
    EXPECT_TRUE(session.progress.visible);
    EXPECT_EQ(session.progress.maximum, 16);

    Receive(Ack());
    EXPECT_TRUE(AllOneByte());
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x01, 0x20}));

    for (int ch = 1; ch <= 16; ++ch) {
        ByteBuffer payload{};
        tonvar::memory::EncodeChannelBlock(Channel(ch == 5 ? "" : std::to_string(400 + ch) + ".12500"), payload);
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
            EXPECT_EQ(session.readCounter, 0);
        }
        EXPECT_TRUE(tim1.active);
    }
    EXPECT_EQ(table.Cell(7, 1), "407.12500");
    EXPECT_EQ(table.Cell(16, 3), "67.0");
    EXPECT_EQ(table.Row(5), ChannelRow{});

    ByteBuffer settingsPayload{};
    settingsPayload[16] = 0; // voice CLOSE
    settingsPayload[15] = 120;
    settingsPayload[13] = 2;
    Receive(Frame(5, 0, settingsPayload));
    EXPECT_EQ(settings.Box(5), "CLOSE");
    EXPECT_EQ(settings.Box(4), "120");
    EXPECT_EQ(messages, std::vector<std::string>{"   Read Succeed!"});
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(session.rbtnEnabled && session.wbtnEnabled && session.comcbbEnabled && session.formEnabled);
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_EQ(session.rx.buffer[0], 0);
}

TEST_F(SessionFixture, AWriteSendsEachBlockOnTheAckBeforeAndEndsOnTheEighteenth)
{
    table.Row(2) = Channel("145.50000");
    session.wbtnClick();
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
    EXPECT_EQ(session.progress.maximum, 17);
    EXPECT_FALSE(session.wbtnEnabled);

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
    const Bytes expected{0x57, 0x05, 0x00, 0x20, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x01, 0x00, 0x3C, 0x02, 0x00, 0x00, 0x01, 0,    0,    0,    0,    0,    0,
                         0,    0,    0,    0,    0,    0xFF};
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
    EXPECT_EQ(session.writeStep, 0);
    EXPECT_TRUE(session.rbtnEnabled && session.wbtnEnabled && session.comcbbEnabled && session.formEnabled);
    EXPECT_FALSE(session.progress.visible);
}

TEST_F(SessionFixture, TheResendRepeatsThirtyFourBytesOfWhateverTheBufferHolds)
{
    session.rbtnClick();
    port.Sent();
    session.Tim1Timer();
    ASSERT_EQ(port.writes.size(), 1u);
    Bytes handshake = Ascii("PROGRAM");
    handshake.resize(32, 0x00);
    const std::uint16_t crc = Crc16Modbus(handshake.data(), 32);
    handshake.push_back(static_cast<std::uint8_t>(crc >> 8));
    handshake.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    EXPECT_EQ(port.Sent(), handshake);

    Receive(Ack());
    port.Sent();
    session.Tim1Timer();
    Bytes request = handshake;
    request[0] = 0x52;
    request[1] = 0x00;
    request[2] = 0x01;
    request[3] = 0x20;
    EXPECT_EQ(port.Sent(), request) << "the request plus the handshake's leftovers";
}

TEST_F(SessionFixture, AFrameMarkedAt5GetsOneAckWhichTheNextResendCarries)
{
    session.rbtnClick();
    Receive(Ack());
    port.Sent();
    ByteBuffer payload{};
    tonvar::memory::EncodeChannelBlock(Channel("146.00000"), payload);
    payload[5] = 0x30;
    Receive(Frame(0, 3, payload));
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0], (Bytes{0x52, 0x00, 0x04, 0x20}));
    EXPECT_EQ(port.writes[1], Bytes{0x06});
    port.Sent();
    session.Tim1Timer();
    const Bytes resend = port.Sent();
    EXPECT_EQ(Bytes(resend.begin(), resend.begin() + 4), (Bytes{0x06, 0x00, 0x04, 0x20}));

    // Outside any session it is answered as well.
    session.Button2Click();
    port.open = true;
    Receive(Frame(1, 0, payload));
    EXPECT_EQ(port.Sent(), Bytes{0x06});
}

TEST_F(SessionFixture, ReadFollowsTheBlockTheRadioNames)
{
    session.rbtnClick();
    Receive(Ack());
    port.Sent();
    ByteBuffer payload{};
    tonvar::memory::EncodeChannelBlock(Channel("146.00000"), payload);
    Receive(Frame(0, 9, payload)); // asked for 1, got 9
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x0A, 0x20}));
    EXPECT_EQ(table.Cell(9, 1), "146.00000");

    const ChannelTable before = table;
    for (const std::uint8_t wrong : {std::uint8_t{0}, std::uint8_t{17}, std::uint8_t{255}}) {
        Receive(Frame(0, wrong, payload));
        for (int r = 0; r < table.RowCount(); ++r)
            EXPECT_EQ(table.Row(r), before.Row(r)) << int(wrong);
        EXPECT_TRUE(tim1.active);
    }
    // Block 0 asked for channel 1 again; 17 and 255 ask for nothing.
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x01, 0x20}));
    EXPECT_EQ(session.readCounter, 256);

    Receive(Ack()); // an Ack restarts the requests at channel 1
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x00, 0x01, 0x20}));
    Receive({0x41, 0x42, 0x43}); // no message: ignored
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(SessionFixture, RetryRestartsTheSameKindOfSessionAfterAPause)
{
    session.rbtnClick();
    Receive(Ack());
    session.Button1Click();
    EXPECT_EQ(sleeps, std::vector<int>{300});
    EXPECT_FALSE(session.rbtnEnabled);
    EXPECT_EQ(session.progress.maximum, 16);
    EXPECT_EQ(session.progress.position, 0);
    EXPECT_TRUE(session.progress.visible);
    EXPECT_EQ(port.writes.back(), Bytes{'M'});

    session.Button2Click();
    session.wbtnClick();
    Receive(Ack());
    port.calls.clear();
    session.Button1Click();
    EXPECT_FALSE(session.wbtnEnabled);
    EXPECT_TRUE(session.rbtnEnabled);
    EXPECT_EQ(session.progress.maximum, 17);
    EXPECT_EQ(session.writeStep, 0);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"close", "name ttyUSB0", "close", "open"}));
}

TEST_F(SessionFixture, CancelReturnsEverythingToIdleWithThePortClosed)
{
    session.wbtnClick();
    Receive(Ack());
    session.Button2Click();
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(session.rbtnEnabled && session.wbtnEnabled && session.comcbbEnabled && session.formEnabled);
    EXPECT_FALSE(session.progress.visible);
    port.Sent();
    port.open = true;
    Receive(Ack()); // a late answer is ignored
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(SessionFixture, APortThatWillNotOpenStopsTheStartWithNothingDisabled)
{
    port.failOpen = true;
    EXPECT_THROW(session.rbtnClick(), tonvar::text::Failure);
    EXPECT_TRUE(session.progress.visible);
    EXPECT_TRUE(session.rbtnEnabled && session.wbtnEnabled && session.comcbbEnabled && session.formEnabled);
    EXPECT_TRUE(port.writes.empty());

    EXPECT_THROW(session.wbtnClick(), tonvar::text::Failure);
    EXPECT_TRUE(tim1.active) << "a write starts its resend before opening";
    // Retry then finds Write enabled and starts a read.
    port.failOpen = false;
    session.Button1Click();
    EXPECT_FALSE(session.rbtnEnabled);
    EXPECT_TRUE(session.wbtnEnabled);
}

TEST_F(SessionFixture, AChannelThatDoesNotConvertStopsTheWriteUntilRetryOrCancel)
{
    table.Row(2) = Channel("145.5.0");
    session.wbtnClick();
    Receive(Ack());
    port.Sent();
    try {
        Receive(Ack());
        FAIL() << "expected a conversion failure";
    } catch (const tonvar::text::ConversionError &e) {
        EXPECT_STREQ(e.what(), "'145.5.0' is not a valid floating point value");
    }
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(tim1.active);
    EXPECT_EQ(session.writeStep, 2);
    EXPECT_FALSE(session.wbtnEnabled);

    // Stray Acks (a late answer, a radio acknowledging on its own) neither
    // skip the channel that was never sent nor end the write as a success.
    for (int i = 0; i < 20; ++i)
        Receive(Ack());
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_EQ(session.writeStep, 2);
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(session.wbtnEnabled);

    // Retry writes everything from the handshake, channel 2 included.
    table.Row(2) = Channel("145.50000");
    session.Button1Click();
    EXPECT_EQ(port.Sent(), Ascii("PROGRAM"));
    std::vector<int> blocks;
    for (int i = 0; i < 18; ++i) {
        Receive(Ack());
        const Bytes f = port.Sent();
        if (!f.empty())
            blocks.push_back(f[1] == 5 ? 17 : f[2]);
    }
    EXPECT_EQ(blocks, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(messages, std::vector<std::string>{"Write Succeed!"});
}

TEST_F(SessionFixture, CancelAfterAFailedBlockLetsTheNextWriteTakeItsAcks)
{
    settings.Box(4) = "6O";
    session.wbtnClick();
    for (int n = 0; n < 16; ++n)
        Receive(Ack());
    EXPECT_THROW(Receive(Ack()), tonvar::text::ConversionError) << "the settings frame";
    Receive(Ack());
    EXPECT_TRUE(messages.empty()) << "no success without the settings";
    EXPECT_TRUE(session.WriteHalted());
    session.Button2Click();
    EXPECT_FALSE(session.WriteHalted());
    settings.Box(4) = "60";
    session.wbtnClick();
    port.Sent();
    Receive(Ack());
    EXPECT_EQ(port.Sent().size(), 34u);
}

TEST_F(SessionFixture, EndsAndCancelStopTheResendOnlyWhenNoOtherSessionWaits)
{
    const int signallingWindow = 0; // stands for a signalling session
    session.StartResend(&signallingWindow);
    session.rbtnClick();
    session.Button2Click();
    EXPECT_TRUE(tim1.active);
    session.StopResend(&signallingWindow);
    EXPECT_FALSE(tim1.active);
    session.StopResend(&signallingWindow); // no longer waiting: nothing happens
    tim1.active = true;
    session.StopResend(&signallingWindow);
    EXPECT_TRUE(tim1.active);
}

TEST_F(SessionFixture, ChunksAreOfferedToTheSignallingWindowsInTheirOrder)
{
    std::vector<std::string> log;
    Recorder tone5(4, "5TONE", &log), tone2(3, "2TONE", &log), fleet(2, "FleetSync", &log), dtmf(1, "DTMF", &log);
    session.signalling = {&tone5, &tone2, &fleet, &dtmf};
    tone5.writing = dtmf.writing = true;
    fleet.reading = tone2.reading = true;
    Receive(Ack());
    Receive(Frame(2, 0, ByteBuffer{}));
    Receive(Frame(3, 0, ByteBuffer{}));
    Receive(Frame(1, 0, ByteBuffer{})); // DTMF is not reading
    EXPECT_EQ(log, (std::vector<std::string>{"5TONE ack", "DTMF ack", "FleetSync frame", "2TONE frame"}));
}

TEST_F(SessionFixture, ShowCommandsOpenThePortOnce)
{
    session.OpenPortForSignalling();
    session.OpenPortForSignalling();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"name ttyUSB0", "open"}));
    EXPECT_FALSE(session.comcbbEnabled);
    port.failOpen = true;
    session.Button2Click();
    EXPECT_THROW(session.OpenPortForSignalling(), tonvar::text::Failure);
    EXPECT_TRUE(session.comcbbEnabled);
}
