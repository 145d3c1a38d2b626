// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli write: a channel file (or each radio its own) written into the
// radios, each backed up whole first with --backup.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tonvar::cli {

int RunWrite(const Options &options)
{
    return RunOnRadios(options, Job::Write, [](const Options &o, RunSettings &run) {
        // A backup that cannot be saved writes nothing: its folder is there
        // to take it before any radio is touched.
        if (!o.backupDir.empty() && (!IsFolder(o.backupDir) || ::access(o.backupDir.c_str(), W_OK | X_OK) != 0))
            throw Refusal("--backup " + o.backupDir + ": " +
                          (IsFolder(o.backupDir) ? std::strerror(errno) : "not an existing folder"));
        LoadChannelFiles(o, run);
        // A dry run is the verify of what would be written: the same files
        // (and values), checked the same way, read only.
        if (o.dryRun) {
            run.job = Job::Verify;
            run.dryRun = true;
        }
    });
}

} // namespace tonvar::cli
