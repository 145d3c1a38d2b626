// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's progress: a bar per radio redrawn in place on a terminal,
// plain lines otherwise, nothing with --quiet. Messages (errors) go out as
// whole lines between redraws, so they never break a bar.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tonvar::cli {

// "ttyUSB0  [##########--------------]  9/18 reading": the label padded to
// `labelWidth`, a bar of `barWidth` cells filled in proportion to done/total.
std::string ProgressBar(const std::string &label, std::size_t labelWidth, int done, int total, const std::string &state,
                        int barWidth = 24);
// The same, fitted into `columns` (0: any width): the bar shrinks to 8 cells,
// then the labels lose their middles, then the line is cut, so a line never
// wraps (which would leave the redraw a line short). The layout depends on
// `labelWidth`, `total` and `columns` only: rows with the same of those line
// up, and a row keeps its layout from frame to frame whatever its state.
std::string FittedProgressBar(const std::string &label, std::size_t labelWidth, int done, int total,
                              const std::string &state, std::size_t columns);

class ProgressDisplay {
public:
    enum class Mode { Terminal, Lines, Quiet };

    ProgressDisplay(std::FILE *out, Mode mode) : out_(out), mode_(mode) {}

    void SetRows(const std::vector<std::string> &labels);
    // A row's progress; drawn (or printed as a line) when it changed.
    void Update(std::size_t row, int done, int total, const std::string &state);
    // A line that is no progress: always printed, quiet or not.
    void Message(const std::string &line);
    // Leaves the bars as they are, the cursor below them.
    void Finish();

private:
    struct Row {
        std::string label;
        int done = 0;
        int total = 1;
        std::string state = "waiting";
    };
    std::string Line(const Row &row) const;
    void Erase();
    void Draw();

    std::FILE *out_;
    Mode mode_;
    std::vector<Row> rows_;
    std::size_t labelWidth_ = 0;
    std::size_t drawn_ = 0;   // bar lines on the terminal above the cursor
    std::size_t columns_ = 0; // the terminal's width when last drawn, 0 unknown
};

} // namespace tonvar::cli
