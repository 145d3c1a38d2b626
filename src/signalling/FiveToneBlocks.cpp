// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FiveToneBlocks.h"

#include "signalling/ToneCodecs.h"
#include "text/Convert.h"

namespace tonvar::signalling {

using memory::Low8;
using memory::Payload;
using namespace fivetone_offsets;

namespace {

constexpr int kFirstDecodeBlock = 9;

std::string Code(const Payload &in, std::size_t at)
{
    if (in[at] == 0 && in[at + 1] == 0 && in[at + 2] == 0)
        return {};
    if (in[at + 2] >> 4)
        return HexByte(in[at + 2]) + HexByte(in[at + 1]) + HexByte(in[at]);
    return Decode5ToneCode(in[at], in[at + 1], in[at + 2]);
}

void PutCode(Payload &f, std::size_t at, const std::string &text)
{
    const auto bytes = text.empty() ? std::array<std::uint8_t, 3>{} : Encode5ToneCode(text);
    for (std::size_t i = 0; i < 3; ++i)
        f[at + i] = bytes[i];
}

// A standard: its name, empty for 0, else its number.
std::string StandardText(unsigned value)
{
    if (value == 0)
        return {};
    return DecodeStandard(value).value_or(std::to_string(value));
}

std::uint8_t StandardByte(const std::string &text, unsigned most)
{
    if (const std::uint8_t s = EncodeStandard(text))
        return s;
    return RawByte(text, most).value_or(0);
}

std::string FunctionText(unsigned code, bool unused)
{
    if (code == 0 && unused)
        return {};
    return code < FunctionNames().size() ? FunctionNames()[code] : std::to_string(code);
}

std::uint8_t FunctionNibble(const std::string &text)
{
    if (const std::uint8_t f = EncodeFunction(text))
        return f;
    return RawByte(text, 15).value_or(0);
}

// A group or duplication code: one hexadecimal digit, two above F.
std::string DigitText(std::uint8_t byte)
{
    return byte < 16 ? std::string(1, HexDigit(byte)) : HexByte(byte);
}

// The two table rows block `block` (1..16) holds, at kRecords[0] and [1]:
// `encodeRow(row, at)` in blocks 1..8 (encode rows 1..16), `decodeRow(row,
// at)` in the others (decode rows; none past the table).
template <typename EncodeRow, typename DecodeRow>
void ForEachRecord(int block, EncodeRow &&encodeRow, DecodeRow &&decodeRow)
{
    for (std::size_t half = 0; half < 2; ++half) {
        const std::size_t at = kRecords[half];
        if (block < kFirstDecodeBlock)
            encodeRow(2 * block - 1 + static_cast<int>(half), at);
        else if (const int row = 2 * block - 17 + static_cast<int>(half); row <= kFiveToneRows)
            decodeRow(row, at);
    }
}

std::size_t StandardAt(int s)
{
    return kStandardsFirst + static_cast<std::size_t>(3 * (s - 1));
}

} // namespace

void DecodeFiveToneBlock(int block, const Payload &in, FiveToneTexts &texts)
{
    if (block == 0) {
        for (int s = 1; s <= kStandards; ++s) {
            const std::size_t at = StandardAt(s);
            texts.Standard(s, 1) = std::to_string(in[at]);
            texts.Standard(s, 2) = DigitText(in[at + 1]);
            texts.Standard(s, 3) = DigitText(in[at + 2]);
        }
        std::size_t at = kDelays;
        for (std::string *delay :
             {&texts.firstFrameDelay, &texts.secondFrameDelay, &texts.thirdFrameDelay, &texts.firstToneExtension})
            *delay = std::to_string(in[at++] * 10);
        return;
    }
    ForEachRecord(
        block,
        [&](int row, std::size_t b) {
            for (int c = 1; c <= 4; ++c)
                texts.Encode(row, c) = Code(in, b + static_cast<std::size_t>(3 * (c - 1)));
            texts.Encode(row, 5) = StandardText(in[b + 12]);
        },
        [&](int row, std::size_t b) {
            const bool unused = (in[b] & 0xFu) == 0;
            texts.Decode(row, 1) = StandardText(in[b] & 0xFu);
            texts.Decode(row, 2) = Code(in, b + 1);
            texts.Decode(row, 3) = FunctionText(in[b] >> 4, unused);
            texts.Decode(row, 4) = Code(in, b + 4);
            texts.Decode(row, 5) = FunctionText(in[b + 7] & 0xFu, unused);
            texts.Decode(row, 6) = Code(in, b + 8);
            texts.Decode(row, 7) = FunctionText(in[b + 7] >> 4, unused);
            texts.Decode(row, 8) = Code(in, b + 11);
        });
}

void EncodeFiveToneBlock(int block, const FiveToneTexts &texts, Payload &f)
{
    if (block == 0) {
        for (int s = 1; s <= kStandards; ++s) {
            const std::size_t at = StandardAt(s);
            f[at] = Low8(text::StrToInt(texts.Standard(s, 1)));
            f[at + 1] = Low8(text::HexToInt(texts.Standard(s, 2)));
            f[at + 2] = Low8(text::HexToInt(texts.Standard(s, 3)));
        }
        std::size_t at = kDelays;
        for (const std::string *delay :
             {&texts.firstFrameDelay, &texts.secondFrameDelay, &texts.thirdFrameDelay, &texts.firstToneExtension})
            f[at++] = Low8(WholeUnits(*delay, 10));
        return;
    }
    ForEachRecord(
        block,
        [&](int row, std::size_t b) {
            for (int c = 1; c <= 4; ++c)
                PutCode(f, b + static_cast<std::size_t>(3 * (c - 1)), texts.Encode(row, c));
            f[b + 12] = StandardByte(texts.Encode(row, 5), 255);
        },
        [&](int row, std::size_t b) {
            f[b] = static_cast<std::uint8_t>(StandardByte(texts.Decode(row, 1), 15) +
                                             16 * FunctionNibble(texts.Decode(row, 3)));
            PutCode(f, b + 1, texts.Decode(row, 2));
            PutCode(f, b + 4, texts.Decode(row, 4));
            f[b + 7] = static_cast<std::uint8_t>(FunctionNibble(texts.Decode(row, 5)) +
                                                 16 * FunctionNibble(texts.Decode(row, 7)));
            PutCode(f, b + 8, texts.Decode(row, 6));
            PutCode(f, b + 11, texts.Decode(row, 8));
        });
}

void DecodeFiveToneArea(const FiveToneArea &area, FiveToneTexts &texts)
{
    DecodeEachBlock(area, texts, DecodeFiveToneBlock);
}

void EncodeFiveToneArea(const FiveToneTexts &texts, FiveToneArea &area)
{
    EncodeEachBlock(texts, area, EncodeFiveToneBlock);
}

std::vector<NamedText> FiveToneFields(FiveToneTexts &t)
{
    const std::string code = "up to 6 hexadecimal digits, or empty for none";
    const std::string times = "0 to 2550 in steps of 10";
    std::vector<NamedText> fields;
    for (int s = 1; s <= kStandards; ++s) {
        const std::string row = "5TONE, Standard row " + std::to_string(s);
        fields.push_back({row + ", TX Time(ms)", &t.Standard(s, 1), {}, "0 to 255", {}});
        fields.push_back({row + ", Group Code", &t.Standard(s, 2), {}, "0 to F", {}});
        fields.push_back({row + ", Duplication Code", &t.Standard(s, 3), {}, "0 to F", {}});
    }
    fields.push_back({"5TONE, Sending First Frame Coding Delay Time(ms)", &t.firstFrameDelay, {}, times, {}});
    fields.push_back({"5TONE, Sending Second Frame Coding Delay Time(ms)", &t.secondFrameDelay, {}, times, {}});
    fields.push_back({"5TONE, Sending Third Frame Coding Delay Time(ms)", &t.thirdFrameDelay, {}, times, {}});
    fields.push_back(
        {"5TONE, Extended Duration of The First Tone of Each Group", &t.firstToneExtension, {}, times, {}});
    static const std::array<const char *, kEncodeColumns> encode{
        "First Frame Coding", "Second Frame Coding", "Third Frame Coding", "Confirmation Code", "Use Standard"};
    static const std::array<const char *, kDecodeColumns> decode{
        "Use Standard", "First Frame Decoding", "Function 1", "Second Frame Decoding",
        "Function 2",   "Third Frame Decoding", "Function 3", "Response Code"};
    for (int r = 1; r <= kFiveToneRows; ++r)
        for (int c = 1; c <= kEncodeColumns; ++c)
            fields.push_back({"5TONE, Encode row " + std::to_string(r) + ", " + encode[static_cast<std::size_t>(c - 1)],
                              &t.Encode(r, c), c == 5 ? StandardNames() : std::vector<std::string>{},
                              c == 5 ? std::string() : code, {}});
    for (int r = 1; r <= kFiveToneRows; ++r)
        for (int c = 1; c <= kDecodeColumns; ++c) {
            const bool function = c == 3 || c == 5 || c == 7;
            fields.push_back({"5TONE, Decode row " + std::to_string(r) + ", " + decode[static_cast<std::size_t>(c - 1)],
                              &t.Decode(r, c),
                              c == 1     ? StandardNames()
                              : function ? FunctionNames()
                                         : std::vector<std::string>{},
                              c == 1 || function ? std::string() : code, {}});
        }
    return fields;
}

void CheckFiveToneHeld(const FiveToneTexts &texts, const FiveToneArea &base, const std::vector<bool> *only)
{
    CheckHeldOver(texts, base, FiveToneFields, EncodeFiveToneArea, DecodeFiveToneArea, only);
}

} // namespace tonvar::signalling
