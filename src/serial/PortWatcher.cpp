// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortWatcher.h"

#include <QSocketNotifier>
#include <QTimer>

#include <libudev.h>

#include <filesystem>
#include <system_error>

namespace tonvar::serial {

PortWatcher::PortWatcher(QObject *parent, Source source, std::string sysfsRoot, std::chrono::milliseconds rescanPeriod,
                         std::chrono::milliseconds besideMonitorPeriod)
    : QObject(parent), sysfsRoot_(std::move(sysfsRoot))
{
    const bool monitor = source != Source::Rescan && StartUdev(source == Source::Automatic);
    StartRescan(monitor ? besideMonitorPeriod : rescanPeriod);
}

PortWatcher::~PortWatcher()
{
    delete notifier_;
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

bool PortWatcher::StartUdev(bool needDaemon)
{
    // Without the daemon no "udev" events are ever sent.
    std::error_code ec;
    if (needDaemon && !std::filesystem::exists("/run/udev/control", ec))
        return false;
    udev_ = udev_new();
    if (!udev_)
        return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        udev_unref(udev_);
        udev_ = nullptr;
        return false;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &PortWatcher::OnUdevReadable);
    return true;
}

namespace {

// The names in the tty class folder, unsorted: a port comes and goes with
// its entry there, so while these stay the same no port needs to be looked
// at again.
std::vector<std::string> EntryNames(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

} // namespace

void PortWatcher::StartRescan(std::chrono::milliseconds period)
{
    entries_ = EntryNames(sysfsRoot_);
    ListSerialPorts(lastSeen_, sysfsRoot_);
    timer_ = new QTimer(this);
    timer_->setInterval(period);
    connect(timer_, &QTimer::timeout, this, &PortWatcher::OnRescan);
    timer_->start();
}

void PortWatcher::OnUdevReadable()
{
    bool any = false;
    std::vector<std::string> quick;
    while (udev_device *device = udev_monitor_receive_device(monitor_)) {
        const char *action = udev_device_get_action(device);
        const char *name = udev_device_get_sysname(device);
        if (action && name) {
            const std::string a = action;
            if (a == "add")
                plugs_.Appeared(name, PlugTracker::Clock::now());
            else if (a == "remove" && plugs_.Vanished(name, PlugTracker::Clock::now()))
                quick.emplace_back(name);
        }
        udev_device_unref(device);
        any = true;
    }
    if (!any)
        return;
    // The rescan beside the monitor starts from what the monitor reported.
    entries_ = EntryNames(sysfsRoot_);
    lookAgain_ = 2;
    ListSerialPorts(lastSeen_, sysfsRoot_);
    Q_EMIT devicesChanged();
    for (const std::string &name : quick)
        Q_EMIT portVanishedAfterPlug(QString::fromStdString(name));
}

void PortWatcher::OnRescan()
{
    // A new entry's links and attributes may follow it by a moment: the
    // ports are looked at again on the next reading too.
    std::vector<std::string> entries = EntryNames(sysfsRoot_);
    if (entries != entries_) {
        entries_ = std::move(entries);
        lookAgain_ = 2;
    }
    if (lookAgain_ == 0)
        return;
    --lookAgain_;
    std::vector<std::string> now = lastSeen_;
    if (ListSerialPorts(now, sysfsRoot_) && now != lastSeen_) {
        const std::vector<std::string> quick = plugs_.Compare(lastSeen_, now, PlugTracker::Clock::now());
        lastSeen_ = std::move(now);
        Q_EMIT devicesChanged();
        for (const std::string &name : quick)
            Q_EMIT portVanishedAfterPlug(QString::fromStdString(name));
    }
}

} // namespace tonvar::serial
