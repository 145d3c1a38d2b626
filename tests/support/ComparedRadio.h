// SPDX-License-Identifier: GPL-3.0-or-later
// The radio the compare tests hold the window against: three channels, a
// time-out and a DTMF ID code.
#pragma once

#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"

#include <string>
#include <utility>

namespace tonvar::test {

// Channels 1 to 3 on 145.5, 146 and 147 (simplex), TOT `timeOut` and DTMF ID
// code `dtmfId`.
inline files::RadioImage ThreeChannelRadio(const std::string &timeOut, const std::string &dtmfId)
{
    files::RadioImage image;
    for (const auto &[channel, rx] : {std::pair{1, "145.5"}, {2, "146"}, {3, "147"}}) {
        signalling::SetImageField(image, "Channel " + std::to_string(channel) + ", RX Freq", rx);
        signalling::SetImageField(image, "Channel " + std::to_string(channel) + ", TX Freq", rx);
    }
    signalling::SetImageField(image, "Settings, TOT", timeOut);
    signalling::SetImageField(image, "DTMF, ID Code", dtmfId);
    return image;
}

} // namespace tonvar::test
