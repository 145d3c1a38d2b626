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

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
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

// "N" or "N:K": both numbers (K 0 when not given).
struct NumberPair {
    int first = 0;
    int second = 0;
    bool colon = false;
};

NumberPair Pair(const std::string &v)
{
    const auto colon = v.find(':');
    if (colon == std::string::npos)
        return {std::atoi(v.c_str()), 0, false};
    return {std::atoi(v.c_str()), std::atoi(v.c_str() + colon + 1), true};
}

} // namespace

int main(int argc, char **argv)
{
    using tonvar::sim::Faults;
    // The faults set by an option alone, and those set to the number given.
    const std::pair<const char *, bool Faults::*> switches[] = {
        {"--silent", &Faults::silent}, {"--deaf", &Faults::deaf}, {"--ack-every-copy", &Faults::ackEveryCopy}};
    const std::pair<const char *, int Faults::*> numbers[] = {
        {"--drop", &Faults::dropAnswer},
        {"--garbage", &Faults::garbageBeforeAnswer},
        {"--mark", &Faults::markAnswer},
        {"--hang-up", &Faults::hangUpAtAnswer},
        {"--bad-checksum", &Faults::badChecksumAnswer},
        {"--stale", &Faults::staleAnswer},
        {"--answer-delay", &Faults::answerDelayMs},
        {"--repeat-bad-checksum", &Faults::repeatBadChecksum},
        {"--stray", &Faults::strayAnswer},
    };
    bool pace = true;
    std::string image, save, link;
    Faults faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        const auto named = [&arg](const auto &option) { return arg == option.first; };
        if (const auto *s = std::find_if(std::begin(switches), std::end(switches), named); s != std::end(switches)) {
            faults.*(s->second) = true;
        } else if (const auto *n = std::find_if(std::begin(numbers), std::end(numbers), named);
                   n != std::end(numbers)) {
            faults.*(n->second) = std::atoi(value().c_str());
        } else if (arg == "--no-pace") {
            pace = false;
        } else if (arg == "--image") {
            image = value();
        } else if (arg == "--save") {
            save = value();
        } else if (arg == "--link") {
            link = value();
        } else if (arg == "--other-block") {
            const NumberPair v = Pair(value());
            faults.otherBlockAnswer = v.first;
            faults.otherBlock = v.second;
        } else if (arg == "--split") {
            const NumberPair v = Pair(value());
            faults.splitAnswer = v.first;
            faults.splitAfter = static_cast<std::size_t>(v.second);
        } else if (arg == "--not-stored") {
            const NumberPair v = Pair(value());
            if (!v.colon)
                return Usage();
            faults.notStoredArea = v.first;
            faults.notStoredBlock = v.second;
        } else {
            return Usage();
        }
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
