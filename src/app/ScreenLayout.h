// SPDX-License-Identifier: GPL-3.0-or-later
// Adapting the main window to small screens (800 x 600 and smaller).
#pragma once

namespace tonvar::app {

struct ScaleRatios {
    double height = 1.0;
    double width = 1.0;
    double font = 1.0;
};

// A screen no wider than 800 or no higher than 600 pixels gets the small
// layout.
inline bool IsSmallScreen(int screenWidth, int screenHeight)
{
    return !(screenWidth > 800 && screenHeight > 600);
}

// h = (screen height * 90 / 100, whole) / 630, w = (screen width * 99 / 100,
// whole) / 930; fonts follow whichever is nearer 1 (the width on a tie).
ScaleRatios RatiosForScreen(int screenWidth, int screenHeight);

// Rounding to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double v);

} // namespace tonvar::app
