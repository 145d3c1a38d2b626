// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScreenLayout.h"

#include <cmath>

namespace tonvar::app {

ScaleRatios RatiosForScreen(int screenWidth, int screenHeight)
{
    ScaleRatios r;
    r.height = static_cast<double>(screenHeight * 90 / 100) / 630.0;
    r.width = static_cast<double>(screenWidth * 99 / 100) / 930.0;
    r.font = std::fabs(r.height - 1.0) < std::fabs(r.width - 1.0) ? r.height : r.width;
    return r;
}

int RoundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v)); // the default rounding mode
}

} // namespace tonvar::app
