// SPDX-License-Identifier: GPL-3.0-or-later
// The built tonvar-cli run as a script runs it, and radio images to run it
// against.
#pragma once

#include "../e2e/SampleRadio.h"

#include "RadioSim.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <string>
#include <vector>

namespace tonvar::test {

// A temporary folder for the files a test has tonvar-cli read and write.
struct CliFiles {
    QTemporaryDir dir;
    std::string Path(const std::string &name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

// "" when `haystack` holds `needle`; else what it holds instead, for the
// failure report.
inline std::string Contains(const std::string &haystack, const std::string &needle)
{
    return haystack.find(needle) == std::string::npos ? "'" + needle + "' not in:\n" + haystack : "";
}

// How tonvar-cli's lines name a simulated radio's port: "pts-N".
inline std::string Label(const sim::RadioSimulator &radio)
{
    return "pts-" + radio.DevicePath().substr(std::string("/dev/pts/").size());
}

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts tonvar-cli; the caller waits for it.
inline void StartCli(QProcess &process, const std::vector<std::string> &args)
{
    QStringList list;
    for (const std::string &a : args)
        list << QString::fromStdString(a);
    process.start(QStringLiteral(TONVAR_CLI), list);
}

inline CliResult Finish(QProcess &process, int timeoutMs = 120000)
{
    CliResult r;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        r.err = "(still running after " + std::to_string(timeoutMs) + " ms)";
        return r;
    }
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err += process.readAllStandardError().toStdString();
    return r;
}

inline CliResult RunCli(const std::vector<std::string> &args)
{
    QProcess process;
    StartCli(process, args);
    return Finish(process);
}

// Every block the main window's sessions read and write.
inline std::vector<sim::Block> Memory(const sim::RadioSimulator &radio)
{
    std::vector<sim::Block> out;
    for (int ch = 1; ch <= 16; ++ch)
        out.push_back(radio.GetBlock(0, ch));
    out.push_back(radio.GetBlock(5, 0));
    return out;
}

// What the radio saw, byte for byte, each message with what followed it in
// its burst. A resend that a loaded machine may add (the same message again,
// 300 ms on) is folded into the message it repeats.
inline std::vector<std::string> Wire(const std::vector<sim::LogEntry> &log)
{
    std::vector<std::string> out;
    std::string last;
    for (const sim::LogEntry &e : log) {
        if (!out.empty() && sim::Summary(e) == last && e.bytes.size() + e.tail.size() == 34)
            continue;
        last = sim::Summary(e);
        out.push_back(sim::Describe(e));
    }
    return out;
}

} // namespace tonvar::test
