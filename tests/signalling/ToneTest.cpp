// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FiveToneSession.h"
#include "signalling/ToneCodecs.h"
#include "signalling/TwoToneSession.h"

#include "SignallingFixture.h"

#include "Failures.h"

#include <gtest/gtest.h>

using namespace tonvar::signalling;
using tonvar::test::Bytes;
using tonvar::test::FailureAndDetailOf;
using tonvar::test::Refusal;

namespace {

struct TwoTone : tonvar::test::WindowFixture<TwoToneSession> {
    TwoToneSession &tone = window;
    Bytes Payload(const Bytes &sent) { return Bytes(sent.begin() + 4, sent.begin() + 32); }
};

struct FiveTone : tonvar::test::WindowFixture<FiveToneSession> {
    FiveToneSession &tone = window;
    void FillTables()
    {
        for (int r = 1; r <= 16; ++r) {
            tone.texts.Encode(r, 1) = "1";
            tone.EncodeCellEdited(r, 1);
            tone.texts.Decode(r, 1) = "EIA";
            tone.DecodeCellEdited(r, 1);
        }
    }
};

} // namespace

TEST(ToneCodecs, TonePairs)
{
    EXPECT_EQ(EncodeTonePair("AB"), 0xAB);
    EXPECT_EQ(EncodeTonePair("DC"), 0xDC);
    EXPECT_EQ(EncodeTonePair("1FF"), 0xFF);
    EXPECT_EQ(tonvar::test::FailureOf([] { EncodeTonePair(""); }), "'$' is not a valid integer value");
    EXPECT_EQ(tonvar::test::FailureOf([] { EncodeTonePair("XY"); }), "'$XY' is not a valid integer value");
    EXPECT_EQ(DecodeTonePair(0xAB), "AB");
    EXPECT_EQ(DecodeTonePair(0x1B), "B");
    EXPECT_EQ(DecodeTonePair(0xEE), "");
}

TEST(ToneCodecs, FiveToneCodesStandardsAndFunctions)
{
    EXPECT_EQ(Encode5ToneCode("12345"), (std::array<std::uint8_t, 3>{0x45, 0x23, 0x01}));
    EXPECT_EQ(Encode5ToneCode("1234ABCD"), (std::array<std::uint8_t, 3>{0xCD, 0xAB, 0x34}));
    EXPECT_EQ(tonvar::test::FailureOf([] { Encode5ToneCode(""); }), "'$' is not a valid integer value");
    EXPECT_EQ(Decode5ToneCode(0x45, 0x23, 0x01), "12345");
    const auto abcdef = Encode5ToneCode("ABCDEF");
    EXPECT_EQ(Decode5ToneCode(abcdef[0], abcdef[1], abcdef[2]), "BCDEF");
    const auto short3 = Encode5ToneCode("123");
    EXPECT_EQ(Decode5ToneCode(short3[0], short3[1], short3[2]), "00123");
    EXPECT_EQ(HexByte(0x0F), "0F");
    EXPECT_EQ(EncodeStandard("ZVEI2"), 5);
    EXPECT_EQ(EncodeStandard("zvei2"), 0);
    EXPECT_EQ(DecodeStandard(3), "EEA");
    EXPECT_FALSE(DecodeStandard(6));
    EXPECT_EQ(EncodeFunction("AWAKEN"), 8);
    EXPECT_EQ(EncodeFunction(""), 0);
    EXPECT_EQ(DecodeFunction(0), "CALL");
    EXPECT_EQ(DecodeFunction(12), "CALL");
    EXPECT_EQ(DecodeFunction(7), "REMOTE HALO");
}

TEST_F(TwoTone, TheInitialValuesAsBlock0)
{
    tone.StartWrite();
    const Bytes sent = port.Sent();
    ASSERT_EQ(sent.size(), 34u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 20),
              (Bytes{0x57, 0x03, 0x00, 0x20, 0xBD, 0x07, 0x64, 0x04, 0xAD, 0x04,
                     0xFB, 0x04, 0x70, 0x17, 0xF4, 0x01, 0xF4, 0x01, 0xF4, 0x01}));
    EXPECT_EQ(Bytes(sent.begin() + 20, sent.begin() + 32), Bytes(12, 0));
    EXPECT_TRUE(tim1.active);
    EXPECT_FALSE(timer1.active) << "a write does not start Timer1";
}

