// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli verify: each radio compared with a channel file, or read whole
// and compared with a radio image (with its own values from --roster).
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

namespace tonvar::cli {

int RunVerify(const Options &options)
{
    return RunOnRadios(options, Job::Verify, [](const Options &o, RunSettings &run) {
        if (PerRadio(o) ? IsRadioImage(PerRadioFiles(o, ".radio").front()) : IsRadioImage(o.file)) {
            run.job = Job::VerifyImage;
            LoadImages(o, run);
            return;
        }
        // A roster gives values of an image's fields; with a channel file it
        // would be ignored, and "equal" would say nothing of it.
        if (!o.roster.empty())
            throw UsageError("--roster is for radio images: " + o.file +
                             " is no radio image, so the roster's values would not be compared "
                             "(tonvar-cli verify --roster ROSTER IMAGE.radio)");
        LoadChannelFiles(o, run);
    });
}

} // namespace tonvar::cli
