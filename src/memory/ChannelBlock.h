// SPDX-License-Identifier: GPL-3.0-or-later
// One channel of the radio: block 1..16 of memory area 0. Payload offsets
// (the frame carries them at 4 more):
//
//   0..3   receive frequency, Hz, signed 32-bit    15..16 step, Hz
//   4..7   transmit frequency, Hz (0 = none)       17, 18 DTMF1, DTMF2 key codes
//   8..9   decode tone code                        19     PTT ID (0..3)
//   10..11 encode tone code                        20     scrambler (0 = off)
//   12     power   (0x00 low,    0xFF high)        21     compandor (0x00 off, 0xFF on)
//   13     width   (0x00 narrow, 0xFF wide)        22     PTT ID type (0..3)
//   14     scan    (0x00 no,     0xFF yes)         23     PTT ID number
//   24..26 untouched: whatever the payload held
//   27     always 0xFF when written
//
// Tone codes: 0xFFFF none; 0x0000..0x0FFF CTCSS in tenths of a hertz;
// 0x2000 + n DCS n normal; 0xA000 + n DCS n inverted (n read in decimal).
#pragma once

#include "memory/ChannelTable.h"
#include "memory/Payload.h"

#include <cstdint>

namespace tonvar::memory {

namespace channel_offsets {
inline constexpr std::size_t kRxFreq = 0, kTxFreq = 4, kDecodeTone = 8, kEncodeTone = 10, kPower = 12, kWidth = 13,
                             kScan = 14, kStep = 15, kDtmf1 = 17, kDtmf2 = 18, kPttId = 19, kScrambler = 20,
                             kCompandor = 21, kPttIdType = 22, kPttIdNumber = 23, kLastUntouched = 26, kEnd = 27;
} // namespace channel_offsets

// Fills the payload from a row's texts. A text that does not convert throws
// text::ConversionError; bytes written before that point stay written.
void EncodeChannelBlock(const ChannelRow &row, Payload &payload);
// The bytes of one column (1..15) of a channel that has a receive frequency,
// as EncodeChannelBlock writes them; nothing else of the payload changes
// (not the fixed byte 27 either).
void EncodeChannelColumn(int column, const std::string &text, Payload &payload);

// Writes columns 1..15 of row `channel` from a payload. A channel of 0 or
// above 16 (or a row the table does not have) is none: nothing is written and
// false is returned.
bool DecodeChannelBlock(int channel, const Payload &payload, ChannelTable &table);

// The tone rules on their own (used by the codec and handy for tests).
std::uint16_t EncodeToneCode(const std::string &text);
// Returns false for a code whose top four bits name no tone kind; the text is
// then left unchanged.
bool DecodeToneCode(std::uint16_t code, std::string &text);

} // namespace tonvar::memory
