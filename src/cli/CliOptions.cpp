// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

#include <QCommandLineParser>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

namespace tonvar::cli {

namespace {

using namespace Qt::StringLiterals;

const char *const kCommandList =
    "ports, read, write, verify, backup, restore, station, check, diff, show, set or convert";

// The commands on files alone: no radio, no port.
bool OnFiles(Command command)
{
    return command == Command::Check || command == Command::Diff || command == Command::Show ||
           command == Command::Set || command == Command::Convert;
}

const std::pair<const char *, Command> kCommands[] = {
    {"ports", Command::Ports},   {"read", Command::Read},     {"write", Command::Write},
    {"verify", Command::Verify}, {"backup", Command::Backup}, {"restore", Command::Restore},
    {"check", Command::Check},   {"diff", Command::Diff},     {"show", Command::Show},
    {"set", Command::Set},       {"convert", Command::Convert}, {"station", Command::Station},
};

Command CommandNamed(const std::string &name)
{
    for (const auto &[named, command] : kCommands)
        if (name == named)
            return command;
    return Command::None;
}

std::string NameOf(Command command)
{
    for (const auto &[named, c] : kCommands)
        if (c == command)
            return named;
    return {};
}

void NotEmpty(const std::string &value, const char *whenEmpty)
{
    if (value.empty())
        throw UsageError(whenEmpty);
}

int Seconds(const std::string &text)
{
    const bool digits = !text.empty() && text.size() <= 6 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = digits ? std::stoi(text) : 0;
    if (value < 1 || value > 86400)
        throw UsageError("--timeout takes a whole number of seconds from 1 to 86400, not '" + text + "'");
    return value;
}

int RowNumber(const std::string &text)
{
    const bool digits = !text.empty() && text.size() <= 6 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = digits ? std::stoi(text) : 0;
    if (value < 1)
        throw UsageError("--from-row takes a row number from 1, not '" + text + "'");
    return value;
}

struct OptionRule {
    QCommandLineOption option; // by its letter and its word, or its word alone; its value's name
    bool once = false;         // of one value: a second would be left unused
    void (*check)(const std::string &value) = nullptr; // throws UsageError for a wrong value
};

const std::vector<OptionRule> &OptionRules()
{
    static const std::vector<OptionRule> rules = {
        {{{u"h"_s, u"help"_s}, {}}},
        {{u"version"_s, {}}},
        {{{u"q"_s, u"quiet"_s}, {}}},
        {{{u"p"_s, u"port"_s}, {}, u"PORT"_s},
         false,
         [](const std::string &port) { NotEmpty(port, "--port needs a port name or a device path"); }},
        {{{u"a"_s, u"all"_s}, {}}},
        {{u"timeout"_s, {}, u"SECONDS"_s}, true, [](const std::string &seconds) { Seconds(seconds); }},
        {{u"json"_s, {}}},
        {{u"probe"_s, {}}},
        {{u"no-verify"_s, {}}},
        {{u"backup"_s, {}, u"DIR"_s}, true, [](const std::string &dir) { NotEmpty(dir, "--backup needs a folder"); }},
        {{u"roster"_s, {}, u"FILE"_s}, true, [](const std::string &file) { NotEmpty(file, "--roster needs a file"); }},
        {{u"allow-duplicate-ids"_s, {}}},
        {{u"from-row"_s, {}, u"N"_s}, true, [](const std::string &row) { RowNumber(row); }},
        {{u"log"_s, {}, u"LOG"_s}, true, [](const std::string &file) { NotEmpty(file, "--log needs a file"); }},
        {{u"rewrite"_s, {}}},
        {{u"dry-run"_s, {}}},
        {{{u"o"_s, u"output"_s}, {}, u"OUT"_s},
         true,
         [](const std::string &file) { NotEmpty(file, "--output needs a file name"); }},
    };
    return rules;
}

// The option an argument names: "-p" by its letter, "--port" by its word.
const OptionRule *OptionNamed(const std::string &name)
{
    const bool letter = name.size() == 2 && name[1] != '-';
    const bool word = name.size() > 3 && name.compare(0, 2, "--") == 0;
    if (!letter && !word)
        return nullptr;
    const QString bare = QString::fromLatin1(name.substr(letter ? 1 : 2));
    for (const OptionRule &rule : OptionRules())
        if (rule.option.names().contains(bare))
            return &rule;
    return nullptr;
}

// Refuses the first wrong argument, in the order given, before
// QCommandLineParser reads them: a command that is none, an option's value,
// and what the parser would read otherwise than tonvar-cli always has: an
// unknown option is named whole ("--bogus=3"); a letter follows one dash and
// a word two ("-port", "--p" and letters run together, "-qa", are unknown);
// a value is there when the option takes one and not when it takes none.
void RefuseWrongArguments(const std::vector<std::string> &args)
{
    bool options = true; // until "--"
    bool commandSeen = false;
    std::set<const OptionRule *> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (!options || arg.size() < 2 || arg[0] != '-') {
            if (!commandSeen && CommandNamed(arg) == Command::None)
                throw UsageError("unknown command '" + arg + "' (" + kCommandList + ")");
            commandSeen = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionRule *rule = OptionNamed(name);
        if (!rule)
            throw UsageError("unknown option '" + arg + "'");
        if (rule->option.valueName().isEmpty()) {
            if (equals != std::string::npos)
                throw UsageError(name + " takes no value");
            continue;
        }
        if (!given.insert(rule).second && rule->once)
            throw UsageError("--" + rule->option.names().back().toStdString() + " is given twice");
        if (equals == std::string::npos && i + 1 == args.size())
            throw UsageError(name + " needs a value");
        rule->check(equals == std::string::npos ? args[++i] : arg.substr(equals + 1));
    }
}

// Through Latin-1 an argument keeps its bytes, whatever a file's name holds.
std::string Bytes(const QString &text)
{
    return text.toLatin1().toStdString();
}

// Every option given must apply to the command: one that does not would be
// ignored, and a check it asks for never made. `given` holds each by its
// word.
void RefuseOptionsThatDoNotApply(const Options &out, const std::set<std::string> &given)
{
    const auto radios = [&] {
        return out.command == Command::Read || out.command == Command::Write || out.command == Command::Verify ||
               out.command == Command::Backup || out.command == Command::Restore || out.command == Command::Station;
    };
    const bool station = out.command == Command::Station;
    for (const std::string &option : given) {
        if (option == "--port" || option == "--all") {
            // ports lists every port; --probe probes the ports named, or else those listed.
            if (out.command == Command::Ports && (out.all || !out.probe))
                throw UsageError(out.all ? "ports takes no --all" : "ports takes --port only with --probe");
            if (OnFiles(out.command))
                throw UsageError(NameOf(out.command) + " takes no port: it works on files only");
            if (station && out.all)
                throw UsageError("station takes one --port, not --all: it programs radio after radio on one port");
        } else if (option == "--from-row" || option == "--log" || option == "--rewrite") {
            if (!station)
                throw UsageError(option + " is for station only");
            if (option == "--from-row" && out.roster.empty())
                throw UsageError("--from-row is for station --roster only: without a roster there are no rows");
        } else if (option == "--roster") {
            if (out.command == Command::Check)
                throw UsageError("check takes the roster as a file: tonvar-cli check IMAGE ROSTER");
            if (out.command != Command::Restore && out.command != Command::Verify && !station)
                throw UsageError("--roster is for restore, verify and station only");
        } else if (option == "--allow-duplicate-ids") {
            if (out.command == Command::Verify && out.roster.empty())
                throw UsageError("--allow-duplicate-ids is for verify --roster only: a verify without a roster "
                                 "gives no radio any ID");
            if (out.command != Command::Restore && out.command != Command::Verify && out.command != Command::Check)
                throw UsageError("--allow-duplicate-ids is for restore (and verify --roster, check) only");
        } else if (option == "--no-verify") {
            if (out.command != Command::Write && out.command != Command::Restore)
                throw UsageError("--no-verify is for write and restore only");
        } else if (option == "--backup") {
            if (out.command != Command::Write && !station)
                throw UsageError("--backup is for write and station only");
            if (out.dryRun)
                throw UsageError("--backup is for a write that writes: --dry-run writes nothing");
        } else if (option == "--dry-run") {
            if (out.command != Command::Write && out.command != Command::Restore)
                throw UsageError("--dry-run is for write and restore only");
            if (!out.verify)
                throw UsageError("--no-verify is for a write that writes: --dry-run writes nothing to read back");
        } else if (option == "--probe") {
            if (out.command != Command::Ports)
                throw UsageError("--probe is for ports only");
        } else if (option == "--output") {
            if (out.command != Command::Set)
                throw UsageError("--output is for set only");
        } else if (option == "--json" || option == "--quiet") {
            // How a run on radios reports, and diff (ports', check's and
            // show's --json too).
            const bool others = out.command == Command::Diff ||
                                (option == "--json" && (out.command == Command::Show || out.command == Command::Ports ||
                                                        out.command == Command::Check));
            if (!radios() && !others)
                throw UsageError(option + (option == "--json" ? " is for read, write, verify, backup, restore, "
                                                                "station, ports, check, diff and show only"
                                                              : " is for read, write, verify, backup, restore, "
                                                                "station and diff only"));
        } else if (!radios()) {
            // --timeout: how a run on radios waits.
            throw UsageError(option + " is for read, write, verify, backup, restore and station only");
        }
    }
}

// The files (or the folder, or the name with {port}) a command works on.
void TakeOperands(Options &out, const std::vector<std::string> &operands)
{
    switch (out.command) {
    case Command::Check:
        if (operands.empty())
            throw UsageError("no file given");
        out.files = operands;
        out.file = operands.front();
        return;
    case Command::Diff:
        if (operands.size() < 2)
            throw UsageError(operands.empty() ? "no files given: diff compares two"
                                              : "diff compares two files: one given");
        if (operands.size() > 2)
            throw UsageError("unexpected argument '" + operands[2] + "': diff compares two files");
        out.files = operands;
        out.file = operands.front();
        return;
    case Command::Convert:
        if (operands.size() != 2)
            throw UsageError(operands.size() < 2 ? "convert takes two files: tonvar-cli convert IN OUT"
                                                 : "unexpected argument '" + operands[2] +
                                                       "': convert takes two files");
        out.files = operands;
        out.file = operands.front();
        return;
    case Command::Show:
    case Command::Set:
        if (operands.empty())
            throw UsageError(out.command == Command::Show ? "no file given"
                                                          : "no file given: tonvar-cli set FILE \"FIELD=VALUE\"...");
        out.file = operands.front();
        out.fields.assign(operands.begin() + 1, operands.end());
        if (out.command == Command::Set && out.fields.empty())
            throw UsageError("no field given: tonvar-cli set " + out.file + " \"FIELD=VALUE\"...");
        if (out.command == Command::Set)
            for (const std::string &assignment : out.fields)
                if (assignment.find('=') == std::string::npos)
                    throw UsageError("'" + assignment + "' is no FIELD=VALUE (\"FleetSync, ID[Own]=1001\")");
        return;
    case Command::Ports: {
        if (!operands.empty())
            throw UsageError("unexpected argument '" + operands.front() + "'");
        std::set<std::string> labels;
        for (const std::string &port : out.ports)
            if (!labels.insert(PortLabel(port)).second)
                throw UsageError("port " + port + " is given more than once");
        return;
    }
    default:
        break;
    }
    if (out.command == Command::Station && out.ports.size() != 1)
        throw UsageError(out.ports.empty() ? "no --port given: station programs radio after radio on one port"
                                           : "station takes one --port: it programs radio after radio on one port");
    if (out.ports.empty() && !out.all)
        throw UsageError("no --port given (or --all)");
    std::set<std::string> labels;
    for (const std::string &port : out.ports)
        if (!labels.insert(PortLabel(port)).second)
            throw UsageError("port " + port + " is given more than once");
    if (operands.empty())
        throw UsageError(out.command == Command::Backup    ? "no image file given"
                         : out.command == Command::Restore ? "no radio image given"
                         : out.command == Command::Station ? "no radio image or channel file given"
                                                           : "no channel file given");
    if (operands.size() > 1)
        throw UsageError("unexpected argument '" + operands[1] + "'");
    out.file = operands.front();
}

} // namespace

Options ParseOptions(const std::vector<std::string> &args)
{
    RefuseWrongArguments(args);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRule &rule : OptionRules())
        parser.addOption(rule.option);
    QStringList line{u"tonvar-cli"_s};
    for (const std::string &arg : args)
        line.append(QString::fromLatin1(arg));
    if (!parser.parse(line)) // what it refuses is refused above
        throw UsageError(Bytes(parser.errorText()));

