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
//
// A write is previewed first: the radio is read before it, the whole radio
// (52 blocks) when backups are on, else channels and settings alone. That
// read, up to the question, is timed beside its floor (the whole radio's
// 3.13 s, or a read's), and beside the write alone. Settings and backups go
// to a temporary folder, never the user's.
// Usage: session_bench [runs]
#include "app/AppWindows.h"
#include "app/ErrorHandler.h"
#include "app/TableRules.h"

#include "Bench.h"
#include "RadioSim.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>

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
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
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
    tonvar::app::SetFailureSink([&](const QString &text, const QString &detail) {
        message = text;
        std::fprintf(stderr, "session_bench: %s %s\n", qPrintable(text), qPrintable(detail));
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
    // The whole radio: "PROGRAM" and a 4-byte request a block, one byte and a
    // 34-byte frame a block back, and 20 ms of quiet after each reply.
    constexpr int kWholeBlocks = 52;
    const double wholeFloor =
        (7 + kWholeBlocks * 4 + 1 + kWholeBlocks * 34) * 10.0 / 9600.0 + (kWholeBlocks + 1) * 0.020;
    tonvar::app::TForm1 &form = *windows.Form1;
    bool asked = false;
    form.ConfirmWrite = [&](const tonvar::app::WriteQuestion &) {
        asked = true;
        loop.quit();
        return false; // measured to the question: nothing is written
    };
    for (int i = 0; i < runs; ++i) {
        // The write alone, as before previews.
        form.Writes().safety = tonvar::app::WriteSafety{false, false, 50};
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

        // The read before a write, up to its question: a channel differs so
        // that there is one.
        double before[2] = {0, 0};
        const char *beforeWhole[2] = {"", ""};
        for (const bool backups : {true, false}) {
            form.Writes().safety = tonvar::app::WriteSafety{true, backups, 50};
            form.table.SetCell(1, tonvar::memory::kColRxFreq, i % 2 ? "145.00000" : "146.00000");
            tonvar::app::CompleteCellEdit(form.table, 1, tonvar::memory::kColRxFreq); // as typed
            asked = false;
            message.clear();
            t0 = Clock::now();
            form.wbtn->click();
            loop.exec();
            before[backups ? 0 : 1] = Seconds(Clock::now() - t0);
            std::size_t seen = radio.Log().size();
            radio.ClearLog();
            beforeWhole[backups ? 0 : 1] = asked && seen == (backups ? 1u + kWholeBlocks : 18u) ? "" : "  INCOMPLETE";
        }
        std::printf("      read before a write: backups on %6.3f s (floor %5.3f s, ratio %4.2f, %4.2f of the write)%s"
                    "   off %6.3f s (floor %5.3f s, ratio %4.2f, %4.2f of the write)%s\n",
                    before[0], wholeFloor, before[0] / wholeFloor, before[0] / write, beforeWhole[0], before[1],
                    readFloor, before[1] / readFloor, before[1] / write, beforeWhole[1]);
    }

    radio.Stop();
    return 0;
}
