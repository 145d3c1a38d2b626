// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-radio-sim: a simulated radio on a pseudo-terminal.
//
//   tonvar-radio-sim [--no-pace] [--image FILE] [--save FILE] [--link PATH]
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
#include <optional>
#include <string>
#include <utility>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

constexpr const char *kName = "tonvar-radio-sim";

constexpr const char *kHelp =
    "Usage: tonvar-radio-sim [OPTION]...\n"
    "A simulated radio on a pseudo-terminal: prints its device (give it to tonvar's\n"
    "Port > Device Path... or to tonvar-cli --port), then every message it receives,\n"
    "until interrupted.\n"
    "\n"
    "  -h, --help               show this help and exit\n"
    "      --no-pace            answer at once instead of at the pace of 9600 baud\n"
    "      --image FILE         start with the memory image in FILE (1456 bytes)\n"
    "      --save FILE          save the memory image to FILE at the end\n"
    "      --link PATH          also reach the device as PATH (a symbolic link)\n"
    "\n"
    "Faults on request; N counts the radio's answers from 1:\n"
    "      --silent             never answer\n"
    "      --deaf               with --answer-delay: ignore messages while an answer is pending\n"
    "      --drop N             leave answer N out\n"
    "      --other-block N:B    answer N with block B instead of the one asked for\n"
    "      --split N[:K]        send answer N in two pieces, its first K bytes (half) then the rest\n"
    "      --garbage N          three stray bytes and a pause before answer N\n"
    "      --mark N             put 0x30 at offset 5 of answer N\n"
    "      --hang-up N          close the line instead of giving answer N\n"
    "      --bad-checksum N     a line error in answer N (checksum wrong)\n"
    "      --repeat-bad-checksum N  answers N and N+1 carry the same line error\n"
    "      --stale N            answer request N with the frame of the request before it\n"
    "      --stray N            a well-formed frame nobody asked for comes before answer N\n"
    "      --answer-delay MS    wait MS milliseconds before every answer\n"
    "      --not-stored AREA:BLOCK  acknowledge that block when written and never store it\n"
    "      --ack-every-copy     store every message, each copy of a resend too, on arrival\n";

// A command line that cannot be followed: said on stderr, exit status 2.
int Refuse(const std::string &why)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for its options.\n", kName, why.c_str(), kName);
    return 2;
}

bool IsNumber(const std::string &v)
{
    return !v.empty() && v.size() <= 9 && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "N" or "N:K": both numbers (K 0 when not given).
struct NumberPair {
    int first = 0;
    int second = 0;
    bool colon = false;
};

// Null for a value that is neither.
std::optional<NumberPair> Pair(const std::string &v)
{
    const auto colon = v.find(':');
    if (colon == std::string::npos)
        return IsNumber(v) ? std::optional<NumberPair>({std::atoi(v.c_str()), 0, false}) : std::nullopt;
    const std::string first = v.substr(0, colon), second = v.substr(colon + 1);
    if (!IsNumber(first) || !IsNumber(second))
        return std::nullopt;
    return NumberPair{std::atoi(first.c_str()), std::atoi(second.c_str()), true};
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
        const bool hasValue = i + 1 < argc;
        const auto value = [&]() -> std::string { return hasValue ? argv[++i] : ""; };
        const auto named = [&arg](const auto &option) { return arg == option.first; };
        const bool takesValue = std::any_of(std::begin(numbers), std::end(numbers), named) ||
                                arg == "--image" || arg == "--save" || arg == "--link" || arg == "--other-block" ||
                                arg == "--split" || arg == "--not-stored";
        if (takesValue && !hasValue)
            return Refuse("option '" + arg + "' needs a value");
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (const auto *s = std::find_if(std::begin(switches), std::end(switches), named);
                   s != std::end(switches)) {
            faults.*(s->second) = true;
        } else if (const auto *n = std::find_if(std::begin(numbers), std::end(numbers), named);
                   n != std::end(numbers)) {
            const std::string v = value();
            if (!IsNumber(v))
                return Refuse("option '" + arg + "' takes a number, not '" + v + "'");
            faults.*(n->second) = std::atoi(v.c_str());
        } else if (arg == "--no-pace") {
            pace = false;
        } else if (arg == "--image") {
            image = value();
        } else if (arg == "--save") {
            save = value();
        } else if (arg == "--link") {
            link = value();
        } else if (arg == "--other-block" || arg == "--split" || arg == "--not-stored") {
            const std::string v = value();
            const std::optional<NumberPair> pair = Pair(v);
            if (!pair || (arg != "--split" && !pair->colon))
                return Refuse("option '" + arg + "' takes " + (arg == "--split" ? "N or N:K" : arg == "--other-block" ? "N:B" : "AREA:BLOCK") +
                              ", not '" + v + "'");
            if (arg == "--other-block") {
                faults.otherBlockAnswer = pair->first;
                faults.otherBlock = pair->second;
            } else if (arg == "--split") {
                faults.splitAnswer = pair->first;
                faults.splitAfter = static_cast<std::size_t>(pair->second);
            } else {
                faults.notStoredArea = pair->first;
                faults.notStoredBlock = pair->second;
            }
        } else {
            return Refuse("unknown option '" + arg + "'");
        }
    }

    tonvar::sim::RadioSimulator radio(pace);
    if (!image.empty() && !radio.LoadImage(image)) {
        std::fprintf(stderr, "tonvar-radio-sim: %s is not a memory image of %zu bytes\n", image.c_str(),
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
            std::fprintf(stderr, "tonvar-radio-sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
    }
    std::printf("tonvar-radio-sim: device %s\n", (link.empty() ? radio.DevicePath() : link).c_str());
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
        std::fprintf(stderr, "tonvar-radio-sim: cannot save %s\n", save.c_str());
        return 1;
    }
    return 0;
}
