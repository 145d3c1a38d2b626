// SPDX-License-Identifier: GPL-3.0-or-later
// The radio memory the main window edits: channels 1 to 16 (area 0) and the
// settings (area 5), read and written as one transfer after "PROGRAM", and
// what such a transfer does and waits for, in words. Shared by the window's
// sessions and tonvar-cli.
#pragma once

#include "link/Transfer.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace tonvar::protocol {

inline constexpr int kSettingsRequestPauseMs = 2;

inline const std::string kReadHungUp = "The cable was unplugged or the port was closed: the read stopped.";
inline const std::string kWriteHungUp = "The cable was unplugged or the port was closed: the write stopped.\n"
                                        "The radio may now hold a mix of old and new values: write it again.";
inline const std::string kCheckHungUp =
    "The cable was unplugged or the port was closed while the radio was read back.\n"
    "Every block was written and acknowledged, but not checked: read the radio, or write it again.";

// Channels 1 to 16, then the settings; a write reads them back when asked.
link::TransferPlan ChannelsAndSettings(bool readBack);

// The bytes of channels 1 to 16 (at 0 to 15) and of the settings (at 16) as
// the radio gave them, where known: by a read, or from a radio image.
struct KnownBlocks {
    static constexpr std::size_t kSettings = 16;
    std::array<std::optional<memory::Payload>, 17> blocks{};

    static std::size_t Index(link::BlockRef b);
    // The block's known bytes when they decode to the texts `table` and
    // `settings` hold now (the user has not changed them), else none.
    const memory::Payload *Unchanged(link::BlockRef b, const memory::ChannelTable &table,
                                     const memory::SettingsTexts &settings) const;
};

// Every block a write of `table` and `settings` sends converts, and the radio
// can hold every value as it stands; throws text::Failure naming the first
// that does not. With `known`, a block whose texts are unchanged from the
// bytes known goes back as those bytes and is not judged.
void CheckBeforeWrite(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                      const KnownBlocks *known = nullptr);

// Reads into and writes from `table` and `settings`; the settings request
// waits `sleep(kSettingsRequestPauseMs)` first. A block reads back as
// written when it decodes to the same texts. With `known`, a read keeps
// each block's bytes there, and a write sends a block whose texts are
// unchanged as the bytes known, and encodes a changed one over them: what
// the user did not change keeps its bytes.
link::TransferHooks ChannelsAndSettingsHooks(memory::ChannelTable &table, memory::SettingsTexts &settings,
                                             std::function<void(int milliseconds)> sleep,
                                             KnownBlocks *known = nullptr);

// "channel 5", "the settings".
std::string BlockName(link::BlockRef b);
// What the transfer waits for: "the answer to PROGRAM", "channel 5", "the
// settings", "the Ack of channel 5", "the Ack of the settings"; "nothing"
// when it does not run.
std::string Awaited(const link::Transfer &transfer);
// What it does, for the progress dialog: "Waiting for the radio to answer",
// "Reading channel 5 of 16", "Writing the settings", "Checking channel 3 of 16".
std::string Doing(const link::Transfer &transfer);
// What the radio may hold after a write stopped where the transfer stands:
// "" before its first block went out or when it does not write.
std::string WriteLeftHalfDone(const link::Transfer &transfer);
// The message of a hang-up in the transfer, or "" when it did not run.
std::string HungUpMessage(const link::Transfer &transfer);
// Throws the failure of a write whose read-back kept differing.
[[noreturn]] void ThrowReadBackFailure(const link::Transfer &transfer);

} // namespace tonvar::protocol