    Options out;
    std::vector<std::string> operands;
    for (const QString &operand : parser.positionalArguments())
        operands.push_back(Bytes(operand));
    if (!operands.empty()) {
        out.command = CommandNamed(operands.front());
        operands.erase(operands.begin());
    }
    for (const QString &port : parser.values(u"port"_s))
        out.ports.push_back(Bytes(port));
    out.roster = Bytes(parser.value(u"roster"_s));
    out.backupDir = Bytes(parser.value(u"backup"_s));
    if (parser.isSet(u"timeout"_s))
        out.timeoutSeconds = Seconds(Bytes(parser.value(u"timeout"_s)));
    out.help = parser.isSet(u"help"_s);
    out.version = parser.isSet(u"version"_s);
    out.quiet = parser.isSet(u"quiet"_s);
    out.all = parser.isSet(u"all"_s);
    out.json = parser.isSet(u"json"_s);
    out.probe = parser.isSet(u"probe"_s);
    out.verify = !parser.isSet(u"no-verify"_s);
    out.allowDuplicateIds = parser.isSet(u"allow-duplicate-ids"_s);
    out.dryRun = parser.isSet(u"dry-run"_s);
    out.output = Bytes(parser.value(u"output"_s));
    if (parser.isSet(u"from-row"_s))
        out.fromRow = RowNumber(Bytes(parser.value(u"from-row"_s)));
    out.log = Bytes(parser.value(u"log"_s));
    out.rewrite = parser.isSet(u"rewrite"_s);
    if (out.help || out.version)
        return out;
    if (out.command == Command::None)
        throw UsageError(std::string("no command given (") + kCommandList + ")");
    std::set<std::string> given;
    for (const OptionRule &rule : OptionRules())
        if (parser.isSet(rule.option))
            given.insert("--" + Bytes(rule.option.names().back()));
    RefuseOptionsThatDoNotApply(out, given);
    TakeOperands(out, operands);
    return out;
}

