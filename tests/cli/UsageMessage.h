// SPDX-License-Identifier: GPL-3.0-or-later
// What tonvar-cli's command line says of a list of arguments.
#pragma once

#include "cli/CliOptions.h"

#include <string>
#include <vector>

namespace tonvar::test {

// The usage error's message, or "(accepted)" when the arguments parse.
inline std::string UsageMessage(const std::vector<std::string> &args)
{
    try {
        cli::ParseOptions(args);
    } catch (const cli::UsageError &e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace tonvar::test
