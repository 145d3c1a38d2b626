// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/DtmfBlocks.h"

#include "signalling/DtmfCodec.h"
#include "text/Convert.h"

#include <string_view>

namespace tonvar::signalling {

using memory::kOn;
using memory::Low8;
using memory::Payload;
using namespace dtmf_offsets;

namespace {

constexpr int kMemoriesPerBlock = 6;
constexpr std::size_t kCountedMemories = 8;

constexpr std::array<std::string_view, 3> kCallAlertTexts{"Off", "Normal", "Continuous"};
constexpr std::array<std::string_view, 3> kTranspondTexts{"Off", "Alert", "ID Code"};

// A time in ms stored in units of `unit` ms: it must divide evenly.
std::uint8_t Units(const std::string &text, int unit)
{
    return Low8(WholeUnits(text, unit));
}

// A name's index in the list, the number a read shows for a byte no name
// stands for, and 0 for any other text.
std::uint8_t ListByte(const std::array<std::string_view, 3> &list, const std::string &text)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == text)
            return static_cast<std::uint8_t>(i);
    return RawByte(text).value_or(0);
}

std::string ListText(const std::array<std::string_view, 3> &list, std::uint8_t byte)
{
    return byte < list.size() ? std::string(list[byte]) : std::to_string(byte);
}

// A check box: on is any byte but 0, written 0xFF; a byte that already
// says the same stays.
std::uint8_t CheckByte(bool on, std::uint8_t held)
{
    if (on)
        return held != 0 ? held : kOn;
    return 0;
}

// Memory `k` (0..5) of autodial block `block`, from 1; 0 where there is none.
int Memory(int block, int k)
{
    const int memory = kMemoriesPerBlock * (block - 1) + k + 1;
    return memory >= 1 && memory <= kAutodialMemories ? memory : 0;
}

std::string DialText(int memory, std::uint32_t value, int count)
{
    if (memory > static_cast<int>(kCountedMemories))
        return AutodialWithoutCount(value);
    return ExactAutodial(value, count).value_or(std::string());
}

// What an empty memory writes over what the area held: the memory stays
// where the area held nothing a text shows, else it is cleared.
bool KeepEmptyMemory(int memory, const DtmfBase &base, std::uint32_t heldValue)
{
    if (!base.known)
        return false;
    if (memory > static_cast<int>(kCountedMemories))
        return heldValue == 0;
    return DialText(memory, heldValue, base.counts[static_cast<std::size_t>(memory)]).empty();
}

} // namespace

DtmfBase DtmfBaseOf(const DtmfArea &area)
{
    DtmfBase base;
    base.known = true;
    for (std::size_t i = 0; i < base.counts.size(); ++i)
        base.counts[i] = area[0][kDigitCounts + i];
    for (int block = 1; block < kDtmfBlocks; ++block)
        for (int k = 0; k < kMemoriesPerBlock; ++k) {
            const int memory = Memory(block, k);
            if (memory >= 1 && memory <= static_cast<int>(kCountedMemories))
                base.dial[static_cast<std::size_t>(memory - 1)] =
                    memory::Get32(area[static_cast<std::size_t>(block)], static_cast<std::size_t>(4 * k));
        }
    return base;
}

void DecodeDtmfBlock(int block, const Payload &in, DtmfTexts &texts, DtmfDigitCounts &counts)
{
    if (block == 0) {
        texts.speed = std::to_string(in[kSpeed]);
        texts.firstDigitTime = std::to_string(in[kFirstDigitTime] * 10);
        texts.firstDigitDelay = std::to_string(in[kFirstDigitDelay] * 10);
        texts.hashStarTime = std::to_string(in[kHashStarTime] * 10);
        texts.dCode = in[kDCode] == 0 ? "D Code" : std::to_string(in[kDCode] * 100);
        texts.sideTone = in[kSideTone] != 0;
        texts.idCode = ExactIdCode(memory::Get32(in, kIdCode), in[kDigitCounts]).value_or(std::string());
        texts.groupCode = GroupCodeText(in[kGroupCode]).value_or(std::to_string(in[kGroupCode]));
        texts.autoReset = in[kAutoReset] == 0 ? "Off" : std::to_string(in[kAutoReset]);
        texts.callAlert = ListText(kCallAlertTexts, in[kCallAlert]);
        texts.transpond = ListText(kTranspondTexts, in[kTranspond]);
        texts.clearToTranspond = in[kClearToTranspond] != 0;
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = in[kDigitCounts + i];
        return;
    }
    for (int k = 0; k < kMemoriesPerBlock; ++k) {
        const int memory = Memory(block, k);
        if (memory == 0)
            continue; // memories past 16 do not exist and are not touched
        const std::uint32_t value = memory::Get32(in, static_cast<std::size_t>(4 * k));
        const int count = memory <= 8 ? counts[static_cast<std::size_t>(memory)] : 0;
        texts.autodial[static_cast<std::size_t>(memory - 1)] = DialText(memory, value, count);
    }
}

