// SPDX-License-Identifier: GPL-3.0-or-later
// What read, write, verify, backup and restore share: the ports (--all
// among them, none twice), each radio's file, every file checked or loaded
// before any radio is touched, and the run of every radio at once on one
// event loop that Ctrl+C, SIGTERM and SIGHUP end as Cancel does.
#pragma once

#include "cli/CliOptions.h"
#include "cli/FileKinds.h"
#include "cli/Runner.h"

#include "text/Convert.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvar::cli {

// A refusal before any radio is touched that is no wrong usage: said in
// one line, with exit status 2.
class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `job` on every port given: `prepare` reads or checks the files into
// `run` (or changes its job) and throws UsageError, Refusal or text::Failure
// to end the command before any radio is touched. `options.ports` holds the
// ports of --all by then.
using Prepare = void (*)(const Options &options, RunSettings &run);
int RunOnRadios(Options options, Job job, Prepare prepare);

// Runs `body` on a QCoreApplication's event loop with Ctrl+C, SIGTERM and
// SIGHUP caught: each calls `interrupted` (which `body` sets) there, and
// the first one's number is kept in `signalled` (0: none). Returns what
// `body` returns.
int OnEventLoop(const std::function<int(std::function<void()> &interrupted)> &body, int &signalled);

// A file that does not load, said in one line on standard error; a file of
// the other kind says which command takes it. Returns kExitUsage.
int FileFailure(const std::string &file, const text::Failure &e);
// A file that could not be saved, said in one line on standard error.
// Returns kExitRadioFailure.
int SaveFailure(const text::Failure &e);

// Whether FILE is a folder or a name with {port} in it: a file for each
// radio, named as a read or a backup names them.
bool PerRadio(const Options &options);
// Each radio's own file, where PerRadio.
std::vector<std::string> PerRadioFiles(const Options &options, const std::string &extension);
std::vector<std::string> Labels(const std::vector<std::string> &ports);

// Read and backup: each radio's file, refused where it cannot be saved or
// holds another kind than `saves`.
void PrepareSaves(const Options &options, RunSettings &run, const std::string &extension, FileKind saves);
// Write and verify: each radio's channel file, loaded and converted.
void LoadChannelFiles(const Options &options, RunSettings &run);
// Restore and an image's verify: each radio's radio image, with its own
// values from --roster.
void LoadImages(const Options &options, RunSettings &run);

} // namespace tonvar::cli
