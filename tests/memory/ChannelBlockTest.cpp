// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ChannelBlock.h"
#include "memory/Holdable.h"

#include "text/Convert.h"

#include "BlockFrames.h"
#include "FrameBytes.h"

#include "Failures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tonvar::memory;
using tonvar::protocol::ByteBuffer;
using tonvar::test::DecodeChannelBlock;
using tonvar::test::EncodeChannelBlock;
using tonvar::test::FailureOf;
using tonvar::test::FilledFrame;
using tonvar::test::FrameRange;
using tonvar::text::ConversionError;

namespace {

ChannelRow ProgrammedRow()
{
    return {"1",     "145.50000", "146.02500", "023N", "67.0", "LOW", "NARROW", "YES",
            "12500", "0",         "#",         "EOT",  "10",   "FSK", "16",     "YES"};
}

// A received frame of area 0 carrying the given payload bytes for `block`.
ByteBuffer ReceivedFrame(std::uint8_t block, const ByteBuffer &payloadFrom)
{
    ByteBuffer rx = payloadFrom;
    rx[0] = 0x57;
    rx[1] = 0;
    rx[2] = block;
    rx[3] = 0x20;
    return rx;
}

} // namespace

TEST(EncodeChannelBlock, EmptyRowIsZerosAndAFinalFFWhateverElseTheRowHolds)
{
    for (const std::string rx : {"", " "}) {
        ChannelRow row = ProgrammedRow();
        row[kColRxFreq] = rx;
        row[kColStep] = "not a number"; // never read
        ByteBuffer frame = FilledFrame(0xAA);
        tonvar::protocol::PutFrameHeader(frame, 0, 1);
        EncodeChannelBlock(row, frame);
        std::vector<std::uint8_t> expected(27, 0x00);
        expected.push_back(0xFF);
        EXPECT_EQ(FrameRange(frame, 4, 31), expected);
        tonvar::protocol::Crc16(frame);
        EXPECT_EQ(frame[32], 0x38);
        EXPECT_EQ(frame[33], 0x6F);
        EXPECT_EQ(frame[34], 0xAA);
    }
}

TEST(EncodeChannelBlock, ProgrammedRowByteForByteKeepingOffsets28To30)
{
    ByteBuffer frame = FilledFrame(0x5A);
    EncodeChannelBlock(ProgrammedRow(), frame);
    const std::vector<std::uint8_t> expected{0x60, 0x27, 0xAC, 0x08,                         // 145.5 MHz
                                             0x28, 0x2A, 0xB4, 0x08,                         // 146.025 MHz
                                             0x17, 0x20,                                     // 023N
                                             0x9E, 0x02,                                     // 67.0
                                             0x00, 0x00, 0xFF,                               // low, narrow, scan
                                             0xD4, 0x30,                                     // 12500
                                             0x0A, 0x0C,                                     // "0", "#"
                                             0x03, 0x0A, 0xFF, 0x03, 0x10, 0x5A, 0x5A, 0x5A, // untouched
                                             0xFF};
    EXPECT_EQ(FrameRange(frame, 4, 31), expected);
}

