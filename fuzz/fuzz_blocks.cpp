// SPDX-License-Identifier: GPL-3.0-or-later
// Every block decoder on an arbitrary received frame: the channel and
// settings blocks, the four signalling windows' blocks, and the codes inside
// them. A decoder writes only what the frame names; what it shows and can be
// written back reads back the same; and the signalling areas' texts, read,
// give back every byte they were read from.
#include "Fuzz.h"

#include "memory/ChannelBlock.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/Frames.h"
#include "signalling/DtmfBlocks.h"
#include "signalling/DtmfCodec.h"
#include "signalling/FiveToneBlocks.h"
#include "signalling/FleetSyncBlocks.h"
#include "signalling/ToneCodecs.h"
#include "signalling/TwoToneBlocks.h"
#include "text/Convert.h"

#include <algorithm>
#include <array>
#include <string>

using namespace tonvar;
using fuzz::Check;

namespace {

using protocol::ByteBuffer;
using NamedTextRef = signalling::NamedText;

void ChannelBlock(const ByteBuffer &in)
{
    memory::ChannelTable table;
    const memory::ChannelTable before = table;
    const int block = protocol::FrameBlock(in);
    const memory::Payload payload = protocol::PayloadOf(in);
    const bool decoded = memory::DecodeChannelBlock(block, payload, table);
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
    memory::Payload out = payload;
    try {
        memory::EncodeChannelBlock(table.Row(block), out);
    } catch (const text::ConversionError &) {
        return;
    }
    memory::ChannelTable again = before;
    memory::DecodeChannelBlock(block, out, again);
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
    memory::DecodeSettingsBlock(protocol::PayloadOf(in), texts);
    memory::Payload out = protocol::PayloadOf(in);
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

// The signalling areas: the payload read as every block of each area; the
// texts read give every byte back when written over the same bytes, and
// texts that held something before are all set by the read. Written over
// other bytes, a text that does not convert or that the radio cannot hold
// is refused, nothing worse.
template <typename Texts, typename Area, typename Decode, typename Encode, typename Fields, typename Held>
void SignallingArea(const memory::Payload &in, Decode &&decode, Encode &&encode, Fields &&fields, Held &&held)
{
    Area area{};
    for (std::size_t b = 0; b < area.size(); ++b) {
        area[b] = in;
        area[b][b % memory::kPayloadLength] ^= static_cast<std::uint8_t>(b); // blocks a little apart
    }
    Texts texts{};
    decode(area, texts);
    Texts old{};
    for (const NamedTextRef &f : fields(old))
        *f.text = "old";
    decode(area, old);
    Check(old == texts, "a read kept a text from before");
    Area out = area;
    encode(texts, out);
    Check(out == area, "the texts read do not give the bytes back");
    Area zeros{};
    try {
        held(texts, zeros, nullptr);
        encode(texts, zeros);
    } catch (const text::Failure &) {
    }
}

void Signalling(const ByteBuffer &frame)
{
    using namespace signalling;
    const memory::Payload in = protocol::PayloadOf(frame);
    SignallingArea<DtmfTexts, DtmfArea>(in, DecodeDtmfArea, EncodeDtmfArea, DtmfFields, CheckDtmfHeld);
    SignallingArea<TwoToneTexts, TwoToneArea>(in, DecodeTwoToneArea, EncodeTwoToneArea, TwoToneFields,
                                              CheckTwoToneHeld);
    SignallingArea<FiveToneTexts, FiveToneArea>(in, DecodeFiveToneArea, EncodeFiveToneArea, FiveToneFields,
                                                CheckFiveToneHeld);
    SignallingArea<FleetSyncTexts, FleetSyncArea>(in, DecodeFleetSyncArea, EncodeFleetSyncArea, FleetSyncFields,
                                                  CheckFleetSyncHeld);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ByteBuffer in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());

    ChannelBlock(in);
    SettingsBlock(in);
    Codes(in);

    Signalling(in);
    return 0;
}
