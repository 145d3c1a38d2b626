#include "signalling/DtmfSession.h"

#include "signalling/DtmfCodec.h"
#include "text/Convert.h"

#include <array>
#include <string_view>

namespace tonvar::signalling {

using protocol::ByteBuffer;

namespace {

constexpr int kReadProgressMaximum = 5;
constexpr int kWriteProgressMaximum = 4;
constexpr int kBlocks = 4;
constexpr std::uint8_t kOn = 0xFF;

constexpr std::array<std::string_view, 3> kCallAlert{"Off", "Normal", "Continuous"};
constexpr std::array<std::string_view, 3> kTranspond{"Off", "Alert", "ID Code"};

using protocol::Low8;

// A time in ms stored in units of `unit` ms: it must divide evenly.
std::uint8_t Units(const std::string &text, double unit)
{
    return Low8(text::ShortestToInt(text::StrToInt(text) / unit));
}

std::uint8_t ListIndex(const std::array<std::string_view, 3> &list, const std::string &text)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == text)
            return static_cast<std::uint8_t>(i);
    return 0;
}

void SetFromList(const std::array<std::string_view, 3> &list, std::uint8_t byte, std::string &text)
{
    if (byte < list.size())
        text = std::string(list[byte]);
}

} // namespace

DtmfSession::DtmfSession(protocol::MainSession &main, protocol::Timer &timer1,
                         std::function<void(const std::string &)> showMessage)
    : SignallingLogic({protocol::kAreaDtmf, true, false, true, true}, main, timer1, std::move(showMessage))
{
}

void DtmfSession::rbtnClick()
{
    if (!MayStart())
        return;
    StartRead(kReadProgressMaximum);
}

void DtmfSession::DecodeSettings(const ByteBuffer &in)
{
    texts.cb1 = std::to_string(in[4]);
    texts.cb2 = std::to_string(in[5] * 10);
    texts.cb3 = std::to_string(in[6] * 10);
    texts.cb4 = std::to_string(in[7] * 10);
    texts.cb5 = in[8] == 0 ? "D Code" : std::to_string(in[8] * 100);
    texts.CheckB1 = in[9] != 0;
    if (auto id = DecodeIdCode(protocol::Get32(in, 14), in[23]))
        texts.Edit1 = *id;
    if (auto group = GroupCodeText(in[18]))
        texts.cb6 = *group;
    texts.cb7 = std::to_string(in[19]);
    SetFromList(kCallAlert, in[20], texts.cb8);
    SetFromList(kTranspond, in[21], texts.cb9);
    texts.CheckB2 = in[22] != 0;
    for (std::size_t i = 0; i < digitCounts.size(); ++i)
        digitCounts[i] = in[23 + i];
}

void DtmfSession::BlockReceived()
{
    const ByteBuffer &in = Received();
    const int block = protocol::FrameBlock(in);
    if (block == 0) {
        DecodeSettings(in);
    } else {
        // Any other block number is an autodial block; memories past 16 do
        // not exist and are not touched.
        for (int k = 0; k < 6; ++k) {
            const int memory = 6 * (block - 1) + k + 1;
            if (memory > kAutodialMemories)
                break;
            std::string &cell = texts.autodial[static_cast<std::size_t>(memory - 1)];
            const std::uint32_t value = protocol::Get32(in, static_cast<std::size_t>(4 + 4 * k));
            const int count = memory <= 8 ? digitCounts[static_cast<std::size_t>(memory)] : 0;
            if (value == 0)
                cell.clear();
            else if (auto digits = DecodeAutodial(value, count))
                cell = *digits;
        }
    }
    progress.Advance();
    ++blockCounter;
    if (blockCounter == kBlocks)
        EndRead();
    else
        RequestBlock(blockCounter);
}

// In the order of the block's fields: a field that does not convert leaves
// the ones after it as they were.
void DtmfSession::BuildSettings()
{
    ByteBuffer &f = Frame();
    f[4] = Low8(text::StrToInt(texts.cb1));
    f[5] = Units(texts.cb2, 10);
    f[6] = Units(texts.cb3, 10);
    f[7] = Units(texts.cb4, 10);
    f[8] = texts.cb5 == "D Code" ? std::uint8_t{0} : Units(texts.cb5, 100);
    f[9] = texts.CheckB1 ? kOn : 0;
    protocol::Put32(f, 14, EncodeIdCode(texts.Edit1));
    f[18] = GroupCodeByte(texts.cb6).value_or(0);
    f[19] = Low8(text::StrToInt(texts.cb7));
    f[20] = ListIndex(kCallAlert, texts.cb8);
    f[21] = ListIndex(kTranspond, texts.cb9);
    f[22] = texts.CheckB2 ? kOn : 0;
    f[23] = static_cast<std::uint8_t>(texts.Edit1.size() & 0xFF);
    for (std::size_t m = 0; m < 8; ++m)
        f[24 + m] = static_cast<std::uint8_t>(texts.autodial[m].size() & 0xFF);
}

void DtmfSession::StartWriting()
{
    CheckIdCode(texts.Edit1, "DTMF, ID Code");
    for (std::size_t m = 0; m < texts.autodial.size(); ++m)
        CheckAutodial(texts.autodial[m], "DTMF, Autodial Memory " + std::to_string(m + 1));
    StartWriteResend();
    StartTimeout();
    StartWrite(kWriteProgressMaximum);
    BuildBlock([this] { BuildSettings(); });
    SendBlock();
}

void DtmfSession::BlockAcknowledged()
{
    const int block = ++blockCounter;
    ClearFrame();
    protocol::PutFrameHeader(Frame(), protocol::kAreaDtmf, static_cast<std::uint8_t>(block & 0xFF));
    for (int k = 0; k < 6; ++k) {
        const int memory = 6 * (block - 1) + k + 1;
        if (memory < 1 || memory > kAutodialMemories)
            continue; // no such memory: the slot stays 0
        const std::string &cell = texts.autodial[static_cast<std::size_t>(memory - 1)];
        if (!cell.empty())
            protocol::Put32(Frame(), static_cast<std::size_t>(4 + 4 * k), EncodeAutodial(cell));
    }
    SendBlock();
    BlockSent(block, kBlocks - 1);
}

void DtmfSession::xg2SetEditText(int row)
{
    if (row < 1 || row > kAutodialMemories)
        return;
    std::string &cell = texts.autodial[static_cast<std::size_t>(row - 1)];
    if (cell.size() > 8)
        cell.resize(8);
}

} // namespace tonvar::signalling
