// SPDX-License-Identifier: GPL-3.0-or-later
// Text and number conversions used everywhere in tonvar.
//
// Every value the tool handles lives as the text shown in a control or a
// table cell; these functions turn such texts into numbers and back. They
// follow the rules the radio's memory layout was designed around:
//
//  * decimal numbers always use a point, whatever the user's locale;
//  * whole numbers are 32-bit signed, may carry leading blanks and a sign, and
//    may be written in hexadecimal with a "$", "x" or "0x" prefix;
//  * fixed-point output rounds half away from zero on the decimal digits of
//    the value taken to 15 significant digits, so 145.123455 gives 145.12346
//    even though the nearest double lies just below the half;
//  * "shortest text" output writes at most 15 significant digits and no
//    trailing zeros, switching to an exponent for very large or small values.
//
// How failures travel: a text that does not convert throws ConversionError,
// whose what() is the message the user sees ("'abc' is not a valid integer
// value"). Nothing in the logic catches it: the action stops where it is, with
// every byte written so far left in place (the frame buffer is shared state
// and the radio sees those bytes through the resend). The GUI calls every
// event handler through tonvar::app::RunHandler, which catches any
// std::exception and shows it in the application's error box. Exceptions never
// cross Qt's event loop.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace tonvar::text {

// A failure raised by an action and shown to the user as it stands.
// detail() optionally says more (the operating system's reason, say); the
// error box shows it under the message.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string &message, std::string detail = {})
        : std::runtime_error(message), detail_(std::move(detail))
    {
    }
    const std::string &detail() const { return detail_; }

private:
    std::string detail_;
};

// A text that does not convert to a number.
class ConversionError : public Failure {
public:
    using Failure::Failure;
};

// "'%s' is not a valid integer value" with the text in place of %s.
std::string IntegerMessage(const std::string &text);
// "'%s' is not a valid floating point value" with the text in place of %s.
std::string FloatMessage(const std::string &text);

// The message as the error box shows it: a full stop is appended when the
// last character sorts after "." (so "...value" gets one, "...!" does not).
std::string WithFullStop(const std::string &message);
// A failure as one line, as a script's output shows it: the message with
// its full stop, then its detail, line breaks made blanks.
std::string OneLine(const std::string &message, const std::string &detail);

// Parses a whole number. Accepts leading blanks, an optional sign, decimal
// digits or a "$"/"x"/"X"/"0x"/"0X" prefixed hexadecimal number (up to 32 bits,
// wrapping into the signed range). Nothing may follow the digits. Throws
// ConversionError(IntegerMessage(text)).
std::int32_t StrToInt(const std::string &text);

// Parses text as a hexadecimal number: the text with "$" put in front goes
// through StrToInt, so a failure names "$" + text ("$" for the empty text).
std::int32_t HexToInt(const std::string &text);

// Parses a decimal number with a point as separator: blanks before and after,
// optional sign, digits with an optional point (a lone "." reads as 0) and an
// optional exponent. Throws ConversionError(FloatMessage(text)).
double StrToFloat(const std::string &text);

// Writes v with exactly `decimals` decimals, rounding half away from zero on
// the value's 15 significant digits (67.05 gives "67.1", 145.5 gives
// "145.50000" for 5 decimals).
std::string FormatFixed(double v, int decimals);

// Writes v as its shortest text of at most 15 significant digits ("10.5",
// "256", "0", "1E20", "1.5E-6").
std::string FloatToShortest(double v);

// The shortest text of v converted again as a whole number: fails with
// IntegerMessage(FloatToShortest(v)) when v is not whole (10.5 fails, 256.0
// gives 256).
std::int32_t ShortestToInt(double v);

// The scaled round trip: text parsed as a decimal number, multiplied by scale,
// and the product's shortest text parsed as a whole number. "462.5625" with a
// scale of 1e6 gives 462562500; a seventh decimal fails as an integer.
std::int32_t ScaledToInt(const std::string &text, double scale);

// The value of a hexadecimal digit, or -1 for any other character.
int HexValue(char c);
// The text without the blanks and tabs around it.
std::string TrimBlanks(const std::string &s);
// A name as people type it, for comparing: lower case, without blanks around
// it, each run of blanks one space ("FleetSync,  id[own] " and "FleetSync,
// ID[Own]" are the same name).
std::string FoldedName(const std::string &name);

} // namespace tonvar::text
