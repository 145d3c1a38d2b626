// SPDX-License-Identifier: GPL-3.0-or-later
// The port selector's list: the machine's serial ports and the device paths
// the user named, kept up to date as cables come and go.
//
// Each item shows the port with the cable's product and serial number where
// sysfs tells them; the port chosen (what a session opens) is the port's own
// name or path. When the ports change, the selector keeps the port the user
// chose while it is still there, and otherwise moves to the first one; ports
// that cannot be read change nothing. A device path the user names is listed
// and chosen. As the window starts, the port the user chose last time is
// chosen again when it is listed, else the first.
#pragma once

#include "serial/PortDiscovery.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tonvar::app {

// One item of the selector: the port a session opens ("ttyUSB0", or a path
// the user named) and what the list shows of it.
struct PortItem {
    std::string port;
    QString label;
    bool operator==(const PortItem &) const = default;
};

// The selector's list as PortSelector sees it (a combo box in the window).
class PortBox {
public:
    virtual ~PortBox() = default;
    // The port of the item chosen; empty when none is.
    virtual std::string Port() const = 0;
    // Replaces the items and keeps the item of the same port chosen (none
    // when it is gone), without telling of a change.
    virtual void SetItems(const std::vector<PortItem> &items) = 0;
    virtual int Count() const = 0;
    // Makes the item at `index` the one chosen.
    virtual void Select(int index) = 0;
};

// The port the user chose, kept for the next start: its name or path, and
// udev's stable link to it where there is one (the cable, whichever USB
// socket it is in).
struct RememberedPort {
    std::string port;
    std::string stable;
};
// As QSettings ("tonvar"/"tonvar") keeps it; empty when nothing is kept.
RememberedPort LoadRememberedPort();
void SaveRememberedPort(const RememberedPort &remembered);

class PortSelector {
public:
    // `chosen` is the port a session opens; `sysfsRoot` is where the ports
    // are listed.
    PortSelector(PortBox &box, std::string &chosen, std::string sysfsRoot = serial::kSysClassTty);

    // The stable link of a port name; empty where there is none. Tests
    // replace it.
    std::function<std::string(const std::string &name)> stableLink = [](const std::string &name) {
        return serial::StablePath(name);
    };

    // Lists the ports as the window starts and chooses `remembered` when it
    // is listed (by its stable link first, the cable having moved to another
    // socket, else by its name), else the first.
    void Fill(const RememberedPort &remembered = {});
    // The ports changed (a cable plugged in or pulled).
    void DevicesChanged();
    // The user chose the item at `index`: it is what a session opens, and
    // what is returned is to be kept for the next start.
    RememberedPort Choose(int index);
    // Lists a device path discovery cannot see and chooses it; an empty path
    // changes nothing.
    void AddDevicePath(const QString &path);
    // What the user holds chosen now, to be kept for the next start.
    RememberedPort Remembered() const;
    // A port went away right after it was plugged in: `report` is told why,
    // where there is a likely reason.
    static void VanishedAfterPlug(const QString &name,
                                  const std::function<void(const std::string &text, const std::string &hint)> &report);

private:
    std::vector<PortItem> Items() const;
    int IndexOf(const std::string &port) const;

    PortBox &box_;
    std::string &chosen_;
    std::string sysfsRoot_;
    serial::PortList ports_;
};

} // namespace tonvar::app
