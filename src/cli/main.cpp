// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli: reads, writes and verifies radios from scripts, one or many at
// once, with the main window's sessions and channel files; backs up and
// restores whole radios as radio images.
#include "cli/CliOptions.h"
#include "cli/FileKinds.h"
#include "cli/Fleet.h"
#include "cli/Runner.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "signalling/RadioAreas.h"
#include "serial/PortDiscovery.h"
#include "serial/SPComm.h"
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
#include <string>
#include <vector>

using namespace tonvar;
using namespace tonvar::cli;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int sig)
{
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

int UsageFailure(const std::string &message)
{
    std::fprintf(stderr, "tonvar-cli: %s\nTry 'tonvar-cli --help'.\n", message.c_str());
    return kExitUsage;
}

// The first bytes of a file, empty where it cannot be read.
std::string FileStart(const std::string &path, std::size_t size)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {};
    std::string start(size, '\0');
    start.resize(std::fread(start.data(), 1, size, f));
    std::fclose(f);
    return start;
}

// Whether a file starts as a radio image does (else it is taken for a
// channel file).
bool IsRadioImage(const std::string &path)
{
    return files::LooksLikeRadioImage(FileStart(path, 64));
}

int ListPorts()
{
    serial::PortList ports;
    if (!ports.Refresh()) {
        std::fprintf(stderr, "tonvar-cli: the serial ports cannot be listed: %s cannot be read\n",
                     serial::kSysClassTty.c_str());
        return kExitRadioFailure;
    }
    for (const std::string &name : ports.Items()) {
        // The cable's description, its serial number and udev's stable name
        // tell identical cables apart.
        std::string line = name;
        const std::string description = serial::UsbDescription(name);
        if (!description.empty()) {
            line += "\t" + description;
            const std::string number = serial::UsbSerialNumber(name);
            line += "\t" + (number.empty() ? std::string() : "serial " + number);
            line += "\t" + serial::StablePath(name);
            while (line.back() == '\t')
                line.pop_back();
        }
        std::printf("%s\n", line.c_str());
    }
    return kExitSuccess;
}

bool IsRoster(const std::string &path)
{
    return files::LooksLikeRoster(FileStart(path, 512));
}

bool EndsWith(const std::string &name, const std::string &end)
{
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
}

// Every column of a roster names a field of a radio image.
void CheckRosterFields(const files::Roster &roster)
{
    const std::vector<signalling::ImageField> fields = signalling::ImageFields(files::RadioImage{});
    for (const std::string &name : roster.fields) {
        const bool known =
            std::any_of(fields.begin(), fields.end(), [&](const signalling::ImageField &f) { return f.where == name; });
        if (!known)
            throw text::Failure("No field is called \"" + name + "\".",
                                "Fields are named as their windows show them: \"FleetSync, ID[Own]\", \"DTMF, ID "
                                "Code\", \"Channel 3, RX Freq\" (docs/radio-image.md).");
    }
}