TEST_F(TwoTone, AWriteOfElevenBlocksWithADecodeRowFilledFromDC)
{
    tone.texts.Decode(3, 1) = "DC";
    tone.DecodeCellEdited(3, 1);
    EXPECT_EQ(tone.texts.decode[2], (std::array<std::string, 12>{"DC", "NONE", "1", "AB", "NONE", "1", "AB", "NONE",
                                                                 "1", "AB", "NONE", "1"}));
    tone.texts.first[2] = "1500";
    tone.texts.second[15] = "700";
    tone.StartWrite();
    port.Sent();
    for (int n = 1; n <= 10; ++n) {
        Receive({0x06});
        const Bytes sent = port.Sent();
        ASSERT_EQ(sent.size(), 34u);
        EXPECT_EQ(sent[2], n);
        if (n == 1) {
            EXPECT_EQ(Bytes(sent.begin() + 4, sent.begin() + 8), (Bytes{0xDC, 0x05, 0, 0}));
        }
        if (n == 2) {
            EXPECT_EQ(Bytes(sent.begin() + 28, sent.begin() + 32), (Bytes{0, 0, 0xBC, 0x02}));
        }
        if (n == 4) { // decode rows 3 and 4
            EXPECT_EQ(Payload(sent), (Bytes{0xDC, 0, 1, 0xAB, 0, 1, 0xAB, 0, 1, 0xAB, 0, 1, 0, 0,
                                            0,    0, 0, 0,    0, 0, 0,    0, 0, 0,    0, 0, 0, 0}));
        }
        EXPECT_TRUE(messages.empty());
    }
    Receive({0x06}); // block 10's
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(AnswerReadBack(tone), 11);
    EXPECT_EQ(messages, std::vector<std::string>{"WRITE SUCCEED!"});
    EXPECT_FALSE(tone.WriteRunning());
    EXPECT_FALSE(tim1.active);
}

TEST_F(TwoTone, AReadOfElevenBlocks)
{
    tone.texts.Decode(5, 5) = "old";
    tone.texts.Decode(5, 8) = "old";
    tone.StartRead();
    EXPECT_TRUE(timer1.active);
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x03, 0x00, 0x20}));
    Bytes b0(28, 0);
    b0[0] = 0xBD;
    b0[1] = 0x07; // A 1981; everything else 0
    b0[20] = 0x10;
    b0[21] = 0x27; // memory 1 first 10000
    Receive(Frame(3, 0, b0));
    EXPECT_EQ(tone.texts.Decode(5, 5), "old") << "the window changes only when the whole read has come";
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x03, static_cast<std::uint8_t>(n), 0x20}));
        Bytes payload(28, 0);
        if (n == 5) { // rows 5 and 6
            payload = {0xAB, 3, 16, 0, 7, 7, 0xCD, 9, 2, 0x1B, 1, 1, 0, 0};
        }
        Receive(Frame(3, static_cast<std::uint8_t>(n), payload));
    }
    EXPECT_TRUE(port.Sent().empty()) << "the read ends after block 10";
    EXPECT_FALSE(tone.ReadRunning());
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(tone.texts.toneA, "1981");
    EXPECT_EQ(tone.texts.restTime, "0");
    EXPECT_EQ(tone.texts.firstTime, "0");
    EXPECT_EQ(tone.texts.first[0], "10000");
    EXPECT_EQ(tone.texts.second[0], "");
    const auto &row5 = tone.texts.decode[4];
    EXPECT_EQ(row5[0], "AB");
    EXPECT_EQ(row5[1], "REMIND+REPLY");
    EXPECT_EQ(row5[2], "16");
    EXPECT_EQ(row5[3], "") << "a code of 0: an entry not in use";
    EXPECT_EQ(row5[4], "") << "not what the window held";
    EXPECT_EQ(row5[5], "");
    EXPECT_EQ(row5[6], "CD");
    EXPECT_EQ(row5[7], "9") << "a mode no name stands for shows as its number";
    EXPECT_EQ(row5[9], "1B") << "a code that is not two of A to D shows as its byte";
}

TEST_F(TwoTone, EditingRulesAndBadInput)
{
    tone.texts.Decode(2, 3) = "5";
    tone.DecodeCellEdited(2, 3);
    EXPECT_EQ(tone.texts.Decode(2, 3), "") << "nothing before the first tone pair";

    tone.texts.toneA = "1981.5";
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }), "'1981.5' is not a valid integer value");
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(tone.WriteRunning());
    tone.texts.toneA = "x";
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }), "'x' is not a valid floating point value");

    tone.texts.toneA = "1981";
    tone.texts.Decode(1, 1) = "AB";
    tone.DecodeCellEdited(1, 1);
    tone.texts.Decode(1, 6) = "";
    port.Sent();
    // Block 3 would not convert: nothing goes out, block 0 included.
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }), "'' is not a valid integer value");
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(tone.WriteRunning());
    // An entry without its tone pair keeps no response mode or prompt.
    tone.texts.Decode(1, 6) = "1";
    tone.texts.Decode(1, 4) = "";
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }),
              "The radio keeps no response mode or prompt in decode row 1 while its Decode2 is empty.");
    EXPECT_TRUE(port.Sent().empty());
}

