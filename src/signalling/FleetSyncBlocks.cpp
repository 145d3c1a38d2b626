// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FleetSyncBlocks.h"

#include "text/Convert.h"

namespace tonvar::signalling {

using memory::Low16;
using memory::kOn;
using memory::Low8;
using memory::Payload;
using namespace fleetsync_offsets;

namespace {

constexpr int kEntriesPerBlock = 7;
constexpr std::array<const char *, 2> kBaudRates{"1200", "2400"};

std::string NumberOrEmpty(std::uint16_t v)
{
    return v == 0 ? std::string() : std::to_string(v);
}

// List entry `entry` (1..16) from the fleet and ID at `at` and `at` + 2;
// entries past 16 do not exist and are not touched.
void DecodeEntry(const Payload &in, int entry, std::size_t at, FleetSyncTexts &texts)
{
    if (entry < 1 || entry > kFleetEntries)
        return;
    const auto i = static_cast<std::size_t>(entry - 1);
    texts.fleet[i] = NumberOrEmpty(memory::Get16(in, at));
    texts.id[i] = NumberOrEmpty(memory::Get16(in, at + 2));
}

// List entry `entry` to `at` (fleet) and `at` + 2 (ID); an empty cell, or an
// entry past 16, gives 0.
void EncodeEntry(const FleetSyncTexts &texts, int entry, std::size_t at, Payload &f)
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
    memory::Put16(f, at, fleet);
    memory::Put16(f, at + 2, id);
}

int Entry(int block, int k)
{
    return kEntriesPerBlock * (block - 1) + 3 + k;
}

} // namespace

void DecodeFleetSyncBlock(int block, const Payload &in, FleetSyncTexts &texts)
{
    if (block != 0) {
        for (int k = 0; k < kEntriesPerBlock; ++k)
            DecodeEntry(in, Entry(block, k), static_cast<std::size_t>(4 * k), texts);
        return;
    }
    texts.ownFleet = std::to_string(memory::Get16(in, kOwnFleet));
    texts.ownId = std::to_string(memory::Get16(in, kOwnId));
    texts.baudRate = std::to_string(in[kBaud] * 100);
    texts.modulationDelay = std::to_string(memory::Get16(in, kModulationDelay));
    texts.messageTimer = std::to_string(in[kMessageTimer]);
    texts.sideTone = in[kSideTone] == kOn;
    DecodeEntry(in, 1, kFirstEntries, texts);
    DecodeEntry(in, 2, kFirstEntries + 4, texts);
}

void EncodeFleetSyncBlock(int block, const FleetSyncTexts &texts, Payload &f)
{
    if (block != 0) {
        for (int k = 0; k < kEntriesPerBlock; ++k)
            EncodeEntry(texts, Entry(block, k), static_cast<std::size_t>(4 * k), f);
        return;
    }
    memory::Put16(f, kOwnFleet, Low16(text::StrToInt(texts.ownFleet)));
    memory::Put16(f, kOwnId, Low16(text::StrToInt(texts.ownId)));
    f[kBaud] = Low8(WholeUnits(texts.baudRate, 100));
    memory::Put16(f, kModulationDelay, Low16(text::StrToInt(texts.modulationDelay)));
    f[kMessageTimer] = Low8(text::StrToInt(texts.messageTimer));
    // Only 0xFF reads as on: any other byte already says off and stays.
    f[kSideTone] = texts.sideTone ? kOn : f[kSideTone] != kOn ? f[kSideTone] : std::uint8_t{0};
    EncodeEntry(texts, 1, kFirstEntries, f);
    EncodeEntry(texts, 2, kFirstEntries + 4, f);
}

void DecodeFleetSyncArea(const FleetSyncArea &area, FleetSyncTexts &texts)
{
    DecodeEachBlock(area, texts, DecodeFleetSyncBlock);
}

void EncodeFleetSyncArea(const FleetSyncTexts &texts, FleetSyncArea &area)
{
    EncodeEachBlock(texts, area, EncodeFleetSyncBlock);
}

std::vector<NamedText> FleetSyncFields(FleetSyncTexts &t)
{
    const std::string word = "0 to 65535";
    std::vector<NamedText> fields{
        {"FleetSync, Fleet[Own]", &t.ownFleet, {}, word, {}},
        {"FleetSync, ID[Own]", &t.ownId, {}, word, {}},
        {"FleetSync, FleetSync Baud Rate[bps]", &t.baudRate, {kBaudRates.begin(), kBaudRates.end()}, {}, {}},
        {"FleetSync, Data TX Modulation Delay Time[ms]", &t.modulationDelay, {}, word, {}},
        {"FleetSync, Message Mode Timer [s]", &t.messageTimer, {}, "0 to 255", {}}};
    for (std::size_t r = 0; r < t.fleet.size(); ++r) {
        const std::string row = "FleetSync, row " + std::to_string(r + 1);
        fields.push_back({row + ", Fleet", &t.fleet[r], {}, "1 to 65535, or empty for none", {}});
        fields.push_back({row + ", ID", &t.id[r], {}, "1 to 65535, or empty for none", {}});
    }
    return fields;
}

void CheckFleetSyncHeld(const FleetSyncTexts &texts, const FleetSyncArea &base, const std::vector<bool> *only)
{
    CheckHeldOver(texts, base, FleetSyncFields, EncodeFleetSyncArea, DecodeFleetSyncArea, only);
}

} // namespace tonvar::signalling
