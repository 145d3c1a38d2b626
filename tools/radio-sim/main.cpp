// SPDX-License-Identifier: GPL-3.0-or-later
// radio-sim: a simulated radio on a pseudo-terminal.
//
//   radio-sim [--no-pace] [--image FILE] [--save FILE] [--link PATH]
//             [--silent] [--drop N] [--other-block N:B] [--split N]
//             [--garbage N] [--mark N] [--hang-up N] [--bad-checksum N]
//             [--stale N] [--answer-delay MS] [--deaf]
//             [--repeat-bad-checksum N] [--stray N] [--not-stored AREA:BLOCK]
//             [--ack-every-copy]
//
// Prints the device path to give the tool ("Device Path..." in its Port
// menu), then every message it receives, until interrupted. N counts the
// radio's answers from 1.
#include "RadioSim.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: radio-sim [--no-pace] [--image FILE] [--save FILE] [--link PATH] [--silent]\n"
                 "                 [--drop N] [--other-block N:B] [--split N[:K]] [--garbage N] [--mark N]\n"
                 "                 [--hang-up N] [--bad-checksum N] [--stale N] [--answer-delay MS] [--deaf]\n"
                 "                 [--repeat-bad-checksum N] [--stray N] [--not-stored AREA:BLOCK] [--ack-every-copy]\n"
                 "\n"
                 "N counts the radio's answers from 1.\n"
                 "  --repeat-bad-checksum N  answers N and N+1 carry the same line error (checksum wrong)\n"
                 "  --stray N                a well-formed frame nobody asked for comes before answer N\n"
                 "  --not-stored AREA:BLOCK  that block is acknowledged when written and never stored\n"
                 "  --ack-every-copy         every message, each copy of a resend too, is stored on arrival\n"
                 "                           and answered --answer-delay MS after it arrived\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    bool pace = true;
    std::string image, save, link;
    tonvar::sim::Faults faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        const auto number = [&]() { return std::atoi(value().c_str()); };
        if (arg == "--no-pace")
            pace = false;
        else if (arg == "--image")
            image = value();
        else if (arg == "--save")
            save = value();
        else if (arg == "--link")
            link = value();
        else if (arg == "--silent")
            faults.silent = true;
        else if (arg == "--drop")
            faults.dropAnswer = number();
        else if (arg == "--other-block") {
            const std::string v = value();
            faults.otherBlockAnswer = std::atoi(v.c_str());
            const auto colon = v.find(':');
            faults.otherBlock = colon == std::string::npos ? 0 : std::atoi(v.c_str() + colon + 1);
        } else if (arg == "--split") {
            const std::string v = value();
            faults.splitAnswer = std::atoi(v.c_str());
            const auto colon = v.find(':');
            faults.splitAfter =
                colon == std::string::npos ? 0 : static_cast<std::size_t>(std::atoi(v.c_str() + colon + 1));
        } else if (arg == "--bad-checksum")
            faults.badChecksumAnswer = number();
        else if (arg == "--stale")
            faults.staleAnswer = number();
        else if (arg == "--answer-delay")
            faults.answerDelayMs = number();
        else if (arg == "--deaf")
            faults.deaf = true;
        else if (arg == "--repeat-bad-checksum")
            faults.repeatBadChecksum = number();
        else if (arg == "--stray")
            faults.strayAnswer = number();
        else if (arg == "--ack-every-copy")
            faults.ackEveryCopy = true;
        else if (arg == "--not-stored") {
            const std::string v = value();
            const auto colon = v.find(':');
            if (colon == std::string::npos)
                return Usage();
            faults.notStoredArea = std::atoi(v.c_str());
            faults.notStoredBlock = std::atoi(v.c_str() + colon + 1);
        } else if (arg == "--garbage")
            faults.garbageBeforeAnswer = number();
        else if (arg == "--mark")
            faults.markAnswer = number();
        else if (arg == "--hang-up")
            faults.hangUpAtAnswer = number();
        else
            return Usage();
    }

    tonvar::sim::RadioSimulator radio(pace);
    if (!image.empty() && !radio.LoadImage(image)) {
        std::fprintf(stderr, "radio-sim: %s is not a memory image of %zu bytes\n", image.c_str(),
                     tonvar::sim::kImageSize);
        return 1;
    }
    radio.SetFaults(faults);
    radio.SetLogSink([](const tonvar::sim::LogEntry &e) {
        std::printf("%s\n", tonvar::sim::Describe(e).c_str());
        std::fflush(stdout);
    });
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(radio.DevicePath().c_str(), link.c_str()) != 0)
            std::fprintf(stderr, "radio-sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
    }
    std::printf("radio-sim: device %s\n", (link.empty() ? radio.DevicePath() : link).c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    radio.Start();
    while (!g_stop && !radio.HungUp())
        ::usleep(100 * 1000);
    radio.Stop();
    if (!link.empty())
        ::unlink(link.c_str());
    if (!save.empty() && !radio.SaveImage(save)) {
        std::fprintf(stderr, "radio-sim: cannot save %s\n", save.c_str());
        return 1;
    }
    return 0;
}
