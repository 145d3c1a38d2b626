// One channel of the radio: block 1..16 of memory area 0, 28 payload bytes at
// frame offsets 4..31.
//
//   4..7   receive frequency, Hz, signed 32-bit    19..20 step, Hz
//   8..11  transmit frequency, Hz (0 = none)       21, 22 DTMF1, DTMF2 key codes
//   12..13 decode tone code                        23     PTT ID (0..3)
//   14..15 encode tone code                        24     scrambler (0 = off)
//   16     power   (0x00 low,    0xFF high)        25     compandor (0x00 off, 0xFF on)
//   17     width   (0x00 narrow, 0xFF wide)        26     PTT ID type (0..3)
//   18     scan    (0x00 no,     0xFF yes)         27     PTT ID number
//   28..30 untouched: whatever the frame buffer held
//   31     always 0xFF when written
//
// Tone codes: 0xFFFF none; 0x0000..0x0FFF CTCSS in tenths of a hertz;
// 0x2000 + n DCS n normal; 0xA000 + n DCS n inverted (n read in decimal).
#pragma once

#include "memory/ChannelTable.h"
#include "protocol/Frames.h"

#include <cstdint>

namespace tonvar::memory {

// Fills frame offsets 4..31 from a row's texts. The header and the checksum
// are the caller's. A text that does not convert throws
// text::ConversionError; bytes written before that point stay written.
void EncodeChannelBlock(const ChannelRow &row, protocol::ByteBuffer &frame);

// Writes columns 1..15 of the row named by the received frame's block byte.
// A block byte of 0 or above 16 (or a row the table does not have) names no
// channel: nothing is written and false is returned.
bool DecodeChannelBlock(const protocol::ByteBuffer &received, ChannelTable &table);

// The tone rules on their own (used by the codec and handy for tests).
std::uint16_t EncodeToneCode(const std::string &text);
// Returns false for a code whose top four bits name no tone kind; the text is
// then left unchanged.
bool DecodeToneCode(std::uint16_t code, std::string &text);

} // namespace tonvar::memory
