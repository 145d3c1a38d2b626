// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's serial ports, as names CommName accepts ("ttyUSB0").
//
// Ports come from sysfs: every /sys/class/tty entry backed by a device (USB
// adapters, ACM modems, real UARTs) plus Bluetooth rfcomm ports. The 8250
// driver registers a fixed number of ports whether or not a UART is behind
// them; those read 0 in their `type` attribute and are left out.
#pragma once

#include <string>
#include <vector>

namespace tonvar::serial {

inline const std::string kSysClassTty = "/sys/class/tty";

// Replaces `list` with the ports found, sorted; leaves it untouched and
// returns false when the ports cannot be read.
bool ListSerialPorts(std::vector<std::string> &list, const std::string &sysfsRoot = kSysClassTty);

// What sysfs says of the USB device behind a port: "manufacturer product
// (vendor:product)", as much of it as the device reports; empty for a port
// that is no USB device or that sysfs does not know. The device's own texts
// are shown as printable ASCII only.
std::string UsbDescription(const std::string &name, const std::string &sysfsRoot = kSysClassTty);
// The USB device's serial number (printable ASCII), which tells identical
// cables apart; empty where it reports none.
std::string UsbSerialNumber(const std::string &name, const std::string &sysfsRoot = kSysClassTty);
// How the port selector shows a port: its name, then the USB cable's product
// (else its maker, else vendor:product) and serial number where sysfs tells
// them, as in "ttyUSB0 — FT232R USB UART (A12345)" (UTF-8); the name alone
// for a port that is no USB device.
std::string PortLabel(const std::string &name, const std::string &sysfsRoot = kSysClassTty);
// The device a port name or path stands for, links followed ("ttyUSB0" and
// its /dev/serial/by-id link both give "/dev/ttyUSB0"); the path as given
// where it cannot be resolved.
std::string ResolvedDevice(const std::string &port);
// The serial number of the USB cable behind a port name or path; empty
// where there is none.
std::string PortSerialNumber(const std::string &port);
// The port's name under /dev/serial/by-id (udev's stable link, which stays
// the same whichever USB socket the cable is in); empty where there is none.
std::string StablePath(const std::string &name, const std::string &byIdFolder = "/dev/serial/by-id");

// Ascending plain text order ignoring letter case: COM1, COM10, COM3.
void SortPortNames(std::vector<std::string> &names);
bool SamePortName(const std::string &a, const std::string &b);

// The selector's text after its items were replaced: the remembered text if
// it is still among the items (ignoring case), else the first item; with no
// items the text stays as it was and nothing is selected.
std::string TextAfterRefresh(const std::string &remembered, const std::vector<std::string> &items);

// The selector's item list: the ports found plus device paths the user named
// himself (a simulator's pseudo-terminal, a socat port), which stay listed for
// as long as they exist.
class PortList {
public:
    explicit PortList(std::string sysfsRoot = kSysClassTty) : sysfsRoot_(std::move(sysfsRoot)) {}

    const std::vector<std::string> &Items() const { return items_; }
    // Reads the ports again; false (items unchanged) when they cannot be read.
    bool Refresh();
    // Lists a device path and returns its index in Items().
    int AddDevicePath(const std::string &path);

private:
    std::string sysfsRoot_;
    std::vector<std::string> items_;
    std::vector<std::string> added_;
};

} // namespace tonvar::serial
