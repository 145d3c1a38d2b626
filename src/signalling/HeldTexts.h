// Whether the radio can hold what a signalling window says, checked before a
// write sends anything.
//
// Every text a window's blocks carry is named as the window shows it
// ("DTMF, Group Code", "2TONE, Decode row 3, Response Mode 2"). A text that
// does not convert names itself; a text that converts but comes back from its
// block as another value (a number too big for its byte, a name the radio's
// list does not have) is refused with what the radio would keep and what it
// allows.
#pragma once

#include "memory/Holdable.h"
#include "memory/Payload.h"
#include "text/Convert.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvar::signalling {

struct NamedText {
    std::string where;
    std::string *text;
    std::vector<std::string> allowed; // the radio's list, where it has one
};

// A whole number of `unit`s, as a block keeps a time in 10 ms or a rate in
// 100 bps: `text` / `unit`. A text that does not divide evenly is quoted as
// typed ("'105' is not a valid integer value"), the detail saying the step.
std::int32_t WholeUnits(const std::string &text, int unit);

// A conversion message ("'5.5' is not a valid integer value") comes from
// `text`: quoted as it is, as a hexadecimal number ("$" first), or divided
// into the units a block keeps (ms / 10, ms / 100).
bool QuotesText(const std::string &message, const std::string &text);

// `fields(texts)` names every text of `texts` a block carries, in the same
// order for every Texts; `encode(block, texts, payload)` and
// `decode(block, payload, texts, state)` are the area's codec over blocks
// 0 .. blocks - 1.
template <typename Texts, typename State, typename Fields, typename Encode, typename Decode>
void CheckTextsHeld(const Texts &texts, int blocks, Fields &&fields, Encode &&encode, Decode &&decode)
{
    const auto encodeAll = [&](const Texts &t) {
        for (int b = 0; b < blocks; ++b) {
            memory::Payload p{};
            encode(b, t, p);
        }
    };
    Texts typed = texts;
    const std::vector<NamedText> named = fields(typed);
    try {
        encodeAll(texts);
    } catch (const text::ConversionError &e) {
        // The message quotes the text as it was converted; the one field it
        // can only have come from is named.
        const NamedText *found = nullptr;
        int matches = 0;
        for (const NamedText &f : named)
            if (!f.text->empty() && QuotesText(e.what(), *f.text) && matches++ == 0)
                found = &f;
        if (matches == 1)
            throw text::ConversionError(e.what(), e.detail().empty() ? found->where : found->where + ": " + e.detail());
        throw;
    }
    Texts kept = texts;
    State state{};
    for (int b = 0; b < blocks; ++b) {
        memory::Payload p{};
        encode(b, texts, p);
        decode(b, p, kept, state);
    }
    const std::vector<NamedText> back = fields(kept);
    for (std::size_t i = 0; i < named.size(); ++i) {
        const std::string &t = *named[i].text;
        const std::vector<std::string> &list = named[i].allowed;
        const bool listed = t.empty() || list.empty() || std::find(list.begin(), list.end(), t) != list.end();
        if (!listed)
            memory::RefuseValue(named[i].where, t, *back[i].text == t ? std::string() : *back[i].text, list);
        if (!memory::SameHeldValue(t, *back[i].text))
            memory::RefuseValue(named[i].where, t, *back[i].text, list);
    }
}

// The same for an area whose blocks decode on their own:
// `decode(block, payload, texts)`.
template <typename Texts, typename Fields, typename Encode, typename Decode>
void CheckBlockTextsHeld(const Texts &texts, int blocks, Fields &&fields, Encode &&encode, Decode &&decode)
{
    struct NoState {};
    CheckTextsHeld<Texts, NoState>(
        texts, blocks, fields, encode,
        [&decode](int b, const memory::Payload &p, Texts &t, NoState &) { decode(b, p, t); });
}

} // namespace tonvar::signalling
