// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace tonvar::test {

Pty::Pty()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal name");
    slavePath_ = name;
}

Pty::~Pty()
{
    CloseMaster();
}

void Pty::CloseMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void Pty::Write(const std::vector<std::uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("write to pseudo-terminal failed");
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> Pty::Read(std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> out;
    std::uint8_t buf[4096];
    while (out.size() < count) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
            break;
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

} // namespace tonvar::test
