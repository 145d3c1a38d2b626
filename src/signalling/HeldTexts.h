// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the radio can hold what a signalling window says, checked before a
// write sends anything.
//
// Every text a window's blocks carry is named as the window shows it, one
// name a field ("DTMF, Group Code", "2TONE, Decode row 3, Response Mode 2").
// A text that does not convert names its field and what the radio takes; a
// text that converts but comes back from its blocks as another value (a
// number too big for its byte, a name the radio's list does not have) is
// refused with what the radio would keep and what it takes.
#pragma once

#include "memory/Holdable.h"
#include "memory/Payload.h"
#include "text/Convert.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvar::signalling {

struct NamedText {
    std::string where;
    std::string *text;
    std::vector<std::string> allowed; // the radio's list, where it has one
    std::string range;                // what the radio takes where it is no list: "0 to 65535"
    std::string unkept;               // set when the radio keeps nothing of this field as the texts stand, and why
};

// A whole number of `unit`s, as a block keeps a time in 10 ms or a rate in
// 100 bps: `text` / `unit`. A text that does not divide evenly is quoted as
// typed ("'105' is not a valid integer value"), the detail saying the step.
std::int32_t WholeUnits(const std::string &text, int unit);

// A byte given as a plain decimal number 0 .. `most` ("7"), as a read shows
// a value no name stands for; nothing for any other text.
std::optional<std::uint8_t> RawByte(const std::string &text, unsigned most = 255);

// Each block of `area` in order: `decode(block, payload, texts)`, or
// `encode(block, texts, payload)` over the area's bytes.
template <typename Area, typename Texts, typename DecodeBlock>
void DecodeEachBlock(const Area &area, Texts &texts, DecodeBlock &&decode)
{
    for (std::size_t b = 0; b < area.size(); ++b)
        decode(static_cast<int>(b), area[b], texts);
}
template <typename Texts, typename Area, typename EncodeBlock>
void EncodeEachBlock(const Texts &texts, Area &area, EncodeBlock &&encode)
{
    for (std::size_t b = 0; b < area.size(); ++b)
        encode(static_cast<int>(b), texts, area[b]);
}

// Where a conversion failure of field `f` is: its name and what it takes.
std::string FailureDetail(const NamedText &f, const std::string &detail);

// Throws text::Failure when the radio would not keep `typed` (field `f` of
// the texts written) as itself: `kept` is what it would show afterwards.
void CheckKept(const NamedText &f, const std::string &typed, const std::string &kept);

// Whether the radio holds `texts` written over the area's bytes `base`:
// `fields(texts)` names every text the blocks carry, in the same order for
// every Texts; `encode(texts, area)` writes them over an area's bytes and
// `decode(area, texts)` sets every text from them. With `only`, just the
// fields it marks are judged (those a user changed). Throws text::Failure
// naming the first field that does not convert or that the radio would not
// keep.
template <typename Texts, typename Area, typename Fields, typename Encode, typename Decode>
void CheckHeldOver(const Texts &texts, const Area &base, Fields &&fields, Encode &&encode, Decode &&decode,
                   const std::vector<bool> *only = nullptr)
{
    Texts typed = texts;
    const std::vector<NamedText> named = fields(typed);
    const auto judged = [&](std::size_t i) { return !only || (i < only->size() && (*only)[i]); };
    Area out = base;
    try {
        encode(texts, out);
    } catch (const text::ConversionError &e) {
        // The field it comes from: the first whose text, put in order into
        // texts that convert (as read from an area in use everywhere, so that
        // no field is passed over), makes the encoding fail.
        Area full{};
        for (memory::Payload &p : full)
            p.fill(0xAA);
        Texts probe{};
        decode(full, probe);
        std::vector<NamedText> slots = fields(probe);
        for (std::size_t i = 0; i < named.size() && i < slots.size(); ++i) {
            *slots[i].text = *named[i].text;
            Area scratch = base;
            try {
                encode(probe, scratch);
            } catch (const text::ConversionError &) {
                throw text::ConversionError(e.what(), FailureDetail(named[i], e.detail()));
            }
        }
        throw;
    }
    Texts kept{};
    decode(out, kept);
    const std::vector<NamedText> back = fields(kept);
    for (std::size_t i = 0; i < named.size(); ++i)
        if (judged(i))
            CheckKept(named[i], *named[i].text, *back[i].text);
}

} // namespace tonvar::signalling
