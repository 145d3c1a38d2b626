// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli show: the fields of a radio image or a channel file and their
// values, named as their windows show them.
#include "cli/commands/Commands.h"
#include "cli/commands/OnRadios.h"

#include "cli/FieldFiles.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace tonvar::cli {

int RunShow(const Options &options)
{
    FieldFile file;
    try {
        file = LoadFieldFile(options.file, false);
    } catch (const text::Failure &e) {
        return FileFailure(options.file, e);
    }
    const std::vector<signalling::ImageField> fields = FieldsOf(file);
    std::vector<signalling::ImageField> shown;
    for (const std::string &name : options.fields) {
        const auto at = std::find_if(fields.begin(), fields.end(), [&](const signalling::ImageField &f) {
            return signalling::SameFieldName(f.where, name);
        });
        if (at == fields.end()) {
            std::fprintf(stderr, "tonvar-cli: %s has no field called \"%s\" ('tonvar-cli show %s' lists them).\n",
                         options.file.c_str(), name.c_str(), options.file.c_str());
            return kExitUsage;
        }
        shown.push_back(*at);
    }
    if (options.fields.empty())
        shown = fields;
    if (options.json) {
        QJsonObject o;
        for (const signalling::ImageField &f : shown)
            o.insert(QString::fromStdString(f.where), QString::fromStdString(f.text));
        std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    } else {
        for (const signalling::ImageField &f : shown)
            std::printf("%s = %s\n", f.where.c_str(), f.text.c_str());
    }
    std::fflush(stdout);
    return kExitSuccess;
}

} // namespace tonvar::cli
