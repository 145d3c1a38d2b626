// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli station: radio after radio on one port, each with the next
// unused row of a roster, every one logged (cli/Station.h). A line a radio
// on standard output, and the bell on a terminal; what the station does on
// standard error; a summary at the end.
#include "cli/Station.h"
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "text/Convert.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <memory>

namespace tonvar::cli {

namespace {

std::string Plural(int n, const std::string &one, const std::string &many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "3 radios programmed, 2 rows left, 1 radio left alone, 0 failures".
std::string SummaryLine(const StationTotals &t)
{
    std::string line = Plural(t.programmed, "radio", "radios") + " programmed";
    if (t.rowsLeft >= 0)
        line += ", " + Plural(t.rowsLeft, "row", "rows") + " left";
    return line + ", " + Plural(t.leftAlone, "radio", "radios") + " left alone, " +
           Plural(t.failures, "failure", "failures");
}

std::string SummaryJson(const StationTotals &t)
{
    QJsonObject o;
    o.insert(QStringLiteral("summary"), true);
    o.insert(QStringLiteral("programmed"), t.programmed);
    o.insert(QStringLiteral("rowsLeft"), t.rowsLeft >= 0 ? QJsonValue(t.rowsLeft) : QJsonValue());
    o.insert(QStringLiteral("leftAlone"), t.leftAlone);
    o.insert(QStringLiteral("failures"), t.failures);
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

// The status as a line on standard error: "Waiting for a radio on ttyUSB0
// (Ctrl+C ends)…" once at the start, then as it changes.
std::string StatusLine(const std::string &status, bool first)
{
    std::string line = status;
    if (!line.empty())
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    return line + (first ? " (Ctrl+C ends)…" : "…");
}

} // namespace

int RunStation(const Options &options)
{
    StationSettings settings;
    settings.port = options.ports.front();
    settings.source = options.file;
    settings.roster = options.roster;
    settings.fromRow = options.fromRow;
    settings.backupDir = options.backupDir;
    settings.log = options.log;
    settings.rewrite = options.rewrite;
    settings.timeout = std::chrono::seconds(options.timeoutSeconds);
    settings.version = TONVAR_VERSION;
    std::unique_ptr<Station> station;
    try {
        station = std::make_unique<Station>(settings);
    } catch (const text::Failure &e) {
        std::fprintf(stderr, "tonvar-cli: %s%s\n", text::WithFullStop(e.what()).c_str(),
                     e.detail().empty() ? "" : (" " + e.detail()).c_str());
        return kExitUsage;
    }
    const bool talk = !options.quiet && !options.json;
    // The bell on whichever of the two is a terminal.
    std::FILE *bell = ::isatty(STDERR_FILENO) ? stderr : ::isatty(STDOUT_FILENO) ? stdout : nullptr;
    if (talk)
        for (const std::string &note : station->LogNotes())
            std::fprintf(stderr, "tonvar-cli: %s\n", note.c_str());
    bool logFailed = false;
    int signalled = 0;
    OnEventLoop(
        [&](std::function<void()> &interrupted) {
            QEventLoop loop;
            bool first = true;
            station->onStatus = [&] {
                if (!talk || station->Phase() == StationPhase::Finished)
                    return;
                std::fprintf(stderr, "%s\n", StatusLine(station->Status(), first).c_str());
                first = false;
            };
            station->onRecord = [&](const StationRecord &record, const std::string &logError) {
                if (options.json)
                    std::fprintf(stdout, "%s\n", RecordJson(record).c_str());
                else
                    std::fprintf(stdout, "%s\n", record.Line().c_str());
                std::fflush(stdout);
                if (!options.json && bell) {
                    std::fputc('\a', bell);
                    std::fflush(bell);
                }
                if (!logError.empty()) {
                    logFailed = true;
                    std::fprintf(stderr, "tonvar-cli: %s The station stops.\n", logError.c_str());
                }
            };
            station->onFinished = [&loop] { loop.quit(); };
            interrupted = [&] { station->Stop(); };
            if (talk)
                std::fprintf(stderr, "%s\n", StatusLine("waiting for a radio on " + PortLabel(settings.port), true).c_str());
            first = false;
            station->Start();
            loop.exec();
            interrupted = nullptr;
            return 0;
        },
        signalled);
    const StationTotals totals = station->Totals();
    if (options.json)
        std::fprintf(stdout, "%s\n", SummaryJson(totals).c_str());
    else
        std::fprintf(stdout, "%s\n", SummaryLine(totals).c_str());
    std::fflush(stdout);
    return totals.failures > 0 || logFailed ? kExitRadioFailure : kExitSuccess;
}

} // namespace tonvar::cli