TEST_F(TwoTone, StrayBlocksAndTheTimeOut)
{
    tone.StartRead();
    port.Sent();
    const TwoToneTexts before = tone.texts;
    Receive(Frame(3, 11, Bytes(28, 0xAB)));
    Receive(Frame(3, 255, Bytes(28, 0xAB)));
    EXPECT_EQ(tone.texts, before);
    EXPECT_TRUE(port.Sent().empty()) << "a block the area lacks is dropped";
    tone.TimeOut(); // the read never finished
    EXPECT_FALSE(tone.ReadRunning());
    EXPECT_FALSE(tim1.active);
}

TEST_F(FiveTone, StandardChangedShowsTheStandardsTones)
{
    EXPECT_EQ(tone.tones[0], "1981.0");
    tone.texts.shownStandard = "EIA";
    tone.StandardChanged();
    EXPECT_EQ(tone.tones[0], "600.0");
    EXPECT_EQ(tone.tones[1], "741.0");
    EXPECT_EQ(tone.tones[2], "882.0");
    EXPECT_EQ(tone.tones[3], "1023.0");
    EXPECT_EQ(tone.tones[14], "459.0");
    tone.texts.shownStandard = "EIAX";
    tone.StandardChanged();
    EXPECT_EQ(tone.tones[0], "600.0");
}

// The window's first texts can be written: its empty rows go as codes of 0
// and standard 0 (which a read shows as empty cells again).
TEST_F(FiveTone, AWriteRightAfterStartUpWritesItsEmptyRows)
{
    port.Sent();
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }), "");
    EXPECT_EQ(port.Sent().size(), 34u);
    EXPECT_TRUE(tone.WriteRunning());
    Receive({0x06});
    const Bytes b1 = port.Sent();
    ASSERT_EQ(b1.size(), 34u);
    EXPECT_EQ(Bytes(b1.begin() + 4, b1.begin() + 17), Bytes(13, 0));
    EXPECT_EQ(Bytes(b1.begin() + 18, b1.begin() + 31), Bytes(13, 0));
    EXPECT_EQ(b1[17], 0x0A) << "the spare byte keeps block 0's ZVEI2 group code";
    FiveToneTexts read;
    tonvar::memory::Payload payload{};
    std::copy(b1.begin() + 4, b1.begin() + 32, payload.begin());
    DecodeFiveToneBlock(1, payload, read);
    EXPECT_EQ(read.encode[0], (std::array<std::string, kEncodeColumns>{}));
}