std::string PortLabel(const std::string &port)
{
    std::string label = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
    while (!label.empty() && label.front() == '/')
        label.erase(label.begin());
    std::replace(label.begin(), label.end(), '/', '-');
    return label;
}

std::vector<std::string> ReadTargets(const std::string &file, const std::vector<std::string> &ports, bool isFolder,
                                     const std::string &extension)
{
    static const std::string kPlaceholder = "{port}";
    const bool pattern = file.find(kPlaceholder) != std::string::npos;
    if (!pattern && !isFolder && ports.size() > 1)
        throw UsageError("with several ports, the file must be a folder or a name with {port} in it");
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const std::string &port : ports) {
        std::string target = file;
        if (pattern) {
            for (std::size_t at = target.find(kPlaceholder); at != std::string::npos;
                 at = target.find(kPlaceholder, at + 1))
                target.replace(at, kPlaceholder.size(), PortLabel(port));
        } else if (isFolder) {
            target = file + (file.empty() || file.back() != '/' ? "/" : "") + PortLabel(port) + extension;
        }
        if (!seen.insert(target).second)
            throw UsageError("several ports would be read into " + target);
        out.push_back(target);
    }
    return out;
}

std::string NewestBackup(const std::string &folder, const std::string &label)
{
    // The time's digits, then the number after it (0 for none), compared in
    // that order.
    const auto stamp = [&label](const std::string &name) -> std::optional<std::pair<std::string, unsigned long>> {
        static const std::string kSuffix = ".radio";
        constexpr std::size_t kTime = 15; // YYYYMMDD-HHMMSS
        const auto digits = [](const std::string &s) {
            return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (name.size() < label.size() + 1 + kTime + kSuffix.size() || name.compare(0, label.size(), label) != 0 ||
            name[label.size()] != '-' || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
            return std::nullopt;
        const std::string rest = name.substr(label.size() + 1, name.size() - label.size() - 1 - kSuffix.size());
        const std::string time = rest.substr(0, kTime);
        if (!digits(time.substr(0, 8)) || time[8] != '-' || !digits(time.substr(9)))
            return std::nullopt;
        if (rest.size() == kTime)
            return std::pair{time, 0UL};
        const std::string n = rest.substr(kTime);
        if (n.size() < 2 || n.size() > 10 || n[0] != '-' || !digits(n.substr(1)))
            return std::nullopt;
        return std::pair{time, std::stoul(n.substr(1))};
    };
    std::string newest;
    std::pair<std::string, unsigned long> best;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const auto s = stamp(name);
        std::error_code typeError;
        if (!s || !entry.is_regular_file(typeError))
            continue;
        if (newest.empty() || *s > best) {
            best = *s;
            newest = entry.path().string();
        }
    }
    return newest;
}

std::string HelpText(Command command)
{
    static const std::string common = "  -p, --port PORT      the radio's port: a name as 'tonvar-cli ports' lists it\n"
                                      "                       (ttyUSB0) or a device path; give it several times to\n"
                                      "                       work on several radios at once\n"
                                      "  -a, --all            every USB serial port 'tonvar-cli ports' lists\n"
                                      "      --timeout SECS   give up on a radio that has not answered for SECS\n"
                                      "                       seconds (default 10)\n"
                                      "  -q, --quiet          print only errors\n"
                                      "      --json           one JSON object a radio on standard output (port,\n"
                                      "                       device, serial, command, result, error,\n"
                                      "                       differences, files) instead of the summary\n"
                                      "  -h, --help           show this help\n"
                                      "\n"
                                      "Exit status: 0 success, 1 a radio or port failed, 2 wrong usage or a file\n"
                                      "that cannot be read, 3 verify or --dry-run found differences, 130, 143\n"
                                      "or 129 interrupted (Ctrl+C, SIGTERM or SIGHUP).\n";
    switch (command) {
    case Command::Ports:
        return "Usage: tonvar-cli ports [--probe [--port PORT]...] [--json]\n"
               "\n"
               "Lists the serial ports the radio may be on, one a line. For a USB cable,\n"
               "tab-separated: its description, its serial number and its stable name\n"
               "under /dev/serial/by-id, where the system has them.\n"
               "\n"
               "      --probe          say after each port's name whether a radio answers\n"
               "                       on it now: \"radio answers\", \"no answer\", \"hung up\"\n"
               "                       or \"cannot open: REASON\". \"PROGRAM\" goes to every\n"
               "                       port at once and its Ack is awaited 1 s at most;\n"
               "                       nothing is read from or written to a radio\n"
               "  -p, --port PORT      with --probe: probe this port instead of those listed\n"
               "                       (a device path, a /dev/serial/by-id name, a\n"
               "                       pseudo-terminal); give it several times for several\n"
               "                       ports. No other port is sent a byte\n"
               "      --json           one JSON object a port: {\"port\", \"name\", \"device\",\n"
               "                       \"serial\", \"description\", \"stablePath\"}, with --probe\n"
               "                       also \"result\" (\"answered\", \"silent\", \"hung up\" or\n"
               "                       \"cannot open\") and \"error\"\n"
               "\n"
               "Exit status: 0; with --probe 0 when a radio answers on some port, 1 when\n"
               "none does; 1 when the ports cannot be listed, 2 wrong usage.\n";
    case Command::Read:
        return "Usage: tonvar-cli read --port PORT [options] FILE.wh\n"
               "\n"
               "Reads the radio's channels and settings and saves them as a channel file.\n"
               "With several ports, FILE is a folder (each radio's file is named after its\n"
               "port) or a name with {port} in it. An existing file is replaced only by its\n"
               "own kind: a radio image, a roster or any file that is not a channel file\n"
               "is refused before any radio is touched.\n"
               "\n" +
               common;
    case Command::Write:
        return "Usage: tonvar-cli write --port PORT [options] FILE.wh\n"
               "\n"
               "Writes the channel file's channels and settings into the radio. FILE may be\n"
               "a folder (each radio's file named after its port, as read saves them) or a\n"
               "name with {port} in it. Every file is checked first: a file that does not\n"
               "load or convert, or holds a value the radio cannot keep, touches no radio.\n"
               "After writing, the radio is read back and the write counts as done only\n"
               "when it holds what was written.\n"
               "\n"
               "      --no-verify      do not read back (the summary says so)\n"
               "      --backup DIR     back each radio up whole into DIR first (an image named\n"
               "                       after its port and the time); a backup that cannot be\n"
               "                       saved writes nothing\n"
               "      --dry-run        write nothing: read each radio and print what the write\n"
               "                       would change, a line a difference as verify prints them\n"
               "                       (exit status 0 when nothing would change, 3 when\n"
               "                       something would; not with --backup or --no-verify)\n" +
               common;
    case Command::Verify:
        return "Usage: tonvar-cli verify --port PORT [options] FILE.wh|IMAGE.radio\n"
               "\n"
               "Reads the radio and compares it with the channel file (or each radio with\n"
               "its own: a folder or a name with {port} in it), printing each difference\n"
               "as the channel, the column, the file's text and the radio's.\n"
               "Given a radio image, reads the whole radio and compares every area,\n"
               "naming the window, the row and the field of each difference.\n"
               "\n"
               "      --roster FILE    compare each radio with the image and its own values,\n"
               "                       as restore --roster gave them (radio images only)\n"
               "      --allow-duplicate-ids  with --roster: as restore takes it\n" +
               common;
    case Command::Check:
        return "Usage: tonvar-cli check [--json] FILE...\n"
               "\n"
               "Checks channel files, radio images and rosters without a radio, as a\n"
               "write or a restore would load them: each file's kind, or what is wrong\n"
               "with it, with the window's messages. A roster given with an image is\n"
               "checked as a restore would apply it: every value, and IDs given twice.\n"
               "A roster's fields are named as their windows show them\n"
               "(docs/radio-image.md lists them). Exit status 0 when every file is good,\n"
               "2 when one is not.\n"
               "\n"
               "      --allow-duplicate-ids  with an image and a roster: do not refuse IDs\n"
               "                       two radios would share\n"
               "      --json           one JSON object a file: {\"file\", \"kind\", \"good\",\n"
               "                       \"error\", \"use\"}, a roster's also with \"radios\",\n"
               "                       \"key\" and \"checked\"\n";
    case Command::Backup:
        return "Usage: tonvar-cli backup --port PORT [options] IMAGE.radio\n"
               "\n"
               "Reads the whole radio (channels, settings, DTMF, FleetSync, 2TONE and\n"
               "5TONE: 52 blocks) into a radio image, every block as the radio gave it.\n"
               "With several ports, IMAGE is a folder (each radio's image is named after\n"
               "its port) or a name with {port} in it. An existing file is replaced only by\n"
               "its own kind: a channel file, a roster or any file that is not a radio\n"
               "image is refused before any radio is touched.\n"
               "\n" +
               common;
    case Command::Restore:
        return "Usage: tonvar-cli restore --port PORT [options] IMAGE.radio\n"
               "\n"
               "Writes a radio image into the radio, all six areas, every block as the\n"
               "image holds it (or each radio its own: a folder or a name with {port}; in\n"
               "a folder write --backup filled, each radio's newest backup).\n"
               "After writing, the radio is read back and the restore counts as done only\n"
               "when it holds what was written. No two radios get the same FleetSync fleet\n"
               "and ID or DTMF ID code that the image (or roster) sets: one image into\n"
               "several radios needs a roster giving each its own, or --allow-duplicate-ids.\n"
               "\n"
               "      --roster FILE    give each radio its own values: a CSV with a row a\n"
               "                       radio, picked by \"port\" or by the cable's \"serial\",\n"
               "                       and a column a field, named as its window shows it\n"
               "                       (\"FleetSync, ID[Own]\", \"DTMF, ID Code\")\n"
               "      --allow-duplicate-ids  let two radios get the same FleetSync fleet and\n"
               "                       ID or DTMF ID code, with a roster or without\n"
               "                       (refused otherwise)\n"
               "      --no-verify      do not read back (the summary says so)\n"
               "      --dry-run        write nothing: read each radio whole and print what the\n"
               "                       restore would change (with --roster, each radio's own\n"
               "                       values), a line a difference as verify prints them, and\n"
               "                       each block whose bytes differ where no field shows it\n"
               "                       (exit status 0 when nothing would change, 3 when\n"
               "                       something would; not with --no-verify)\n" +
               common;
    case Command::Station:
        return "Usage: tonvar-cli station --port PORT [options] IMAGE.radio|FILE.wh\n"
               "\n"
               "A programming station: radio after radio on one port. Waits until a radio\n"
               "answers (a handshake every 0.5 s, the port opened afresh by its name each\n"
               "time, so a cable replugged is followed), reads it whole, writes the image\n"
               "(or, for a channel file, the radio's own image with the file's channels and\n"
               "settings) with the next unused roster row's values, reads it back, says\n"
               "the result in one line and rings the bell, then waits until the radio is\n"
               "disconnected before it waits for the next. A radio answering to a\n"
               "FleetSync fleet and ID or DTMF ID code this station gave (in this run or\n"
               "its log) is left alone. Ends when every row is given, or on Ctrl+C. A\n"
               "radio that fails keeps its row unused, for the next radio connected.\n"
               "\n"
               "      --roster FILE    a CSV with a row a radio, in file order: the first\n"
               "                       column a label of your choosing (an asset number),\n"
               "                       every other a field, named as its window shows it;\n"
               "                       every row is checked before any radio is touched\n"
               "      --from-row N     give rows from row N on (default 1)\n"
               "      --backup DIR     keep each radio's own image in DIR before it is\n"
               "                       written (named after its row's label and the time)\n"
               "      --log LOG        append one JSON line a radio to LOG, synced to disk;\n"
               "                       started again with the same LOG, the station goes on\n"
               "                       with the next unused row and knows every ID it gave\n"
               "      --rewrite        write a radio this station already programmed too,\n"
               "                       with its own row again\n"
               "  -p, --port PORT      the port (one): a name as 'tonvar-cli ports' lists it\n"
               "                       or a device path\n"
               "      --timeout SECS   give up on a radio that has not answered for SECS\n"
               "                       seconds (default 10)\n"
               "  -q, --quiet          print only each radio's line and the summary\n"
               "      --json           each radio's record (as the log keeps it) and a\n"
               "                       final summary, one JSON object a line\n"
               "  -h, --help           show this help\n"
               "\n"
               "Exit status: 0 when no radio failed (Ctrl+C and SIGTERM end a station),\n"
               "1 when a radio failed or was left holding a mix of old and new values,\n"
               "2 wrong usage, or an image, roster or log that cannot be used (no radio\n"
               "touched).\n";
    case Command::Diff:
        return "Usage: tonvar-cli diff [--json] [--quiet] A B\n"
               "\n"
               "Compares two channel files (.wh), two radio images (.radio), or one of each\n"
               "(then the channels and the settings a channel file keeps: what both hold),\n"
               "and prints a line a difference, named as verify names it, with each\n"
               "file's text after its name:\n"
               "  channel 3, RX Freq: a.wh '145.50000', b.wh '146.00000'\n"
               "  FleetSync, ID[Own]: a.radio '1001', b.radio '1002'\n"
               "Texts are compared as the radio would keep them (145.5 equals 145.50000).\n"
               "\n"
               "  -q, --quiet          print nothing; the exit status tells\n"
               "      --json           one JSON object: {\"equal\", \"files\", \"differences\":\n"
               "                       [{\"field\", \"a\", \"b\"}]}\n"
               "\n"
               "Exit status: 0 equal, 3 different, 2 wrong usage or a file that cannot be\n"
               "read (the message names it).\n";
    case Command::Convert:
        return "Usage: tonvar-cli convert IN OUT\n"
               "\n"
               "Turns a channel file (.wh) into a CSV channel list (.csv) as File > Export\n"
               "CSV writes it, or a CSV channel list (CHIRP's, for one) into a channel file\n"
               "as File > Import CSV takes it, by OUT's suffix. IN is checked as a write\n"
               "checks it; a CSV row that cannot be taken stops the conversion. OUT is saved\n"
               "whole or not at all, never over a file of another kind.\n"
               "\n"
               "Exit status: 0, 1 when OUT cannot be saved, 2 for wrong usage or an IN\n"
               "that cannot be read or converted.\n";
    case Command::Show:
        return "Usage: tonvar-cli show [--json] IMAGE.radio|FILE.wh [FIELD...]\n"
               "\n"
               "Prints every field of a radio image or a channel file and its value, one a\n"
               "line (\"FleetSync, ID[Own] = 1001\"), or only the fields named. Fields are\n"
               "named as their windows show them: \"Channel 3, RX Freq\", \"Settings, SQ\n"
               "Lev\", \"DTMF, ID Code\", \"5TONE, Encode row 3, First Frame Coding\"; a\n"
               "check box is on or off. A channel file has the channels' and the nine\n"
               "settings' fields, as it holds them.\n"
               "\n"
               "      --json           one JSON object {field: value}\n"
               "\n"
               "Exit status: 0, or 2 for wrong usage, a file that cannot be read or a\n"
               "field no file has.\n";
    case Command::Set:
        return "Usage: tonvar-cli set [--output OUT] IMAGE.radio|FILE.wh \"FIELD=VALUE\"...\n"
               "\n"
               "Gives fields of a radio image or a channel file new values, by their names\n"
               "as 'tonvar-cli show' lists them, each checked as a write checks it (a\n"
               "channel file's cell as the table completes an edit): only those fields'\n"
               "bytes change. A receive frequency given to an empty channel makes the\n"
               "channel, with the table's defaults. The file is saved whole or not at all;\n"
               "a value the radio cannot hold or a field no file has saves nothing.\n"
               "\n"
               "  -o, --output OUT     save to OUT instead of over the file (a file of\n"
               "                       another kind is never replaced)\n"
               "\n"
               "Exit status: 0 saved, 1 the file could not be saved, 2 wrong usage, a file\n"
               "that cannot be read, or a field or value refused (nothing saved).\n";
    case Command::None:
        break;
    }
    return "Usage: tonvar-cli COMMAND [options]\n"
           "\n"
           "Programs the 16-channel handheld radio from scripts.\n"
           "\n"
           "Commands:\n"
           "  ports    list the serial ports, and with --probe where a radio answers\n"
           "  read     read radios into channel files\n"
           "  write    write a channel file into radios\n"
           "  verify   compare radios with a channel file or a radio image\n"
           "  backup   read whole radios into radio images\n"
           "  restore  write a radio image into radios\n"
           "  station  program radio after radio on one port, each with a roster's row\n"
           "  check    check channel files, radio images and rosters without a radio\n"
           "  diff     compare two channel files or radio images\n"
           "  show     print the fields of a radio image or a channel file\n"
           "  set      change fields of a radio image or a channel file by name\n"
           "  convert  turn a channel file into a CSV channel list, or back\n"
           "\n"
           "'tonvar-cli COMMAND --help' describes a command; 'tonvar-cli --version'\n"
           "prints the version.\n";
}

} // namespace tonvar::cli
