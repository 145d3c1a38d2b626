// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/ToneCodecs.h"

#include "text/Convert.h"

namespace tonvar::signalling {

namespace {

std::uint32_t Bits(std::int32_t v)
{
    return static_cast<std::uint32_t>(v);
}

char ToneLetter(unsigned nibble)
{
    return nibble >= 0xA && nibble <= 0xD ? static_cast<char>('A' + (nibble - 0xA)) : '\0';
}

std::uint8_t IndexIn(const std::vector<std::string> &names, const std::string &text, std::uint8_t first)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == text)
            return static_cast<std::uint8_t>(i + first);
    return 0;
}

} // namespace

std::uint8_t EncodeTonePair(const std::string &text)
{
    return static_cast<std::uint8_t>(Bits(text::HexToInt(text)) & 0xFFu);
}

std::string DecodeTonePair(std::uint8_t code)
{
    std::string out;
    for (const char letter : {ToneLetter(code >> 4), ToneLetter(code & 0xFu)})
        if (letter)
            out += letter;
    return out;
}

std::array<std::uint8_t, 3> Encode5ToneCode(const std::string &text)
{
    const std::uint32_t v = Bits(text::HexToInt(text));
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
            static_cast<std::uint8_t>((v >> 16) & 0xFF)};
}

char HexDigit(std::uint8_t byte)
{
    return "0123456789ABCDEF"[byte & 0xF];
}

std::string HexByte(std::uint8_t byte)
{
    return {HexDigit(static_cast<std::uint8_t>(byte >> 4)), HexDigit(byte)};
}

std::string Decode5ToneCode(std::uint8_t first, std::uint8_t second, std::uint8_t third)
{
    return HexDigit(third) + HexByte(second) + HexByte(first);
}

const std::vector<std::string> &StandardNames()
{
    static const std::vector<std::string> names{"CCIR", "EIA", "EEA", "ZVEI1", "ZVEI2"};
    return names;
}

const std::vector<std::string> &FunctionNames()
{
    static const std::vector<std::string> names{"CALL", "ASK",    "BE ASKED",    "MONITOR", "DETECTION",
                                                "BEEP", "REMOTE", "REMOTE HALO", "AWAKEN"};
    return names;
}

std::uint8_t EncodeStandard(const std::string &text)
{
    return IndexIn(StandardNames(), text, 1);
}

std::optional<std::string> DecodeStandard(unsigned value)
{
    if (value >= 1 && value <= StandardNames().size())
        return StandardNames()[value - 1];
    return std::nullopt;
}

std::uint8_t EncodeFunction(const std::string &text)
{
    return IndexIn(FunctionNames(), text, 0);
}

std::string DecodeFunction(unsigned code)
{
    return code < FunctionNames().size() ? FunctionNames()[code] : FunctionNames()[0];
}

std::optional<std::array<int, 16>> ToneTable(const std::string &standard)
{
    static const std::array<std::array<int, 16>, 5> tables{{
        {1981, 1124, 1197, 1275, 1358, 1446, 1540, 1640, 1747, 1860, 2400, 930, 2247, 991, 2110, 1055},
        {600, 741, 882, 1023, 1164, 1305, 1446, 1587, 1728, 1869, 2151, 2433, 2010, 2292, 459, 1091},
        {1981, 1124, 1197, 1275, 1358, 1446, 1540, 1640, 1747, 1860, 1055, 930, 2400, 991, 2110, 2247},
        {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 2800, 810, 970, 885, 2600, 680},
        {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 885, 810, 740, 680, 970, 2600},
    }};
    const std::uint8_t code = EncodeStandard(standard);
    if (code == 0)
        return std::nullopt;
    return tables[code - 1];
}

} // namespace tonvar::signalling
