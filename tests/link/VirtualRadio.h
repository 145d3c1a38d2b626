// A radio on a 9600 baud line in virtual time, and the port and timer a
// session sees, so whole sessions run in microseconds against radios that
// answer late, ignore what comes while they store, or split, corrupt or
// mix up their answers.
#pragma once

#include "link/Link.h"
#include "protocol/Frames.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tonvar::test {

using Bytes = std::vector<std::uint8_t>;
using Ms = double;

inline constexpr Ms kByteMs = 10.0 * 1000.0 / 9600.0;
inline constexpr Ms kChunkQuietMs = 20.0; // the port's chunk rule

struct RadioFaults {
    int splitAnswer = 0; // the Nth answer comes in two chunks, split after byte splitAt
    std::size_t splitAt = 6;
    int badChecksumAnswer = 0; // the Nth answer has a bit wrong, so its checksum does not match
    int staleAnswer = 0;       // the Nth answer is a frame for the request before
    int dropAnswer = 0;        // the Nth answer never comes
};

class VirtualRadio {
public:
    enum class Kind { Buffering, Deaf };

    VirtualRadio(Kind kind, Ms answerDelay, RadioFaults faults = {}) : kind_(kind), delay_(answerDelay), faults_(faults)
    {
    }

    std::array<std::array<std::uint8_t, 28>, 52> memory{};

    static int Index(int area, int block)
    {
        int index = 0;
        for (int a = 0; a < area; ++a)
            index += protocol::kAreaBlocks.at(static_cast<std::size_t>(a)).second -
                     protocol::kAreaBlocks.at(static_cast<std::size_t>(a)).first + 1;
        const auto [first, last] = protocol::kAreaBlocks.at(static_cast<std::size_t>(area));
        return block < first || block > last ? -1 : index + block - first;
    }

    // Bytes from the tool at `now`: writes at the same instant form one burst.
    void FromTool(const std::uint8_t *bytes, std::size_t n, Ms now)
    {
        if (!burst_.empty() && now != burstAt_)
            EndBurst();
        if (burst_.empty())
            burstAt_ = now;
        burst_.insert(burst_.end(), bytes, bytes + n);
    }

    // Chunks due to the tool by `now`, in order.
    std::vector<Bytes> ToTool(Ms now)
    {
        if (!burst_.empty() && now > burstAt_)
            EndBurst();
        std::vector<Bytes> out;
        while (!chunks_.empty() && chunks_.front().first <= now) {
            out.push_back(chunks_.front().second);
            chunks_.pop_front();
        }
        return out;
    }
    Ms NextChunkAt() const { return chunks_.empty() ? 1e18 : chunks_.front().first; }
    void Flush(Ms now)
    {
        if (!burst_.empty() && now > burstAt_)
            EndBurst();
    }

private:
    void EndBurst()
    {
        const Bytes burst = burst_;
        burst_.clear();
        std::size_t need = 0;
        switch (burst[0]) {
        case 'P':
            need = 7;
            break;
        case 'R':
            need = 4;
            break;
        case 'W': // FleetSync's frames carry no checksum
            need = burst.size() >= 2 && burst[1] == protocol::kAreaFleetSync ? 32 : 34;
            break;
        default:
            return; // an Ack of the tool's, or no message
        }
        if (burst.size() < need)
            return;
        const Ms arrived = burstAt_ + static_cast<Ms>(need) * kByteMs;
        if (kind_ == Kind::Deaf && arrived < busyUntil_)
            return; // storing: not heard
        const Ms start = std::max(arrived, busyUntil_);
        const Ms ready = start + delay_;
        Bytes answer;
        if (burst[0] == 'P') {
            answer = {protocol::kAck};
        } else if (burst[0] == 'W') {
            const int i = Index(burst[1], burst[2]);
            if (i >= 0)
                std::copy(burst.begin() + 4, burst.begin() + 32, memory.at(static_cast<std::size_t>(i)).begin());
            answer = {protocol::kAck};
        } else {
            const int upcoming = answers_ + 1;
            const int block = upcoming == faults_.staleAnswer ? lastRequested_ : burst[2];
            answer = FrameOf(burst[1], static_cast<std::uint8_t>(block));
            lastRequested_ = burst[2];
        }
        const int n = ++answers_;
        const Ms sent = ready + static_cast<Ms>(answer.size()) * kByteMs;
        busyUntil_ = sent;
        if (n == faults_.dropAnswer)
            return;
        if (n == faults_.badChecksumAnswer && answer.size() == 34)
            answer[10] ^= 0x04; // a line error: the checksum no longer matches
        if (n == faults_.splitAnswer && answer.size() > faults_.splitAt) {
            Bytes head(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(faults_.splitAt));
            Bytes tail(answer.begin() + static_cast<std::ptrdiff_t>(faults_.splitAt), answer.end());
            chunks_.emplace_back(ready + static_cast<Ms>(head.size()) * kByteMs + kChunkQuietMs, head);
            chunks_.emplace_back(sent + 60 + kChunkQuietMs, tail);
            busyUntil_ = sent + 60;
            return;
        }
        chunks_.emplace_back(sent + kChunkQuietMs, answer);
    }

