// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli: reads, writes and verifies radios from scripts, one or many at
// once, with the main window's sessions and channel files; backs up and
// restores whole radios as radio images. Each command is in commands/.
#include "cli/CliOptions.h"
#include "cli/commands/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace tonvar::cli;

int main(int argc, char **argv)
{
    Options options;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
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
    return RunCommand(options);
}
