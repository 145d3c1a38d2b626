// SPDX-License-Identifier: GPL-3.0-or-later
// The port selector's list: the machine's serial ports and the device paths
// the user named, kept up to date as cables come and go.
//
// When the ports change, the selector keeps the port the user chose while it
// is still there, and otherwise moves to the first one; ports that cannot be
// read change nothing. A device path the user names is listed and chosen.
// The port chosen is what a session opens.
#pragma once

#include "serial/PortDiscovery.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tonvar::app {

// The selector's editable list as PortSelector sees it (a combo box in the
// window).
class PortBox {
public:
    virtual ~PortBox() = default;
    virtual QString Text() const = 0;
    // Replaces the items and keeps the text, without telling of a change.
    virtual void SetItems(const std::vector<std::string> &items) = 0;
    virtual int Count() const = 0;
    // Makes the item at `index` the one chosen and its text the text.
    virtual void Select(int index) = 0;
    virtual void SetText(const QString &text) = 0;
};

class PortSelector {
public:
    // `chosen` is the port a session opens; `sysfsRoot` is where the ports
    // are listed.
    PortSelector(PortBox &box, std::string &chosen, std::string sysfsRoot = serial::kSysClassTty);

    // Lists the ports and chooses the first, as the window starts.
    void Fill();
    // The ports changed (a cable plugged in or pulled).
    void DevicesChanged();
    // Lists a device path discovery cannot see and chooses it; an empty path
    // changes nothing.
    void AddDevicePath(const QString &path);
    // A port went away right after it was plugged in: `report` is told why,
    // where there is a likely reason.
    static void VanishedAfterPlug(const QString &name,
                                  const std::function<void(const std::string &text, const std::string &hint)> &report);

private:
    PortBox &box_;
    std::string &chosen_;
    serial::PortList ports_;
};

} // namespace tonvar::app
