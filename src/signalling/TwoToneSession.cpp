#include "signalling/TwoToneSession.h"

#include "signalling/ToneCodecs.h"
#include "text/Convert.h"

namespace tonvar::signalling {

using protocol::ByteBuffer;
using protocol::Low16;
using protocol::Low8;

namespace {

constexpr int kBlocks = 11;
constexpr int kLastBlock = kBlocks - 1;
constexpr int kFirstDecodeBlock = 3;

std::string NumberOrEmpty(std::uint16_t v)
{
    return v == 0 ? std::string() : std::to_string(v);
}

std::uint32_t NumberOrZero(const std::string &text)
{
    return text.empty() ? 0u : Low16(text::StrToInt(text));
}

// The encode memories a block of 1 or 2 carries, from 1; 0 past 16.
int EncodeMemory(int block, int k)
{
    const int memory = 7 * (block - 1) + 3 + k;
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

TwoToneSession::TwoToneSession(protocol::MainSession &main, protocol::Timer &timer1,
                               std::function<void(const std::string &)> showMessage)
    : SignallingLogic({protocol::kArea2Tone, true, true, true, false}, main, timer1, std::move(showMessage))
{
}

void TwoToneSession::rbtnClick()
{
    if (!MayStart())
        return;
    StartRead(kBlocks);
}

void TwoToneSession::BlockReceived()
{
    const ByteBuffer &in = Received();
    const int block = protocol::FrameBlock(in);
    // A block the area does not have was never asked for: the frame is
    // dropped, and the resend keeps asking for the one that is due.
    if (block > kLastBlock)
        return;
    if (block == 0) {
        for (auto [text, at] : {std::pair{&texts.ed1, 4},
                                {&texts.ed2, 6},
                                {&texts.ed3, 8},
                                {&texts.ed4, 10},
                                {&texts.ed5, 12},
                                {&texts.cb1, 14},
                                {&texts.cb2, 16},
                                {&texts.cb3, 18}})
            *text = std::to_string(protocol::Get16(in, static_cast<std::size_t>(at)));
        for (int m = 0; m < 2; ++m) {
            texts.first[static_cast<std::size_t>(m)] =
                NumberOrEmpty(protocol::Get16(in, static_cast<std::size_t>(24 + 4 * m)));
            texts.second[static_cast<std::size_t>(m)] =
                NumberOrEmpty(protocol::Get16(in, static_cast<std::size_t>(26 + 4 * m)));
        }
    } else if (block < kFirstDecodeBlock) {
        for (int k = 0; k < 7; ++k) {
            const int memory = EncodeMemory(block, k);
            if (memory == 0)
                continue;
            const auto at = static_cast<std::size_t>(4 + 4 * k);
            texts.first[static_cast<std::size_t>(memory - 1)] = NumberOrEmpty(protocol::Get16(in, at));
            texts.second[static_cast<std::size_t>(memory - 1)] = NumberOrEmpty(protocol::Get16(in, at + 2));
        }
    } else {
        const int firstRow = 2 * (block - kFirstDecodeBlock) + 1;
        for (int half = 0; half < 2; ++half) {
            const int row = firstRow + half;
            const std::size_t base = half == 0 ? 4 : 16;
            for (int j = 0; j < 4; ++j) {
                const std::size_t at = base + static_cast<std::size_t>(3 * j);
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
    progress.Advance();
    blockCounter = block + 1;
    if (blockCounter == kBlocks)
        EndRead();
    else
        RequestBlock(blockCounter);
}

void TwoToneSession::StartWriting()
{
    StartWriteResend(); // Timer1 runs for reads only
    StartWrite(kBlocks);
    BuildBlock([this] {
        ByteBuffer &f = Frame();
        // The tones are real numbers that must come out whole.
        std::size_t at = 4;
        for (const std::string *tone : {&texts.ed1, &texts.ed2, &texts.ed3, &texts.ed4}) {
            protocol::Put16(f, at, Low16(text::ShortestToInt(text::StrToFloat(*tone))));
            at += 2;
        }
        for (const std::string *number : {&texts.ed5, &texts.cb1, &texts.cb2, &texts.cb3}) {
            protocol::Put16(f, at, Low16(text::StrToInt(*number)));
            at += 2;
        }
        for (std::size_t m = 0; m < 2; ++m) {
            protocol::Put16(f, 24 + 4 * m, NumberOrZero(texts.first[m]));
            protocol::Put16(f, 26 + 4 * m, NumberOrZero(texts.second[m]));
        }
    });
    SendBlock();
}

void TwoToneSession::BlockAcknowledged()
{
    const int block = ++blockCounter;
    ClearFrame();
    protocol::PutFrameHeader(Frame(), protocol::kArea2Tone, static_cast<std::uint8_t>(block & 0xFF));
    BuildBlock([&] {
        ByteBuffer &f = Frame();
        if (block < kFirstDecodeBlock) {
            for (int k = 0; k < 7; ++k) {
                const int memory = EncodeMemory(block, k);
                if (memory == 0)
                    continue;
                const auto at = static_cast<std::size_t>(4 + 4 * k);
                protocol::Put16(f, at, NumberOrZero(texts.first[static_cast<std::size_t>(memory - 1)]));
                protocol::Put16(f, at + 2, NumberOrZero(texts.second[static_cast<std::size_t>(memory - 1)]));
            }
            return;
        }
        const int firstRow = 2 * (block - kFirstDecodeBlock) + 1;
        for (int half = 0; half < 2; ++half) {
            const int row = firstRow + half;
            if (row > kTwoToneRows || texts.Decode(row, 1).empty())
                continue; // an unused row stays 0
            const std::size_t base = half == 0 ? 4 : 16;
            for (int j = 0; j < 4; ++j) {
                const std::size_t at = base + static_cast<std::size_t>(3 * j);
                f[at] = EncodeTonePair(texts.Decode(row, 3 * j + 1));
                const std::string &mode = texts.Decode(row, 3 * j + 2);
                f[at + 1] = 0;
                for (std::size_t m = 0; m < ResponseModeNames().size(); ++m)
                    if (ResponseModeNames()[m] == mode)
                        f[at + 1] = static_cast<std::uint8_t>(m);
                f[at + 2] = Low8(text::StrToInt(texts.Decode(row, 3 * j + 3)));
            }
        }
    });
    SendBlock();
    BlockSent(block, kLastBlock);
}

void TwoToneSession::xg2SetEditText(int row, int column)
{
    if (row < 1 || row > kTwoToneRows || column < 1 || column > kTwoToneDecodeColumns)
        return;
    if (texts.Decode(row, 1).empty()) {
        texts.Decode(row, column).clear(); // nothing before the first tone pair
        return;
    }
    if (column != 1)
        return;
    for (int c = 2; c <= kTwoToneDecodeColumns; ++c)
        texts.Decode(row, c) = c % 3 == 2 ? "NONE" : c % 3 == 0 ? "1" : "AB";
}

} // namespace tonvar::signalling
