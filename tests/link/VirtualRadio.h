// SPDX-License-Identifier: GPL-3.0-or-later
// A radio on a 9600 baud line in virtual time, and the port and timer a
// session sees, so whole sessions run in microseconds against radios that
// answer late, ignore what comes while they store, answer every copy of a
// message, or split, corrupt, mix up or drop their answers, send frames
// nobody asked for, or acknowledge blocks they do not store. With RADIO_TRACE
// set in the environment every message and answer is printed with its time.
#pragma once

#include "link/Link.h"
#include "protocol/Frames.h"

#include "FrameBytes.h"
#include "RadioSim.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
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
// Virtual time a session may take at most.
inline constexpr Ms kBoundMs = 240'000;

struct RadioFaults {
    int splitAnswer = 0; // the Nth answer comes in two chunks, split after byte splitAt
    std::size_t splitAt = 6;
    int badChecksumAnswer = 0; // the Nth answer has a bit wrong, so its checksum does not match
    int staleAnswer = 0;       // the Nth answer is a frame for the request before
    int dropAnswer = 0;        // the Nth answer never comes
    // The Nth answer and the one after it have the same bit wrong (a line
    // that flips the same bit twice), so their checksums do not match.
    int repeatBadChecksum = 0;
    // A well-formed frame nobody asked for comes just before the Nth answer:
    // the block of the message answered (area 0, block 1 for "PROGRAM"),
    // with another payload and a checksum of its own.
    int strayAnswer = 0;
    bool strayMarked = false;    // that frame has 0x30 at offset 5 (asks for an Ack)
    bool strayElsewhere = false; // that frame is for area 0, block 0, which nobody asks for
    // Every write of this block (area, block) is acknowledged and not stored.
    int notStoredArea = -1;
    int notStoredBlock = -1;
};

class VirtualRadio {
public:
    // Buffering: queues what comes while it answers, and answers each in
    // turn. Deaf: ignores what comes while it answers. EveryCopy: stores on
    // arrival and answers every message (each copy of a resend) `delay`
    // after it arrived, however many are under way.
    enum class Kind { Buffering, Deaf, EveryCopy };

    VirtualRadio(Kind kind, Ms answerDelay, RadioFaults faults = {}) : kind_(kind), delay_(answerDelay), faults_(faults)
    {
    }

