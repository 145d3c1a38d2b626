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

std::string FittedProgressBar(const std::string &label, std::size_t labelWidth, int done, int total,
                              const std::string &state, std::size_t columns)
{
    std::string line = ProgressBar(label, labelWidth, done, total, state);
    if (columns == 0 || line.size() < columns)
        return line;
    for (int bar = 23; bar >= 8; --bar) {
        line = ProgressBar(label, labelWidth, done, total, state, bar);
        if (line.size() < columns)
            return line;
    }
    // The label's start and end tell ports apart best.
    const std::size_t over = line.size() - columns + 1;
    if (label.size() > over + 8) {
        const std::size_t keep = label.size() - over - 1;
        const std::string shortLabel = label.substr(0, keep / 2) + "~" + label.substr(label.size() - (keep - keep / 2));
        line = ProgressBar(shortLabel, std::min(labelWidth, shortLabel.size()), done, total, state, 8);
    }
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
