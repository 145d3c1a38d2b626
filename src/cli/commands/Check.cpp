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
    const auto report = [&status](const std::string &name, const text::Failure &e) {
        const std::string detail = e.detail().empty() ? "" : " " + e.detail();
        const std::string message = text::WithFullStop(e.what());
        std::printf("%s%s%s\n", message.rfind(name, 0) == 0 ? "" : (name + ": ").c_str(), message.c_str(),
                    detail.c_str());
        status = kExitUsage;
    };
    // Images and channel files first: the rosters are checked on the images.
    std::vector<files::RadioImage> images;
    for (const std::string &name : names) {
        try {
            if (IsImageName(name)) {
                images.push_back(files::LoadRadioImage(name));
                std::printf("%s: a radio image of the whole radio, good to restore\n", name.c_str());
            } else if (IsChannelCsvFile(name)) {
                LoadForWriting(name);
                std::printf("%s: a CSV channel list, good to write\n", name.c_str());
            } else if (!IsRosterName(name)) {
                LoadForWriting(name);
                std::printf("%s: a channel file, good to write\n", name.c_str());
            }
        } catch (const text::Failure &e) {
            report(name, e);
        }
    }
    for (const std::string &name : names) {
        if (!IsRosterName(name) || IsChannelCsvFile(name))
            continue;
        try {
            const files::Roster roster = files::LoadRoster(name);
            const std::string checked = CheckRoster(roster, images, options.allowDuplicateIds);
            std::printf("%s: a roster of %zu radio%s by %s, good to restore with (checked: %s)\n", name.c_str(),
                        roster.rows.size(), roster.rows.size() == 1 ? "" : "s",
                        roster.key == files::Roster::Key::Port ? "port" : "serial number", checked.c_str());
        } catch (const text::Failure &e) {
            report(name, e);
        }
    }
    return status;
}

} // namespace tonvar::cli
