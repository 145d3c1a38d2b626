// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's commands, one a file, run through one table: each takes the
// command line as ParseOptions read it and returns the exit status.
#pragma once

#include "cli/CliOptions.h"

#include <cstddef>
#include <string>

namespace tonvar::cli {

// Runs options.command (any but Command::None).
int RunCommand(const Options &options);

int RunPorts(const Options &options);
int RunCheck(const Options &options);
int RunRead(const Options &options);
int RunWrite(const Options &options);
int RunVerify(const Options &options);
int RunBackup(const Options &options);
int RunRestore(const Options &options);
int RunDiff(const Options &options);
int RunShow(const Options &options);
int RunSet(const Options &options);
int RunConvert(const Options &options);
int RunStation(const Options &options);

// Says on standard error what is wrong and where help is; returns kExitUsage.
int UsageFailure(const std::string &message);

// The first bytes of a file, empty where it cannot be read.
std::string FileStart(const std::string &path, std::size_t size);
// Whether a file starts as a radio image does (else it is taken for a
// channel file).
bool IsRadioImage(const std::string &path);
bool IsFolder(const std::string &path);

} // namespace tonvar::cli
