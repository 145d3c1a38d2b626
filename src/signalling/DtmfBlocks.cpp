#include "signalling/DtmfBlocks.h"

#include "signalling/DtmfCodec.h"
#include "text/Convert.h"

#include <string_view>

namespace tonvar::signalling {

using memory::Low8;
using memory::Payload;
using namespace dtmf_offsets;

namespace {

constexpr std::uint8_t kOn = 0xFF;
constexpr int kMemoriesPerBlock = 6;

constexpr std::array<std::string_view, 3> kCallAlertTexts{"Off", "Normal", "Continuous"};
constexpr std::array<std::string_view, 3> kTranspondTexts{"Off", "Alert", "ID Code"};

// A time in ms stored in units of `unit` ms: it must divide evenly.
std::uint8_t Units(const std::string &text, int unit)
{
    return Low8(WholeUnits(text, unit));
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

// Memory `k` (0..5) of autodial block `block`, from 1; 0 where there is none.
int Memory(int block, int k)
{
    const int memory = kMemoriesPerBlock * (block - 1) + k + 1;
    return memory >= 1 && memory <= kAutodialMemories ? memory : 0;
}

} // namespace

void DecodeDtmfBlock(int block, const Payload &in, DtmfTexts &texts, DtmfDigitCounts &counts)
{
    if (block == 0) {
        texts.cb1 = std::to_string(in[kSpeed]);
        texts.cb2 = std::to_string(in[kFirstDigitTime] * 10);
        texts.cb3 = std::to_string(in[kFirstDigitDelay] * 10);
        texts.cb4 = std::to_string(in[kHashStarTime] * 10);
        texts.cb5 = in[kDCode] == 0 ? "D Code" : std::to_string(in[kDCode] * 100);
        texts.CheckB1 = in[kSideTone] != 0;
        if (auto id = DecodeIdCode(memory::Get32(in, kIdCode), in[kDigitCounts]))
            texts.Edit1 = *id;
        if (auto group = GroupCodeText(in[kGroupCode]))
            texts.cb6 = *group;
        texts.cb7 = in[kAutoReset] == 0 ? "Off" : std::to_string(in[kAutoReset]);
        SetFromList(kCallAlertTexts, in[kCallAlert], texts.cb8);
        SetFromList(kTranspondTexts, in[kTranspond], texts.cb9);
        texts.CheckB2 = in[kClearToTranspond] != 0;
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = in[kDigitCounts + i];
        return;
    }
    for (int k = 0; k < kMemoriesPerBlock; ++k) {
        const int memory = Memory(block, k);
        if (memory == 0)
            continue; // memories past 16 do not exist and are not touched
        std::string &cell = texts.autodial[static_cast<std::size_t>(memory - 1)];
        const std::uint32_t value = memory::Get32(in, static_cast<std::size_t>(4 * k));
        const int count = memory <= 8 ? counts[static_cast<std::size_t>(memory)] : 0;
        if (value == 0)
            cell.clear();
        else if (auto digits = DecodeAutodial(value, count))
            cell = *digits;
    }
}

void EncodeDtmfBlock(int block, const DtmfTexts &texts, Payload &f)
{
    if (block == 0) {
        f[kSpeed] = Low8(text::StrToInt(texts.cb1));
        f[kFirstDigitTime] = Units(texts.cb2, 10);
        f[kFirstDigitDelay] = Units(texts.cb3, 10);
        f[kHashStarTime] = Units(texts.cb4, 10);
        f[kDCode] = texts.cb5 == "D Code" ? std::uint8_t{0} : Units(texts.cb5, 100);
        f[kSideTone] = texts.CheckB1 ? kOn : 0;
        memory::Put32(f, kIdCode, EncodeIdCode(texts.Edit1));
        f[kGroupCode] = GroupCodeByte(texts.cb6).value_or(0);
        f[kAutoReset] = texts.cb7 == "Off" ? std::uint8_t{0} : Low8(text::StrToInt(texts.cb7));
        f[kCallAlert] = ListIndex(kCallAlertTexts, texts.cb8);
        f[kTranspond] = ListIndex(kTranspondTexts, texts.cb9);
        f[kClearToTranspond] = texts.CheckB2 ? kOn : 0;
        f[kDigitCounts] = static_cast<std::uint8_t>(texts.Edit1.size() & 0xFF);
        for (std::size_t m = 0; m < 8; ++m)
            f[kDigitCounts + 1 + m] = static_cast<std::uint8_t>(texts.autodial[m].size() & 0xFF);
        return;
    }
    for (int k = 0; k < kMemoriesPerBlock; ++k) {
        const int memory = Memory(block, k);
        if (memory == 0)
            continue; // no such memory: the slot stays as it is
        const std::string &cell = texts.autodial[static_cast<std::size_t>(memory - 1)];
        if (!cell.empty())
            memory::Put32(f, static_cast<std::size_t>(4 * k), EncodeAutodial(cell));
    }
}

std::vector<NamedText> DtmfFields(DtmfTexts &t)
{
    std::vector<NamedText> fields{{"DTMF, DTMF Spend [digit/s]", &t.cb1, {}},
                                  {"DTMF, First Digit Time [ms]", &t.cb2, {}},
                                  {"DTMF, First Digit Delay [ms]", &t.cb3, {}},
                                  {"DTMF, # and * Tone [ms]", &t.cb4, {}},
                                  {"DTMF, D Code Assignment", &t.cb5, {}},
                                  {"DTMF, ID Code", &t.Edit1, {}},
                                  {"DTMF, Group Code", &t.cb6, {"Off", "A", "B", "C", "D", "*", "#"}},
                                  {"DTMF, Auto Reset Timer [s]", &t.cb7, {}},
                                  {"DTMF, Call Alert", &t.cb8, {"Normal", "Continuous", "Off"}},
                                  {"DTMF, Transpond", &t.cb9, {"Off", "Alert", "ID Code"}}};
    for (std::size_t m = 0; m < t.autodial.size(); ++m)
        fields.push_back({"DTMF, Autodial Memory " + std::to_string(m + 1), &t.autodial[m], {}});
    return fields;
}

void CheckDtmfHeld(const DtmfTexts &texts)
{
    CheckIdCode(texts.Edit1, "DTMF, ID Code");
    for (std::size_t m = 0; m < texts.autodial.size(); ++m)
        CheckAutodial(texts.autodial[m], "DTMF, Autodial Memory " + std::to_string(m + 1));
    CheckTextsHeld<DtmfTexts, DtmfDigitCounts>(texts, kDtmfBlocks, DtmfFields, EncodeDtmfBlock, DecodeDtmfBlock);
}

} // namespace tonvar::signalling
