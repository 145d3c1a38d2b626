// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's cost per extra radio: one radio written, then four written at
// once on the one event loop, each against its own simulated radio modelling
// the line at 9600 baud both ways. Reports both times and their ratio (1.00
// would be no cost at all per extra radio), and checks every write is whole:
// a success and the file's channels in every radio.
// Usage: cli_bench [runs]
#include "cli/RadioJob.h"
#include "cli/Runner.h"
#include "memory/ChannelBlock.h"

#include "RadioSim.h"
#include "RunnerBench.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tonvar;

namespace {

cli::ChannelData Sample()
{
    cli::ChannelData data = cli::WindowStartState();
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        data.table.Row(ch) = {std::to_string(ch),
                              std::to_string(440 + ch) + ".12500",
                              "",
                              "67.0",
                              "023N",
                              "HIGH",
                              "WIDE",
                              "YES",
                              "12500",
                              "5",
                              "#",
                              "BOT",
                              "3",
                              "5TONE",
                              std::to_string(ch),
                              "NONE"};
    return data;
}

// Seconds to write the sample into `count` radios at once; 0 when a write
// was not whole.
double WriteAll(int count)
{
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    cli::RunSettings run;
    run.job = cli::Job::Write;
    run.file = Sample();
    run.quiet = true;
    for (int i = 0; i < count; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(true));
        radios.back()->Start();
        run.ports.push_back(radios.back()->DevicePath());
    }
    const double seconds = bench::TimedRun(run);
    if (seconds == 0)
        return 0;
    for (const auto &radio : radios) {
        memory::Payload payload{};
        memory::EncodeChannelBlock(run.file.table.Row(16), payload);
        const sim::Block held = radio->GetBlock(0, 16);
        if (!std::equal(held.begin(), held.end(), payload.begin()))
            return 0;
    }
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = bench::Runs(argc, argv, 5);
    const auto times = bench::MeasureOneAndMany(
        "cli_bench", "a write was not whole", runs, 4, WriteAll, [](int run, double one, double four) {
            std::printf("run %d: one radio %.3f s, four radios %.3f s, ratio %.3f\n", run, one, four, four / one);
        });
    if (!times)
        return 1;
    const double m1 = bench::Median(times->one), m4 = bench::Median(times->many);
    std::printf("median of %d: one radio %.3f s, four radios at once %.3f s, ratio %.3f\n", runs, m1, m4, m4 / m1);
    return 0;
}
