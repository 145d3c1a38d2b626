// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands/Commands.h"

#include "files/RadioImage.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

namespace tonvar::cli {

int RunCommand(const Options &options)
{
    static const std::pair<Command, int (*)(const Options &)> commands[] = {
        {Command::Ports, RunPorts},     {Command::Check, RunCheck},   {Command::Read, RunRead},
        {Command::Write, RunWrite},     {Command::Verify, RunVerify}, {Command::Backup, RunBackup},
        {Command::Restore, RunRestore}, {Command::Diff, RunDiff},     {Command::Show, RunShow},
        {Command::Set, RunSet},         {Command::Convert, RunConvert}, {Command::Station, RunStation},
    };
    for (const auto &[command, run] : commands)
        if (command == options.command)
            return run(options);
    return UsageFailure("no command given");
}

int UsageFailure(const std::string &message)
{
    std::fprintf(stderr, "tonvar-cli: %s\nTry 'tonvar-cli --help'.\n", message.c_str());
    return kExitUsage;
}

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

bool IsRadioImage(const std::string &path)
{
    return files::LooksLikeRadioImage(FileStart(path, 64));
}

bool IsFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace tonvar::cli
