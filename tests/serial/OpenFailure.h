// SPDX-License-Identifier: GPL-3.0-or-later
// What opening a port raises, for tests of the ways an open fails.
#pragma once

#include "serial/SPComm.h"

#include <string>

namespace tonvar::test {

struct OpenFailure {
    std::string message; // empty when the port opened
    std::string detail;
};

// Opens the port; the ECommsError that raises, if any.
inline OpenFailure OpenFailureOf(serial::TComm &comm)
{
    try {
        comm.OpenPort();
    } catch (const serial::ECommsError &e) {
        return {e.what(), e.detail()};
    }
    return {};
}

} // namespace tonvar::test
