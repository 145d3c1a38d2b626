// SPDX-License-Identifier: GPL-3.0-or-later
// The component's line properties in Linux's terms: a termios2 structure for
// TCSETS2 and the modem lines to hold.
//
// What Linux has no rule for is left out, and documented in the README:
// DsrSensitivity, Outx_DsrFlow, XonLimit, XoffLimit, ReplacedChar (a byte
// with a parity error becomes 0 when both ParityCheck and
// ReplaceWhenParityError are on), TxContinueOnXoff (Linux always goes on
// sending after it asked the far end to stop; IXANY is a different rule, any
// byte restarting output), the DTR handshake and the RTS toggle.
//
// Must not be mixed with <termios.h>: the kernel's own structures come from
// <asm/termbits.h>.
#pragma once

#include "serial/CommSettings.h"

#include <asm/termbits.h>

#include <optional>

namespace tonvar::serial {

// `current` is what the port had: the bits this mapping owns are rebuilt
// from nothing, the others are kept.
//  * Raw binary line: no echo, signals, canonical editing or CR/LF
//    translation; VMIN 1, VTIME 0 (the reader times the gap itself).
//  * Receiver on, modem lines ignored for input (CLOCAL), HUPCL on so DTR
//    and RTS drop on close.
//  * A received break is ignored as data (IGNBRK); the driver still counts
//    it, so it is still reported as a line error.
//  * Both speeds, any rate (BOTHER), input speed bits (CIBAUD) included.
termios2 TermiosFor(const TCommSettings &settings, const termios2 &current);

// The level each modem line is to be held at; nullopt leaves the line to
// the driver (handshake modes).
struct ModemLines {
    std::optional<bool> dtr;
    std::optional<bool> rts;
};
ModemLines ModemLinesFor(const TCommSettings &settings);

} // namespace tonvar::serial
