// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/CableHints.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tonvar::serial {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path &p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

bool HasBrlttyRules(const fs::path &dir)
{
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().find("brltty") != std::string::npos)
            return true;
    return false;
}

} // namespace

bool BrlttyInstalled(const std::string &root)
{
    const fs::path r(root);
    for (const char *program : {"usr/bin/brltty", "bin/brltty", "usr/sbin/brltty", "sbin/brltty"})
        if (Exists(r / program))
            return true;
    for (const char *rules : {"usr/lib/udev/rules.d", "lib/udev/rules.d", "etc/udev/rules.d"})
        if (HasBrlttyRules(r / rules))
            return true;
    return false;
}

bool IsUsbSerialName(const std::string &name)
{
    const std::string prefix = "ttyUSB";
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool IsModemManager(const std::string &holder)
{
    return holder.rfind("ModemManager ", 0) == 0 || holder == "ModemManager";
}

std::string ModemManagerHint(const std::string &path, const std::string &holder)
{
    return holder + " is probing " + path + " for a modem: run sudo systemctl stop ModemManager and try again.";
}

std::string MissingPortHint(const std::string &path, const SystemPaths &where)
{
    if (path.rfind("/dev/pts/", 0) == 0 || !BrlttyInstalled(where.root))
        return {};
    std::vector<std::string> ports;
    ListSerialPorts(ports, where.sysfsTty); // unreadable: as if none were listed
    if (std::any_of(ports.begin(), ports.end(), IsUsbSerialName))
        return {};
    return kBrlttyHint;
}

std::string VanishedPortHint(const std::string &name, const SystemPaths &where)
{
    if (!IsUsbSerialName(name) || !BrlttyInstalled(where.root))
        return {};
    return kBrlttyHint;
}

void PlugTracker::Appeared(const std::string &name, Clock::time_point now)
{
    appeared_[name] = now;
}

bool PlugTracker::Vanished(const std::string &name, Clock::time_point now)
{
    const auto it = appeared_.find(name);
    if (it == appeared_.end())
        return false;
    const bool quick = now - it->second < kQuickVanish;
    appeared_.erase(it);
    return quick;
}

std::vector<std::string> PlugTracker::Compare(const std::vector<std::string> &before,
                                              const std::vector<std::string> &after, Clock::time_point now)
{
    const auto listed = [](const std::vector<std::string> &list, const std::string &name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    std::vector<std::string> quick;
    for (const std::string &name : before)
        if (!listed(after, name) && Vanished(name, now))
            quick.push_back(name);
    for (const std::string &name : after)
        if (!listed(before, name))
            Appeared(name, now);
    return quick;
}

} // namespace tonvar::serial
