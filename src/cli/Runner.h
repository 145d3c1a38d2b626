// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one RadioJob per port, all at once on the one Qt event loop: each has
// its own TComm, set up as the main window sets up its port, and its own
// 300 ms resend timer. One radio's failure never stops another.
#pragma once

#include "cli/CliOptions.h"
#include "cli/Progress.h"
#include "cli/RadioJob.h"
#include "link/RadioPort.h"

#include <QObject>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tonvar::cli {

struct RunSettings {
    Job job = Job::Read;
    std::vector<std::string> ports;
    std::vector<std::string> targets;      // a read's file for each port
    ChannelData file;                      // what a write sends or a verify compares with
    std::vector<ChannelData> files;        // each radio's own, by port, where given
    files::RadioImage image;               // what a restore sends or an image's verify compares with
    std::vector<files::RadioImage> images; // a roster's restore: each radio's own, by port
    std::vector<std::string> values;       // and the values the roster gave it
    std::vector<std::vector<std::pair<std::string, std::string>>> valueFields; // the same, field by field
    std::chrono::milliseconds timeout{10000};
    bool quiet = false;
    bool json = false;     // one JSON object per radio on `out` instead of the summary
    bool verify = true;    // a write reads back what it wrote
    // write or restore --dry-run: the job is a verify of what they would
    // write, reported as what they would change; nothing is written.
    bool dryRun = false;
    std::string backupDir; // a write backs each radio up whole into this folder first
    ProgressDisplay::Mode progress = ProgressDisplay::Mode::Lines;
    std::FILE *out = stdout; // differences and the summary
    std::FILE *err = stderr; // progress and errors
};

// One job on its own port, set up as the main window sets up its port, with
// its own resend timer: the port's chunks, its hang-up and Tim1's ticks go
// to the job. The session's short pauses sleep.
struct JobOnPort {
    JobOnPort(const std::string &portName, Job kind, std::chrono::milliseconds timeout, const ChannelData &file,
              bool verify, const files::RadioImage &image);
    JobOnPort(const JobOnPort &) = delete;
    JobOnPort &operator=(const JobOnPort &) = delete;

    link::RadioPort port;
    RadioJob job;
};

// DIR/<label>-<local time>.radio, or with -2, -3 ... after the time where
// that name is taken: a backup never replaces a file, an earlier run's
// backup (of the same second) or anything else.
std::string BackupPath(const std::string &folder, const std::string &label);

class Runner : public QObject {
public:
    explicit Runner(RunSettings settings, QObject *parent = nullptr);
    ~Runner() override;

    // Runs every job to its end; returns the exit status.
    int Run();
    // Ends every session still running, as Cancel does (Ctrl+C).
    void CancelAll(const std::string &why);

    struct Radio;

private:
    void Poll();
    void Ended(std::size_t index);
    // A radio's summary line after success: "read, saved to FILE", ...
    std::string Summary(std::size_t index) const;
    // --json: a radio's record, one line.
    std::string JsonLine(std::size_t index) const;
    int ExitStatus() const;
    // A dry run's differences beyond the verify's: what the write or
    // restore would change that the verify does not compare.
    std::vector<signalling::FieldDifference> DryRunExtra(std::size_t index) const;

    RunSettings settings_;
    std::vector<std::unique_ptr<Radio>> radios_;
    ProgressDisplay display_;
    QTimer poll_;
    bool running_ = false;
};

} // namespace tonvar::cli
