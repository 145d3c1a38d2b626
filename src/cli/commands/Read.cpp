// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli read: each radio's channels and settings saved as a channel file.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

namespace tonvar::cli {

int RunRead(const Options &options)
{
    return RunOnRadios(options, Job::Read,
                       [](const Options &o, RunSettings &run) { PrepareSaves(o, run, ".wh", FileKind::ChannelFile); });
}

} // namespace tonvar::cli
