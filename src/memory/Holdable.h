// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the radio can hold what the table and the panel say.
//
// The block encoders keep only what fits: a TOT of 300 becomes 44, a power
// the radio does not know becomes HIGH. Before anything is written, each
// value is put through its block and back; a value that does not come back
// as itself (a number that is the same number, "0" for NONE or CLOSE, a
// blank cell, are the same) is refused, naming where it is, what was typed,
// what the radio would keep and what it allows.
#pragma once

#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"

#include <optional>
#include <string>
#include <vector>

namespace tonvar::memory {

// Throw text::Failure: the first line is the conversion's own message or the
// refusal, the detail says where ("Channel 3, RX Freq", "Settings, TOT").
// A whole text that is a finite number ("10.5", "-3", "1e3"), or nothing.
std::optional<double> PlainNumber(const std::string &text);

// A text and what the radio would keep of it are the same value: equal but
// for case, the same number, "0" for NONE, CLOSE or an empty cell, or a
// blank cell.
bool SameHeldValue(const std::string &typed, const std::string &kept);
// Throws text::Failure: "The radio cannot hold 'typed': it would keep 'kept'."
// and what it takes: `range` ("0 to 255") where given, else what `allowed`
// lists (short lists only); `where` is the detail. An empty `kept` is a
// value the radio keeps as nothing it can show.
[[noreturn]] void RefuseValue(const std::string &where, const std::string &typed, const std::string &kept,
                              const std::vector<std::string> &allowed, const std::string &range = {});

// What the radio takes in a channel column where the pick list does not say
// it ("0 to 255"); empty otherwise.
const std::string &ChannelRange(int column);

void CheckChannelHeld(const ChannelRow &row, int channel);
void CheckSettingsHeld(const SettingsTexts &settings);

} // namespace tonvar::memory
