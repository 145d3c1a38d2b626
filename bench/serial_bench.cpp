// SPDX-License-Identifier: GPL-3.0-or-later
// Serial port benchmark, run against a pseudo-terminal:
//  1. delay from the last byte of a reply to its OnReceiveData on the GUI
//     thread (target: ReadIntervalTimeout + under 2 ms), median and worst;
//  2. CPU used by an open, idle port (target: under 0.1 % of a core);
//  3. time ClosePort takes with a busy writer.
// Usage: serial_bench [replies] [idle-seconds]
#include "serial/SPComm.h"

#include "Pty.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tonvar::serial;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Report(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-40s median %8.3f ms   worst %8.3f ms   (n=%zu)\n", what, v[v.size() / 2], v.back(), v.size());
}

void Configure(TComm &comm, const tonvar::test::Pty &pty)
{
    comm.SetReadIntervalTimeout(20);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetCommName(pty.SlavePath());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int replies = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

    {
        tonvar::test::Pty pty;
        TComm comm;
        Configure(comm, pty);
        QEventLoop loop;
        Clock::time_point arrived;
        comm.OnReceiveData = [&](TComm *, const std::uint8_t *, std::uint16_t) {
            arrived = Clock::now();
            loop.quit();
        };
        comm.OpenPort();
        std::vector<double> delays;
        const std::vector<std::uint8_t> reply(34, 0x57);
        for (int i = 0; i < replies; ++i) {
            pty.Write(reply);
            const auto sent = Clock::now();
            loop.exec();
            delays.push_back(Ms(arrived - sent));
        }
        Report("last byte to OnReceiveData", delays);

        const double cpu0 = CpuSeconds();
        const auto wall0 = Clock::now();
        QTimer::singleShot(idleSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = CpuSeconds() - cpu0;
        std::printf("%-40s %8.4f %% of a core over %.1f s\n", "idle open port CPU",
                    100.0 * cpu / (Ms(Clock::now() - wall0) / 1000.0), Ms(Clock::now() - wall0) / 1000.0);
        comm.ClosePort();
    }
    {
        tonvar::test::Pty pty;
        TComm comm;
        Configure(comm, pty);
        std::vector<double> closes;
        const std::vector<std::uint8_t> block(4096, 0x55);
        for (int i = 0; i < 100; ++i) {
            comm.OpenPort();
            for (int k = 0; k < 16; ++k)
                comm.WritePort(block.data(), static_cast<std::uint16_t>(block.size()));
            const auto t0 = Clock::now();
            comm.ClosePort();
            closes.push_back(Ms(Clock::now() - t0));
            pty.Read(1 << 20, 0);
            QCoreApplication::processEvents();
        }
        Report("ClosePort with 64 KiB queued", closes);
    }
    return 0;
}
