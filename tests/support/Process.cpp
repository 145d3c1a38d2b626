// SPDX-License-Identifier: GPL-3.0-or-later
#include "Process.h"

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace tonvar::test {

namespace {

std::vector<char *> CStrings(std::vector<std::string> &strings)
{
    std::vector<char *> out;
    for (std::string &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

std::vector<std::string> Environment(const std::vector<std::string> &changes)
{
    std::vector<std::string> out;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string &c : changes)
            replaced = replaced || c.substr(0, c.find('=')) == name;
        if (!replaced)
            out.push_back(entry);
    }
    out.insert(out.end(), changes.begin(), changes.end());
    return out;
}

pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, int out, int err, int keep)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (out >= 0)
            ::dup2(out, 1);
        if (err >= 0)
            ::dup2(err, 2);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            ::dup2(devnull, 0);
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keep)
                ::close(fd);
        ::setpgid(0, 0);
        auto args = CStrings(argv);
        auto envp = CStrings(env);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    using Clock = std::chrono::steady_clock;
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < end) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace tonvar::test
