// SPDX-License-Identifier: GPL-3.0-or-later
// A whole-radio backup (all six areas, 52 blocks) through tonvar-cli's
// runner against simulated radios modelling the line at 9600 baud both ways:
// one radio beside its wire floor (every byte both ways at 10 bits a byte,
// plus the 20 ms of quiet that ends each of the radio's 53 replies), and
// sixteen radios at once beside one. Every backup is checked to be whole:
// a success and an image equal to the radio's memory.
// Usage: backup_bench [runs]
#include "cli/RadioJob.h"
#include "cli/Runner.h"
#include "files/RadioImage.h"

#include "RadioSim.h"
#include "RunnerBench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tonvar;

namespace {

// The tool sends "PROGRAM" and a 4-byte request a block; the radio answers
// with one byte, then a 34-byte frame a block.
double Floor()
{
    constexpr int kBlocks = files::kRadioImageBlocks;
    constexpr double kByte = 10.0 / 9600.0;
    return (7 + kBlocks * 4 + 1 + kBlocks * 34) * kByte + (kBlocks + 1) * 0.020;
}

// Seconds to back `count` radios up at once; 0 when a backup was not whole.
double BackUp(int count)
{
    QTemporaryDir dir;
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    cli::RunSettings run;
    run.job = cli::Job::Backup;
    run.quiet = true;
    for (int i = 0; i < count; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(true));
        // Every block its own bytes, so a block read into the wrong place shows.
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            sim::Block bytes{};
            for (std::size_t k = 0; k < bytes.size(); ++k)
                bytes[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(b.area * 40 + b.number + i) + k);
            radios.back()->SetBlock(b.area, b.number, bytes);
        }
        radios.back()->Start();
        run.ports.push_back(radios.back()->DevicePath());
        run.targets.push_back(dir.filePath(QStringLiteral("radio%1.radio").arg(i)).toStdString());
    }
    const double seconds = bench::TimedRun(run);
    if (seconds == 0)
        return 0;
    for (int i = 0; i < count; ++i) {
        const files::RadioImage image = files::LoadRadioImage(run.targets[static_cast<std::size_t>(i)]);
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            const sim::Block held = radios[static_cast<std::size_t>(i)]->GetBlock(b.area, b.number);
            if (!std::equal(held.begin(), held.end(), image.At(b).begin()))
                return 0;
        }
    }
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = bench::Runs(argc, argv, 3);
    const auto times = bench::MeasureOneAndMany(
        "backup_bench", "a backup was not whole", runs, 16, BackUp, [](int run, double one, double sixteen) {
            std::printf("run %d: one radio %.3f s, sixteen radios %.3f s\n", run, one, sixteen);
        });
    if (!times)
        return 1;
    const double floor = Floor(), m1 = bench::Median(times->one), m16 = bench::Median(times->many);
    std::printf("whole-radio backup, median of %d: one radio %.3f s (floor %.3f s, ratio %.3f); sixteen radios at "
                "once %.3f s (ratio to one %.3f)\n",
                runs, m1, floor, m1 / floor, m16, m16 / m1);
    return 0;
}
