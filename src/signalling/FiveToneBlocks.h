// SPDX-License-Identifier: GPL-3.0-or-later
// The 5TONE area (4) of the radio's memory: seventeen blocks. Payload
// offsets:
//
//   block 0     standard s (1..5) at 3(s-1): TX time, group code,
//               duplication code; 20..23 the four delays (ms / 10)
//   block 1..8  encode rows 2n-1 (from offset 0) and 2n (from 14): four
//               5TONE codes and the standard; the record's last byte is not
//               written and keeps what the payload held
//   block 9..16 decode rows 2n-17 and 2n-16: standard and functions in
//               nibbles, first/second/third frame and response codes
#pragma once

#include "memory/Payload.h"
#include "signalling/HeldTexts.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline constexpr int kFiveToneBlocks = 17;
inline constexpr int kStandards = 5;
inline constexpr int kFiveToneRows = 16;
inline constexpr int kEncodeColumns = 5; // xg2 columns 1..5
inline constexpr int kDecodeColumns = 8; // xg3 columns 1..8

namespace fivetone_offsets {
inline constexpr std::size_t kStandardsFirst = 0, kDelays = 20;
inline constexpr std::array<std::size_t, 2> kRecords{0, 14};
} // namespace fivetone_offsets

struct FiveToneTexts {
    std::string shownStandard = "CCIR"; // the standard whose tones are shown
    std::array<std::array<std::string, 3>, kStandards> standards{
        {{"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}}}; // xg1
    std::array<std::array<std::string, kEncodeColumns>, kFiveToneRows> encode;                            // xg2
    std::array<std::array<std::string, kDecodeColumns>, kFiveToneRows> decode;                            // xg3
    std::string firstFrameDelay = "500";    // Sending First Frame Coding Delay Time(ms)
    std::string secondFrameDelay = "500";   // Sending Second Frame Coding Delay Time(ms)
    std::string thirdFrameDelay = "500";    // Sending Third Frame Coding Delay Time(ms)
    std::string firstToneExtension = "500"; // Extended Duration of The First Tone of Each Group (ms)
    std::string resetTime = "6000";         // Reset Time(ms): kept in no block

    // Cells by row and column from 1.
    std::string &Standard(int row, int column)
    {
        return standards[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    const std::string &Standard(int row, int column) const
    {
        return standards[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    std::string &Encode(int row, int column)
    {
        return encode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    const std::string &Encode(int row, int column) const
    {
        return encode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    std::string &Decode(int row, int column)
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    const std::string &Decode(int row, int column) const
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    bool operator==(const FiveToneTexts &) const = default;
};

using FiveToneArea = std::array<memory::Payload, kFiveToneBlocks>;

// Sets every text the block holds. A code of 0 shows empty, one whose third
// byte's high nibble is set with six digits; a group or duplication code
// above F with two digits; a standard of 0 empty (and a function 0 of a
// decode record without a standard empty too); a standard or function no
// name stands for as its number.
void DecodeFiveToneBlock(int block, const memory::Payload &payload, FiveToneTexts &texts);
// A field that does not convert throws text::ConversionError; an empty code
// is written as 0. Over the bytes a block was read from, the texts read from
// it give the same bytes.
void EncodeFiveToneBlock(int block, const FiveToneTexts &texts, memory::Payload &payload);
void DecodeFiveToneArea(const FiveToneArea &area, FiveToneTexts &texts);
void EncodeFiveToneArea(const FiveToneTexts &texts, FiveToneArea &area);
// "5TONE, Decode row 3, Function 2" for the second frame's function.
std::vector<NamedText> FiveToneFields(FiveToneTexts &texts);
// What the radio cannot hold written over `base` (HeldTexts.h).
void CheckFiveToneHeld(const FiveToneTexts &texts, const FiveToneArea &base = {},
                       const std::vector<bool> *only = nullptr);

} // namespace tonvar::signalling
