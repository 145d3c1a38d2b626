// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli check: channel files, radio images and rosters judged without a
// radio, each as a write or a restore would load it; a roster given with
// images as a restore would apply it to each of them.
#include "cli/commands/Commands.h"

#include "cli/Fleet.h"
#include "cli/RadioJob.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tonvar::cli {

namespace {

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
            std::any_of(fields.begin(), fields.end(),
                        [&](const signalling::ImageField &f) { return signalling::SameFieldName(f.where, name); });
        if (!known)
            throw text::Failure("No field is called \"" + name + "\".",
                                "Fields are named as their windows show them: \"FleetSync, ID[Own]\", \"DTMF, ID "
                                "Code\", \"Channel 3, RX Freq\" (docs/radio-image.md).");
    }
}

bool IsImageName(const std::string &name)
{
    return IsRadioImage(name) || EndsWith(name, ".radio");
}

bool IsRosterName(const std::string &name)
{
    return !IsImageName(name) && (IsRoster(name) || EndsWith(name, ".csv"));
}

// A roster's fields; with images, its every value (and ID) as a restore
// would apply it to each of them. Returns what was checked.
std::string CheckRoster(const files::Roster &roster, const std::vector<files::RadioImage> &images,
                        bool allowDuplicateIds)
{
    CheckRosterFields(roster);
    if (images.empty())
        return "its fields; give an image beside it to check its values";
    // Each row is a radio: its key names it, whether a port or a serial
    // number.
    std::vector<std::string> keys;
    for (const files::Roster::Row &row : roster.rows)
        keys.push_back(row.key);
    for (const files::RadioImage &image : images)
        FleetImages(roster, {image}, keys, keys, keys, allowDuplicateIds);
    return std::string(allowDuplicateIds ? "every value" : "every value and ID") +
           (images.size() == 1 ? " on the image" : " on each image");
}

} // namespace

int RunCheck(const Options &options)
{
    const std::vector<std::string> &names = options.files;
    // --allow-duplicate-ids lets a roster give two radios one ID: it needs
    // both to mean anything.
    if (options.allowDuplicateIds && (std::none_of(names.begin(), names.end(), IsImageName) ||
                                      std::none_of(names.begin(), names.end(), IsRosterName)))
        return UsageFailure("--allow-duplicate-ids is for check with a radio image and a roster");
    int status = kExitSuccess;
    // Each file's verdict: a line of text, or with --json one object
    // {"file", "kind", "good", "error", "use"; a roster's "radios", "key" and
    // "checked"}.
    const auto text = [](const std::string &s) { return QString::fromStdString(s); };
    const auto print = [&](const std::string &name, const std::string &kind, const std::string &line,
                           QJsonObject record) {
        if (!options.json) {
            std::printf("%s\n", line.c_str());
            return;
        }
        record.insert(QStringLiteral("file"), text(name));
        record.insert(QStringLiteral("kind"), text(kind));
        std::printf("%s\n", QJsonDocument(record).toJson(QJsonDocument::Compact).constData());
    };
    const auto good = [&](const std::string &name, const std::string &kind, const std::string &use,
                          const std::string &line, QJsonObject record = {}) {
        record.insert(QStringLiteral("good"), true);
        record.insert(QStringLiteral("error"), QString());
        record.insert(QStringLiteral("use"), text(use));
        print(name, kind, name + ": " + line, record);
    };
    const auto report = [&](const std::string &name, const std::string &kind, const text::Failure &e) {
        const std::string detail = e.detail().empty() ? "" : " " + e.detail();
        const std::string message = text::WithFullStop(e.what());
        const std::string line = (message.rfind(name, 0) == 0 ? "" : name + ": ") + message + detail;
        print(name, kind, line,
              QJsonObject{{QStringLiteral("good"), false}, {QStringLiteral("error"), text(message + detail)}});
        status = kExitUsage;
    };
    // Images and channel files first: the rosters are checked on the images.
    std::vector<files::RadioImage> images;
    for (const std::string &name : names) {
        std::string kind;
        try {
            if (IsImageName(name)) {
                kind = "radio image";
                images.push_back(files::LoadRadioImage(name));
                good(name, kind, "restore", "a radio image of the whole radio, good to restore");
            } else if (IsChannelCsvFile(name)) {
                kind = "CSV channel list";
                LoadForWriting(name);
                good(name, kind, "write", "a CSV channel list, good to write");
            } else if (!IsRosterName(name)) {
                kind = "channel file";
                LoadForWriting(name);
                good(name, kind, "write", "a channel file, good to write");
            }
        } catch (const text::Failure &e) {
            report(name, kind, e);
        }
    }
    for (const std::string &name : names) {
        if (!IsRosterName(name) || IsChannelCsvFile(name))
            continue;
        try {
            const files::Roster roster = files::LoadRoster(name);
            const std::string checked = CheckRoster(roster, images, options.allowDuplicateIds);
            const bool byPort = roster.key == files::Roster::Key::Port;
            const std::string radios = std::to_string(roster.rows.size()) + " radio" +
                                       (roster.rows.size() == 1 ? "" : "s");
            const QJsonObject record{
                {QStringLiteral("radios"), static_cast<qint64>(roster.rows.size())},
                {QStringLiteral("key"), byPort ? QStringLiteral("port") : QStringLiteral("serial")},
                {QStringLiteral("checked"), text(checked)}};
            good(name, "roster", "restore",
                 "a roster of " + radios + " by " + (byPort ? "port" : "serial number") +
                     ", good to restore with (checked: " + checked + ")",
                 record);
        } catch (const text::Failure &e) {
            report(name, "roster", e);
        }
    }
    return status;
}

} // namespace tonvar::cli
