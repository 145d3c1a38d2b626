#include "cli/Fleet.h"

#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <algorithm>
#include <map>

namespace tonvar::cli {

namespace {

const std::string kFleet = "FleetSync, Fleet[Own]";
const std::string kId = "FleetSync, ID[Own]";
const std::string kDtmfId = "DTMF, ID Code";

std::string FieldOf(const files::RadioImage &image, const std::string &where)
{
    for (const signalling::ImageField &f : signalling::ImageFields(image))
        if (f.where == where)
            return f.text;
    return {};
}

} // namespace

std::vector<RadioOwnImage> FleetImages(const files::Roster &roster, const std::vector<files::RadioImage> &bases,
                                       const std::vector<std::string> &labels, const std::vector<std::string> &serials,
                                       bool allowDuplicateIds)
{
    std::vector<RadioOwnImage> out;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::string serial = i < serials.size() ? serials[i] : std::string();
        const files::Roster::Row *row = roster.Find(labels[i], serial);
        if (!row)
            throw text::Failure(labels[i] + ": no row of the roster names this radio.",
                                roster.key == files::Roster::Key::Port
                                    ? "Its port is " + labels[i] + "."
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
    if (allowDuplicateIds)
        return out;
    // A fleet's radios answer to the IDs the roster gives them: no two the same.
    const auto gives = [&](const std::string &field) {
        return std::find(roster.fields.begin(), roster.fields.end(), field) != roster.fields.end();
    };
    const bool fleetSync = gives(kFleet) || gives(kId);
    const bool dtmf = gives(kDtmfId);
    std::map<std::string, std::size_t> fleetIds, dtmfIds;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string fleetId = FieldOf(out[i].image, kFleet) + "/" + FieldOf(out[i].image, kId);
        const auto [a, newFleetId] = fleetIds.emplace(fleetId, i);
        if (fleetSync && !newFleetId)
            throw text::Failure(labels[a->second] + " and " + labels[i] + " would both get FleetSync fleet " +
                                    FieldOf(out[i].image, kFleet) + " and ID " + FieldOf(out[i].image, kId) + ".",
                                "Give each radio its own in the roster, or --allow-duplicate-ids.");
        const std::string dtmfId = FieldOf(out[i].image, kDtmfId);
        const auto [b, newDtmf] = dtmfIds.emplace(dtmfId, i);
        if (dtmf && !newDtmf)
            throw text::Failure(labels[b->second] + " and " + labels[i] + " would both get the DTMF ID code " + dtmfId +
                                    ".",
                                "Give each radio its own in the roster, or --allow-duplicate-ids.");
    }
    return out;
}

} // namespace tonvar::cli
