// Every block decoder on an arbitrary received frame: the channel and
// settings blocks, the four signalling windows' blocks, and the codes inside
// them. A decoder writes only what the frame names; what it shows and can be
// written back reads back the same; and the signalling windows then write
// what they read, block by block, into the frame buffer.
#include "Fuzz.h"
#include "FuzzFakes.h"

#include "memory/ChannelBlock.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/MainSession.h"
#include "signalling/DtmfCodec.h"
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/ToneCodecs.h"
#include "signalling/TwoToneSession.h"
#include "text/Convert.h"

#include <algorithm>
#include <array>
#include <string>

using namespace tonvar;
using fuzz::Check;

namespace {

using protocol::ByteBuffer;

void ChannelBlock(const ByteBuffer &in)
{
    memory::ChannelTable table;
    const memory::ChannelTable before = table;
    const int block = protocol::FrameBlock(in);
    const bool decoded = memory::DecodeChannelBlock(in, table);
    Check(decoded == (block >= 1 && block <= memory::kChannelCount), "a channel block decoded for no channel");
    for (int r = 0; r < table.RowCount(); ++r) {
        Check(table.Cell(r, memory::kColChannel) == before.Cell(r, memory::kColChannel), "a decoder wrote column 0");
        if (r != block)
            Check(table.Row(r) == before.Row(r), "a channel block wrote another row");
    }
    if (!decoded)
        return;
    // Written back, a channel as read reads again as it showed. Bytes the
    // encoder leaves alone keep the received ones, as in a real write.
    ByteBuffer out = in;
    try {
        memory::EncodeChannelBlock(table.Row(block), out);
    } catch (const text::ConversionError &) {
        return;
    }
    memory::ChannelTable again = before;
    memory::DecodeChannelBlock(out, again);
    // A transmit frequency of a few hertz shows as 0.00000 and is written
    // as 0, which means none.
    memory::ChannelRow shown = table.Row(block);
    if (shown[memory::kColTxFreq] == "0.00000")
        shown[memory::kColTxFreq].clear();
    Check(again.Row(block) == shown, "a channel read, written and read again changed");
}

void SettingsBlock(const ByteBuffer &in)
{
    memory::SettingsTexts texts = memory::DefaultSettingsTexts();
    memory::DecodeSettingsBlock(in, texts);
    ByteBuffer out = in;
    memory::EncodeSettingsBlock(texts, out); // every decoded text is one the encoder takes
    memory::SettingsTexts again;
    memory::DecodeSettingsBlock(out, again);
    Check(again == texts, "the settings read, written and read again changed");
}

std::uint32_t LowNibbles(std::uint32_t value, int count)
{
    return count >= 8 ? value : value & ((1u << (4 * count)) - 1u);
}

void Codes(const ByteBuffer &in)
{
    using namespace signalling;
    std::string tone = "unchanged";
    const std::uint16_t toneCode = protocol::Get16(in, 12);
    if (memory::DecodeToneCode(toneCode, tone) && (toneCode >> 12 == 0 || (toneCode & 0x0FFFu) <= 999))
        Check(memory::EncodeToneCode(tone) == toneCode, "a tone code does not survive its text");

    const std::uint32_t value = protocol::Get32(in, 14);
    const int count = in[23];
    if (const auto id = DecodeIdCode(value, count)) {
        Check(id->size() == static_cast<std::size_t>(count), "an ID code has the wrong number of digits");
        Check(EncodeIdCode(*id) == LowNibbles(value, count), "an ID code does not survive its text");
    }
    if (const auto dial = DecodeAutodial(value, count))
        Check(EncodeAutodial(*dial) == LowNibbles(value, count), "an autodial memory does not survive its text");
    if (const auto group = GroupCodeText(in[18]))
        Check(GroupCodeByte(*group) == in[18], "a group code does not survive its text");

    const std::uint8_t pair = in[4];
    const std::string pairText = DecodeTonePair(pair);
    if (pairText.size() == 2)
        Check(EncodeTonePair(pairText) == pair, "a tone pair does not survive its text");

    const std::string code = Decode5ToneCode(in[5], in[6], in[7]);
    const auto bytes = Encode5ToneCode(code);
    Check(bytes[0] == in[5] && bytes[1] == in[6] && bytes[2] == (in[7] & 0xF),
          "a 5TONE code does not survive its text");
    Check(HexByte(in[8]).size() == 2, "a byte is not two hexadecimal digits");

    if (const auto standard = DecodeStandard(in[9]))
        Check(EncodeStandard(*standard) == in[9], "a standard does not survive its name");
    const unsigned function = in[10] & 0xFu;
    Check(EncodeFunction(DecodeFunction(function)) == (function < FunctionNames().size() ? function : 0u),
          "a function does not survive its name");
}

// The signalling windows: the frame arrives while each one reads, and then
// each writes what it has, one block per Ack.
struct Windows {
    fuzz::CheckedPort port;
    fuzz::FakeTimer tim1;
    std::array<fuzz::FakeTimer, 4> timer1;
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    protocol::MainSession main{port, tim1, table, settings, {}};
    signalling::DtmfSession dtmf{main, timer1[0], {}};
    signalling::TwoToneSession twoTone{main, timer1[1], {}};
    signalling::FiveToneSession fiveTone{main, timer1[2], {}};
    signalling::FleetSyncSession fleetSync{main, timer1[3], {}};

    Windows() { port.frame = &main.frame; }

    template <typename Session>
    void ReadAndWrite(Session &s, const ByteBuffer &in, int blocks)
    {
        s.rbtnClick();
        main.rx.copy = in;
        s.BlockReceived();
        Check(s.progress.position >= 0 && s.progress.position <= s.progress.maximum, "a progress bar left its range");
        s.Button3Click();
        try {
            s.wbtnClick();
            for (int b = 0; b < blocks && !s.wbtnEnabled; ++b)
                s.BlockAcknowledged();
        } catch (const text::Failure &) {
            // A text that does not convert, or that the radio cannot hold
            // (an ID code read with more than 8 symbols): refused, shown.
        }
        Check(s.progress.position >= 0 && s.progress.position <= s.progress.maximum, "a progress bar left its range");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ByteBuffer in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());

    ChannelBlock(in);
    SettingsBlock(in);
    Codes(in);

    Windows w;
    w.ReadAndWrite(w.dtmf, in, 4);
    w.ReadAndWrite(w.twoTone, in, 11);
    w.ReadAndWrite(w.fiveTone, in, 17);
    w.ReadAndWrite(w.fleetSync, in, 3);
    return 0;
}
