// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a failed check that libFuzzer reports as a
// crash, and a reader that takes an input apart from its first byte on, so
// that a hand-made seed reads in the order it is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tonvar::fuzz {

// An invariant that does not hold is a finding: say which, and abort so
// that libFuzzer keeps the input.
inline void Check(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Reader {
public:
    Reader(const std::uint8_t *data, std::size_t size) : at_(data), end_(data + size) {}

    bool Empty() const { return at_ == end_; }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - at_); }
    // The next byte, or 0 past the end.
    std::uint8_t Byte() { return at_ == end_ ? std::uint8_t{0} : *at_++; }
    // Two bytes, low byte first.
    std::uint16_t Word()
    {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    // Up to n bytes: fewer when the input ends first.
    std::vector<std::uint8_t> Bytes(std::size_t n)
    {
        if (n > Left())
            n = Left();
        std::vector<std::uint8_t> out(at_, at_ + n);
        at_ += n;
        return out;
    }
    // A text of up to 255 bytes: its length byte, then the bytes.
    std::string Text()
    {
        const std::vector<std::uint8_t> bytes = Bytes(Byte());
        return std::string(bytes.begin(), bytes.end());
    }
    // Whatever is left.
    std::string Rest()
    {
        std::string out(at_, end_);
        at_ = end_;
        return out;
    }

private:
    const std::uint8_t *at_;
    const std::uint8_t *end_;
};

} // namespace tonvar::fuzz
