// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli set: fields of a radio image or a channel file given new
// values by name, each checked as a write checks it; the file saved whole or
// not at all, only those fields' bytes changed.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "cli/FieldFiles.h"
#include "files/ChannelFile.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace tonvar::cli {

int RunSet(const Options &options)
{
    std::vector<std::pair<std::string, std::string>> assignments;
    std::set<std::string> named;
    for (const std::string &assignment : options.fields) {
        const std::size_t equals = assignment.find('=');
        const std::string where = assignment.substr(0, equals);
        if (!named.insert(where).second)
            return UsageFailure("\"" + where + "\" is given twice");
        assignments.emplace_back(where, assignment.substr(equals + 1));
    }
    FieldFile file;
    try {
        file = LoadFieldFile(options.file, true);
    } catch (const text::Failure &e) {
        return FileFailure(options.file, e);
    }
    if (file.csv)
        return UsageFailure(options.file + " is a CSV channel list: set changes channel files and radio images "
                            "(tonvar-cli convert " + options.file + " FILE.wh, then set FILE.wh)");
    const std::string target = options.output.empty() ? options.file : options.output;
    if (!options.output.empty()) {
        // A file is not saved under another kind's name: tonvar-cli and the
        // window would take it for that kind.
        const auto endsWith = [&](const std::string &end) {
            return options.output.size() >= end.size() &&
                   options.output.compare(options.output.size() - end.size(), end.size(), end) == 0;
        };
        if ((file.image && (endsWith(".wh") || endsWith(".csv"))) ||
            (!file.image && (endsWith(".radio") || endsWith(".csv"))))
            return UsageFailure(options.output + " is named as another kind of file than " + options.file + " (" +
                                (file.image ? "a radio image: name it .radio" : "a channel file: name it .wh") +
                                "); nothing was saved");
        // No file of another kind is replaced.
        const std::string problem = ReplaceProblem(target, file.image ? FileKind::RadioImage : FileKind::ChannelFile,
                                                   "set", "nothing was saved");
        if (!problem.empty()) {
            std::fprintf(stderr, "tonvar-cli: %s\n", problem.c_str());
            return kExitUsage;
        }
    }
    std::string bytes;
    try {
        bytes = SetFields(file, assignments);
    } catch (const text::Failure &e) {
        // Named by the field: "master.radio: FleetSync, Fleet[Own]: The radio cannot hold ...".
        const std::string &detail = e.detail();
        const bool field = std::any_of(assignments.begin(), assignments.end(),
                                       [&](const auto &a) { return detail.rfind(a.first, 0) == 0; });
        const std::string message = text::WithFullStop(e.what());
        std::fprintf(stderr, "tonvar-cli: %s: %s Nothing was saved.\n", options.file.c_str(),
                     (field ? detail + ": " + message : message + (detail.empty() ? "" : " " + detail)).c_str());
        return kExitUsage;
    }
    try {
        files::SaveFileBytes(target, bytes);
    } catch (const text::Failure &e) {
        return SaveFailure(e);
    }
    return kExitSuccess;
}

} // namespace tonvar::cli
