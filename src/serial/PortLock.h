// SPDX-License-Identifier: GPL-3.0-or-later
// UUCP lock files, the convention other serial programs (minicom, cu, ...)
// keep to: a port is taken by creating LCK..<device> in /run/lock (or
// /var/lock) that holds the owner's PID in ten characters and a newline
// ("      1234\n"). A lock whose process is gone is stale and may be removed.
//
// flock() and TIOCEXCL only keep out openers that ask for them; the lock file
// also keeps us from taking a port such a program has open, and tells it
// that we have.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tonvar::serial {

inline const std::vector<std::string> kLockDirectories{"/run/lock", "/var/lock"};

// "LCK..ttyUSB0" for /dev/ttyUSB0. Symbolic links (/dev/serial/by-id/...)
// are followed first, so every name of a device finds the same lock.
std::string LockFileName(const std::string &devicePath);
// The PID right-aligned in ten characters, then a newline.
std::string LockFileText(pid_t pid);
// The PID a lock file's text names, or nullopt when it names none.
std::optional<pid_t> ParseLockFile(const std::string &text);

class PortLock {
public:
    // Who holds a port: "minicom (process 1234)", "this program", ...
    struct Holder {
        pid_t pid = 0;
        std::string description;
    };

    explicit PortLock(std::vector<std::string> directories = kLockDirectories) : directories_(std::move(directories)) {}
    ~PortLock() { Release(); }
    PortLock(const PortLock &) = delete;
    PortLock &operator=(const PortLock &) = delete;

    void SetDirectories(std::vector<std::string> directories) { directories_ = std::move(directories); }

    // Takes the lock of `devicePath`, or returns the live process that holds
    // it. A stale lock is removed on the way. Where no lock folder exists or
    // can be written, no lock is taken, which is no failure.
    std::optional<Holder> Acquire(const std::string &devicePath);
    // Removes the lock file taken, if it is still ours.
    void Release();
    // The lock file taken, empty when none.
    const std::string &Path() const { return path_; }

private:
    std::optional<Holder> CheckExisting(const std::string &lockPath);
    enum class Created { Yes, Exists, CannotWrite };
    Created Create(const std::string &directory, const std::string &lockPath);

    std::vector<std::string> directories_;
    std::string path_;
};

} // namespace tonvar::serial
