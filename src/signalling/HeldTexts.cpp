#include "signalling/HeldTexts.h"

#include <cmath>

namespace tonvar::signalling {

std::int32_t WholeUnits(const std::string &typed, int unit)
{
    const std::int32_t v = text::StrToInt(typed);
    if (v % unit != 0)
        throw text::ConversionError(text::IntegerMessage(typed),
                                    "the radio keeps multiples of " + std::to_string(unit) + ".");
    return v / unit;
}

bool QuotesText(const std::string &message, const std::string &text)
{
    const std::size_t end = message.find("' is not a valid");
    if (message.empty() || message[0] != '\'' || end == std::string::npos)
        return false;
    const std::string quoted = message.substr(1, end - 1);
    if (quoted == text || quoted == "$" + text)
        return true;
    const auto q = memory::PlainNumber(quoted);
    const auto t = memory::PlainNumber(text);
    return q && t && (std::fabs(*q * 10 - *t) < 1e-9 || std::fabs(*q * 100 - *t) < 1e-9);
}

} // namespace tonvar::signalling
