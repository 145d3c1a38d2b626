// SPDX-License-Identifier: GPL-3.0-or-later
// Why a port would not open, in words a user can act on.
#pragma once

#include "serial/CableHints.h"

#include <string>

namespace tonvar::serial {

// A sentence or two for the error box, given the device path and the errno
// of the failed open (EBUSY when another opener holds the port). A missing
// port may add the brltty hint, a port ModemManager holds gets its own.
std::string OpenFailureDetail(const std::string &path, int error, const SystemPaths &where = {});

// A sentence for a port whose UUCP lock file another process holds;
// `holder` is "name (process 1234)".
std::string LockedPortDetail(const std::string &path, const std::string &holder);

// "name (process 1234)" of a process that has `path` open, or "" when none is
// found (or /proc does not tell).
std::string FindPortHolder(const std::string &path, const std::string &procRoot = "/proc");

} // namespace tonvar::serial
