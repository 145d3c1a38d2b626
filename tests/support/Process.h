// SPDX-License-Identifier: GPL-3.0-or-later
// Other programs started and stopped from a test or a benchmark.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tonvar::test {

// This process's own environment with `changes` ("NAME=value") put over it.
std::vector<std::string> Environment(const std::vector<std::string> &changes);

// Starts a program (found on the PATH) in a process group of its own, with
// the given environment and standard input from /dev/null; standard output
// to `out` (or inherited when -1), standard error to `err` (or inherited).
// Of the other descriptors only `keep` stays open. Throws
// std::runtime_error when no process can be made.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, int out, int err, int keep = -1);

// Ends a process started so: SIGTERM, then SIGKILL when it has not ended
// after five seconds. Nothing for a pid of 0 or less.
void Stop(pid_t pid);

} // namespace tonvar::test
