// SPDX-License-Identifier: GPL-3.0-or-later
// Whole sessions against the simulated radio, which models the line at 9600
// baud both ways, beside the wire floor: every byte both ways at 10 bits a
// byte, plus the 20 ms of quiet that ends each of the radio's 18 replies. A
// ratio below 1 would mean the line is not modelled; what lies above 1 is the
// tool's own time. A write reads back what it wrote: it is set beside the
// sum of both floors (a write's and a read's). Each session is checked to be
// whole: its success message and the radio's 18 messages (36 for a write and
// its read-back). Also the time to the first shown main window (the idle
// application's CPU is idle_bench's).
// Usage: session_bench [runs]
#include "app/AppWindows.h"
#include "app/ErrorHandler.h"

#include "Bench.h"
#include "RadioSim.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using tonvar::bench::Clock;
using tonvar::bench::Seconds;

namespace {

double Floor(int toolBytes, int radioBytes)
{
    constexpr double kByte = 10.0 / 9600.0;
    return (toolBytes + radioBytes) * kByte + 18 * 0.020;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto started = Clock::now();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;

    tonvar::app::AppWindows windows;
    windows.Form1->show();
    QCoreApplication::processEvents();
    std::printf("%-34s %8.3f s\n", "start-up to shown main window", Seconds(Clock::now() - started));

    tonvar::sim::RadioSimulator radio(true);
    radio.Start();
    windows.Form1->AddDevicePath(QString::fromStdString(radio.DevicePath()));
    QEventLoop loop;
    QString message;
    tonvar::app::SetMessageSink([&](const QString &text) {
        message = text;
        loop.quit();
    });
    // The session ended as it should, and the radio took every message once.
    const auto whole = [&](const char *expected, std::size_t messages) {
        std::vector<std::string> seen;
        for (const tonvar::sim::LogEntry &e : radio.Log())
            seen.push_back(tonvar::sim::Summary(e));
        radio.ClearLog();
        return message == QLatin1String(expected) && seen.size() == messages ? "" : "  INCOMPLETE";
    };

    const double readFloor = Floor(7 + 17 * 4, 1 + 17 * 34);
    const double writeFloor = Floor(7 + 17 * 34, 18) + readFloor;
    for (int i = 0; i < runs; ++i) {
        radio.ClearLog();
        auto t0 = Clock::now();
        windows.Form1->rbtn->click();
        loop.exec();
        const double read = Seconds(Clock::now() - t0);
        const char *readWhole = whole("   Read Succeed!", 18);
        t0 = Clock::now();
        windows.Form1->wbtn->click();
        loop.exec();
        const double write = Seconds(Clock::now() - t0);
        const char *writeWhole = whole("Write Succeed!", 36);
        std::printf("read  %6.3f s (floor %5.3f s, ratio %4.2f)%s   write and read-back %6.3f s (floors %5.3f s, "
                    "ratio %4.2f)%s\n",
                    read, readFloor, read / readFloor, readWhole, write, writeFloor, write / writeFloor, writeWhole);
    }

    radio.Stop();
    return 0;
}
