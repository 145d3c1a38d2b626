// SPDX-License-Identifier: GPL-3.0-or-later
// Byte strings as the tests write and compare them.
#pragma once

#include <cstdint>
#include <vector>

namespace tonvar::test {

using Bytes = std::vector<std::uint8_t>;

// `parts` one after another.
inline Bytes Joined(const std::vector<Bytes> &parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace tonvar::test
