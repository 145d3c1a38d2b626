// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace tonvar::text {

namespace {

// A finite double taken to 15 significant decimal digits:
// |v| = 0.d1 d2 ... d15 x 10^point.
struct Decimal {
    std::string digits; // exactly 15 digits; all zero for 0
    int point = 0;      // digits before the decimal point (may be <= 0)
    bool negative = false;
};

Decimal ToDecimal(double v)
{
    Decimal d;
    d.negative = std::signbit(v);
    char buf[40];
    // "%.14e" gives d.dddddddddddddde+XX, correctly rounded to 15 digits.
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    d.digits.reserve(15);
    d.digits.push_back(buf[0]);
    for (int i = 2; i < 16; ++i)
        d.digits.push_back(buf[i]);
    d.point = std::atoi(buf + 17) + 1;
    if (v == 0.0)
        d.point = 1;
    return d;
}

bool AllZero(const std::string &digits)
{
    return digits.find_first_not_of('0') == std::string::npos;
}

struct NumberStart {
    std::size_t at = 0; // the first character after the blanks and the sign
    bool negative = false;
};

// Leading blanks, then an optional sign.
NumberStart SkipBlanksAndSign(const std::string &text)
{
    NumberStart start;
    while (start.at < text.size() && text[start.at] == ' ')
        ++start.at;
    if (start.at < text.size() && (text[start.at] == '+' || text[start.at] == '-')) {
        start.negative = text[start.at] == '-';
        ++start.at;
    }
    return start;
}

const char *NonFiniteText(double v)
{
    if (std::isnan(v))
        return "NAN";
    return v < 0 ? "-INF" : "INF";
}

} // namespace

std::string IntegerMessage(const std::string &text)
{
    return "'" + text + "' is not a valid integer value";
}

std::string FloatMessage(const std::string &text)
{
    return "'" + text + "' is not a valid floating point value";
}

std::string WithFullStop(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

std::string OneLine(const std::string &message, const std::string &detail)
{
    std::string line = WithFullStop(message);
    if (!detail.empty())
        line += " " + detail;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

std::int32_t StrToInt(const std::string &text)
{
    const auto fail = [&text]() -> std::int32_t { throw ConversionError(IntegerMessage(text)); };
    const std::size_t n = text.size();
    const NumberStart start = SkipBlanksAndSign(text);
    const bool negative = start.negative;
    std::size_t i = start.at;
    int base = 10;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return fail();
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0 || digit >= base)
            return fail();
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit)
            return fail();
    }
    // Two's complement wrap: hexadecimal numbers use all 32 bits.
    auto bits = static_cast<std::uint32_t>(value);
    if (negative)
        bits = ~bits + 1u;
    return static_cast<std::int32_t>(bits);
}

std::int32_t HexToInt(const std::string &text)
{
    return StrToInt("$" + text);
}

double StrToFloat(const std::string &text)
{
    const auto fail = [&text]() -> double { throw ConversionError(FloatMessage(text)); };
    const std::size_t n = text.size();
    const NumberStart start = SkipBlanksAndSign(text);
    const bool negative = start.negative;
    std::size_t i = start.at;
    const auto isDigit = [&](std::size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
    std::string normal;
    const std::size_t intStart = i;
    while (isDigit(i))
        ++i;
    normal.append(text, intStart, i - intStart);
    bool hasPoint = false;
    if (i < n && text[i] == '.') {
        hasPoint = true;
        ++i;
        const std::size_t fracStart = i;
        while (isDigit(i))
            ++i;
        if (i > fracStart) {
            if (normal.empty())
                normal = "0";
            normal += '.';
            normal.append(text, fracStart, i - fracStart);
        }
    }
    if (normal.empty()) {
        if (!hasPoint)
            return fail();
        normal = "0"; // a lone point reads as 0
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        normal += 'e';
        if (i < n && (text[i] == '+' || text[i] == '-'))
            normal += text[i++];
        const std::size_t expStart = i;
        while (isDigit(i))
            ++i;
        if (i == expStart)
            return fail();
        normal.append(text, expStart, i - expStart);
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return fail();
    double value = 0.0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec != std::errc() || result.ptr != normal.data() + normal.size())
        return fail();
    return negative ? -value : value;
}

std::string FormatFixed(double v, int decimals)
{
    if (!std::isfinite(v))
        return NonFiniteText(v);
    if (decimals < 0)
        decimals = 0;
    const Decimal d = ToDecimal(v);
    const int cut = d.point + decimals; // digits kept
    std::string kept;
    int point = d.point;
    if (cut >= 0) {
        if (cut >= 15) {
            kept = d.digits + std::string(static_cast<std::size_t>(cut - 15), '0');
        } else {
            const auto keep = static_cast<std::size_t>(cut);
            kept = d.digits.substr(0, keep);
            if (d.digits[keep] >= '5') {
                // Round half away from zero: carry up through the kept digits.
                std::size_t k = kept.size();
                while (k > 0 && kept[k - 1] == '9') {
                    kept[k - 1] = '0';
                    --k;
                }
                if (k == 0) {
                    kept.insert(kept.begin(), '1');
                    ++point;
                } else {
                    ++kept[k - 1];
                }
            }
        }
    }
    // kept holds point + decimals digits, or is empty when everything rounds to 0.
    std::string intPart;
    std::string fracPart;
    if (kept.empty()) {
        intPart = "0";
        fracPart.assign(static_cast<std::size_t>(decimals), '0');
    } else if (point <= 0) {
        intPart = "0";
        fracPart = std::string(static_cast<std::size_t>(-point), '0') + kept;
    } else {
        intPart = kept.substr(0, static_cast<std::size_t>(point));
        fracPart = kept.substr(static_cast<std::size_t>(point));
    }
    std::string out;
    if (d.negative && !AllZero(intPart + fracPart))
        out += '-';
    out += intPart;
    if (decimals > 0)
        out += '.' + fracPart;
    return out;
}

std::string FloatToShortest(double v)
{
    if (!std::isfinite(v))
        return NonFiniteText(v);
    if (v == 0.0)
        return "0";
    const Decimal d = ToDecimal(v);
    std::string digits = d.digits;
    digits.erase(digits.find_last_not_of('0') + 1);
    const int exponent = d.point - 1; // |v| = d.ddd x 10^exponent
    std::string out = d.negative ? "-" : "";
    if (exponent < 15 && exponent >= -5) {
        if (d.point <= 0) {
            out += "0." + std::string(static_cast<std::size_t>(-d.point), '0') + digits;
        } else {
            const auto point = static_cast<std::size_t>(d.point);
            if (digits.size() <= point)
                out += digits + std::string(point - digits.size(), '0');
            else
                out += digits.substr(0, point) + "." + digits.substr(point);
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    return out;
}

std::int32_t ShortestToInt(double v)
{
    return StrToInt(FloatToShortest(v));
}

std::int32_t ScaledToInt(const std::string &text, double scale)
{
    return ShortestToInt(StrToFloat(text) * scale);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string TrimBlanks(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string FoldedName(const std::string &name)
{
    std::string out;
    for (const char c : TrimBlanks(name)) {
        if (c == ' ' || c == '\t') {
            if (out.back() != ' ')
                out += ' ';
        } else {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return out;
}

} // namespace tonvar::text
