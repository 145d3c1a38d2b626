// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli diff: two channel files, two radio images or one of each
// compared field by field, each difference named as verify names it.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "cli/FieldFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace tonvar::cli {

int RunDiff(const Options &options)
{
    std::vector<FieldFile> files;
    for (const std::string &name : options.files) {
        try {
            files.push_back(LoadFieldFile(name, true));
        } catch (const text::Failure &e) {
            return FileFailure(name, e);
        }
    }
    const FieldFile &a = files.at(0);
    const FieldFile &b = files.at(1);
    const std::vector<FileDifference> differences = DiffFiles(a, b);
    if (options.json) {
        const auto text = [](const std::string &s) { return QString::fromStdString(s); };
        QJsonArray list;
        for (const FileDifference &d : differences)
            list.append(QJsonObject{{QStringLiteral("field"), text(d.where)},
                                    {QStringLiteral("a"), text(d.a)},
                                    {QStringLiteral("b"), text(d.b)}});
        const QJsonObject o{{QStringLiteral("equal"), differences.empty()},
                            {QStringLiteral("files"), QJsonArray{text(a.name), text(b.name)}},
                            {QStringLiteral("differences"), list}};
        std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    } else if (!options.quiet) {
        for (const FileDifference &d : differences)
            std::printf("%s\n", FormatFileDifference(a, b, d).c_str());
    }
    std::fflush(stdout);
    return differences.empty() ? kExitSuccess : kExitDifferent;
}

} // namespace tonvar::cli
