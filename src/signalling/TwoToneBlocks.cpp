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
        for (std::string *text :
             {&texts.ed1, &texts.ed2, &texts.ed3, &texts.ed4, &texts.ed5, &texts.cb1, &texts.cb2, &texts.cb3}) {
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
                if (code == 0) {
                    texts.Decode(row, 3 * j + 1).clear();
                    continue;
                }
                texts.Decode(row, 3 * j + 1) = DecodeTonePair(code);
                if (in[at + 1] < ResponseModeNames().size())
                    texts.Decode(row, 3 * j + 2) = ResponseModeNames()[in[at + 1]];
                texts.Decode(row, 3 * j + 3) = std::to_string(in[at + 2]);
            }
        }
    }
}

void EncodeTwoToneBlock(int block, const TwoToneTexts &texts, Payload &f)
{
    if (block == 0) {
        // The tones are real numbers that must come out whole.
        std::size_t at = kTones;
        for (const std::string *tone : {&texts.ed1, &texts.ed2, &texts.ed3, &texts.ed4}) {
            memory::Put16(f, at, Low16(text::ShortestToInt(text::StrToFloat(*tone))));
            at += 2;
        }
        for (const std::string *number : {&texts.ed5, &texts.cb1, &texts.cb2, &texts.cb3}) {
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
        if (row > kTwoToneRows || texts.Decode(row, 1).empty())
            continue; // an unused row stays as it is
        for (int j = 0; j < 4; ++j) {
            const std::size_t at = kDecodeRows[half] + static_cast<std::size_t>(3 * j);
            f[at] = EncodeTonePair(texts.Decode(row, 3 * j + 1));
            const std::string &mode = texts.Decode(row, 3 * j + 2);
            f[at + 1] = 0;
            for (std::size_t m = 0; m < ResponseModeNames().size(); ++m)
                if (ResponseModeNames()[m] == mode)
                    f[at + 1] = static_cast<std::uint8_t>(m);
            f[at + 2] = Low8(text::StrToInt(texts.Decode(row, 3 * j + 3)));
        }
    }
}

std::vector<NamedText> TwoToneFields(TwoToneTexts &t)
{
    std::vector<NamedText> fields{{"2TONE, Atone(hz)", &t.ed1, {}},
                                  {"2TONE, Btone(hz)", &t.ed2, {}},
                                  {"2TONE, Ctone(hz)", &t.ed3, {}},
                                  {"2TONE, Dtone(hz)", &t.ed4, {}},
                                  {"2TONE, Rest Time(ms)", &t.ed5, {}},
                                  {"2TONE, First Frequency Time(ms)", &t.cb1, {}},
                                  {"2TONE, Second Frequency Time(ms)", &t.cb2, {}},
                                  {"2TONE, Interval Between Two Frequency (ms)", &t.cb3, {}}};
    for (int r = 1; r <= kTwoToneRows; ++r) {
        const std::string row = "2TONE, Encode row " + std::to_string(r);
        fields.push_back({row + ", First Frequency(hz)", &t.first[static_cast<std::size_t>(r - 1)], {}});
        fields.push_back({row + ", Second Frequency(hz)", &t.second[static_cast<std::size_t>(r - 1)], {}});
    }
    for (int r = 1; r <= kTwoToneRows; ++r) {
        const std::string row = "2TONE, Decode row " + std::to_string(r);
        for (int j = 0; j < 4; ++j) {
            fields.push_back({row + ", Decode" + std::to_string(j + 1), &t.Decode(r, 3 * j + 1), TonePairNames()});
            fields.push_back({row + ", Response Mode", &t.Decode(r, 3 * j + 2), ResponseModeNames()});
            fields.push_back({row + ", Prompt", &t.Decode(r, 3 * j + 3), {}});
        }
    }
    return fields;
}

void CheckTwoToneHeld(const TwoToneTexts &texts)
{
    CheckBlockTextsHeld(texts, kTwoToneBlocks, TwoToneFields, EncodeTwoToneBlock, DecodeTwoToneBlock);
}

} // namespace tonvar::signalling
