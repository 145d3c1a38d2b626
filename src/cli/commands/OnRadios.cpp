// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands/OnRadios.h"

#include "cli/Fleet.h"
#include "cli/commands/Commands.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "serial/PortDiscovery.h"
#include "text/Convert.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace tonvar::cli {

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int sig)
{
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// Every USB serial port `ports` lists.
std::vector<std::string> UsbPorts()
{
    serial::PortList ports;
    std::vector<std::string> out;
    if (ports.Refresh())
        for (const std::string &name : ports.Items())
            if (!serial::UsbDescription(name).empty())
                out.push_back(name);
    return out;
}

// One device given under two names (a link and the device, ttyUSB0 and
// /dev/ttyUSB0) would be two sessions on one line: refused before anything
// starts.
void RefuseOnePortTwice(const std::vector<std::string> &ports)
{
    std::map<std::string, std::string> seen;
    for (const std::string &port : ports) {
        const std::string key = serial::ResolvedDevice(port);
        const auto [at, added] = seen.emplace(key, port);
        if (!added)
            throw UsageError(port + " and " + at->second + " are the same port (" + key + ")");
    }
}

// A read's file must be possible to save before any radio is read.
std::string SaveProblem(const std::string &target)
{
    if (IsFolder(target))
        return target + " is a folder";
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "Cannot create file " + target + ". " + folder + ": " + std::strerror(errno);
    return {};
}


// Runs every radio to its end on an event loop. Ctrl+C, a hang-up of the
// terminal or a kill end every session as Cancel does: ports closed, locks
// removed, no file half-written.
int RunToTheEnd(RunSettings run)
{
    int signalled = 0;
    const int status = OnEventLoop(
        [&run](std::function<void()> &interrupted) {
            Runner runner(std::move(run));
            interrupted = [&runner] { runner.CancelAll("Interrupted."); };
            const int result = runner.Run();
            interrupted = nullptr;
            return result;
        },
        signalled);
    // As shells report a program a signal ended: 128 + the signal (130 for
    // Ctrl+C, 143 for SIGTERM), once every port is closed and lock removed.
    return signalled != 0 ? 128 + signalled : status;
}

} // namespace

int OnEventLoop(const std::function<int(std::function<void()> &interrupted)> &body, int &signalled)
{
    static int argc = 1;
    static char name[] = "tonvar-cli";
    static char *argv[] = {name, nullptr};
    // After every file is read: QCoreApplication takes the system's locale.
    QCoreApplication app(argc, argv);
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "tonvar-cli: %s\n", std::strerror(errno));
        return kExitRadioFailure;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::function<void()> interrupted;
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    signalled = 0;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&interrupted, &signalled] {
        char drain[64];
        ssize_t n = 0;
        while ((n = ::read(g_signalPipe[0], drain, sizeof drain)) > 0)
            if (signalled == 0)
                signalled = drain[0];
        if (interrupted)
            interrupted();
    });
    return body(interrupted);
}

int RunOnRadios(Options options, Job job, Prepare prepare)
{
    if (options.all) {
        for (const std::string &port : UsbPorts())
            if (std::find(options.ports.begin(), options.ports.end(), port) == options.ports.end())
                options.ports.push_back(port);
        if (options.ports.empty()) {
            std::fprintf(stderr, "tonvar-cli: --all found no USB serial port (tonvar-cli ports lists them)\n");
            return kExitRadioFailure;
        }
    }
    RunSettings run;
    run.job = job;
    run.ports = options.ports;
    run.timeout = std::chrono::seconds(options.timeoutSeconds);
    run.quiet = options.quiet;
    run.verify = options.verify;
    run.backupDir = options.backupDir;
    run.json = options.json;
    const char *term = std::getenv("TERM");
    run.progress = ::isatty(STDERR_FILENO) && !(term && std::strcmp(term, "dumb") == 0)
                       ? ProgressDisplay::Mode::Terminal
                       : ProgressDisplay::Mode::Lines;
    try {
        RefuseOnePortTwice(options.ports);
        prepare(options, run);
    } catch (const UsageError &e) {
        return UsageFailure(e.what());
    } catch (const Refusal &e) {
        std::fprintf(stderr, "tonvar-cli: %s\n", e.what());
        return kExitUsage;
    } catch (const text::Failure &e) {
        return FileFailure(options.file, e);
    }
    return RunToTheEnd(std::move(run));
}

