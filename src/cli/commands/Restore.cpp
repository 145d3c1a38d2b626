// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli restore: a radio image (or each radio its own) written into the
// radios, each with its own values from --roster, no two with the same IDs.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "cli/Fleet.h"

namespace tonvar::cli {

int RunRestore(const Options &options)
{
    return RunOnRadios(options, Job::Restore, [](const Options &o, RunSettings &run) {
        LoadImages(o, run);
        // Without a roster too, no two radios get the same IDs: one image
        // restored into several radios gives each the image's.
        if (o.roster.empty() && !o.allowDuplicateIds)
            RefuseDuplicateIds(PerRadio(o) ? run.images : std::vector(run.ports.size(), run.image), Labels(run.ports));
        // A dry run is the verify of what would be written: the same files
        // (and values), checked the same way, read only.
        if (o.dryRun) {
            run.job = Job::VerifyImage;
            run.dryRun = true;
        }
    });
}

} // namespace tonvar::cli
