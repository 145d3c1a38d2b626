// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window costs while nothing happens: the built application
// is started (on Xvfb where it is installed, else the offscreen platform),
// left alone for a while, and the processor time it used in that span is
// reported as a share of one core (median of three runs).
#include "Process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using tonvar::test::Environment;
using tonvar::test::Spawn;
using tonvar::test::Stop;

// User plus system time of a process, in clock ticks.
long CpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) // fields 3 to 13
        fields >> skip;
    long utime = 0;
    long stime = 0;
    fields >> utime >> stime;
    return utime + stime;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string program = argc > 1 ? argv[1] : TONVAR_BINARY;
    const auto span = argc > 2 ? std::chrono::seconds(std::atoi(argv[2])) : 20s;
    const bool xvfb = std::system("command -v Xvfb > /dev/null 2>&1") == 0;
    pid_t server = -1;
    std::vector<std::string> env{"XDG_RUNTIME_DIR=/tmp"};
    const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (xvfb) {
        server =
            Spawn({"Xvfb", ":97", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, Environment({}), -1, devnull);
        std::this_thread::sleep_for(1s);
        env.push_back("DISPLAY=:97");
        env.push_back("QT_QPA_PLATFORM=xcb");
    } else {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    }
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::vector<double> shares;
    for (int run = 0; run < 3; ++run) {
        const pid_t app = Spawn({program}, Environment(env), devnull, devnull);
        std::this_thread::sleep_for(3s); // started and settled
        const long before = CpuTicks(app);
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(span);
        const long after = CpuTicks(app);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        Stop(app);
        if (before < 0 || after < 0) {
            std::fprintf(stderr, "idle_bench: the application did not run\n");
            Stop(server);
            return 1;
        }
        shares.push_back(100.0 * (static_cast<double>(after - before) / tick) / seconds);
    }
    Stop(server);
    ::close(devnull);
    std::sort(shares.begin(), shares.end());
    std::printf("idle main window (%s): %.2f %% of a core (median of 3 runs of %lld s; runs %.2f %.2f %.2f)\n",
                xvfb ? "Xvfb" : "offscreen", shares[1], static_cast<long long>(span.count()), shares[0], shares[1],
                shares[2]);
    return 0;
}
