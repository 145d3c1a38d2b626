// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace tonvar::serial {

namespace fs = std::filesystem;

namespace {

// A lock file being written by its owner may be empty for a moment; one that
// still names nobody after this long was left behind.
constexpr auto kUnfinishedLockAge = std::chrono::seconds(2);

bool ReadFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool Alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string Describe(pid_t pid)
{
    if (pid == ::getpid())
        return "this program";
    std::string name;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, name);
    return (name.empty() ? std::string("a program") : name) + " (process " + std::to_string(pid) + ")";
}

bool Young(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const auto age = std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec);
    return age < kUnfinishedLockAge;
}

} // namespace

std::string LockFileName(const std::string &devicePath)
{
    std::error_code ec;
    fs::path device = fs::canonical(devicePath, ec);
    if (ec)
        device = devicePath;
    return "LCK.." + device.filename().string();
}

std::string LockFileText(pid_t pid)
{
    char text[32];
    std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(pid));
    return text;
}

std::optional<pid_t> ParseLockFile(const std::string &text)
{
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    long long pid = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 10; ++i, ++digits)
        pid = pid * 10 + (text[i] - '0');
    const bool ended = i == text.size() || text[i] == '\n';
    if (digits == 0 || !ended || pid <= 0 || pid > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<pid_t>(pid);
}

std::optional<PortLock::Holder> PortLock::CheckExisting(const std::string &lockPath)
{
    std::string text;
    if (!ReadFile(lockPath, text))
        return std::nullopt; // none (or none we may read, which we cannot judge either)
    const std::optional<pid_t> pid = ParseLockFile(text);
    if (pid && Alive(*pid))
        return Holder{*pid, Describe(*pid)};
    if (!pid && Young(lockPath))
        return Holder{0, "another program"};
    ::unlink(lockPath.c_str()); // stale: its owner is gone
    return std::nullopt;
}

PortLock::Created PortLock::Create(const std::string &directory, const std::string &lockPath)
{
    // Written in full under a private name, then linked into place: nobody
    // ever sees a half-written lock of ours.
    const std::string temp = directory + "/LTMP." + std::to_string(::getpid());
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return Created::CannotWrite;
    const std::string text = LockFileText(::getpid());
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return Created::CannotWrite;
    }
    const int linked = ::link(temp.c_str(), lockPath.c_str());
    const int error = errno;
    ::unlink(temp.c_str());
    if (linked == 0)
        return Created::Yes;
    return error == EEXIST ? Created::Exists : Created::CannotWrite;
}

std::optional<PortLock::Holder> PortLock::Acquire(const std::string &devicePath)
{
    Release();
    const std::string name = LockFileName(devicePath);
    // The same folder under two names (/var/lock is often /run/lock) counts once.
    std::vector<std::string> folders;
    std::set<fs::path> seen;
    for (const std::string &d : directories_) {
        std::error_code ec;
        const fs::path real = fs::canonical(d, ec);
        if (!ec && fs::is_directory(real, ec) && seen.insert(real).second)
            folders.push_back(d);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        for (const std::string &folder : folders)
            if (auto holder = CheckExisting(folder + "/" + name))
                return holder;
        bool raced = false;
        for (const std::string &folder : folders) {
            const std::string lockPath = folder + "/" + name;
            const Created created = Create(folder, lockPath);
            if (created == Created::Yes) {
                path_ = lockPath;
                return std::nullopt;
            }
            if (created == Created::Exists) {
                raced = true; // someone took it just now: look again
                break;
            }
        }
        if (!raced)
            return std::nullopt; // no folder we may write: go on without a lock
    }
    return Holder{0, "another program"};
}

void PortLock::Release()
{
    if (path_.empty())
        return;
    std::string text;
    if (ReadFile(path_, text) && ParseLockFile(text) == ::getpid())
        ::unlink(path_.c_str());
    path_.clear();
}

} // namespace tonvar::serial