TEST(EncodeChannelBlock, WorkedExamples)
{
    ChannelRow row = ProgrammedRow();
    row[kColRxFreq] = "462.5625";
    row[kColTxFreq] = " ";
    row[kColStep] = "25000";
    row[kColDtmf1] = "D";
    ByteBuffer frame{};
    EncodeChannelBlock(row, frame);
    EXPECT_EQ(FrameRange(frame, 4, 7), (std::vector<std::uint8_t>{0xC4, 0x24, 0x92, 0x1B}));
    EXPECT_EQ(FrameRange(frame, 8, 11), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(FrameRange(frame, 19, 20), (std::vector<std::uint8_t>{0xA8, 0x61}));
    EXPECT_EQ(frame[21], 0x00);
}

TEST(ToneCode, WorkedExamples)
{
    EXPECT_EQ(EncodeToneCode("023N"), 0x2017);
    EXPECT_EQ(EncodeToneCode("023I"), 0xA017);
    EXPECT_EQ(EncodeToneCode("NONE"), 0xFFFF);
    EXPECT_EQ(EncodeToneCode("67.0"), 0x029E);
    EXPECT_EQ(EncodeToneCode("754N"), 0x22F2);
    EXPECT_EQ(EncodeToneCode("754I"), 0xA2F2);
    EXPECT_EQ(EncodeToneCode("999N"), 0x2000 + 999); // digits are decimal, not octal
    EXPECT_EQ(FailureOf([] { EncodeToneCode("67.05"); }), "'670.5' is not a valid integer value");
    EXPECT_EQ(FailureOf([] { EncodeToneCode("023X"); }), "'023X' is not a valid floating point value");

    const auto decoded = [](std::uint16_t code) {
        std::string text = "unchanged";
        DecodeToneCode(code, text);
        return text;
    };
    EXPECT_EQ(decoded(0x2017), "023N");
    EXPECT_EQ(decoded(0x2005), "005N");
    EXPECT_EQ(decoded(0x22F2), "754N");
    EXPECT_EQ(decoded(0xA017), "023I");
    EXPECT_EQ(decoded(0x029E), "67.0");
    EXPECT_EQ(decoded(0xFFFF), "NONE");
    EXPECT_EQ(decoded(0x5000), "unchanged");
    EXPECT_EQ(decoded(0x2FFF), "4095N");
}

TEST(EncodeChannelBlock, UnknownPickTextsKeepOrDefaultTheirBytes)
{
    ChannelRow row = ProgrammedRow();
    for (int c : {kColPower, kColBandwidth, kColScanAdd, kColCompandor, kColDtmf1, kColDtmf2, kColPttId, kColPttIdType})
        row[static_cast<std::size_t>(c)] = "low"; // case matters
    ByteBuffer frame = FilledFrame(0x5A);
    EncodeChannelBlock(row, frame);
    EXPECT_EQ(frame[16], 0xFF);
    EXPECT_EQ(frame[17], 0xFF);
    EXPECT_EQ(frame[18], 0xFF);
    EXPECT_EQ(frame[25], 0xFF);
    EXPECT_EQ(frame[21], 0x5A);
    EXPECT_EQ(frame[22], 0x5A);
    EXPECT_EQ(frame[23], 0x5A);
    EXPECT_EQ(frame[26], 0x5A);
}

TEST(EncodeChannelBlock, AFailureStopsWithEarlierBytesWritten)
{
    ChannelRow row = ProgrammedRow();
    row[kColStep] = "25k";
    ByteBuffer frame = FilledFrame(0x5A);
    EXPECT_EQ(FailureOf([&] { EncodeChannelBlock(row, frame); }), "'25k' is not a valid integer value");
    EXPECT_EQ(FrameRange(frame, 4, 7), (std::vector<std::uint8_t>{0x60, 0x27, 0xAC, 0x08}));
    EXPECT_EQ(frame[18], 0xFF);
    EXPECT_EQ(FrameRange(frame, 19, 31), std::vector<std::uint8_t>(13, 0x5A));

    row = ProgrammedRow();
    row[kColPttIdNumber] = "";
    EXPECT_EQ(FailureOf([&] { EncodeChannelBlock(row, frame); }), "'' is not a valid integer value");
    row = ProgrammedRow();
    row[kColRxFreq] = "abc";
    EXPECT_EQ(FailureOf([&] { EncodeChannelBlock(row, frame); }), "'abc' is not a valid floating point value");
    row[kColRxFreq] = "462.5625001";
    EXPECT_EQ(FailureOf([&] { EncodeChannelBlock(row, frame); }), "'462562500.1' is not a valid integer value");
    row = ProgrammedRow();
    row[kColScrambler] = "1.5";
    EXPECT_EQ(FailureOf([&] { EncodeChannelBlock(row, frame); }), "'1.5' is not a valid integer value");
}

TEST(DecodeChannelBlock, FillsTheRowNamedByTheBlockByte)
{
    ByteBuffer payload = FilledFrame(0);
    EncodeChannelBlock(ProgrammedRow(), payload);
    ChannelTable table;
    ASSERT_TRUE(DecodeChannelBlock(ReceivedFrame(7, payload), table));
    ChannelRow expected = ProgrammedRow();
    expected[kColChannel] = ""; // column 0 is not the decoder's
    EXPECT_EQ(table.Row(7), expected);
    EXPECT_EQ(table.Row(6), ChannelRow{});
}

TEST(DecodeChannelBlock, WorkedExamplesAndUnchangedCells)
{
    ChannelTable table;
    for (int c = 1; c < kColumnCount; ++c)
        table.SetCell(2, c, "old");
    ByteBuffer rx = ReceivedFrame(2, ByteBuffer{});
    tonvar::protocol::Put32(rx, 4, 462562500);
    rx[12] = 0x05;
    rx[13] = 0x20;
    rx[14] = 0x00;
    rx[15] = 0x50; // no tone kind: cell unchanged
    rx[21] = 0x10; // no key: cell unchanged
    rx[22] = 0xFF;
    rx[23] = 4; // no PTT ID: unchanged
    rx[26] = 9; // no PTT ID type: unchanged
    tonvar::protocol::Put16(rx, 19, 25000);
    ASSERT_TRUE(DecodeChannelBlock(rx, table));
    const ChannelRow &row = table.Row(2);
    EXPECT_EQ(row[kColRxFreq], "462.56250");
    EXPECT_EQ(row[kColTxFreq], "");
    EXPECT_EQ(row[kColDecodeTone], "005N");
    EXPECT_EQ(row[kColEncodeTone], "old");
    EXPECT_EQ(row[kColPower], "LOW");
    EXPECT_EQ(row[kColBandwidth], "NARROW");
    EXPECT_EQ(row[kColScanAdd], "NONE");
    EXPECT_EQ(row[kColStep], "25000");
    EXPECT_EQ(row[kColDtmf1], "old");
    EXPECT_EQ(row[kColDtmf2], "NONE");
    EXPECT_EQ(row[kColPttId], "old");
    EXPECT_EQ(row[kColScrambler], "NONE");
    EXPECT_EQ(row[kColCompandor], "NONE");
    EXPECT_EQ(row[kColPttIdType], "old");
    EXPECT_EQ(row[kColPttIdNumber], "0");
}

TEST(DecodeChannelBlock, ZeroReceiveFrequencyEmptiesTheWholeRow)
{
    ChannelTable table;
    table.SetCell(5, 0, "5");
    ByteBuffer payload = FilledFrame(0);
    EncodeChannelBlock(ProgrammedRow(), payload);
    tonvar::protocol::Put32(payload, 4, 0);
    ASSERT_TRUE(DecodeChannelBlock(ReceivedFrame(5, payload), table));
    ChannelRow expected{};
    expected[0] = "5";
    EXPECT_EQ(table.Row(5), expected);
}

TEST(DecodeChannelBlock, IgnoresBlockBytesThatNameNoChannel)
{
    ByteBuffer payload = FilledFrame(0);
    EncodeChannelBlock(ProgrammedRow(), payload);
    for (const std::uint8_t block : std::initializer_list<std::uint8_t>{0, 17, 200, 255}) {
        ChannelTable table;
        const ChannelTable before = table;
        EXPECT_FALSE(DecodeChannelBlock(ReceivedFrame(block, payload), table)) << int(block);
        for (int r = 0; r < table.RowCount(); ++r)
            EXPECT_EQ(table.Row(r), before.Row(r)) << int(block);
    }
    ChannelTable small;
    small.SetRowCount(3);
    EXPECT_FALSE(DecodeChannelBlock(ReceivedFrame(5, payload), small));
    EXPECT_EQ(small.RowCount(), 3);
}

// Every text the table's editors offer must come back from the radio as it went.
TEST(ChannelBlockRoundTrip, EveryPickListTextAndEveryToneSurvives)
{
    for (int column = kColDecodeTone; column <= kColCompandor; ++column) {
        for (const std::string &text : PickList(column)) {
            ChannelRow row = ProgrammedRow();
            row[static_cast<std::size_t>(column)] = text;
            ByteBuffer payload = FilledFrame(0);
            EncodeChannelBlock(row, payload);
            ChannelTable table;
            ASSERT_TRUE(DecodeChannelBlock(ReceivedFrame(16, payload), table));
            EXPECT_EQ(table.Cell(16, column), text) << "column " << column;
        }
    }
    EXPECT_EQ(ToneList().size(), 218u);
    EXPECT_EQ(PickList(kColEncodeTone).size(), 218u);
}

TEST(ChannelBlockRoundTrip, FrequenciesKeepTheirFiveDecimals)
{
    for (const std::string freq : {"462.56250", "145.12345", "999.99999", "0.00001", "136.00000", "2147.48364"}) {
        ChannelRow row = ProgrammedRow();
        row[kColRxFreq] = freq;
        row[kColTxFreq] = freq;
        ByteBuffer payload = FilledFrame(0);
        EncodeChannelBlock(row, payload);
        ChannelTable table;
        ASSERT_TRUE(DecodeChannelBlock(ReceivedFrame(1, payload), table));
        EXPECT_EQ(table.Cell(1, kColRxFreq), freq);
        EXPECT_EQ(table.Cell(1, kColTxFreq), freq);
    }
}

// One column alone writes the bytes the whole block writes for it and no
// other byte: what a saved image's changed cell needs.
TEST(ChannelColumns, EachColumnWritesItsOwnBytesAsTheBlockDoes)
{
    const ChannelRow row = ProgrammedRow();
    tonvar::memory::Payload whole{};
    whole.fill(0x5A);
    tonvar::memory::EncodeChannelBlock(row, whole);
    const std::vector<std::pair<std::size_t, std::size_t>> bytes{{0, 0},  {0, 4},  {4, 4},  {8, 2},  {10, 2}, {12, 1},
                                                                 {13, 1}, {14, 1}, {15, 2}, {17, 1}, {18, 1}, {19, 1},
                                                                 {20, 1}, {22, 1}, {23, 1}, {21, 1}};
    for (int c = 1; c < kColumnCount; ++c) {
        tonvar::memory::Payload one{};
        one.fill(0x5A);
        EncodeChannelColumn(c, row[static_cast<std::size_t>(c)], one);
        const auto [first, count] = bytes[static_cast<std::size_t>(c)];
        for (std::size_t i = 0; i < one.size(); ++i)
            if (i >= first && i < first + count)
                EXPECT_EQ(one[i], whole[i]) << "column " << c << ", byte " << i;
            else
                EXPECT_EQ(one[i], 0x5A) << "column " << c << " wrote byte " << i;
    }
}

// A write holds only frequencies the radio keeps as they stand: five
// decimals at most (steps of 10 Hz) and above 0; what it would keep as
// another value is refused, saying what it would keep and what it takes.
TEST(CheckChannelHeld, FrequenciesTheRadioWouldKeepAsAnotherAreRefused)
{
    struct Case {
        std::string rx, tx;
        std::string failure; // "" when held
    };
    const std::vector<Case> cases{
        {"145.50000", "145.50000", ""},
        {"145.5", "145.5", ""},
        {"145.12345", "", ""},
        {"0.00001", "0.00001", ""},
        {"145.123456", "145.50000", "The radio cannot hold '145.123456': it would keep '145.12346'."},
        {"145.50000", "145.500004", "The radio cannot hold '145.500004': it would keep '145.50000'."},
        {"-5.00000", "145.50000", "The radio cannot hold '-5.00000'."},
        {"145.50000", "0", "The radio cannot hold '0'."},
        {"2147.48364", "", ""},
        {"2147.48365", "", "The radio cannot hold '2147.48365'."},
        {"9999.00000", "", "The radio cannot hold '9999.00000'. The radio takes frequencies of 0.00001 to 2147.48364"},
    };
    for (const Case &c : cases) {
        tonvar::memory::ChannelRow row{"1",     c.rx,   c.tx,   "NONE", "NONE", "HIGH", "WIDE", "YES",
                                       "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
        const std::string failure = tonvar::test::FailureOf([&] { tonvar::memory::CheckChannelHeld(row, 1); });
        if (c.failure.empty())
            EXPECT_EQ(failure, "") << c.rx << " " << c.tx;
        else
            EXPECT_EQ(failure.substr(0, c.failure.size()), c.failure) << c.rx << " " << c.tx;
    }
}
