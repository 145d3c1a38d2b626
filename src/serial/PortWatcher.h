// SPDX-License-Identifier: GPL-3.0-or-later
// Tells the GUI thread when serial devices come and go.
//
// With a udev daemon running, a udev monitor on the "tty" subsystem wakes
// the GUI thread whenever a port appears or leaves, and sysfs is read again
// every 3 s beside it: in a container the daemon may run while its events
// never reach us. Without a daemon (minimal systems) sysfs is read every
// 1.5 s. A rescan reads only the folder's entry names unless they changed,
// and raises devicesChanged only when the list of ports differs from the last
// reading.
//
// Either way it notes when ports arrive, and raises portVanishedAfterPlug
// for a port that went away within seconds of arriving (which is what brltty
// does to a CH340/CH341 cable).
//
// Create the watcher before the first listing of the ports, so that a
// device arriving in between is not missed.
#pragma once

#include "serial/CableHints.h"
#include "serial/PortDiscovery.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

namespace tonvar::serial {

class PortWatcher : public QObject {
    Q_OBJECT
public:
    // Automatic: the monitor where a udev daemon runs, else the rescan.
    // Monitor: the monitor (with its slow rescan) whether or not a daemon
    // runs. Rescan: the rescan alone.
    enum class Source { Automatic, Monitor, Rescan };

    explicit PortWatcher(QObject *parent = nullptr, Source source = Source::Automatic,
                         std::string sysfsRoot = kSysClassTty,
                         std::chrono::milliseconds rescanPeriod = std::chrono::milliseconds(1500),
                         std::chrono::milliseconds besideMonitorPeriod = std::chrono::milliseconds(3000));
    ~PortWatcher() override;
    PortWatcher(const PortWatcher &) = delete;
    PortWatcher &operator=(const PortWatcher &) = delete;

    // The udev monitor is in use (else only the rescan is).
    bool UsesMonitor() const { return monitor_ != nullptr; }

Q_SIGNALS:
    void devicesChanged();
    void portVanishedAfterPlug(const QString &name);

private:
    bool StartUdev(bool needDaemon);
    void StartRescan(std::chrono::milliseconds period);
    void OnUdevReadable();
    void OnRescan();

    std::string sysfsRoot_;
    udev *udev_ = nullptr;
    udev_monitor *monitor_ = nullptr;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *timer_ = nullptr;
    std::vector<std::string> entries_; // the folder's entry names at the last reading
    int lookAgain_ = 0;                // readings that look at the ports whatever the names
    std::vector<std::string> lastSeen_;
    PlugTracker plugs_;
};

} // namespace tonvar::serial
