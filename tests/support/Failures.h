// SPDX-License-Identifier: GPL-3.0-or-later
// The message of the failure an action raises, or "" when it raises none.
#pragma once

#include "text/Convert.h"

#include <string>

namespace tonvar::test {

template <typename Action>
std::string FailureOf(Action &&action)
{
    try {
        action();
    } catch (const text::Failure &e) {
        return e.what();
    }
    return "";
}

} // namespace tonvar::test
