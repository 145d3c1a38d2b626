// SPDX-License-Identifier: GPL-3.0-or-later
// The FleetSync area (2) of the radio's memory: three blocks, written as 32
// bytes without a checksum and not resent. Payload offsets:
//
//   block 0   0..1 own fleet, 2..3 own ID, 4 baud / 100, 5..6 modulation
//             delay (ms), 7 message mode timer (s), 8 side tone,
//             20..27 fleet and ID of list entries 1 and 2
//   block n   list entries 7(n-1)+3 .. 7(n-1)+9: fleet, ID, 2 bytes each
#pragma once

#include "memory/Payload.h"
#include "signalling/HeldTexts.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline constexpr int kFleetSyncBlocks = 3;
inline constexpr int kFleetEntries = 16;

namespace fleetsync_offsets {
inline constexpr std::size_t kOwnFleet = 0, kOwnId = 2, kBaud = 4, kModulationDelay = 5, kMessageTimer = 7,
                             kSideTone = 8, kFirstEntries = 20;
} // namespace fleetsync_offsets

struct FleetSyncTexts {
    std::string ownFleet = "100";                 // Fleet[Own]
    std::string ownId = "1000";                   // ID[Own]
    std::string baudRate = "2400";                // FleetSync Baud Rate[bps]
    std::string modulationDelay = "400";          // Data TX Modulation Delay Time[ms]
    std::string messageTimer = "10";              // Message Mode Timer [s]
    bool sideTone = true;                         // PTT ID Side Tone
    std::array<std::string, kFleetEntries> fleet; // xg1 rows 1..16, "Fleet"
    std::array<std::string, kFleetEntries> id;    // and "ID"

    bool operator==(const FleetSyncTexts &) const = default;
};

using FleetSyncArea = std::array<memory::Payload, kFleetSyncBlocks>;

// Sets every text the block holds (a baud rate the list does not name shows
// as its number of bps).
void DecodeFleetSyncBlock(int block, const memory::Payload &payload, FleetSyncTexts &texts);
// A field that does not convert throws text::ConversionError. Over the
// bytes a block was read from, the texts read from it give the same bytes.
void EncodeFleetSyncBlock(int block, const FleetSyncTexts &texts, memory::Payload &payload);
void DecodeFleetSyncArea(const FleetSyncArea &area, FleetSyncTexts &texts);
void EncodeFleetSyncArea(const FleetSyncTexts &texts, FleetSyncArea &area);
std::vector<NamedText> FleetSyncFields(FleetSyncTexts &texts);
// What the radio cannot hold written over `base` (HeldTexts.h).
void CheckFleetSyncHeld(const FleetSyncTexts &texts, const FleetSyncArea &base = {},
                        const std::vector<bool> *only = nullptr);

} // namespace tonvar::signalling
