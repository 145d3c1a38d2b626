// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli convert: a channel file into a CSV channel list or back, by the
// names' suffixes, each read and checked as a write would take it.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "cli/FileKinds.h"
#include "cli/RadioJob.h"
#include "files/ChannelCsv.h"
#include "files/ChannelFile.h"

#include <cstdio>

namespace tonvar::cli {

namespace {

bool EndsWith(const std::string &name, const std::string &end)
{
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
}

} // namespace

int RunConvert(const Options &options)
{
    const std::string &from = options.files.at(0);
    const std::string &to = options.files.at(1);
    const bool toCsv = EndsWith(to, ".csv");
    if (!toCsv && !EndsWith(to, ".wh"))
        return UsageFailure("convert saves a channel file (.wh) or a CSV channel list (.csv): " + to +
                            " is named as neither");
    ChannelData data;
    try {
        data = LoadForWriting(from);
    } catch (const text::Failure &e) {
        return FileFailure(from, e);
    }
    const std::string problem =
        ReplaceProblem(to, toCsv ? FileKind::ChannelCsv : FileKind::ChannelFile, "convert", "nothing was saved");
    if (!problem.empty()) {
        std::fprintf(stderr, "tonvar-cli: %s\n", problem.c_str());
        return kExitUsage;
    }
    try {
        if (toCsv)
            files::SaveCsvFile(data.table, to);
        else
            files::SaveChannelFile(data.table, data.settings, to);
    } catch (const text::Failure &e) {
        return SaveFailure(e);
    }
    return kExitSuccess;
}

} // namespace tonvar::cli
