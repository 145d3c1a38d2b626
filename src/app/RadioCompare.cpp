// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RadioCompare.h"

#include "protocol/Frames.h"

#include <algorithm>
#include <utility>

namespace tonvar::app {

namespace {

bool Holds(const std::vector<std::uint8_t> &areas, std::uint8_t area)
{
    return std::find(areas.begin(), areas.end(), area) != areas.end();
}

} // namespace

std::vector<link::TransferPlan> ComparePlans(const std::vector<std::uint8_t> &signallingAreas)
{
    std::vector<link::TransferPlan> out;
    for (link::TransferPlan &plan : signalling::WholeRadioPlans(false)) {
        const std::uint8_t area = plan.blocks.empty() ? 0 : plan.blocks.front().area;
        if (area == protocol::kAreaChannels || Holds(signallingAreas, area))
            out.push_back(std::move(plan));
    }
    return out;
}

std::vector<signalling::PlacedDifference> WindowDifferences(const files::RadioImage &window,
                                                            const files::RadioImage &radio,
                                                            const std::vector<std::uint8_t> &areas)
{
    std::vector<signalling::PlacedDifference> out;
    for (signalling::PlacedDifference &d : signalling::ComparePlaced(window, radio))
        if (Holds(areas, d.place.area))
            out.push_back(std::move(d));
    return out;
}

std::string DifferenceLine(const signalling::FieldDifference &d)
{
    return d.where + ": window '" + d.expected + "', radio '" + d.radio + "'";
}

RadioComparison::RadioComparison(Document document, protocol::MainSession &session,
                                 std::function<void(int milliseconds)> sleep, Hooks hooks)
    : document_(std::move(document)), session_(session), sleep_(std::move(sleep)), hooks_(std::move(hooks))
{
}

void RadioComparison::Start()
{
    if (session_.hub.AnyRunning())
        return;
    Clear();
    document_.run([&] {
        document_.CommitEdit();
        // A text a write would refuse stops the compare before the radio is
        // asked anything.
        hooks_.windowImage();
        std::vector<std::uint8_t> open = hooks_.openAreas ? hooks_.openAreas() : std::vector<std::uint8_t>{};
        radio_ = files::RadioImage{};
        session_.StartWhole(false, ComparePlans(open), signalling::ImageHooks(radio_, sleep_), [this, open] {
            // What the windows hold now, the radio's areas whole.
            std::vector<std::uint8_t> areas = open;
            areas.push_back(protocol::kAreaChannels);
            areas.push_back(protocol::kAreaSettings);
            differences_ = WindowDifferences(hooks_.windowImage(), radio_, areas);
            state_ = hooks_.state ? hooks_.state() : std::vector<std::string>{};
            current_ = -1;
            shown_ = true;
            if (hooks_.changed)
                hooks_.changed();
        });
    });
}

void RadioComparison::Check()
{
    if (!shown_)
        return;
    if (session_.hub.AnyRunning() || (hooks_.state && hooks_.state() != state_))
        Clear();
}

void RadioComparison::Clear()
{
    if (!shown_)
        return;
    shown_ = false;
    differences_.clear();
    state_.clear();
    current_ = -1;
    if (hooks_.changed)
        hooks_.changed();
}

std::string RadioComparison::Summary() const
{
    if (!shown_)
        return {};
    if (differences_.empty())
        return "The radio holds what the window shows";
    const std::size_t n = differences_.size();
    return std::to_string(n) + (n == 1 ? " difference" : " differences") + " from the radio";
}

std::optional<std::string> RadioComparison::RadioText(const signalling::FieldPlace &place) const
{
    for (const signalling::PlacedDifference &d : differences_)
        if (d.place == place)
            return d.difference.radio;
    return std::nullopt;
}

int RadioComparison::Next()
{
    if (differences_.empty())
        return -1;
    current_ = (current_ + 1) % static_cast<int>(differences_.size());
    return current_;
}

void RadioComparison::GoTo(int index)
{
    if (index >= 0 && index < static_cast<int>(differences_.size()))
        current_ = index;
}

} // namespace tonvar::app
