// SPDX-License-Identifier: GPL-3.0-or-later
// The 2TONE area (3) of the radio's memory: eleven blocks. Payload offsets:
//
//   block 0     0..7 tones A..D (Hz), 8 rest time, 10/12/14 first and
//               second frequency time and interval (ms), 20..27 encode
//               memories 1 and 2 (first, second frequency)
//   block 1, 2  encode memories 7(n-1)+3 .. 7(n-1)+9
//   block 3..10 decode rows 2(n-3)+1 (from offset 0) and the next (from 12):
//               four entries of tone pair, response mode, prompt
#pragma once

#include "memory/Payload.h"
#include "signalling/HeldTexts.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline constexpr int kTwoToneBlocks = 11;
inline constexpr int kTwoToneRows = 16;
inline constexpr int kTwoToneDecodeColumns = 12; // xg2 columns 1..12

namespace twotone_offsets {
inline constexpr std::size_t kTones = 0, kRestTime = 8, kFirstTime = 10, kSecondTime = 12, kInterval = 14,
                             kFirstMemories = 20;
inline constexpr std::array<std::size_t, 2> kDecodeRows{0, 12};
} // namespace twotone_offsets

struct TwoToneTexts {
    std::string firstTime = "500";                                              // First Frequency Time(ms)
    std::string secondTime = "500";                                             // Second Frequency Time(ms)
    std::string interval = "500";                                               // Interval Between Two Frequency (ms)
    std::string toneA = "1981", toneB = "1124", toneC = "1197", toneD = "1275"; // tones A..D (Hz)
    std::string restTime = "6000";                                              // Rest Time(ms)
    std::array<std::string, kTwoToneRows> first;                                // xg1 column 1
    std::array<std::string, kTwoToneRows> second;                               // xg1 column 2
    std::array<std::array<std::string, kTwoToneDecodeColumns>, kTwoToneRows> decode; // xg2 columns 1..12

    // Cell (row, column) of xg2, both from 1.
    std::string &Decode(int row, int column)
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    const std::string &Decode(int row, int column) const
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    bool operator==(const TwoToneTexts &) const = default;
};

const std::vector<std::string> &TonePairNames();
const std::vector<std::string> &ResponseModeNames();

using TwoToneArea = std::array<memory::Payload, kTwoToneBlocks>;

// Sets every text the block holds. A decode entry whose tone pair code is
// 0 is not in use: its three cells are empty. A tone pair that is not two
// of A to D shows as its two hexadecimal digits ("1B"), a response mode no
// name stands for as its number.
void DecodeTwoToneBlock(int block, const memory::Payload &payload, TwoToneTexts &texts);
// A field that does not convert throws text::ConversionError. A decode row
// whose "Decode1" is empty leaves its bytes as they are; an entry of a row in
// use whose tone pair is empty is written as not in use (code 0). Over the
// bytes a block was read from, the texts read from it give the same bytes.
void EncodeTwoToneBlock(int block, const TwoToneTexts &texts, memory::Payload &payload);
void DecodeTwoToneArea(const TwoToneArea &area, TwoToneTexts &texts);
void EncodeTwoToneArea(const TwoToneTexts &texts, TwoToneArea &area);
// A tone pair given to a decode entry not in use in `before`: the entry's
// empty response mode and prompt in `after` take the window's defaults
// ("NONE" and "1"), so that a pair alone makes a whole entry.
void FillNewEntries(const TwoToneTexts &before, TwoToneTexts &after);
// "2TONE, Decode row 3, Decode2", "..., Response Mode 2", "..., Prompt 2".
std::vector<NamedText> TwoToneFields(TwoToneTexts &texts);
// What the radio cannot hold written over `base` (HeldTexts.h): also what
// it would drop, a cell of a decode row whose "Decode1" is empty, or a
// response mode or prompt of an entry without a tone pair.
void CheckTwoToneHeld(const TwoToneTexts &texts, const TwoToneArea &base = {}, const std::vector<bool> *only = nullptr);

} // namespace tonvar::signalling
