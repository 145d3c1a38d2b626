// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Fleet.h"

#include "memory/Payload.h"
#include "protocol/Frames.h"
#include "signalling/DtmfBlocks.h"
#include "signalling/DtmfCodec.h"
#include "signalling/FleetSyncBlocks.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

namespace tonvar::cli {

std::vector<RadioOwnImage> FleetImages(const files::Roster &roster, const std::vector<files::RadioImage> &bases,
                                       const std::vector<std::string> &labels, const std::vector<std::string> &devices,
                                       const std::vector<std::string> &serials, bool allowDuplicateIds)
{
    std::vector<RadioOwnImage> out;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::string serial = i < serials.size() ? serials[i] : std::string();
        const files::Roster::Row *row =
            roster.Find(labels[i], i < devices.size() ? devices[i] : std::string(), serial);
        if (!row)
            throw text::Failure(labels[i] + ": no row of the roster names this radio.",
                                roster.key == files::Roster::Key::Port
                                    ? "Its port is " + labels[i] +
                                          (i < devices.size() && devices[i] != labels[i] ? " (" + devices[i] + ")" : "") +
                                          "."
                                    : (serial.empty() ? std::string("Its cable reports no serial number.")
                                                      : "Its cable's serial number is " + serial + "."));
        RadioOwnImage own{bases.size() == labels.size() ? bases[i] : bases.at(0), {}, {}};
        for (std::size_t c = 0; c < roster.fields.size(); ++c) {
            const std::string &value = row->values[c];
            if (value.empty())
                continue;
            try {
                signalling::SetImageField(own.image, roster.fields[c], value);
            } catch (const text::Failure &e) {
                throw text::Failure("Roster line " + std::to_string(row->line) + " (" + labels[i] +
                                        "): " + text::WithFullStop(e.what()),
                                    e.detail());
            }
            own.values += (own.values.empty() ? "" : "; ") + roster.fields[c] + " " + value;
            own.fields.emplace_back(roster.fields[c], value);
        }
        out.push_back(std::move(own));
    }
    if (!allowDuplicateIds) {
        std::vector<files::RadioImage> images;
        for (const RadioOwnImage &own : out)
            images.push_back(own.image);
        RefuseDuplicateIds(images, labels);
    }
    return out;
}

RadioIds IdsOf(const files::RadioImage &image)
{
    RadioIds ids;
    const memory::Payload &fleetSync = image.At({protocol::kAreaFleetSync, 0});
    const std::uint16_t fleet = memory::Get16(fleetSync, signalling::fleetsync_offsets::kOwnFleet);
    const std::uint16_t id = memory::Get16(fleetSync, signalling::fleetsync_offsets::kOwnId);
    if (id != 0 && id != 0xFFFF)
        ids.fleetSync = "FleetSync fleet " + std::to_string(fleet) + " and ID " + std::to_string(id);
    const memory::Payload &dtmf = image.At({protocol::kAreaDtmf, 0});
    const int digits = dtmf[signalling::dtmf_offsets::kDigitCounts];
    const std::optional<std::string> code =
        signalling::DecodeIdCode(memory::Get32(dtmf, signalling::dtmf_offsets::kIdCode), digits);
    if (code && digits <= 8)
        ids.dtmf = "the DTMF ID code " + *code;
    return ids;
}

void RefuseDuplicateIds(const std::vector<files::RadioImage> &images, const std::vector<std::string> &labels)
{
    // Each ID given to more than one radio, with its radios, in the order met.
    std::vector<std::pair<std::string, std::vector<std::string>>> given;
    const auto add = [&given](const std::optional<std::string> &id, const std::string &label) {
        if (!id)
            return;
        for (auto &[what, radios] : given)
            if (what == *id) {
                radios.push_back(label);
                return;
            }
        given.push_back({*id, {label}});
    };
    for (std::size_t i = 0; i < images.size() && i < labels.size(); ++i) {
        const RadioIds ids = IdsOf(images[i]);
        add(ids.fleetSync, labels[i]);
        add(ids.dtmf, labels[i]);
    }
    std::string clashes;
    for (const auto &[what, radios] : given) {
        if (radios.size() < 2)
            continue;
        std::string names;
        for (std::size_t k = 0; k < radios.size(); ++k)
            names += (k == 0 ? "" : k + 1 == radios.size() ? " and " : ", ") + radios[k];
        clashes += (clashes.empty() ? "" : "; ") + names +
                   (radios.size() == 2 ? " would both get " : " would all get ") + what;
    }
    if (!clashes.empty())
        throw text::Failure(clashes + ".", "No two radios may answer to the same IDs: give each radio its own in a "
                                           "roster (--roster), or allow it with --allow-duplicate-ids.");
}

} // namespace tonvar::cli
