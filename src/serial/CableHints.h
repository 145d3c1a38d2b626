// SPDX-License-Identifier: GPL-3.0-or-later
// Two common reasons on Linux why a USB programming cable does not work,
// each told in one sentence with the command that fixes it.
//
// brltty, the braille display daemon, claims USB IDs that CH340/CH341
// serial chips share with some braille displays. When it starts for such a
// cable it detaches the kernel's serial driver: the port appears for a
// moment and is gone again, or never shows up in the port list at all.
//
// ModemManager opens every new serial port and sends it AT commands to find
// modems. While it probes, the port is held exclusively and a second opener
// gets EBUSY.
#pragma once

#include "serial/PortDiscovery.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace tonvar::serial {

inline const std::string kBrlttyHint =
    "brltty (for braille displays) takes CH340/CH341 cables away: if you use no braille display, run "
    "sudo apt remove brltty and plug the cable in again.";

// Where the checks look. Tests point them at throw-away trees.
struct SystemPaths {
    std::string root = "/";              // installed programs
    std::string sysfsTty = kSysClassTty; // the port list
    std::string proc = "/proc";          // who holds a port
};

// Whether brltty is installed (its daemon or its udev rules).
bool BrlttyInstalled(const std::string &root = "/");

// Ports that USB-serial converters get: ttyUSB0, ttyUSB1...
bool IsUsbSerialName(const std::string &name);

// Whether FindPortHolder's answer names ModemManager.
bool IsModemManager(const std::string &holder);

// The sentence for a port that ModemManager holds.
std::string ModemManagerHint(const std::string &path, const std::string &holder);

// The brltty sentence to add when opening `path` found no device: brltty is
// installed and no USB-serial port is listed. Empty otherwise, and for
// pseudo-terminals, which brltty never touches.
std::string MissingPortHint(const std::string &path, const SystemPaths &where = {});

// The brltty sentence for a USB-serial port that went away right after it
// appeared, or "" when brltty is not installed or the port is of another kind.
std::string VanishedPortHint(const std::string &name, const SystemPaths &where = {});

// Remembers when ports appeared and tells which went away soon after. Ports
// that were there before the first arrival it saw are never reported.
class PlugTracker {
public:
    using Clock = std::chrono::steady_clock;
    // brltty detaches the driver within a second or two of the plug; a cable
    // pulled by hand stays longer than this.
    static constexpr std::chrono::seconds kQuickVanish{10};

    void Appeared(const std::string &name, Clock::time_point now);
    // True when `name` appeared less than kQuickVanish before `now`.
    bool Vanished(const std::string &name, Clock::time_point now);
    // Feeds the difference between two port lists; returns the ports that
    // vanished quickly, in the order of `before`.
    std::vector<std::string> Compare(const std::vector<std::string> &before, const std::vector<std::string> &after,
                                     Clock::time_point now);

private:
    std::map<std::string, Clock::time_point> appeared_;
};

} // namespace tonvar::serial
