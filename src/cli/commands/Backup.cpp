// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli backup: each whole radio saved as a radio image.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

namespace tonvar::cli {

int RunBackup(const Options &options)
{
    return RunOnRadios(options, Job::Backup, [](const Options &o, RunSettings &run) {
        PrepareSaves(o, run, ".radio", FileKind::RadioImage);
    });
}

} // namespace tonvar::cli
