// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/HeldTexts.h"

namespace tonvar::signalling {

std::int32_t WholeUnits(const std::string &typed, int unit)
{
    const std::int32_t v = text::StrToInt(typed);
    if (v % unit != 0)
        throw text::ConversionError(text::IntegerMessage(typed),
                                    "the radio keeps multiples of " + std::to_string(unit) + ".");
    return v / unit;
}

std::optional<std::uint8_t> RawByte(const std::string &text, unsigned most)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned v = static_cast<unsigned>(std::stoul(text));
    if (v > most)
        return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

std::string FailureDetail(const NamedText &f, const std::string &detail)
{
    // The detail already says what the radio keeps ("multiples of 10").
    if (!detail.empty())
        return f.where + ": " + detail;
    return f.range.empty() ? f.where : f.where + ": the radio takes " + f.range + ".";
}

void CheckKept(const NamedText &f, const std::string &typed, const std::string &kept)
{
    if (!typed.empty() && !f.unkept.empty() && typed != kept)
        throw text::Failure(f.unkept, f.where);
    const std::vector<std::string> &list = f.allowed;
    const bool listed = typed.empty() || list.empty() || std::find(list.begin(), list.end(), typed) != list.end();
    if (!listed)
        memory::RefuseValue(f.where, typed, kept == typed ? std::string() : kept, list, f.range);
    if (!memory::SameHeldValue(typed, kept))
        memory::RefuseValue(f.where, typed, kept, list, f.range);
}

} // namespace tonvar::signalling
