#include "signalling/FiveToneSession.h"

#include "signalling/ToneCodecs.h"
#include "text/Convert.h"

namespace tonvar::signalling {

using protocol::ByteBuffer;
using protocol::Low8;

namespace {

constexpr int kBlocks = 17;
constexpr int kLastBlock = kBlocks - 1;
constexpr int kFirstDecodeBlock = 9;
constexpr std::size_t kRecordBases[2] = {4, 18};

std::string Code(const ByteBuffer &in, std::size_t at)
{
    return Decode5ToneCode(in[at], in[at + 1], in[at + 2]);
}

void PutCode(ByteBuffer &f, std::size_t at, const std::string &text)
{
    const auto bytes = Encode5ToneCode(text);
    for (std::size_t i = 0; i < 3; ++i)
        f[at + i] = bytes[i];
}

void SetStandard(std::string &cell, unsigned value)
{
    if (auto name = DecodeStandard(value))
        cell = *name;
}

} // namespace

FiveToneSession::FiveToneSession(protocol::MainSession &main, protocol::Timer &timer1,
                                 std::function<void(const std::string &)> showMessage)
    : SignallingLogic({protocol::kArea5Tone, true, true, false, false}, main, timer1, std::move(showMessage))
{
    CCIRChange();
}

void FiveToneSession::CCIRChange()
{
    if (const auto table = ToneTable(texts.CCIR))
        for (std::size_t d = 0; d < tones.size(); ++d)
            tones[d] = std::to_string((*table)[d]) + ".0";
}

void FiveToneSession::rbtnClick()
{
    if (!MayStart())
        return;
    StartRead(kLastBlock);
}

void FiveToneSession::BlockReceived()
{
    const ByteBuffer &in = Received();
    const int block = protocol::FrameBlock(in);
    // A block the area does not have names no row: the frame is dropped,
    // and the resend keeps asking for the one that is due.
    if (block > kLastBlock)
        return;
    if (block == 0) {
        for (int s = 1; s <= kStandards; ++s) {
            const auto at = static_cast<std::size_t>(3 * s + 1);
            texts.Standard(s, 1) = std::to_string(in[at]);
            texts.Standard(s, 2) = std::string(1, HexDigit(in[at + 1]));
            texts.Standard(s, 3) = std::string(1, HexDigit(in[at + 2]));
        }
        for (auto [delay, at] : {std::pair{&texts.cb1, 24}, {&texts.cb2, 25}, {&texts.cb3, 26}, {&texts.cb4, 27}})
            *delay = std::to_string(in[static_cast<std::size_t>(at)] * 10);
    } else if (block < kFirstDecodeBlock) {
        for (int half = 0; half < 2; ++half) {
            const int row = 2 * block - 1 + half;
            const std::size_t b = kRecordBases[half];
            for (int c = 1; c <= 4; ++c)
                texts.Encode(row, c) = Code(in, b + static_cast<std::size_t>(3 * (c - 1)));
            SetStandard(texts.Encode(row, 5), in[b + 12]);
        }
    } else {
        for (int half = 0; half < 2; ++half) {
            const int row = 2 * block - 17 + half;
            const std::size_t b = kRecordBases[half];
            SetStandard(texts.Decode(row, 1), in[b] & 0xFu);
            texts.Decode(row, 2) = Code(in, b + 1);
            texts.Decode(row, 3) = DecodeFunction(in[b] >> 4);
            texts.Decode(row, 4) = Code(in, b + 4);
            texts.Decode(row, 5) = DecodeFunction(in[b + 7] & 0xFu);
            texts.Decode(row, 6) = Code(in, b + 8);
            texts.Decode(row, 7) = DecodeFunction(in[b + 7] >> 4);
            texts.Decode(row, 8) = Code(in, b + 11);
        }
    }
    progress.Advance();
    blockCounter = block + 1;
    if (blockCounter == kBlocks)
        EndRead();
    else
        RequestBlock(blockCounter);
}

void FiveToneSession::StartWriting()
{
    StartWriteResend(); // Timer1 runs for reads only
    StartWrite(kBlocks);
    BuildBlock([this] {
        ByteBuffer &f = Frame();
        for (int s = 1; s <= kStandards; ++s) {
            const auto at = static_cast<std::size_t>(3 * s + 1);
            f[at] = Low8(text::StrToInt(texts.Standard(s, 1)));
            f[at + 1] = Low8(text::HexToInt(texts.Standard(s, 2)));
            f[at + 2] = Low8(text::HexToInt(texts.Standard(s, 3)));
        }
        std::size_t at = 24;
        for (const std::string *delay : {&texts.cb1, &texts.cb2, &texts.cb3, &texts.cb4})
            f[at++] = Low8(text::ShortestToInt(text::StrToInt(*delay) / 10.0));
    });
    SendBlock();
}

void FiveToneSession::BlockAcknowledged()
{
    const int block = ++blockCounter;
    // Only the header is renewed: what this block does not set keeps what
    // the previous message left, the encode records' spare bytes included.
    protocol::PutFrameHeader(Frame(), protocol::kArea5Tone, static_cast<std::uint8_t>(block & 0xFF));
    BuildBlock([&] {
        ByteBuffer &f = Frame();
        for (int half = 0; half < 2; ++half) {
            const std::size_t b = kRecordBases[half];
            if (block < kFirstDecodeBlock) {
                const int row = 2 * block - 1 + half;
                for (int c = 1; c <= 4; ++c)
                    PutCode(f, b + static_cast<std::size_t>(3 * (c - 1)), texts.Encode(row, c));
                f[b + 12] = EncodeStandard(texts.Encode(row, 5));
            } else {
                const int row = 2 * block - 17 + half;
                if (row > kFiveToneRows)
                    continue; // past the table: nothing to send
                f[b] = static_cast<std::uint8_t>(EncodeStandard(texts.Decode(row, 1)) +
                                                 16 * EncodeFunction(texts.Decode(row, 3)));
                PutCode(f, b + 1, texts.Decode(row, 2));
                PutCode(f, b + 4, texts.Decode(row, 4));
                f[b + 7] = static_cast<std::uint8_t>(EncodeFunction(texts.Decode(row, 5)) +
                                                     16 * EncodeFunction(texts.Decode(row, 7)));
                PutCode(f, b + 8, texts.Decode(row, 6));
                PutCode(f, b + 11, texts.Decode(row, 8));
            }
        }
    });
    SendBlock();
    BlockSent(block, kLastBlock);
}

void FiveToneSession::xg2SetEditText(int row, int column)
{
    if (row < 1 || row > kFiveToneRows || column < 1 || column > kEncodeColumns)
        return;
    if (texts.Encode(row, 1).empty()) {
        texts.Encode(row, column).clear(); // nothing before the first frame code
        return;
    }
    if (column == 1) {
        texts.Encode(row, 2) = "12345";
        texts.Encode(row, 3) = "45678";
        texts.Encode(row, 4) = "ABCDE";
        texts.Encode(row, 5) = "CCIR";
    }
}

void FiveToneSession::xg3SetEditText(int row, int column)
{
    if (row < 1 || row > kFiveToneRows || column < 1 || column > kDecodeColumns)
        return;
    if (texts.Decode(row, 1).empty()) {
        texts.Decode(row, column).clear(); // nothing before the standard
        return;
    }
    if (column == 1) {
        static const std::array<const char *, 7> defaults{"12345", "CALL",     "45678", "ASK",
                                                          "ABCDE", "BE ASKED", "56789"};
        for (int c = 2; c <= kDecodeColumns; ++c)
            texts.Decode(row, c) = defaults[static_cast<std::size_t>(c - 2)];
    }
}

} // namespace tonvar::signalling
