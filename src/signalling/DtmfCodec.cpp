// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/DtmfCodec.h"

#include "text/Convert.h"

#include <array>
#include <string_view>
#include <utility>

namespace tonvar::signalling {

namespace {

// The symbol of each 4-bit code.
constexpr std::string_view kIdSymbols = "D123456789*0#ABC";
constexpr std::string_view kDialSymbols = "D1234567890*#ABC";

std::uint32_t Encode(std::string_view symbols, const std::string &text)
{
    std::uint32_t value = 0;
    for (const char c : text) {
        const std::size_t code = symbols.find(c);
        if (code != std::string_view::npos)
            value = (value << 4) | static_cast<std::uint32_t>(code);
    }
    return value;
}

constexpr std::size_t kMostSymbols = 8;

void Check(std::string_view symbols, const std::string &text, const std::string &where)
{
    const bool known = text.find_first_not_of(symbols) == std::string::npos;
    if (known && text.size() <= kMostSymbols)
        return;
    std::string list;
    for (const char c : symbols)
        list += (list.empty() ? "" : " ") + std::string(1, c);
    throw text::Failure("The radio cannot hold '" + text + "': it keeps up to 8 of " + list + ".", where);
}

std::optional<std::string> Decode(std::string_view symbols, std::uint32_t value, int count)
{
    if (value == 0 || count <= 0)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(count), ' ');
    for (int i = 0; i < count; ++i) {
        const std::uint32_t nibble = i < 8 ? (value >> (4 * i)) & 0xFu : 0u;
        text[static_cast<std::size_t>(count - 1 - i)] = symbols[nibble];
    }
    return text;
}

std::optional<std::string> Exact(std::string_view symbols, std::uint32_t value, int count)
{
    if (count <= 0)
        return value == 0 ? std::optional<std::string>(std::string()) : std::nullopt;
    if (count < 8 && (value >> (4 * count)) != 0)
        return std::nullopt;
    if (value == 0)
        return std::string(static_cast<std::size_t>(count), symbols[0]);
    return Decode(symbols, value, count);
}

} // namespace

std::optional<std::string> ExactIdCode(std::uint32_t value, int count)
{
    return Exact(kIdSymbols, value, count);
}

std::optional<std::string> ExactAutodial(std::uint32_t value, int count)
{
    return Exact(kDialSymbols, value, count);
}

std::string AutodialWithoutCount(std::uint32_t value)
{
    int count = 0;
    for (std::uint32_t v = value; v != 0; v >>= 4)
        ++count;
    return Decode(kDialSymbols, value, count).value_or(std::string());
}

std::uint32_t EncodeIdCode(const std::string &text)
{
    return Encode(kIdSymbols, text);
}

std::uint32_t EncodeAutodial(const std::string &text)
{
    return Encode(kDialSymbols, text);
}

void CheckIdCode(const std::string &text, const std::string &where)
{
    Check(kIdSymbols, text, where);
}

void CheckAutodial(const std::string &text, const std::string &where)
{
    Check(kDialSymbols, text, where);
}

std::optional<std::string> DecodeIdCode(std::uint32_t value, int count)
{
    return Decode(kIdSymbols, value, count);
}

std::optional<std::string> DecodeAutodial(std::uint32_t value, int count)
{
    return Decode(kDialSymbols, value, count);
}

namespace {
// The group code's list, each with its byte.
constexpr std::array<std::pair<std::string_view, std::uint8_t>, 7> kGroupCodes{
    {{"Off", 0xFF}, {"A", 13}, {"B", 14}, {"C", 15}, {"D", 0}, {"*", 11}, {"#", 12}}};
} // namespace

std::optional<std::uint8_t> GroupCodeByte(const std::string &text)
{
    for (const auto &[name, byte] : kGroupCodes)
        if (name == text)
            return byte;
    return std::nullopt;
}

std::optional<std::string> GroupCodeText(std::uint8_t byte)
{
    for (const auto &[name, value] : kGroupCodes)
        if (value == byte)
            return std::string(name);
    return std::nullopt;
}

} // namespace tonvar::signalling
