// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's command line, as a plain function of its arguments.
//
//   tonvar-cli ports
//   tonvar-cli read   --port PORT [--port PORT ...] [options] FILE
//   tonvar-cli write  --port PORT [--port PORT ...] [options] FILE
//   tonvar-cli verify --port PORT [--port PORT ...] [options] FILE|IMAGE
//   tonvar-cli backup --port PORT [--port PORT ...] [options] IMAGE
//   tonvar-cli restore --port PORT [--port PORT ...] [options] IMAGE
//   tonvar-cli station --port PORT [--roster ROSTER] [--from-row N] [--backup DIR] [--log LOG]
//                      [--rewrite] [options] IMAGE|FILE
//   tonvar-cli check FILE...
//   tonvar-cli diff A B
//   tonvar-cli show FILE [FIELD...]
//   tonvar-cli set [--output OUT] FILE FIELD=VALUE...
//   tonvar-cli convert IN OUT
//
// Options: --no-verify and --dry-run (write and restore), --backup DIR (write, station), --output OUT (set),
// --roster FILE (restore, verify and station), --from-row N, --log LOG and --rewrite (station), --allow-duplicate-ids (restore, verify --roster, check), --all, --json, --quiet,
// --timeout SECONDS (default 10) (the commands on radios; --json for diff and show too, --quiet for diff),
// --help, --version. A value may follow its option as the next argument or after "=" (--port=ttyUSB0). An
// option that does not apply to the command, or one of a single value given twice, is wrong usage: it would
// otherwise be ignored.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tonvar::cli {

enum class Command { None, Ports, Read, Write, Verify, Backup, Restore, Check, Diff, Show, Set, Convert, Station };

struct Options {
    Command command = Command::None;
    std::vector<std::string> ports; // as given: "ttyUSB0" or a device path
    std::string file;
    std::vector<std::string> files; // check: every file named; diff and convert: the two files
    std::vector<std::string> fields; // show: the fields named; set: each "FIELD=VALUE"
    std::string output;              // set --output OUT: saved there instead of over FILE
    bool dryRun = false;             // write or restore --dry-run: compare, write nothing
    bool quiet = false;
    bool help = false;    // --help: print HelpText(command) and nothing else
    bool version = false; // --version: print the version and nothing else
    int timeoutSeconds = 10;
    bool verify = true; // write: read back what was written (--no-verify: not)
    bool all = false;   // --all: every USB serial port `ports` lists, besides --port
    bool json = false;  // --json: one JSON object per radio on standard output
    std::string backupDir;          // write --backup DIR: each radio backed up whole into DIR first
    std::string roster;             // restore or verify --roster FILE: each radio's own values
    bool allowDuplicateIds = false; // --allow-duplicate-ids: two radios may get the same IDs
    int fromRow = 1;                // station --from-row N: the first roster row to give
    std::string log;                // station --log LOG: one JSON line a radio, appended
    bool rewrite = false;           // station --rewrite: a radio already programmed is written again
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRadioFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDifferent = 3; // verify, diff or a dry run found differences

// Wrong usage: the message says what is wrong, in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError. `args` excludes the program's name.
Options ParseOptions(const std::vector<std::string> &args);

// The --help text of a command (Command::None: the program's overview).
std::string HelpText(Command command);

// The name a port goes by in output and in file names: the selector's name
// ("ttyUSB0") for a port under /dev, else the path with its slashes as
// dashes ("/tmp/radio" -> "tmp-radio").
std::string PortLabel(const std::string &port);

// The file each port's read (or backup) is saved to. With one port, FILE
// itself; with several, FILE is a folder (each radio's file is
// <label><extension> in it) or a pattern in which "{port}" stands for the
// label. `isFolder` tells whether FILE names an existing folder. Throws
// UsageError when several ports would share one file.
std::vector<std::string> ReadTargets(const std::string &file, const std::vector<std::string> &ports, bool isFolder,
                                     const std::string &extension = ".wh");

// The newest backup of the radio labelled `label` that write --backup keeps
// in `folder` (<label>-YYYYMMDD-HHMMSS.radio, with -2, -3, ... after the
// time where the name was taken), judged by the time in the name; "" when
// there is none.
std::string NewestBackup(const std::string &folder, const std::string &label);

} // namespace tonvar::cli