void EncodeDtmfBlockOver(int block, const DtmfTexts &texts, Payload &f, const DtmfBase &base)
{
    if (block == 0) {
        f[kSpeed] = Low8(text::StrToInt(texts.speed));
        f[kFirstDigitTime] = Units(texts.firstDigitTime, 10);
        f[kFirstDigitDelay] = Units(texts.firstDigitDelay, 10);
        f[kHashStarTime] = Units(texts.hashStarTime, 10);
        f[kDCode] = texts.dCode == "D Code" ? std::uint8_t{0} : Units(texts.dCode, 100);
        f[kSideTone] = CheckByte(texts.sideTone, f[kSideTone]);
        const bool keepId = base.known && texts.idCode.empty() &&
                            ExactIdCode(memory::Get32(f, kIdCode), f[kDigitCounts]).value_or("").empty();
        if (!keepId)
            memory::Put32(f, kIdCode, EncodeIdCode(texts.idCode));
        const auto group = GroupCodeByte(texts.groupCode);
        f[kGroupCode] = group ? *group : RawByte(texts.groupCode).value_or(0);
        f[kAutoReset] = texts.autoReset == "Off" ? std::uint8_t{0} : Low8(text::StrToInt(texts.autoReset));
        f[kCallAlert] = ListByte(kCallAlertTexts, texts.callAlert);
        f[kTranspond] = ListByte(kTranspondTexts, texts.transpond);
        f[kClearToTranspond] = CheckByte(texts.clearToTranspond, f[kClearToTranspond]);
        if (!keepId)
            f[kDigitCounts] = static_cast<std::uint8_t>(texts.idCode.size() & 0xFF);
        for (std::size_t m = 0; m < kCountedMemories; ++m) {
            const std::string &dial = texts.autodial[m];
            const int memory = static_cast<int>(m + 1);
            if (dial.empty() && KeepEmptyMemory(memory, base, base.dial[m]))
                continue; // the count of a memory no text shows stays
            f[kDigitCounts + 1 + m] = static_cast<std::uint8_t>(dial.size() & 0xFF);
        }
        return;
    }
    for (int k = 0; k < kMemoriesPerBlock; ++k) {
        const int memory = Memory(block, k);
        if (memory == 0)
            continue; // no such memory: the slot stays as it is
        const std::string &cell = texts.autodial[static_cast<std::size_t>(memory - 1)];
        const auto at = static_cast<std::size_t>(4 * k);
        if (!cell.empty())
            memory::Put32(f, at, EncodeAutodial(cell));
        else if (base.known && !KeepEmptyMemory(memory, base, memory::Get32(f, at)))
            memory::Put32(f, at, 0);
    }
}

void EncodeDtmfBlock(int block, const DtmfTexts &texts, Payload &payload)
{
    EncodeDtmfBlockOver(block, texts, payload, DtmfBase{});
}

void DecodeDtmfArea(const DtmfArea &area, DtmfTexts &texts)
{
    DtmfDigitCounts counts{};
    DecodeEachBlock(area, texts,
                    [&counts](int b, const Payload &in, DtmfTexts &t) { DecodeDtmfBlock(b, in, t, counts); });
}

void EncodeDtmfArea(const DtmfTexts &texts, DtmfArea &area)
{
    const DtmfBase base = DtmfBaseOf(area);
    EncodeEachBlock(texts, area,
                    [&base](int b, const DtmfTexts &t, Payload &f) { EncodeDtmfBlockOver(b, t, f, base); });
}

std::vector<NamedText> DtmfFields(DtmfTexts &t)
{
    const std::string times = "0 to 2550 in steps of 10";
    std::vector<NamedText> fields{
        {"DTMF, DTMF Spend [digit/s]", &t.speed, {}, "0 to 255", {}},
        {"DTMF, First Digit Time [ms]", &t.firstDigitTime, {}, times, {}},
        {"DTMF, First Digit Delay [ms]", &t.firstDigitDelay, {}, times, {}},
        {"DTMF, # and * Tone [ms]", &t.hashStarTime, {}, times, {}},
        {"DTMF, D Code Assignment", &t.dCode, {}, "D Code, or 100 to 25500 in steps of 100", {}},
        {"DTMF, ID Code", &t.idCode, {}, "up to 8 of 1 to 9, 0, *, #, A, B, C and D", {}},
        {"DTMF, Group Code", &t.groupCode, {"Off", "A", "B", "C", "D", "*", "#"}, {}, {}},
        {"DTMF, Auto Reset Timer [s]", &t.autoReset, {}, "Off, or 1 to 255", {}},
        {"DTMF, Call Alert", &t.callAlert, {"Normal", "Continuous", "Off"}, {}, {}},
        {"DTMF, Transpond", &t.transpond, {"Off", "Alert", "ID Code"}, {}, {}}};
    for (std::size_t m = 0; m < t.autodial.size(); ++m)
        fields.push_back({"DTMF, Autodial Memory " + std::to_string(m + 1), &t.autodial[m], {},
                          "up to 8 of 1 to 9, 0, *, #, A, B, C and D", {}});
    return fields;
}

void CheckDtmfHeld(const DtmfTexts &texts, const DtmfArea &base, const std::vector<bool> *only)
{
    DtmfTexts typed = texts;
    const std::vector<NamedText> fields = DtmfFields(typed);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (only && (i >= only->size() || !(*only)[i]))
            continue;
        if (fields[i].text == &typed.idCode)
            CheckIdCode(typed.idCode, fields[i].where);
        else if (fields[i].where.rfind("DTMF, Autodial Memory ", 0) == 0)
            CheckAutodial(*fields[i].text, fields[i].where);
    }
    CheckHeldOver(texts, base, DtmfFields, EncodeDtmfArea, DecodeDtmfArea, only);
}

} // namespace tonvar::signalling