TEST_F(FiveTone, AWholeWriteWithItsRecordsAndLeftoverBytes)
{
    FillTables();
    tone.texts.encode[0] = {"12345", "45678", "ABCDE", "56789", "ZVEI1"};
    tone.texts.decode[1] = {"ZVEI2", "1", "AWAKEN", "2", "ASK", "3", "REMOTE HALO", "4"};
    tone.texts.decode[2] = {"", "1", "", "2", "ASK", "3", "ASK", "4"};
    tone.texts.firstFrameDelay = "500";
    tone.StartWrite();
    const Bytes b0 = port.Sent();
    ASSERT_EQ(b0.size(), 34u);
    EXPECT_EQ(Bytes(b0.begin() + 4, b0.begin() + 19),
              (Bytes{100, 0xA, 0xE, 100, 0xA, 0xE, 100, 0xA, 0xE, 100, 0xA, 0xE, 100, 0xA, 0xE}));
    EXPECT_EQ(b0[24], 50);
    Receive({0x06});
    const Bytes b1 = port.Sent();
    ASSERT_EQ(b1.size(), 34u);
    EXPECT_EQ(Bytes(b1.begin() + 4, b1.begin() + 17),
              (Bytes{0x45, 0x23, 0x01, 0x78, 0x56, 0x04, 0xDE, 0xBC, 0x0A, 0x89, 0x67, 0x05, 0x04}));
    EXPECT_EQ(b1[17], 0x0A) << "the spare byte keeps block 0's ZVEI2 group code";
    EXPECT_EQ(b1[31], 0x00);
    for (int n = 2; n <= 9; ++n)
        Receive({0x06});
    const Bytes b9 = port.Sent();
    ASSERT_EQ(b9.size(), 8u * 34u);
    const Bytes decode(b9.end() - 34, b9.end()); // block 9: rows 1 and 2
    EXPECT_EQ(decode[2], 9);
    EXPECT_EQ(decode[18], 0x85);
    EXPECT_EQ(decode[18 + 7], 0x71);
    Receive({0x06});
    const Bytes b10 = port.Sent();
    EXPECT_EQ(b10[4], 0x00) << "an empty standard and an empty function are 0";
    EXPECT_EQ(b10[4 + 7], 0x11);
    for (int n = 11; n <= 17; ++n) {
        EXPECT_TRUE(messages.empty());
        port.Sent();
        Receive({0x06}); // the last one is block 16's
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(AnswerReadBack(tone), 17);
    EXPECT_EQ(messages, std::vector<std::string>{"WRITE SUCCEED!"});
    EXPECT_FALSE(tone.WriteRunning());
}

// The read-back judges the bytes a block's fields set: a radio that keeps an
// encode record's spare byte otherwise holds the write; one that changes a
// code does not, and after the rounds of writing again the write fails.
TEST_F(FiveTone, TheReadBackIgnoresSpareBytesButNotAField)
{
    FillTables();
    for (const std::size_t altered : {std::size_t{13}, std::size_t{0}}) {
        messages.clear();
        tone.StartWrite();
        std::string failure;
        try {
            for (int guard = 0; guard < 500 && tone.WriteRunning(); ++guard) {
                const Bytes sent = port.Sent();
                ASSERT_FALSE(sent.empty());
                if (sent[0] != 0x52) {
                    Receive({0x06});
                    continue;
                }
                const Bytes w = tone.Written(sent[2]);
                Bytes payload(w.begin() + 4, w.begin() + 32);
                if (sent[2] == 1)
                    payload[altered] ^= 0x01;
                Receive(Frame(sent[1], sent[2], payload));
            }
        } catch (const tonvar::text::Failure &e) {
            failure = e.detail();
        }
        if (altered == 13) {
            EXPECT_EQ(messages, std::vector<std::string>{"WRITE SUCCEED!"});
            EXPECT_EQ(failure, "");
        } else {
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(failure, "5TONE, read back after 4 writes: block 1 differ. Write again.");
        }
        EXPECT_FALSE(tone.WriteRunning());
    }
}

TEST_F(FiveTone, DelaysMustDivideByTen)
{
    tone.texts.firstFrameDelay = "55";
    EXPECT_EQ(tonvar::test::FailureOf([&] { tone.StartWrite(); }), "'55' is not a valid integer value");
}

TEST_F(FiveTone, AReadOfSeventeenBlocks)
{
    tone.texts.resetTime = "old";
    tone.texts.Encode(3, 5) = "old";
    tone.StartRead();
    EXPECT_EQ(tone.progress.maximum, 16);
    EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x04, 0x00, 0x20}));
    Bytes b0(28, 0);
    b0[0] = 44;   // CCIR TX time
    b0[1] = 0x1F; // group: the low nibble
    b0[2] = 0x0B;
    b0[20] = 50; // first frame delay
    Receive(Frame(4, 0, b0));
    EXPECT_EQ(tone.texts.resetTime, "old") << "the window changes only when the whole read has come";
    for (int n = 1; n <= 16; ++n) {
        EXPECT_EQ(port.Sent(), (Bytes{0x52, 0x04, static_cast<std::uint8_t>(n), 0x20}));
        Bytes p(28, 0);
        if (n == 2) // encode rows 3 and 4
            p = {0xEF, 0xCD, 0xAB, 0x23, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
        if (n == 12) // decode rows 7 and 8
            p = {0xC5, 0x45, 0x23, 0x01, 0, 0, 0, 0x8F, 0, 0, 0, 0, 0, 0};
        Receive(Frame(4, static_cast<std::uint8_t>(n), p));
    }
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_FALSE(tone.ReadRunning());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(tone.texts.Standard(1, 1), "44");
    EXPECT_EQ(tone.texts.Standard(1, 2), "1F") << "above F: both digits";
    EXPECT_EQ(tone.texts.Standard(1, 3), "B");
    EXPECT_EQ(tone.texts.firstFrameDelay, "500");
    EXPECT_EQ(tone.texts.Encode(3, 1), "ABCDEF") << "a sixth digit is shown";
    EXPECT_EQ(tone.texts.Encode(3, 2), "00123");
    EXPECT_EQ(tone.texts.Encode(3, 5), "9") << "a standard no name stands for shows as its number";
    EXPECT_EQ(tone.texts.Encode(4, 5), "EIA");
    const auto &row7 = tone.texts.decode[6];
    EXPECT_EQ(row7[0], "ZVEI2");
    EXPECT_EQ(row7[1], "12345");
    EXPECT_EQ(row7[2], "12") << "a function no name stands for shows as its number";
    EXPECT_EQ(row7[4], "15");
    EXPECT_EQ(row7[6], "AWAKEN");
    EXPECT_NE(tone.texts.resetTime, "old") << "nothing is kept from before the read";
}

