// SPDX-License-Identifier: GPL-3.0-or-later
// The message of the failure an action raises, or "" when it raises none.
#pragma once

#include "text/Convert.h"

#include <string>
#include <utility>

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

// The message and the detail (the field it names) of the failure an action
// raises; both "" when it raises none.
template <typename Action>
std::pair<std::string, std::string> FailureAndDetailOf(Action &&action)
{
    try {
        action();
    } catch (const text::Failure &e) {
        return {e.what(), e.detail()};
    }
    return {};
}
using Refusal = std::pair<std::string, std::string>;

} // namespace tonvar::test