    std::array<std::array<std::uint8_t, 28>, 52> memory{};
    // Messages the tool sent before any Ack the radio gave for the block it
    // wrote before them had reached it (an Ack counted for the wrong block).
    int aheadOfAck = 0;

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
            if (std::getenv("RADIO_TRACE"))
                std::printf("%9.1f radio: %c %d %d (%zu bytes)\n", chunks_.front().first,
                            chunks_.front().second[0] >= 0x20 ? chunks_.front().second[0] : '.',
                            chunks_.front().second.size() > 1 ? chunks_.front().second[1] : -1,
                            chunks_.front().second.size() > 2 ? chunks_.front().second[2] : -1,
                            chunks_.front().second.size());
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
        if (std::getenv("RADIO_TRACE"))
            std::printf("%9.1f tool: %c %d %d (%zu bytes)\n", burstAt_, burst[0] >= 0x20 ? burst[0] : '.',
                        burst.size() > 1 ? burst[1] : -1, burst.size() > 2 ? burst[2] : -1, burst.size());
        const std::size_t need = sim::ToolMessageLength(burst);
        if (need == 0)
            return; // an Ack of the tool's, or no message
        if (burst.size() < need)
            return;
        const Ms arrived = burstAt_ + static_cast<Ms>(need) * kByteMs;
        NoteOrder(burst, need);
        if (kind_ == Kind::Deaf && arrived < busyUntil_)
            return; // storing: not heard
        Ms ready = kind_ == Kind::EveryCopy ? arrived + delay_ : std::max(arrived, busyUntil_) + delay_;
        Bytes answer;
        std::uint8_t area = 0;
        std::uint8_t block = 1;
        if (burst[0] == 'P') {
            answer = {protocol::kAck};
        } else if (burst[0] == 'W') {
            area = burst[1];
            block = burst[2];
            const int i = Index(burst[1], burst[2]);
            if (i >= 0 && !(burst[1] == faults_.notStoredArea && burst[2] == faults_.notStoredBlock))
                std::copy(burst.begin() + 4, burst.begin() + 32, memory.at(static_cast<std::size_t>(i)).begin());
            answer = {protocol::kAck};
        } else {
            area = burst[1];
            block = burst[2];
            const int upcoming = answers_ + 1;
            const int answered = upcoming == faults_.staleAnswer ? lastRequested_ : burst[2];
            answer = FrameOf(burst[1], static_cast<std::uint8_t>(answered));
            lastRequested_ = burst[2];
        }
        const int n = ++answers_;
        if (n == faults_.strayAnswer) {
            // Right after the message arrived; the answer follows after a
            // pause the port sees as the end of a chunk.
            Bytes stray = faults_.strayElsewhere ? FrameOf(0, 0) : FrameOf(area, block);
            for (std::size_t i = 4; i < 32; ++i)
                stray[i] = static_cast<std::uint8_t>(stray[i] + 0x11);
            if (faults_.strayMarked)
                stray[5] = 0x30;
            PutChecksum(stray);
            const Ms strayEnd = std::max(arrived, lineFreeAt_) + static_cast<Ms>(stray.size()) * kByteMs;
            chunks_.emplace_back(strayEnd + kChunkQuietMs, stray);
            lineFreeAt_ = strayEnd;
            ready = std::max(ready, strayEnd + kChunkQuietMs + 5);
        }
        const Ms start = std::max(ready, lineFreeAt_);
        const Ms sent = start + static_cast<Ms>(answer.size()) * kByteMs;
        if (kind_ != Kind::EveryCopy)
            busyUntil_ = sent;
        lineFreeAt_ = sent;
        if (n == faults_.dropAnswer)
            return;
        if ((n == faults_.badChecksumAnswer || n == faults_.repeatBadChecksum ||
             (faults_.repeatBadChecksum > 0 && n == faults_.repeatBadChecksum + 1)) &&
            answer.size() == 34)
            answer[10] ^= 0x04; // a line error: the checksum no longer matches
        if (n == faults_.splitAnswer && answer.size() > faults_.splitAt) {
            Bytes head(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(faults_.splitAt));
            Bytes tail(answer.begin() + static_cast<std::ptrdiff_t>(faults_.splitAt), answer.end());
            chunks_.emplace_back(start + static_cast<Ms>(head.size()) * kByteMs + kChunkQuietMs, head);
            chunks_.emplace_back(sent + 60 + kChunkQuietMs, tail);
            lineFreeAt_ = sent + 60;
            if (kind_ != Kind::EveryCopy)
                busyUntil_ = sent + 60;
            return;
        }
        chunks_.emplace_back(sent + kChunkQuietMs, answer);
        if (burst[0] == 'W')
            ackedAt_.emplace_back(Bytes(burst.begin(), burst.begin() + 3), sent + kChunkQuietMs);
    }

    // A message that is not a copy of the block written last went out before
    // the tool had any Ack the radio gave for that block.
    void NoteOrder(const Bytes &burst, std::size_t need)
    {
        const Bytes message(burst.begin(), burst.begin() + static_cast<std::ptrdiff_t>(need));
        if (!lastWrite_.empty() && !std::equal(lastWrite_.begin(), lastWrite_.end(), message.begin())) {
            const bool acked = std::any_of(ackedAt_.begin(), ackedAt_.end(), [&](const auto &a) {
                return a.first == lastWrite_ && a.second <= burstAt_;
            });
            if (!acked)
                ++aheadOfAck;
        }
        if (message[0] == 'W')
            lastWrite_.assign(message.begin(), message.begin() + 3);
        else
            lastWrite_.clear();
    }

    Bytes FrameOf(std::uint8_t area, std::uint8_t block) const
    {
        Bytes f = FrameBytes(area, block);
        const int i = Index(area, block);
        if (i >= 0)
            std::copy(memory.at(static_cast<std::size_t>(i)).begin(), memory.at(static_cast<std::size_t>(i)).end(),
                      f.begin() + 4);
        PutChecksum(f);
        return f;
    }

    Kind kind_;
    Ms delay_;
    RadioFaults faults_;
    Bytes burst_;
    Ms burstAt_ = 0;
    Ms busyUntil_ = 0;  // answering: a deaf radio hears nothing, a buffering one queues
    Ms lineFreeAt_ = 0; // the line to the tool carries an answer until then
    int answers_ = 0;
    int lastRequested_ = 0;
    std::deque<std::pair<Ms, Bytes>> chunks_;
    Bytes lastWrite_;                           // 'W', area, block of the last message, when a write
    std::vector<std::pair<Bytes, Ms>> ackedAt_; // each write's Ack, and when it reached the tool
};

struct VirtualLine;

inline std::string KindName(VirtualRadio::Kind kind)
{
    switch (kind) {
    case VirtualRadio::Kind::Buffering:
        return "Buffering";
    case VirtualRadio::Kind::Deaf:
        return "Deaf";
    case VirtualRadio::Kind::EveryCopy:
        break;
    }
    return "EveryCopy";
}

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
