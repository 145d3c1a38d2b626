// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortErrors.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tonvar::serial {

namespace {

// Whom to ask for a port the user may not open: the device's group where
// that group may read and write it, else an administrator.
std::string PermissionDetail(const std::string &path)
{
    struct stat st {};
    std::string name = "dialout"; // the serial ports' group on Debian and its kin
    bool groupMayUse = true;      // where the device cannot be looked at, the usual case
    if (::stat(path.c_str(), &st) == 0) {
        groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
        std::string buffer(4096, '\0');
        group g{};
        group *found = nullptr;
        if (::getgrgid_r(st.st_gid, &g, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
            name = found->gr_name;
        else
            name = std::to_string(st.st_gid);
    }
    if (groupMayUse)
        return "You may not use " + path + ". Add your user to the group \"" + name +
               "\" (for example: sudo usermod -aG " + name + " $USER), then log out and in again.";
    return "You may not use " + path + ", and no group may use it either: only its owner may. Ask the " +
           "administrator for a udev rule that gives it to the group \"dialout\" (the tonvar package installs " +
           "one for the usual USB cables), then plug the cable in again.";
}

} // namespace

std::string FindPortHolder(const std::string &path, const std::string &procRoot)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(path, ec);
    const std::string self = std::to_string(::getpid());
    for (fs::directory_iterator p(procRoot, ec), end; !ec && p != end; p.increment(ec)) {
        const std::string pid = p->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code fdEc;
        for (fs::directory_iterator fd(p->path() / "fd", fdEc), fdEnd; !fdEc && fd != fdEnd; fd.increment(fdEc)) {
            std::error_code linkEc;
            const fs::path link = fs::read_symlink(fd->path(), linkEc);
            if (linkEc || (link != target && link != fs::path(path)))
                continue;
            if (pid == self)
                return "this program";
            std::string name;
            std::ifstream comm(p->path() / "comm");
            std::getline(comm, name);
            return (name.empty() ? std::string("a program") : name) + " (process " + pid + ")";
        }
    }
    return {};
}

std::string LockedPortDetail(const std::string &path, const std::string &holder)
{
    return path + " is in use by " + holder + ". Close it there, then try again.";
}

std::string OpenFailureDetail(const std::string &path, int error, const SystemPaths &where)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return PermissionDetail(path);
    case EBUSY:
    case EWOULDBLOCK: {
        const std::string holder = FindPortHolder(path, where.proc);
        if (IsModemManager(holder))
            return ModemManagerHint(path, holder);
        return path + " is in use by " + (holder.empty() ? std::string("another program") : holder) +
               ". Close it there, then try again.";
    }
    case ENOENT:
    case ENODEV:
    case ENXIO: {
        const std::string hint = MissingPortHint(path, where);
        return path + " is not there. Check that the programming cable is plugged in, or choose another port." +
               (hint.empty() ? "" : " " + hint);
    }
    case ENOTTY:
        return path + " is not a serial port.";
    default:
        return path + ": " + std::strerror(error) + ".";
    }
}

} // namespace tonvar::serial
