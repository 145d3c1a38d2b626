// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/MainAreas.h"

#include "memory/ChannelBlock.h"
#include "memory/Holdable.h"
#include "protocol/Frames.h"
#include "text/Convert.h"

namespace tonvar::protocol {

using Phase = link::Transfer::Phase;

link::TransferPlan ChannelsAndSettings(bool readBack)
{
    link::TransferPlan plan;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        plan.blocks.push_back({kAreaChannels, static_cast<std::uint8_t>(ch)});
    plan.blocks.push_back({kAreaSettings, 0});
    plan.handshake = true;
    plan.readBack = readBack;
    plan.requestsInOneWrite = true;
    return plan;
}

std::size_t KnownBlocks::Index(link::BlockRef b)
{
    return b.area == kAreaSettings ? kSettings : static_cast<std::size_t>(b.number) - 1;
}

const memory::Payload *KnownBlocks::Unchanged(link::BlockRef b, const memory::ChannelTable &table,
                                              const memory::SettingsTexts &settings) const
{
    if (b.area != kAreaSettings && (b.number < 1 || b.number > memory::kChannelCount || b.number >= table.RowCount()))
        return nullptr;
    const std::optional<memory::Payload> &bytes = blocks.at(Index(b));
    if (!bytes)
        return nullptr;
    if (b.area == kAreaSettings) {
        memory::SettingsTexts decoded = settings;
        memory::DecodeSettingsBlock(*bytes, decoded);
        return decoded == settings ? &*bytes : nullptr;
    }
    memory::ChannelTable decoded = table;
    memory::DecodeChannelBlock(b.number, *bytes, decoded);
    return decoded.Row(b.number) == table.Row(b.number) ? &*bytes : nullptr;
}

link::TransferHooks ChannelsAndSettingsHooks(memory::ChannelTable &table, memory::SettingsTexts &settings,
                                             std::function<void(int milliseconds)> sleep, KnownBlocks *known)
{
    link::TransferHooks hooks;
    hooks.received = [&table, &settings, known](link::BlockRef b, const memory::Payload &p) {
        if (known && (b.area == kAreaSettings || (b.number >= 1 && b.number <= memory::kChannelCount)))
            known->blocks.at(KnownBlocks::Index(b)) = p;
        if (b.area == kAreaSettings)
            memory::DecodeSettingsBlock(p, settings);
        else
            memory::DecodeChannelBlock(b.number, p, table);
    };
    hooks.build = [&table, &settings, known](link::BlockRef b, memory::Payload &p) {
        if (known && (b.area == kAreaSettings || (b.number >= 1 && b.number <= memory::kChannelCount))) {
            if (const memory::Payload *same = known->Unchanged(b, table, settings)) {
                p = *same; // the radio's own bytes, spare bits and all
                return;
            }
            if (const std::optional<memory::Payload> &bytes = known->blocks.at(KnownBlocks::Index(b)))
                p = *bytes; // changed: encoded over what the radio gave
        }
        if (b.area == kAreaSettings)
            memory::EncodeSettingsBlock(settings, p);
        else
            memory::EncodeChannelBlock(table.Row(b.number), p);
    };
    hooks.same = [](link::BlockRef b, const memory::Payload &written, const memory::Payload &read) {
        if (b.area == kAreaSettings) {
            memory::SettingsTexts x = memory::DefaultSettingsTexts();
            memory::SettingsTexts y = x;
            memory::DecodeSettingsBlock(written, x);
            memory::DecodeSettingsBlock(read, y);
            return x == y;
        }
        memory::ChannelTable x;
        memory::ChannelTable y;
        memory::DecodeChannelBlock(b.number, written, x);
        memory::DecodeChannelBlock(b.number, read, y);
        return x.Row(b.number) == y.Row(b.number);
    };
    hooks.beforeRequest = [sleep = std::move(sleep)](link::BlockRef b) {
        if (b.area == kAreaSettings && sleep)
            sleep(kSettingsRequestPauseMs);
    };
    return hooks;
}

namespace {

// The signalling windows' areas by their names.
std::string AreaName(std::uint8_t area)
{
    switch (area) {
    case kAreaDtmf:
        return "DTMF";
    case kAreaFleetSync:
        return "FleetSync";
    case kArea2Tone:
        return "2TONE";
    default:
        return "5TONE";
    }
}

} // namespace

std::string BlockName(link::BlockRef b)
{
    if (b.area == kAreaSettings)
        return "the settings";
    if (b.area == kAreaChannels)
        return "channel " + std::to_string(b.number);
    return AreaName(b.area) + " block " + std::to_string(b.number);
}

std::string Awaited(const link::Transfer &transfer)
{
    if (!transfer.Running())
        return "nothing";
    if (transfer.Handshaking())
        return "the answer to PROGRAM";
    const std::string name = BlockName(transfer.Current());
    return transfer.State() == Phase::Writing ? "the Ack of " + name : name;
}

std::string Doing(const link::Transfer &transfer)
{
    if (transfer.Handshaking())
        return "Waiting for the radio to answer";
    const link::BlockRef b = transfer.Current();
    const std::string what = b.area == kAreaChannels ? "channel " + std::to_string(b.number) + " of 16"
                             : b.area == kAreaSettings
                                 ? "the settings"
                                 : AreaName(b.area) + " block " + std::to_string(b.number + 1) + " of " +
                                       std::to_string(kAreaBlocks[b.area].second - kAreaBlocks[b.area].first + 1);
    switch (transfer.State()) {
    case Phase::Reading:
        return "Reading " + what;
    case Phase::Writing:
        return "Writing " + what;
    case Phase::Checking:
        return "Checking " + what;
    default:
        return {};
    }
}

void CheckBeforeWrite(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                      const KnownBlocks *known)
{
    // What the radio gave and the user left alone goes back as it came.
    const auto unchanged = [&](link::BlockRef b) { return known && known->Unchanged(b, table, settings); };
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        if (ch >= table.RowCount())
            throw text::Failure("There is no channel " + std::to_string(ch) + " to write.");
        if (!unchanged({kAreaChannels, static_cast<std::uint8_t>(ch)}))
            memory::CheckChannelHeld(table.Row(ch), ch);
    }
    if (!unchanged({kAreaSettings, 0}))
        memory::CheckSettingsHeld(settings);
}

std::string WriteLeftHalfDone(const link::Transfer &transfer)
{
    if (!transfer.Running() || !transfer.Writing() || transfer.Written().empty())
        return {};
    if (transfer.Checking() && transfer.Round() == 0)
        return "Every block was written and acknowledged, but not checked: read the radio, or write it again.";
    return "The radio may now hold a mix of old and new values: write it again.";
}

std::string HungUpMessage(const link::Transfer &transfer)
{
    if (!transfer.Running())
        return {};
    if (!transfer.Writing())
        return kReadHungUp;
    return transfer.Checking() && transfer.Round() == 0 ? kCheckHungUp : kWriteHungUp;
}

void ThrowReadBackFailure(const link::Transfer &transfer)
{
    std::string names;
    for (const link::BlockRef &b : transfer.Differing())
        names += (names.empty() ? "" : ", ") + BlockName(b);
    throw text::Failure("Write failed: the radio does not hold what was written.",
                        "Read back after " + std::to_string(link::kRewriteRounds + 1) +
                            " writes, these differ: " + names + ". Write the radio again.");
}

} // namespace tonvar::protocol
