// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's runner timed, for the benchmarks of its commands.
#pragma once

#include "cli/RadioJob.h"
#include "cli/Runner.h"

#include "Bench.h"

namespace tonvar::bench {

// Seconds the runner takes for `run`; 0 when it does not succeed.
inline double TimedRun(const cli::RunSettings &run)
{
    const auto start = Clock::now();
    const int status = cli::Runner(run).Run();
    const double seconds = Seconds(Clock::now() - start);
    return status == cli::kExitSuccess ? seconds : 0;
}

} // namespace tonvar::bench
