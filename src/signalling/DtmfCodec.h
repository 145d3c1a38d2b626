// SPDX-License-Identifier: GPL-3.0-or-later
// DTMF texts as the radio holds them: up to eight symbols of 4 bits each in a
// 32-bit number, the first symbol in the highest nibble in use. Two digit
// tables are in use: the ID code's and the autodial memories', which differ
// for "0" and "*".
//
//   symbol  1..9  0   *   #   A   B   C   D
//   ID      1..9  11  10  12  13  14  15  0
//   dial    1..9  10  11  12  13  14  15  0
//
// The number alone cannot tell leading "D"s (code 0), so the radio keeps a
// digit count beside each value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tonvar::signalling {

// Each known symbol (upper case only) shifts the value left by 4 bits and adds
// its code; any other character is skipped. Only the last 8 symbols survive.
std::uint32_t EncodeIdCode(const std::string &text);
std::uint32_t EncodeAutodial(const std::string &text);
// The ID code or an autodial memory as the radio can keep it: at most 8 of
// its symbols. Throws text::Failure naming `where` otherwise (the encoders
// would drop the other characters silently).
void CheckIdCode(const std::string &text, const std::string &where);
void CheckAutodial(const std::string &text, const std::string &where);

// The `count` lowest nibbles as symbols, highest first; nothing for a value of
// 0 or a count of 0.
std::optional<std::string> DecodeIdCode(std::uint32_t value, int count);
std::optional<std::string> DecodeAutodial(std::uint32_t value, int count);

// The text that encodes back to exactly `value` with `count` as its digit
// count: `count` symbols, "D" for each 0 nibble at the front; "" for no value
// and no count; nothing where no text can (a value without a count, or with
// digits beyond its count).
std::optional<std::string> ExactIdCode(std::uint32_t value, int count);
std::optional<std::string> ExactAutodial(std::uint32_t value, int count);
// An autodial value kept without a count (memories 9 to 16): its symbols
// from the highest nibble that is not 0; "" for 0.
std::string AutodialWithoutCount(std::uint32_t value);

// The group code byte: the autodial table's codes for A, B, C, D, * and #,
// and 0xFF for "Off".
std::optional<std::uint8_t> GroupCodeByte(const std::string &text);
std::optional<std::string> GroupCodeText(std::uint8_t byte);

} // namespace tonvar::signalling
