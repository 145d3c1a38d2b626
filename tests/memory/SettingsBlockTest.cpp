// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/SettingsBlock.h"

#include "text/Convert.h"

#include "BlockFrames.h"
#include "FrameBytes.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tonvar::memory;
using tonvar::protocol::ByteBuffer;
using tonvar::test::DecodeSettingsBlock;
using tonvar::test::EncodeSettingsBlock;
using tonvar::test::FilledFrame;
using tonvar::test::FrameRange;

TEST(EncodeSettingsBlock, StoredTextsGiveTheKnownBytesAndLeave20To31Alone)
{
    ByteBuffer frame = FilledFrame(0x5A);
    EncodeSettingsBlock(DefaultSettingsTexts(), frame);
    EXPECT_EQ(FrameRange(frame, 4, 19), (std::vector<std::uint8_t>{0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                                   0x01, 0x00, 0x3C, 0x02, 0x00, 0x00, 0x01}));
    EXPECT_EQ(FrameRange(frame, 20, 31), std::vector<std::uint8_t>(12, 0x5A));
    EXPECT_EQ(FrameRange(frame, 0, 3), std::vector<std::uint8_t>(4, 0x5A));
}

TEST(EncodeSettingsBlock, NumbersAndFallbacks)
{
    SettingsTexts texts = DefaultSettingsTexts();
    texts.Box(SettingsTexts::kTimeOut) = "180";
    texts.Box(SettingsTexts::kSquelch) = "300"; // low 8 bits
    texts.Box(SettingsTexts::kVoice) = "German";
    texts.Box(SettingsTexts::kPf1) = "monitor";
    texts.Box(SettingsTexts::kPf2) = "H/L PowerSwitch";
    texts.Box(SettingsTexts::kScan) = "CLOSE";
    texts.Box(SettingsTexts::kSavePower) = "open";
    texts.Box(SettingsTexts::kBeep) = "CLOSE";
    texts.Box(SettingsTexts::kVoxLevel) = "10";
    ByteBuffer frame{};
    EncodeSettingsBlock(texts, frame);
    EXPECT_EQ(frame[15], 0xB4);
    EXPECT_EQ(frame[14], 44);
    EXPECT_EQ(frame[16], 2);
    EXPECT_EQ(frame[17], 0);
    EXPECT_EQ(frame[18], 2);
    EXPECT_EQ(frame[19], 0);
    EXPECT_EQ(frame[4], 0);
    EXPECT_EQ(frame[5], 0);
    EXPECT_EQ(frame[12], 10);
    texts.Box(SettingsTexts::kVoice) = "CHINESE";
    texts.Box(SettingsTexts::kTimeOut) = "CLOSE";
    EncodeSettingsBlock(texts, frame);
    EXPECT_EQ(frame[16], 1);
    EXPECT_EQ(frame[15], 0);
}

TEST(EncodeSettingsBlock, ABoxThatIsNoNumberStopsWithEarlierBytesWritten)
{
    SettingsTexts texts = DefaultSettingsTexts();
    texts.Box(SettingsTexts::kVoxTime) = "two";
    ByteBuffer frame = FilledFrame(0x5A);
    try {
        EncodeSettingsBlock(texts, frame);
        FAIL() << "expected a conversion failure";
    } catch (const tonvar::text::ConversionError &e) {
        EXPECT_STREQ(e.what(), "'two' is not a valid integer value");
    }
    EXPECT_EQ(FrameRange(frame, 4, 12), std::vector<std::uint8_t>(9, 0x00));
    EXPECT_EQ(FrameRange(frame, 13, 19), std::vector<std::uint8_t>(7, 0x5A));
}

TEST(DecodeSettingsBlock, WorkedExample)
{
    ByteBuffer rx = FilledFrame(0x77);
    const std::vector<std::uint8_t> payload{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0x05, 0x02, 0x03, 0x00, 0x00, 0x02, 0x01, 0x00};
    std::copy(payload.begin(), payload.end(), rx.begin() + 4);
    SettingsTexts texts = DefaultSettingsTexts();
    DecodeSettingsBlock(rx, texts);
    const SettingsTexts expected{
        {"5", "2", "3", "CLOSE", "CLOSE", "H/L PowerSwitch", "Monitor", "CLOSE", "OPEN", "CLOSE"}};
    EXPECT_EQ(texts, expected);
}

TEST(DecodeSettingsBlock, OtherBytes)
{
    ByteBuffer rx{};
    rx[16] = 7;
    rx[14] = 12;
    rx[17] = 9;
    rx[19] = 2;
    SettingsTexts texts;
    DecodeSettingsBlock(rx, texts);
    EXPECT_EQ(texts.Box(SettingsTexts::kVoice), "ENGLISH");
    EXPECT_EQ(texts.Box(SettingsTexts::kSquelch), "12");
    EXPECT_EQ(texts.Box(SettingsTexts::kPf1), "NONE");
    EXPECT_EQ(texts.Box(SettingsTexts::kScan), "CLOSE");
    EXPECT_EQ(texts.Box(SettingsTexts::kVoxLevel), "NONE");
    rx[16] = 1;
    DecodeSettingsBlock(rx, texts);
    EXPECT_EQ(texts.Box(SettingsTexts::kVoice), "CHINESE");
}

TEST(SettingsBlockRoundTrip, EveryItemOfEveryBoxSurvives)
{
    for (int box = 1; box <= kSettingsBoxCount; ++box) {
        std::vector<std::string> items = SettingsItems(box);
        ASSERT_FALSE(items.empty()) << box;
        if (box == SettingsTexts::kVoice)
            items.push_back("CHINESE");
        for (const std::string &item : items) {
            SettingsTexts texts = DefaultSettingsTexts();
            texts.Box(box) = item;
            ByteBuffer frame{};
            EncodeSettingsBlock(texts, frame);
            SettingsTexts back;
            DecodeSettingsBlock(frame, back);
            EXPECT_EQ(back, texts) << "ComboBox" << box << " " << item;
        }
    }
}

// One box alone writes the byte the whole block writes for it and no other.
TEST(SettingsBoxes, EachBoxWritesItsOwnByteAsTheBlockDoes)
{
    const SettingsTexts texts{
        {"5", "2", "3", "180", "CHINESE", "Monitor", "H/L PowerSwitch", "CLOSE", "OPEN", "CLOSE"}};
    tonvar::memory::Payload whole{};
    whole.fill(0x5A);
    tonvar::memory::EncodeSettingsBlock(texts, whole);
    for (int n = 1; n <= kSettingsBoxCount; ++n) {
        tonvar::memory::Payload one{};
        one.fill(0x5A);
        EncodeSettingsBox(n, texts.Box(n), one);
        const std::size_t at = settings_offsets::kBox[static_cast<std::size_t>(n)];
        for (std::size_t i = 0; i < one.size(); ++i)
            EXPECT_EQ(one[i], i == at ? whole[i] : std::uint8_t{0x5A}) << "box " << n << ", byte " << i;
    }
}
