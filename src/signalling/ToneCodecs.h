// SPDX-License-Identifier: GPL-3.0-or-later
// Codes of the 2TONE and 5TONE areas.
//
// 2TONE tone pair: one byte, high nibble the first tone, low nibble the
// second, A..D as 0xA..0xD ("AB" is 0xAB); 0 is an unused entry.
//
// 5TONE code: up to six hexadecimal digits as a 24-bit number, least
// significant byte first ("12345" is 45 23 01); shown as five digits.
// Standards: 1 CCIR, 2 EIA, 3 EEA, 4 ZVEI1, 5 ZVEI2. Functions (4 bits):
// 0 CALL, 1 ASK, 2 BE ASKED, 3 MONITOR, 4 DETECTION, 5 BEEP, 6 REMOTE,
// 7 REMOTE HALO, 8 AWAKEN.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvar::signalling {

// The text read as hexadecimal, low 8 bits; throws "'$<text>' is not a valid
// integer value" for anything else.
std::uint8_t EncodeTonePair(const std::string &text);
// "A".."D" for each nibble that is one; other nibbles give no letter.
std::string DecodeTonePair(std::uint8_t code);

std::array<std::uint8_t, 3> Encode5ToneCode(const std::string &text);
std::string Decode5ToneCode(std::uint8_t first, std::uint8_t second, std::uint8_t third);
char HexDigit(std::uint8_t byte);
std::string HexByte(std::uint8_t byte);

const std::vector<std::string> &StandardNames();
const std::vector<std::string> &FunctionNames();
// 1..5 for a standard's name, 0 for any other text.
std::uint8_t EncodeStandard(const std::string &text);
std::optional<std::string> DecodeStandard(unsigned value);
// 1..8 for a function's name, 0 for "CALL" and any other text.
std::uint8_t EncodeFunction(const std::string &text);
std::string DecodeFunction(unsigned code);

// The tone frequencies (Hz) of the 16 digits of a standard, for display.
std::optional<std::array<int, 16>> ToneTable(const std::string &standard);

} // namespace tonvar::signalling