int SaveFailure(const text::Failure &e)
{
    std::fprintf(stderr, "tonvar-cli: %s%s\n", text::WithFullStop(e.what()).c_str(),
                 e.detail().empty() ? "" : (" " + e.detail()).c_str());
    return kExitRadioFailure;
}

int FileFailure(const std::string &file, const text::Failure &e)
{
    std::string detail = e.detail().empty() ? "" : " " + e.detail();
    const std::string message = e.what();
    const FileKind kind = KindOfFile(file);
    if (message.find("is not a radio image") != std::string::npos && kind == FileKind::ChannelFile)
        detail += " It is a channel file: 'tonvar-cli write' writes it.";
    else if (message.find("is not a radio image") != std::string::npos && kind == FileKind::Roster)
        detail += " It is a roster: give it with --roster, beside a radio image.";
    else if (message.find("is not a channel file") != std::string::npos && kind == FileKind::RadioImage)
        detail += " 'tonvar-cli restore' writes it.";
    else if (message.find("is not a channel file") != std::string::npos && kind == FileKind::Roster)
        detail += " Give it with --roster, beside a radio image.";
    std::fprintf(stderr, "tonvar-cli: %s%s\n", text::WithFullStop(message).c_str(), detail.c_str());
    return kExitUsage;
}

bool PerRadio(const Options &options)
{
    return IsFolder(options.file) || options.file.find("{port}") != std::string::npos;
}

std::vector<std::string> PerRadioFiles(const Options &options, const std::string &extension)
{
    return ReadTargets(options.file, options.ports, IsFolder(options.file), extension);
}

std::vector<std::string> Labels(const std::vector<std::string> &ports)
{
    std::vector<std::string> labels;
    for (const std::string &port : ports)
        labels.push_back(PortLabel(port));
    return labels;
}

void PrepareSaves(const Options &options, RunSettings &run, const std::string &extension, FileKind saves)
{
    run.targets = ReadTargets(options.file, options.ports, IsFolder(options.file), extension);
    // No file of another kind is replaced: a channel file over a radio image
    // would lose every signalling area.
    for (const std::string &target : run.targets) {
        std::string problem = SaveProblem(target);
        if (problem.empty())
            problem = ReplaceProblem(target, saves, run.job == Job::Backup ? "backup" : "read");
        if (!problem.empty())
            throw Refusal(problem);
    }
}

void LoadChannelFiles(const Options &options, RunSettings &run)
{
    if (!PerRadio(options)) {
        run.file = LoadForWriting(options.file);
        return;
    }
    for (const std::string &source : PerRadioFiles(options, ".wh"))
        run.files.push_back(LoadForWriting(source));
}

void LoadImages(const Options &options, RunSettings &run)
{
    if (PerRadio(options)) {
        const std::vector<std::string> sources = PerRadioFiles(options, ".radio");
        for (std::size_t i = 0; i < sources.size(); ++i) {
            // A folder write --backup filled: each radio's newest backup,
            // where it holds no image named after the port alone.
            std::string source = sources[i];
            struct stat st {};
            if (IsFolder(options.file) && ::stat(source.c_str(), &st) != 0) {
                const std::string label = PortLabel(run.ports[i]);
                std::string newest = NewestBackup(options.file, label);
                if (newest.empty())
                    throw Refusal(options.file + " holds no radio image for " + label + ": neither " + source +
                                  " nor a backup " + label + "-YYYYMMDD-HHMMSS.radio");
                source = std::move(newest);
                if (!options.quiet && !options.json)
                    std::fprintf(stderr, "tonvar-cli: %s: %s, its newest backup there\n", label.c_str(),
                                 source.c_str());
            }
            run.images.push_back(files::LoadRadioImage(source));
        }
    } else {
        run.image = files::LoadRadioImage(options.file);
    }
    if (options.roster.empty())
        return;
    std::vector<std::string> serials;
    for (const std::string &port : run.ports)
        serials.push_back(serial::PortSerialNumber(port));
    const std::vector<files::RadioImage> bases = PerRadio(options) ? run.images : std::vector{run.image};
    run.images.clear();
    for (RadioOwnImage &own :
         FleetImages(files::LoadRoster(options.roster), bases, Labels(run.ports), run.ports, serials,
                     options.allowDuplicateIds)) {
        run.images.push_back(std::move(own.image));
        run.values.push_back(std::move(own.values));
        run.valueFields.push_back(std::move(own.fields));
    }
}

} // namespace tonvar::cli