    Bytes FrameOf(std::uint8_t area, std::uint8_t block) const
    {
        Bytes f(34, 0);
        f[0] = protocol::kFrameStart;
        f[1] = area;
        f[2] = block;
        f[3] = protocol::kAddressEnd;
        const int i = Index(area, block);
        if (i >= 0)
            std::copy(memory.at(static_cast<std::size_t>(i)).begin(), memory.at(static_cast<std::size_t>(i)).end(),
                      f.begin() + 4);
        const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
        f[32] = static_cast<std::uint8_t>(crc >> 8);
        f[33] = static_cast<std::uint8_t>(crc & 0xFF);
        return f;
    }

    Kind kind_;
    Ms delay_;
    RadioFaults faults_;
    Bytes burst_;
    Ms burstAt_ = 0;
    Ms busyUntil_ = 0;
    int answers_ = 0;
    int lastRequested_ = 0;
    std::deque<std::pair<Ms, Bytes>> chunks_;
};

struct VirtualLine;

// A further timer on the line's clock (a window's 10 s time-out).
struct VirtualTimer : link::Timer {
    VirtualTimer(const Ms &clock, Ms period) : now(clock), interval(period) {}
    const Ms &now;
    Ms interval;
    bool active = false;
    Ms due = 0;
    std::function<void()> onTick;

    void Start() override
    {
        if (!active)
            due = now + interval;
        active = true;
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
};

// The port and Tim1 a session sees, on the same virtual clock.
struct VirtualLine : link::Port, link::Timer {
    explicit VirtualLine(VirtualRadio &r) : radio(r) {}
    VirtualRadio &radio;
    Ms now = 0;
    bool open = false;
    bool active = false;
    Ms due = 0;
    std::vector<VirtualTimer *> timers; // further timers, run on the same clock

    void SetCommName(const std::string &) override {}
    void OpenPort() override { open = true; }
    void ClosePort() override { open = false; }
    bool WritePort(const std::uint8_t *bytes, std::uint16_t count) override
    {
        if (!open)
            return false;
        radio.FromTool(bytes, count, now);
        return true;
    }
    void Start() override
    {
        if (!active)
            due = now + link::kResendMs;
        active = true;
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }

    // Runs until `done` or `limit`: chunks and ticks in time order.
    // Returns false when the limit was reached.
    bool Run(const std::function<void(const Bytes &)> &receive, const std::function<void()> &tick,
             const std::function<bool()> &done, Ms limit)
    {
        while (!done()) {
            radio.Flush(now + 0.001);
            Ms next = std::min(radio.NextChunkAt(), active ? due : 1e18);
            for (const VirtualTimer *t : timers)
                if (t->active)
                    next = std::min(next, t->due);
            if (next >= limit)
                return false;
            now = std::max(now, next);
            for (const Bytes &chunk : radio.ToTool(now))
                if (open)
                    receive(chunk);
            if (active && due <= now) {
                due = now + link::kResendMs;
                tick();
            }
            for (VirtualTimer *t : timers)
                if (t->active && t->due <= now) {
                    t->due = now + t->interval;
                    if (t->onTick)
                        t->onTick();
                }
        }
        return true;
    }
};

} // namespace tonvar::test
