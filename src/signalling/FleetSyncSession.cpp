#include "signalling/FleetSyncSession.h"

#include "text/Convert.h"

namespace tonvar::signalling {

using protocol::ByteBuffer;
using protocol::Low16;
using protocol::Low8;

namespace {

constexpr int kProgressMaximum = 4;
constexpr int kReadBlocks = 3;
constexpr int kWriteLastBlock = 2;
constexpr std::uint8_t kOn = 0xFF;
constexpr std::array<const char *, 2> kBaudRates{"1200", "2400"};

std::string NumberOrEmpty(std::uint16_t v)
{
    return v == 0 ? std::string() : std::to_string(v);
}

} // namespace

FleetSyncSession::FleetSyncSession(protocol::MainSession &main, protocol::Timer &timer1,
                                   std::function<void(const std::string &)> showMessage)
    : SignallingLogic({protocol::kAreaFleetSync, false, false, true, true}, main, timer1, std::move(showMessage))
{
}

void FleetSyncSession::rbtnClick()
{
    if (!MayStart())
        return;
    StartRead(kProgressMaximum);
}

// List entry `entry` (1..16) from the fleet and ID at `at` and `at` + 2;
// entries past 16 do not exist and are not touched.
void FleetSyncSession::DecodeEntry(int entry, std::size_t at)
{
    if (entry < 1 || entry > kFleetEntries)
        return;
    const ByteBuffer &in = Received();
    const auto i = static_cast<std::size_t>(entry - 1);
    texts.fleet[i] = NumberOrEmpty(protocol::Get16(in, at));
    texts.id[i] = NumberOrEmpty(protocol::Get16(in, at + 2));
}

void FleetSyncSession::BlockReceived()
{
    const ByteBuffer &in = Received();
    const int block = protocol::FrameBlock(in);
    if (block == 0) {
        texts.ed1 = std::to_string(protocol::Get16(in, 4));
        texts.ed2 = std::to_string(protocol::Get16(in, 6));
        // A baud byte that names no entry of the list leaves the choice as it is.
        const std::string baud = std::to_string(in[8] * 100);
        for (const char *rate : kBaudRates)
            if (baud == rate)
                texts.cb1 = rate;
        texts.ed3 = std::to_string(protocol::Get16(in, 9));
        texts.ed4 = std::to_string(in[11]);
        texts.CheckBox1 = in[12] == kOn;
        DecodeEntry(1, 24);
        DecodeEntry(2, 28);
    } else {
        for (int k = 0; k < 7; ++k)
            DecodeEntry(7 * (block - 1) + 3 + k, static_cast<std::size_t>(4 + 4 * k));
    }
    progress.Advance();
    ++blockCounter;
    if (blockCounter == kReadBlocks)
        EndRead();
    else
        RequestBlock(blockCounter);
}

// List entry `entry` to `at` (fleet) and `at` + 2 (ID); an empty cell, or an
// entry past 16, gives 0.
void FleetSyncSession::EncodeEntry(int entry, std::size_t at)
{
    std::uint32_t fleet = 0;
    std::uint32_t id = 0;
    if (entry >= 1 && entry <= kFleetEntries) {
        const auto i = static_cast<std::size_t>(entry - 1);
        if (!texts.fleet[i].empty())
            fleet = Low16(text::StrToInt(texts.fleet[i]));
        if (!texts.id[i].empty())
            id = Low16(text::StrToInt(texts.id[i]));
    }
    protocol::Put16(Frame(), at, fleet);
    protocol::Put16(Frame(), at + 2, id);
}

void FleetSyncSession::StartWriting()
{
    StartTimeout(); // not the resend: FleetSync writes are sent once
    StartWrite(kProgressMaximum);
    BuildBlock([this] {
        ByteBuffer &f = Frame();
        protocol::Put16(f, 4, Low16(text::StrToInt(texts.ed1)));
        protocol::Put16(f, 6, Low16(text::StrToInt(texts.ed2)));
        f[8] = Low8(text::ShortestToInt(text::StrToInt(texts.cb1) / 100.0));
        protocol::Put16(f, 9, Low16(text::StrToInt(texts.ed3)));
        f[11] = Low8(text::StrToInt(texts.ed4));
        f[12] = texts.CheckBox1 ? kOn : 0;
        EncodeEntry(1, 24);
        EncodeEntry(2, 28);
    });
    SendBlock();
}

void FleetSyncSession::BlockAcknowledged()
{
    const int block = ++blockCounter;
    protocol::PutFrameHeader(Frame(), protocol::kAreaFleetSync, static_cast<std::uint8_t>(block & 0xFF));
    BuildBlock([&] {
        for (int k = 0; k < 7; ++k)
            EncodeEntry(7 * (block - 1) + 3 + k, static_cast<std::size_t>(4 + 4 * k));
    });
    SendBlock();
    BlockSent(block, kWriteLastBlock);
}

} // namespace tonvar::signalling
