// SPDX-License-Identifier: GPL-3.0-or-later
// The DTMF area (1) of the radio's memory: four blocks. Payload offsets:
//
//   block 0   0 speed, 1..3 first digit time / delay / # and * time (ms / 10),
//             4 D code (0 "D Code", else ms / 100), 5 side tone,
//             10..13 ID code, 14 group code, 15 auto reset, 16 call alert,
//             17 transpond, 18 clear to transpond, 19 ID digit count,
//             20..27 digit counts of autodial memories 1..8
//   block n   memories 6(n-1)+1 .. 6(n-1)+6, 4 bytes each (block 3: 13..16)
#pragma once

#include "memory/Payload.h"
#include "signalling/HeldTexts.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline constexpr int kDtmfBlocks = 4;
inline constexpr int kAutodialMemories = 16;

namespace dtmf_offsets {
inline constexpr std::size_t kSpeed = 0, kFirstDigitTime = 1, kFirstDigitDelay = 2, kHashStarTime = 3, kDCode = 4,
                             kSideTone = 5, kIdCode = 10, kGroupCode = 14, kAutoReset = 15, kCallAlert = 16,
                             kTranspond = 17, kClearToTranspond = 18, kDigitCounts = 19;
} // namespace dtmf_offsets

// What the DTMF window shows, as texts and check states.
struct DtmfTexts {
    std::string speed = "6";                             // DTMF Spend [digit/s]
    std::string firstDigitTime = "0";                    // First Digit Time [ms]
    std::string firstDigitDelay = "100";                 // First Digit Delay [ms]
    std::string hashStarTime = "0";                      // # and * Tone [ms]
    std::string dCode = "D Code";                        // D Code Assignment
    bool sideTone = true;                                // DTMF Side Tone
    std::string idCode = "12345678";                     // ID Code
    std::string groupCode = "Off";                       // Group Code
    std::string autoReset = "10";                        // Auto Reset Timer [s]
    std::string callAlert = "Normal";                    // Call Alert
    std::string transpond = "Off";                       // Transpond
    bool clearToTranspond = false;                       // Clear To Transpond
    std::array<std::string, kAutodialMemories> autodial; // xg2 rows 1..16

    bool operator==(const DtmfTexts &) const = default;
};

// Entry 0: digits of the ID code; 1..8: of autodial memories 1..8, as block 0
// gives them; the autodial blocks need them.
using DtmfDigitCounts = std::array<std::uint8_t, 9>;

using DtmfArea = std::array<memory::Payload, kDtmfBlocks>;

// What an area held before it is written over: the digit counts of block 0
// and the values of autodial memories 1..8. An ID code or a memory the area
// holds as nothing a text can show (a value without a count, digits beyond
// its count) is kept as it is while its text stays empty.
struct DtmfBase {
    DtmfDigitCounts counts{};
    std::array<std::uint32_t, 8> dial{};
    bool known = false; // false: nothing is known of the area (a write from the window)
};
DtmfBase DtmfBaseOf(const DtmfArea &area);

// Sets every text block `block` holds: a value no name stands for shows as
// its number ("7"), an ID code or a memory that no text can give back shows
// empty, as does one the radio does not hold.
void DecodeDtmfBlock(int block, const memory::Payload &payload, DtmfTexts &texts, DtmfDigitCounts &counts);
// Fills block `block` in order of its fields; a field that does not convert
// throws text::ConversionError, leaving the ones after it as they were.
// Over the bytes a block was read from, the texts read from it give the
// same bytes back (`base` is what the area held: DtmfBaseOf).
void EncodeDtmfBlockOver(int block, const DtmfTexts &texts, memory::Payload &payload, const DtmfBase &base);
// The same where nothing is known of what the area holds (a write from the
// window, whose frames start cleared): an empty ID code and the digit count
// of an empty memory are written as 0, an empty memory's slot is left as
// it is.
void EncodeDtmfBlock(int block, const DtmfTexts &texts, memory::Payload &payload);
// The whole area, decoded in block order; encoded over its bytes.
void DecodeDtmfArea(const DtmfArea &area, DtmfTexts &texts);
void EncodeDtmfArea(const DtmfTexts &texts, DtmfArea &area);
// Every text the blocks carry, named as the window shows it.
std::vector<NamedText> DtmfFields(DtmfTexts &texts);
// What the radio cannot hold: a text that does not convert, an ID code or an
// autodial memory of more than 8 symbols, a value its block does not keep
// (text::Failure naming it, HeldTexts.h); written over `base` (a write from
// the window: over zeros).
void CheckDtmfHeld(const DtmfTexts &texts, const DtmfArea &base = {}, const std::vector<bool> *only = nullptr);

} // namespace tonvar::signalling
