// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/DtmfCodec.h"
#include "signalling/DtmfSession.h"

#include "SignallingFixture.h"

#include <gtest/gtest.h>

using namespace tonvar::signalling;
using tonvar::test::Bytes;

namespace {

struct Dtmf : tonvar::test::WindowFixture<DtmfSession> {
    DtmfSession &dtmf = window;

    // Runs a whole read with these four payloads.
    void ReadBlocks(const Bytes &settings, const Bytes &b1 = {}, const Bytes &b2 = {}, const Bytes &b3 = {})
    {
        dtmf.StartRead();
        Receive(Frame(1, 0, settings));
        Receive(Frame(1, 1, b1));
        Receive(Frame(1, 2, b2));
        Receive(Frame(1, 3, b3));
    }
    // The payload (offsets 4..31) of the first block a write sends; the
    // write is then closed unless it is to go on.
    Bytes WriteFirstBlock(bool goOn = false)
    {
        port.Sent();
        dtmf.StartWrite();
        const Bytes sent = port.Sent();
        EXPECT_EQ(sent.size(), 34u);
        if (!goOn)
            dtmf.Close();
        return sent.size() == 34 ? Bytes(sent.begin() + 4, sent.begin() + 32) : Bytes{};
    }
};

Bytes Le32(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

} // namespace

TEST(DtmfCodec, TheTwoDigitTables)
{
    EXPECT_EQ(EncodeIdCode("123"), 0x123u);
    EXPECT_EQ(EncodeAutodial("123"), 0x123u);
    EXPECT_EQ(EncodeIdCode("*0#"), 0xABCu);
    EXPECT_EQ(EncodeAutodial("*0#"), 0xBACu);
    EXPECT_EQ(EncodeIdCode("12345678"), 0x12345678u);
    EXPECT_EQ(EncodeAutodial("DD12"), 0x12u);
    EXPECT_EQ(EncodeAutodial("12ab"), 0x12u) << "lower-case letters are skipped";
    EXPECT_EQ(EncodeAutodial("123456789"), 0x23456789u) << "only the last eight survive";
    EXPECT_EQ(EncodeAutodial("ABCD"), 0xDEF0u);

    EXPECT_EQ(DecodeIdCode(0x12345678, 8), "12345678");
    EXPECT_EQ(DecodeIdCode(0xABC, 3), "*0#");
    EXPECT_EQ(DecodeAutodial(0xBAC, 3), "*0#");
    EXPECT_EQ(DecodeAutodial(0x12, 4), "DD12");
    EXPECT_EQ(DecodeAutodial(0x12, 10), "DDDDDDDD12") << "nibbles past bit 31 read as 0";
    EXPECT_FALSE(DecodeAutodial(0, 4));
    EXPECT_FALSE(DecodeAutodial(0x12, 0));

    EXPECT_EQ(GroupCodeByte("*"), 11);
    EXPECT_EQ(GroupCodeByte("Off"), 0xFF);
    EXPECT_FALSE(GroupCodeByte("E"));
    EXPECT_EQ(GroupCodeText(0), "D");
    EXPECT_EQ(GroupCodeText(12), "#");
    EXPECT_FALSE(GroupCodeText(5));
}

TEST_F(Dtmf, AReadAsksForBlocks0To3AndFillsTheWindow)
{
    Bytes settings(28, 0);
    settings[0] = 10;   // speed
    settings[1] = 50;   // 500 ms
    settings[4] = 100;  // D code 10000
    settings[5] = 0x01; // side tone: any nonzero is on
    const Bytes id = Le32(0x12345678);
    std::copy(id.begin(), id.end(), settings.begin() + 10);
    settings[14] = 14; // group "B"
    settings[15] = 7;
    settings[16] = 2; // Continuous
    settings[17] = 9; // no such transpond: shown as its number
    settings[19] = 8; // ID digits
    settings[20] = 4; // memory 1: 4 digits
    settings[21] = 3;
    Bytes b1(28, 0);
    const Bytes m1 = Le32(0x12), m2 = Le32(0xBAC);
    std::copy(m1.begin(), m1.end(), b1.begin());
    std::copy(m2.begin(), m2.end(), b1.begin() + 4);
    Bytes b2(28, 0);
    const Bytes m9 = Le32(0x55);
    std::copy(m9.begin(), m9.end(), b2.begin() + 8); // memory 9: no count

    dtmf.texts.autodial[8] = "old";
    dtmf.texts.autodial[9] = "gone";
    dtmf.StartRead();
    EXPECT_TRUE(tim1.active);
    EXPECT_TRUE(timer1.active);
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x01, 0x00, 0x20}));
    EXPECT_EQ(dtmf.progress.position, 1);
    EXPECT_EQ(dtmf.progress.maximum, 5);
    Receive(Frame(1, 0, settings));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x01, 0x01, 0x20}));
    Receive(Frame(1, 1, b1));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x01, 0x02, 0x20}));
    Receive(Frame(1, 2, b2));
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x01, 0x03, 0x20}));
    EXPECT_EQ(dtmf.progress.position, 4);
    Receive(Frame(1, 3, Bytes(28, 0)));
    EXPECT_TRUE(port.Sent().empty()) << "nothing more after block 3";
    EXPECT_EQ(dtmf.progress.position, 5);
    EXPECT_FALSE(dtmf.progress.visible);
    EXPECT_FALSE(dtmf.ReadRunning());
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(messages.empty());

    const DtmfTexts &t = dtmf.texts;
    EXPECT_EQ(t.speed, "10");
    EXPECT_EQ(t.firstDigitTime, "500");
    EXPECT_EQ(t.dCode, "10000");
    EXPECT_TRUE(t.sideTone);
    EXPECT_EQ(t.idCode, "12345678");
    EXPECT_EQ(t.groupCode, "B");
    EXPECT_EQ(t.autoReset, "7");
    EXPECT_EQ(t.callAlert, "Continuous");
    EXPECT_EQ(t.transpond, "9") << "a value no name stands for, not what the window held";
    EXPECT_EQ(t.autodial[0], "DD12");
    EXPECT_EQ(t.autodial[1], "*0#");
    EXPECT_EQ(t.autodial[8], "55") << "memories 9 to 16 have no digit count: the digits from the first not D";
    EXPECT_EQ(t.autodial[9], "") << "a zero value empties the cell";
    EXPECT_EQ(dtmf.digitCounts[1], 4);
}

