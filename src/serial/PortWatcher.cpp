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

void PortWatcher::StartRescan(std::chrono::milliseconds period)
{
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
    ListSerialPorts(lastSeen_, sysfsRoot_);
    Q_EMIT devicesChanged();
    for (const std::string &name : quick)
        Q_EMIT portVanishedAfterPlug(QString::fromStdString(name));
}

void PortWatcher::OnRescan()
{
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
