// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli ports: the serial ports the radio may be on, one a line.
#include "cli/commands/Commands.h"

#include "serial/PortDiscovery.h"

#include <cstdio>

namespace tonvar::cli {

int RunPorts(const Options &)
{
    serial::PortList ports;
    if (!ports.Refresh()) {
        std::fprintf(stderr, "tonvar-cli: the serial ports cannot be listed: %s cannot be read\n",
                     serial::kSysClassTty.c_str());
        return kExitRadioFailure;
    }
    for (const std::string &name : ports.Items()) {
        // The cable's description, its serial number and udev's stable name
        // tell identical cables apart.
        std::string line = name;
        const std::string description = serial::UsbDescription(name);
        if (!description.empty()) {
            line += "\t" + description;
            const std::string number = serial::UsbSerialNumber(name);
            line += "\t" + (number.empty() ? std::string() : "serial " + number);
            line += "\t" + serial::StablePath(name);
            while (line.back() == '\t')
                line.pop_back();
        }
        std::printf("%s\n", line.c_str());
    }
    return kExitSuccess;
}

} // namespace tonvar::cli