TEST_F(Dtmf, AWriteSendsTheFourBlocksAndSucceedsAfterTheThird)
{
    const Bytes expected{6,    0,  10, 0, 0, 0xFF, 0, 0, 0, 0, 0x78, 0x56, 0x34, 0x12,
                         0xFF, 10, 1,  0, 0, 8,    0, 0, 0, 0, 0,    0,    0,    0};
    EXPECT_EQ(WriteFirstBlock(true), expected);
    EXPECT_TRUE(tim1.active);
    EXPECT_TRUE(dtmf.WriteRunning());
    EXPECT_EQ(dtmf.progress.maximum, 4);

    dtmf.texts.autodial[0] = "DD12";
    dtmf.texts.autodial[6] = "*0#";
    dtmf.texts.autodial[15] = "9";
    Receive({0x06});
    Bytes block1 = port.Sent();
    ASSERT_EQ(block1.size(), 34u);
    EXPECT_EQ(Bytes(block1.begin(), block1.begin() + 8), (Bytes{0x57, 0x01, 0x01, 0x20, 0x12, 0, 0, 0}));
    EXPECT_EQ(dtmf.progress.position, 2);
    Receive({0x06});
    Bytes block2 = port.Sent();
    EXPECT_EQ(Bytes(block2.begin() + 4, block2.begin() + 8), (Bytes{0xAC, 0x0B, 0, 0}));
    EXPECT_TRUE(messages.empty());
    Receive({0x06});
    Bytes block3 = port.Sent();
    ASSERT_EQ(block3.size(), 34u);
    EXPECT_EQ(block3[2], 3);
    EXPECT_EQ(Bytes(block3.begin() + 16, block3.begin() + 20), (Bytes{0x09, 0, 0, 0}));
    EXPECT_EQ(Bytes(block3.begin() + 20, block3.begin() + 32), Bytes(12, 0));
    EXPECT_TRUE(messages.empty()) << "not before the radio took block 3";
    Receive({0x06}); // the radio's Ack for block 3
    EXPECT_TRUE(messages.empty()) << "not before the radio was read back";
    EXPECT_EQ(AnswerReadBack(dtmf), 4);
    EXPECT_EQ(messages, std::vector<std::string>{"WRITE SUCCEED!"});
    EXPECT_FALSE(dtmf.WriteRunning());
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(dtmf.progress.visible);
    Receive({0x06}); // a stray Ack is nobody's
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(Dtmf, FieldEncodings)
{
    dtmf.texts.dCode = "10000";
    dtmf.texts.firstDigitTime = "2550";
    dtmf.texts.sideTone = false;
    dtmf.texts.groupCode = "D";
    dtmf.texts.autoReset = "Off"; // from the window's own list
    dtmf.texts.idCode = "";
    // Characters the radio cannot keep stop the write before it starts, where
    // they were once dropped silently.
    for (const auto &[memory, text] : {std::pair{0, "12ab"}, std::pair{3, "123456789"}}) {
        dtmf.texts.autodial[static_cast<std::size_t>(memory)] = text;
        try {
            dtmf.StartWrite();
            ADD_FAILURE() << text << " was taken";
        } catch (const tonvar::text::Failure &e) {
            EXPECT_EQ(e.detail(), "DTMF, Autodial Memory " + std::to_string(memory + 1));
        }
        EXPECT_TRUE(port.Sent().empty());
        dtmf.texts.autodial[static_cast<std::size_t>(memory)].clear();
    }
    dtmf.texts.idCode = "12x";
    EXPECT_THROW(dtmf.StartWrite(), tonvar::text::Failure) << "an ID code of the radio's symbols only";
    dtmf.texts.idCode = "";
    dtmf.texts.autodial[0] = "12AB";
    const Bytes b = WriteFirstBlock();
    EXPECT_EQ(b[4], 100);
    EXPECT_EQ(b[1], 255);
    EXPECT_EQ(b[5], 0x00);
    EXPECT_EQ(b[14], 0) << "group code D";
    EXPECT_EQ(b[15], 0) << "auto reset Off";
    EXPECT_EQ(b[19], 0);
    EXPECT_EQ(b[20], 4) << "four symbols";

    Bytes settings(28, 0);
    settings[4] = 100;
    settings[14] = 0; // "D"
    ReadBlocks(settings);
    EXPECT_EQ(dtmf.texts.dCode, "10000");
    EXPECT_EQ(dtmf.texts.groupCode, "D");
    EXPECT_EQ(dtmf.texts.autoReset, "Off");
}

TEST_F(Dtmf, AFieldThatDoesNotConvertStopsTheWriteAndTheResend)
{
    dtmf.texts.firstDigitTime = "105";
    port.Sent();
    try {
        dtmf.StartWrite();
        FAIL() << "expected a conversion failure";
    } catch (const tonvar::text::ConversionError &e) {
        EXPECT_STREQ(e.what(), "'105' is not a valid integer value") << "quoted as typed";
        EXPECT_EQ(e.detail(), "DTMF, First Digit Time [ms]: the radio keeps multiples of 10.");
    }
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(tim1.active) << "no half-built block is resent";
    EXPECT_FALSE(dtmf.WriteRunning());
    EXPECT_FALSE(dtmf.progress.visible);
    EXPECT_EQ(main.hub.link.frame[4], 0) << "nothing was built for real: the buffer is as it was";
}

TEST_F(Dtmf, TheTimeOutGivesTheButtonsBackAndEndsTheResend)
{
    dtmf.StartRead();
    dtmf.StartWrite(); // a second start does not restart Timer1
    EXPECT_TRUE(timer1.active);
    dtmf.TimeOut();
    EXPECT_TRUE(!dtmf.ReadRunning() && !dtmf.WriteRunning());
    EXPECT_FALSE(timer1.active);
    EXPECT_FALSE(tim1.active);

    // Firing after a session that ended leaves the resend alone.
    tim1.active = true;
    dtmf.TimeOut();
    EXPECT_TRUE(tim1.active);
}

TEST_F(Dtmf, CloseAndTheEightCharacterRule)
{
    dtmf.StartRead();
    dtmf.Close();
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(timer1.active);
    EXPECT_FALSE(dtmf.ReadRunning());

    dtmf.texts.autodial[4] = "123456789";
    dtmf.AutodialEdited(5);
    EXPECT_EQ(dtmf.texts.autodial[4], "12345678");
    dtmf.AutodialEdited(0);
    dtmf.AutodialEdited(17);
}

TEST_F(Dtmf, BlockNumbersOutsideTheAreaTouchNoMemory)
{
    const DtmfTexts before = dtmf.texts;
    dtmf.StartRead();
    Bytes values(28, 0x11);
    Receive(Frame(1, 4, values));
    Receive(Frame(1, 200, values));
    EXPECT_EQ(dtmf.texts, before);
    EXPECT_EQ(dtmf.Transfer().Current().number, 0) << "only block 0 was asked for";
}

// After a read every text is what the radio holds: an ID code and memories
// the radio does not hold are empty, not what the window held before, and a
// write then puts nobody's numbers into the radio.
TEST_F(Dtmf, AReadLeavesNothingFromBeforeAndAWriteOfItWritesNothingMore)
{
    dtmf.texts.idCode = "12345678"; // the window's first text
    dtmf.texts.autodial[0] = "999";
    dtmf.texts.autodial[12] = "777";
    dtmf.texts.groupCode = "A";
    Bytes settings(28, 0);
    settings[14] = 0xFF; // group code Off
    ReadBlocks(settings, Bytes(28, 0), Bytes(28, 0), Bytes(28, 0));
    EXPECT_EQ(dtmf.texts.idCode, "");
    EXPECT_EQ(dtmf.texts.autodial[0], "");
    EXPECT_EQ(dtmf.texts.autodial[12], "");
    EXPECT_EQ(dtmf.texts.groupCode, "Off");
    const Bytes b = WriteFirstBlock();
    EXPECT_EQ(Bytes(b.begin() + 10, b.begin() + 14), Bytes(4, 0)) << "no ID code";
    EXPECT_EQ(b[19], 0);
    // An ID of D symbols is what the radio holds too.
    settings[19] = 3;
    ReadBlocks(settings, Bytes(28, 0), Bytes(28, 0), Bytes(28, 0));
    EXPECT_EQ(dtmf.texts.idCode, "DDD");
}
