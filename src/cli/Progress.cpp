// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Progress.h"

#include <algorithm>

#include <sys/ioctl.h>

namespace tonvar::cli {

std::string ProgressBar(const std::string &label, std::size_t labelWidth, int done, int total, const std::string &state,
                        int barWidth)
{
    total = std::max(total, 1);
    done = std::clamp(done, 0, total);
    const int filled = done * barWidth / total;
    std::string line = label;
    if (line.size() < labelWidth)
        line.append(labelWidth - line.size(), ' ');
    line += "  [" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(barWidth - filled), '-') + "] ";
    const std::string count = std::to_string(done) + "/" + std::to_string(total);
    const std::size_t countWidth = 2 * std::to_string(total).size() + 1;
    line += std::string(countWidth - std::min(countWidth, count.size()), ' ') + count + " " + state;
    return line;
}

namespace {

// The room a line keeps for its state ("backing up", "verifying"), so every
// row is laid out alike whatever it says now.
constexpr std::size_t kStateRoom = 12;
constexpr int kNarrowestBar = 8;
constexpr std::size_t kShortestLabel = 9;

// A label `width` long at most, its middle left out: the start and the end
// of a port's name tell ports apart best.
std::string Elided(const std::string &label, std::size_t width)
{
    if (label.size() <= width)
        return label;
    const std::size_t keep = width - 1;
    return label.substr(0, keep - keep / 2) + "~" + label.substr(label.size() - keep / 2);
}

} // namespace

std::string FittedProgressBar(const std::string &label, std::size_t labelWidth, int done, int total,
                              const std::string &state, std::size_t columns)
{
    std::string line = ProgressBar(label, labelWidth, done, total, state);
    if (columns == 0 || line.size() < columns)
        return line;
    // The layout follows from the width, the longest label and the count
    // alone, never from this row or its state: every row alike, and each
    // frame as the one before.
    const std::size_t withoutBar = ProgressBar("", labelWidth, 0, total, "", 0).size() + kStateRoom;
    int bar = 23;
    while (bar > kNarrowestBar && withoutBar + static_cast<std::size_t>(bar) >= columns)
        --bar;
    std::size_t width = labelWidth;
    if (withoutBar + static_cast<std::size_t>(bar) >= columns) {
        const std::size_t over = withoutBar + static_cast<std::size_t>(bar) - columns + 1;
        width = labelWidth > over + kShortestLabel ? labelWidth - over : std::min(labelWidth, kShortestLabel);
    }
    line = ProgressBar(Elided(label, width), width, done, total, state, bar);
    // A state longer than its room, or a terminal too narrow for any bar.
    return line.size() < columns ? line : line.substr(0, columns - 1);
}

void ProgressDisplay::SetRows(const std::vector<std::string> &labels)
{
    Erase();
    rows_.clear();
    labelWidth_ = 0;
    for (const std::string &label : labels) {
        rows_.push_back(Row{label});
        labelWidth_ = std::max(labelWidth_, label.size());
    }
    Draw();
}

std::string ProgressDisplay::Line(const Row &row) const
{
    return FittedProgressBar(row.label, labelWidth_, row.done, row.total, row.state, columns_);
}

void ProgressDisplay::Update(std::size_t index, int done, int total, const std::string &state)
{
    if (index >= rows_.size())
        return;
    Row &row = rows_[index];
    if (row.done == done && row.total == total && row.state == state)
        return;
    row.done = done;
    row.total = total;
    row.state = state;
    if (mode_ == Mode::Lines) {
        std::fprintf(out_, "%s: %s %d/%d\n", row.label.c_str(), state.c_str(), done, total);
        std::fflush(out_);
    } else if (mode_ == Mode::Terminal) {
        Erase();
        Draw();
    }
}

void ProgressDisplay::Message(const std::string &line)
{
    Erase();
    std::fprintf(out_, "%s\n", line.c_str());
    Draw();
}

void ProgressDisplay::Finish()
{
    drawn_ = 0;
    std::fflush(out_);
}

void ProgressDisplay::Erase()
{
    if (mode_ != Mode::Terminal || drawn_ == 0)
        return;
    // Up to the first bar, then clear to the end of the screen.
    std::fprintf(out_, "\r\033[%zuA\033[J", drawn_);
    drawn_ = 0;
}

void ProgressDisplay::Draw()
{
    if (mode_ == Mode::Terminal) {
        // The width now: the window may have been resized since.
        winsize size{};
        columns_ = ::ioctl(::fileno(out_), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
        for (const Row &row : rows_)
            std::fprintf(out_, "%s\n", Line(row).c_str());
        drawn_ = rows_.size();
    }
    std::fflush(out_);
}

} // namespace tonvar::cli