// Each file as a write or a restore would load it; a roster given with
// images as a restore would apply it to each of them.
int CheckFiles(const std::vector<std::string> &names, bool allowDuplicateIds)
{
    int status = kExitSuccess;
    std::vector<files::RadioImage> images;
    const auto report = [&status](const std::string &name, const text::Failure &e) {
        const std::string detail = e.detail().empty() ? "" : " " + e.detail();
        const std::string message = text::WithFullStop(e.what());
        std::printf("%s%s%s\n", message.rfind(name, 0) == 0 ? "" : (name + ": ").c_str(), message.c_str(),
                    detail.c_str());
        status = kExitUsage;
    };
    const auto isImage = [](const std::string &name) { return IsRadioImage(name) || EndsWith(name, ".radio"); };
    const auto isRoster = [&](const std::string &name) {
        return !isImage(name) && (IsRoster(name) || EndsWith(name, ".csv"));
    };
    // --allow-duplicate-ids lets a roster give two radios one ID: it needs
    // both to mean anything.
    if (allowDuplicateIds &&
        (std::none_of(names.begin(), names.end(), isImage) || std::none_of(names.begin(), names.end(), isRoster)))
        return UsageFailure("--allow-duplicate-ids is for check with a radio image and a roster");
    for (const std::string &name : names) {
        try {
            if (isImage(name)) {
                images.push_back(files::LoadRadioImage(name));
                std::printf("%s: a radio image of the whole radio, good to restore\n", name.c_str());
            } else if (!isRoster(name)) {
                LoadForWriting(name);
                std::printf("%s: a channel file, good to write\n", name.c_str());
            }
        } catch (const text::Failure &e) {
            report(name, e);
        }
    }
    for (const std::string &name : names) {
        if (!isRoster(name))
            continue;
        try {
            if (!IsRoster(name) && files::LooksLikeChannelCsv(FileStart(name, 4096)))
                throw text::Failure("A CSV channel list, not a roster.",
                                    "tonvar's File > Import CSV... takes it; tonvar-cli does not.");
            const files::Roster roster = files::LoadRoster(name);
            CheckRosterFields(roster);
            std::string checked = "its fields; give an image beside it to check its values";
            if (!images.empty()) {
                // Each row is a radio: its key names it, whether a port or a
                // serial number.
                std::vector<std::string> keys;
                for (const files::Roster::Row &row : roster.rows)
                    keys.push_back(row.key);
                for (const files::RadioImage &image : images)
                    FleetImages(roster, {image}, keys, keys, allowDuplicateIds);
                checked = std::string(allowDuplicateIds ? "every value" : "every value and ID") +
                          (images.size() == 1 ? " on the image" : " on each image");
            }
            std::printf("%s: a roster of %zu radio%s by %s, good to restore with (checked: %s)\n", name.c_str(),
                        roster.rows.size(), roster.rows.size() == 1 ? "" : "s",
                        roster.key == files::Roster::Key::Port ? "port" : "serial number", checked.c_str());
        } catch (const text::Failure &e) {
            report(name, e);
        }
    }
    return status;
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

bool IsFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError &e) {
        return UsageFailure(e.what());
    }
    if (options.version) {
        std::printf("tonvar-cli %s\n", TONVAR_VERSION);
        return kExitSuccess;
    }
    if (options.help) {
        std::fputs(HelpText(options.command).c_str(), stdout);
        return kExitSuccess;
    }
    if (options.command == Command::Ports)
        return ListPorts();
    if (options.command == Command::Check)
        return CheckFiles(options.files, options.allowDuplicateIds);

    if (options.all) {
        for (const std::string &port : UsbPorts())
            if (std::find(options.ports.begin(), options.ports.end(), port) == options.ports.end())
                options.ports.push_back(port);
        if (options.ports.empty()) {
            std::fprintf(stderr, "tonvar-cli: --all found no USB serial port (tonvar-cli ports lists them)\n");
            return kExitRadioFailure;
        }
    }
    try {
        RefuseOnePortTwice(options.ports);
    } catch (const UsageError &e) {
        return UsageFailure(e.what());
    }

    RunSettings run;
    switch (options.command) {
    case Command::Read:
        run.job = Job::Read;
        break;
    case Command::Write:
        run.job = Job::Write;
        break;
    case Command::Backup:
        run.job = Job::Backup;
        break;
    case Command::Restore:
        run.job = Job::Restore;
        break;
    default:
        run.job = Job::Verify;
        break;
    }
    run.ports = options.ports;
    run.timeout = std::chrono::seconds(options.timeoutSeconds);
    run.quiet = options.quiet;
    run.verify = options.verify;
    run.backupDir = options.backupDir;
    run.json = options.json;
    if (!run.backupDir.empty() && (!IsFolder(run.backupDir) || ::access(run.backupDir.c_str(), W_OK | X_OK) != 0)) {
        std::fprintf(stderr, "tonvar-cli: --backup %s: %s\n", run.backupDir.c_str(),
                     IsFolder(run.backupDir) ? std::strerror(errno) : "not an existing folder");
        return kExitUsage;
    }
    const char *term = std::getenv("TERM");
    run.progress = ::isatty(STDERR_FILENO) && !(term && std::strcmp(term, "dumb") == 0)
                       ? ProgressDisplay::Mode::Terminal
                       : ProgressDisplay::Mode::Lines;
    try {
        // A folder or a name with {port} in it: a file for each radio, named
        // as a read or a backup names them.
        const bool perRadio = IsFolder(options.file) || options.file.find("{port}") != std::string::npos;
        const auto sources = [&](const std::string &extension) {
            return perRadio ? ReadTargets(options.file, options.ports, IsFolder(options.file), extension)
                            : std::vector<std::string>{};
        };
        if (run.job == Job::Verify) {
            const std::vector<std::string> images = sources(".radio");
            if (perRadio ? IsRadioImage(images.front()) : IsRadioImage(options.file))
                run.job = Job::VerifyImage;
            // A roster gives values of an image's fields; with a channel file
            // it would be ignored, and "equal" would say nothing of it.
            if (run.job == Job::Verify && !options.roster.empty())
                throw UsageError("--roster is for radio images: " + options.file +
                                 " is no radio image, so the roster's values would not be compared "
                                 "(tonvar-cli verify --roster ROSTER IMAGE.radio)");
        }
        if (run.job == Job::Read || run.job == Job::Backup) {
            run.targets = ReadTargets(options.file, options.ports, IsFolder(options.file),
                                      run.job == Job::Backup ? ".radio" : ".wh");
            // No file of another kind is replaced: a channel file over a
            // radio image would lose every signalling area.
            const FileKind saves = run.job == Job::Backup ? FileKind::RadioImage : FileKind::ChannelFile;
            for (const std::string &target : run.targets) {
                std::string problem = SaveProblem(target);
                if (problem.empty())
                    problem = ReplaceProblem(target, saves, run.job == Job::Backup ? "backup" : "read");
                if (!problem.empty()) {
                    std::fprintf(stderr, "tonvar-cli: %s\n", problem.c_str());
                    return kExitUsage;
                }
            }
        } else if (run.job == Job::Restore || run.job == Job::VerifyImage) {
            if (perRadio) {
                for (const std::string &source : sources(".radio"))
                    run.images.push_back(files::LoadRadioImage(source));
            } else {
                run.image = files::LoadRadioImage(options.file);
            }
            if (!options.roster.empty()) {
                std::vector<std::string> labels, serials;
                for (const std::string &port : run.ports) {
                    labels.push_back(PortLabel(port));
                    serials.push_back(serial::PortSerialNumber(port));
                }
                const std::vector<files::RadioImage> bases =
                    perRadio ? run.images : std::vector<files::RadioImage>{run.image};
                run.images.clear();
                for (RadioOwnImage &own : FleetImages(files::LoadRoster(options.roster), bases, labels, serials,
                                                      options.allowDuplicateIds)) {
                    run.images.push_back(std::move(own.image));
                    run.values.push_back(std::move(own.values));
                    run.valueFields.push_back(std::move(own.fields));
                }
            } else if (run.job == Job::Restore && !options.allowDuplicateIds) {
                // Without a roster too, no two radios get the same IDs: one
                // image restored into several radios gives each the image's.
                std::vector<std::string> labels;
                for (const std::string &port : run.ports)
                    labels.push_back(PortLabel(port));
                RefuseDuplicateIds(perRadio ? run.images : std::vector<files::RadioImage>(labels.size(), run.image),
                                   labels);
            }
        } else if (perRadio) {
            for (const std::string &source : sources(".wh"))
                run.files.push_back(LoadForWriting(source));
        } else {
            run.file = LoadForWriting(options.file);
        }
    } catch (const UsageError &e) {
        return UsageFailure(e.what());
    } catch (const text::Failure &e) {
        std::string detail = e.detail().empty() ? "" : " " + e.detail();
        // A file of the other kind says which command takes it.
        const std::string message = e.what();
        const FileKind kind = KindOfFile(options.file);
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

    QCoreApplication app(argc, argv);
    // Ctrl+C, a hang-up of the terminal or a kill end every session as
    // Cancel does: ports closed, locks removed, no file half-written.
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

    Runner runner(std::move(run));
    QSocketNotifier interrupted(g_signalPipe[0], QSocketNotifier::Read);
    int signalled = 0;
    QObject::connect(&interrupted, &QSocketNotifier::activated, [&runner, &signalled] {
        char drain[64];
        ssize_t n = 0;
        while ((n = ::read(g_signalPipe[0], drain, sizeof drain)) > 0)
            if (signalled == 0)
                signalled = drain[0];
        runner.CancelAll("Interrupted.");
    });
    const int status = runner.Run();
    // As shells report a program a signal ended: 128 + the signal (130 for
    // Ctrl+C, 143 for SIGTERM), once every port is closed and lock removed.
    return signalled != 0 ? 128 + signalled : status;
}