TEST_F(FiveTone, EditingRules)
{
    tone.texts.Decode(7, 1) = "EEA";
    tone.DecodeCellEdited(7, 1);
    EXPECT_EQ(tone.texts.decode[6],
              (std::array<std::string, 8>{"EEA", "12345", "CALL", "45678", "ASK", "ABCDE", "BE ASKED", "56789"}));
    tone.texts.Decode(9, 4) = "777";
    tone.DecodeCellEdited(9, 4);
    EXPECT_EQ(tone.texts.Decode(9, 4), "");
    tone.texts.Encode(2, 1) = "9";
    tone.EncodeCellEdited(2, 1);
    EXPECT_EQ(tone.texts.encode[1], (std::array<std::string, 5>{"9", "12345", "45678", "ABCDE", "CCIR"}));
    tone.StartRead();
    const FiveToneTexts before = tone.texts;
    Receive(Frame(4, 17, Bytes(28, 0x55)));
    EXPECT_EQ(tone.texts, before);
}

// After a read every cell is what the radio holds: decode rows the radio
// does not use are empty, not what the window held before.
TEST_F(FiveTone, AReadLeavesNothingFromBefore)
{
    FillTables(); // decode rows "EIA", encode rows "1"
    tone.StartRead();
    for (int n = 0; n <= 16; ++n)
        Receive(Frame(4, static_cast<std::uint8_t>(n), Bytes(28, 0)));
    EXPECT_FALSE(tone.ReadRunning());
    for (int r = 1; r <= 16; ++r) {
        EXPECT_EQ(tone.texts.encode[static_cast<std::size_t>(r - 1)], (std::array<std::string, kEncodeColumns>{}));
        EXPECT_EQ(tone.texts.decode[static_cast<std::size_t>(r - 1)], (std::array<std::string, kDecodeColumns>{}));
    }
}

// A radio whose decode row holds an entry behind an empty first one: written
// back unchanged, the row goes back as it came; an entry the user changes
// there is refused with the true reason, the radio keeping none of a row
// whose Decode1 is empty.
TEST_F(TwoTone, AWriteOfARowWithoutItsDecode1SaysTheRadioKeepsNoneOfIt)
{
    tone.StartRead();
    for (int n = 0; n <= 10; ++n) {
        Bytes payload(28, 0);
        if (n == 4) // rows 3 and 4
            payload = {0, 0, 0, 0xBC, 1, 2};
        Receive(Frame(3, static_cast<std::uint8_t>(n), payload));
    }
    EXPECT_EQ(tone.texts.Decode(3, 1), "");
    EXPECT_EQ(tone.texts.Decode(3, 4), "BC");
    port.Sent();
    EXPECT_NO_THROW(tone.StartWrite()) << "what the radio holds goes back as it came";
    EXPECT_FALSE(port.Sent().empty());
    tone.Close();
    messages.clear();
    tone.texts.Decode(3, 4) = "BD";
    EXPECT_EQ(FailureAndDetailOf([&] { tone.StartWrite(); }),
              Refusal("The radio keeps none of decode row 3 while its Decode1 is empty.",
                      "2TONE, Decode row 3, Decode2"));
    EXPECT_TRUE(port.Sent().empty());
    // A prompt that does not convert names its field and what it takes.
    tone.texts.Decode(3, 4).clear();
    tone.texts.Decode(3, 5).clear();
    tone.texts.Decode(3, 6).clear();
    tone.texts.Decode(1, 1) = "AB";
    tone.DecodeCellEdited(1, 1);
    tone.texts.Decode(1, 9) = "";
    EXPECT_EQ(FailureAndDetailOf([&] { tone.StartWrite(); }),
              Refusal("'' is not a valid integer value", "2TONE, Decode row 1, Prompt 3: the radio takes 0 to 255."));
}
