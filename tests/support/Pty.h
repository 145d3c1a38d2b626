// SPDX-License-Identifier: GPL-3.0-or-later
// A pseudo-terminal pair for serial tests: the component under test opens the
// slave by path, the test plays the far end on the master.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonvar::test {

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    const std::string &SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    // Writes all bytes to the master (blocking).
    void Write(const std::vector<std::uint8_t> &bytes);
    // Reads what arrives at the master until `count` bytes are in or
    // `timeoutMs` pass without a byte.
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs = 2000);
    void CloseMaster();

private:
    int master_ = -1;
    std::string slavePath_;
};

} // namespace tonvar::test
