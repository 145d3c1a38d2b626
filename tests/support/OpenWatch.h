// SPDX-License-Identifier: GPL-3.0-or-later
// Counts how often a device is opened, by anyone, from the moment it is
// constructed: the tests' view of "the tool opened the port once".
#pragma once

#include <string>

#include <sys/inotify.h>
#include <unistd.h>

namespace tonvar::test {

class OpenWatch {
public:
    explicit OpenWatch(const std::string &path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        // Closes are watched too: inotify folds repeated events that are not
        // read yet, and an open, a close and an open are not repeats.
        ok_ = fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE) >= 0;
    }
    ~OpenWatch()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;

    bool Ok() const { return ok_; }

    // The opens since the last call.
    int Opens()
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                opens_ += (e->mask & IN_OPEN) ? 1 : 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        return opens_;
    }

private:
    int fd_;
    bool ok_ = false;
    int opens_ = 0;
};

} // namespace tonvar::test
