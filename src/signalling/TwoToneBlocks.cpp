// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/TwoToneBlocks.h"

#include "signalling/ToneCodecs.h"
#include "text/Convert.h"

namespace tonvar::signalling {

using memory::Low16;
using memory::Low8;
using memory::Payload;
using namespace twotone_offsets;

namespace {

constexpr int kFirstDecodeBlock = 3;
constexpr int kMemoriesPerBlock = 7;

std::string NumberOrEmpty(std::uint16_t v)
{
    return v == 0 ? std::string() : std::to_string(v);
}

std::uint32_t NumberOrZero(const std::string &text)
{
    return text.empty() ? 0u : Low16(text::StrToInt(text));
}

// A tone pair as its letters where both nibbles are A to D, else as the
// byte's two hexadecimal digits (which EncodeTonePair reads back).
std::string PairText(std::uint8_t code)
{
    const std::string letters = DecodeTonePair(code);
    return letters.size() == 2 ? letters : HexByte(code);
}

std::uint8_t ModeByte(const std::string &text)
{
    for (std::size_t m = 0; m < ResponseModeNames().size(); ++m)
        if (ResponseModeNames()[m] == text)
            return static_cast<std::uint8_t>(m);
    return RawByte(text).value_or(0);
}

// The encode memory slot `k` of block 1 or 2 carries, from 1; 0 past 16.
int EncodeMemory(int block, int k)
{
    const int memory = kMemoriesPerBlock * (block - 1) + 3 + k;
    return memory <= kTwoToneRows ? memory : 0;
}

} // namespace

const std::vector<std::string> &TonePairNames()
{
    static const std::vector<std::string> names{"AB", "AC", "AD", "BA", "BC", "BD", "CA", "CB", "CD", "DA", "DC", "DB"};
    return names;
}

const std::vector<std::string> &ResponseModeNames()
{
    static const std::vector<std::string> names{"NONE", "REMIND", "REPLY", "REMIND+REPLY"};
    return names;
}

void DecodeTwoToneBlock(int block, const Payload &in, TwoToneTexts &texts)
{
    if (block == 0) {
        std::size_t at = kTones;
        for (std::string *text : {&texts.toneA, &texts.toneB, &texts.toneC, &texts.toneD, &texts.restTime,
                                  &texts.firstTime, &texts.secondTime, &texts.interval}) {
            *text = std::to_string(memory::Get16(in, at));
            at += 2;
        }
        for (std::size_t m = 0; m < 2; ++m) {
            texts.first[m] = NumberOrEmpty(memory::Get16(in, kFirstMemories + 4 * m));
            texts.second[m] = NumberOrEmpty(memory::Get16(in, kFirstMemories + 2 + 4 * m));
        }
    } else if (block < kFirstDecodeBlock) {
        for (int k = 0; k < kMemoriesPerBlock; ++k) {
            const int memory = EncodeMemory(block, k);
            if (memory == 0)
                continue;
            const auto at = static_cast<std::size_t>(4 * k);
            texts.first[static_cast<std::size_t>(memory - 1)] = NumberOrEmpty(memory::Get16(in, at));
            texts.second[static_cast<std::size_t>(memory - 1)] = NumberOrEmpty(memory::Get16(in, at + 2));
        }
    } else {
        const int firstRow = 2 * (block - kFirstDecodeBlock) + 1;
        for (std::size_t half = 0; half < 2; ++half) {
            const int row = firstRow + static_cast<int>(half);
            if (row > kTwoToneRows)
                continue;
            for (int j = 0; j < 4; ++j) {
                const std::size_t at = kDecodeRows[half] + static_cast<std::size_t>(3 * j);
                const std::uint8_t code = in[at];
                std::string &pair = texts.Decode(row, 3 * j + 1);
                std::string &mode = texts.Decode(row, 3 * j + 2);
                std::string &prompt = texts.Decode(row, 3 * j + 3);
                if (code == 0) {
                    pair.clear(); // an entry not in use
                    mode.clear();
                    prompt.clear();
                    continue;
                }
                pair = PairText(code);
                mode = in[at + 1] < ResponseModeNames().size() ? ResponseModeNames()[in[at + 1]]
                                                               : std::to_string(in[at + 1]);
                prompt = std::to_string(in[at + 2]);
            }
        }
    }
}

void EncodeTwoToneBlock(int block, const TwoToneTexts &texts, Payload &f)
{
    if (block == 0) {
        // The tones are real numbers that must come out whole.
        std::size_t at = kTones;
        for (const std::string *tone : {&texts.toneA, &texts.toneB, &texts.toneC, &texts.toneD}) {
            memory::Put16(f, at, Low16(text::ShortestToInt(text::StrToFloat(*tone))));
            at += 2;
        }
        for (const std::string *number : {&texts.restTime, &texts.firstTime, &texts.secondTime, &texts.interval}) {
            memory::Put16(f, at, Low16(text::StrToInt(*number)));
            at += 2;
        }
        for (std::size_t m = 0; m < 2; ++m) {
            memory::Put16(f, kFirstMemories + 4 * m, NumberOrZero(texts.first[m]));
            memory::Put16(f, kFirstMemories + 2 + 4 * m, NumberOrZero(texts.second[m]));
        }
        return;
    }
    if (block < kFirstDecodeBlock) {
        for (int k = 0; k < kMemoriesPerBlock; ++k) {
            const int memory = EncodeMemory(block, k);
            if (memory == 0)
                continue;
            const auto at = static_cast<std::size_t>(4 * k);
            memory::Put16(f, at, NumberOrZero(texts.first[static_cast<std::size_t>(memory - 1)]));
            memory::Put16(f, at + 2, NumberOrZero(texts.second[static_cast<std::size_t>(memory - 1)]));
        }
        return;
    }
    const int firstRow = 2 * (block - kFirstDecodeBlock) + 1;
    for (std::size_t half = 0; half < 2; ++half) {
        const int row = firstRow + static_cast<int>(half);
        if (row > kTwoToneRows)
            continue;
        if (texts.Decode(row, 1).empty()) {
            // A row not in use keeps its bytes but its first code, which
            // says it is not in use (a read shows it so only for a code 0).
            f[kDecodeRows[half]] = 0;
            continue;
        }
        for (int j = 0; j < 4; ++j) {
            const std::size_t at = kDecodeRows[half] + static_cast<std::size_t>(3 * j);
            const std::string &pair = texts.Decode(row, 3 * j + 1);
            const std::string &mode = texts.Decode(row, 3 * j + 2);
            const std::string &prompt = texts.Decode(row, 3 * j + 3);
            // An entry not in use as it was keeps the bytes the radio holds
            // there; one that was in use is cleared.
            const bool keep = pair.empty() && f[at] == 0;
            f[at] = pair.empty() ? std::uint8_t{0} : EncodeTonePair(pair);
            if (!mode.empty())
                f[at + 1] = ModeByte(mode);
            else if (!keep)
                f[at + 1] = 0;
            if (!prompt.empty() || !pair.empty())
                f[at + 2] = Low8(text::StrToInt(prompt));
            else if (!keep)
                f[at + 2] = 0;
        }
    }
}

void FillNewEntries(const TwoToneTexts &before, TwoToneTexts &after)
{
    for (int r = 1; r <= kTwoToneRows; ++r)
        for (int j = 0; j < 4; ++j) {
            if (!before.Decode(r, 3 * j + 1).empty() || after.Decode(r, 3 * j + 1).empty())
                continue;
            if (after.Decode(r, 3 * j + 2).empty())
                after.Decode(r, 3 * j + 2) = ResponseModeNames().front();
            if (after.Decode(r, 3 * j + 3).empty())
                after.Decode(r, 3 * j + 3) = "1";
        }
}

void DecodeTwoToneArea(const TwoToneArea &area, TwoToneTexts &texts)
{
    DecodeEachBlock(area, texts, DecodeTwoToneBlock);
}

void EncodeTwoToneArea(const TwoToneTexts &texts, TwoToneArea &area)
{
    EncodeEachBlock(texts, area, EncodeTwoToneBlock);
}

std::vector<NamedText> TwoToneFields(TwoToneTexts &t)
{
    const std::string word = "0 to 65535";
    const std::string frequency = "1 to 65535, or empty for none";
    std::vector<NamedText> fields{{"2TONE, Atone(hz)", &t.toneA, {}, word, {}},
                                  {"2TONE, Btone(hz)", &t.toneB, {}, word, {}},
                                  {"2TONE, Ctone(hz)", &t.toneC, {}, word, {}},
                                  {"2TONE, Dtone(hz)", &t.toneD, {}, word, {}},
                                  {"2TONE, Rest Time(ms)", &t.restTime, {}, word, {}},
                                  {"2TONE, First Frequency Time(ms)", &t.firstTime, {}, word, {}},
                                  {"2TONE, Second Frequency Time(ms)", &t.secondTime, {}, word, {}},
                                  {"2TONE, Interval Between Two Frequency (ms)", &t.interval, {}, word, {}}};
    for (int r = 1; r <= kTwoToneRows; ++r) {
        const std::string row = "2TONE, Encode row " + std::to_string(r);
        fields.push_back({row + ", First Frequency(hz)", &t.first[static_cast<std::size_t>(r - 1)], {}, frequency, {}});
        fields.push_back(
            {row + ", Second Frequency(hz)", &t.second[static_cast<std::size_t>(r - 1)], {}, frequency, {}});
    }
    for (int r = 1; r <= kTwoToneRows; ++r) {
        const std::string row = "2TONE, Decode row " + std::to_string(r);
        const bool unused = t.Decode(r, 1).empty();
        for (int j = 0; j < 4; ++j) {
            const std::string n = std::to_string(j + 1);
            std::string unkept;
            if (unused && j > 0)
                unkept = "The radio keeps none of decode row " + std::to_string(r) + " while its Decode1 is empty.";
            const std::string entry =
                unused ? "The radio keeps none of decode row " + std::to_string(r) + " while its Decode1 is empty."
                : t.Decode(r, 3 * j + 1).empty()
                    ? "The radio keeps no response mode or prompt in decode row " + std::to_string(r) +
                          " while its Decode" + n + " is empty."
                    : std::string();
            fields.push_back({row + ", Decode" + n, &t.Decode(r, 3 * j + 1), TonePairNames(), {}, unkept});
            fields.push_back({row + ", Response Mode " + n, &t.Decode(r, 3 * j + 2), ResponseModeNames(), {}, entry});
            fields.push_back({row + ", Prompt " + n, &t.Decode(r, 3 * j + 3), {}, "0 to 255", entry});
        }
    }
    return fields;
}

void CheckTwoToneHeld(const TwoToneTexts &texts, const TwoToneArea &base, const std::vector<bool> *only)
{
    CheckHeldOver(texts, base, TwoToneFields, EncodeTwoToneArea, DecodeTwoToneArea, only);
}

} // namespace tonvar::signalling
