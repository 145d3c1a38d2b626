// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated radio on a pseudo-terminal, for tests and for trying the tool
// without a radio.
//
// It holds the radio's memory (areas 0..5, 28 bytes a block) and answers as
// a radio must: "PROGRAM" -> Ack, ReadRequest -> the DataFrame of that block,
// DataFrame -> stored, Ack. Messages are told apart by their first byte and
// length.
//
// Bytes come in bursts: the tool writes a message (or a 34-byte resend) at
// once and then waits for the answer and 20 ms of quiet, so a gap of
// kBurstGap between two bytes received starts a new burst. What follows a
// complete message within its burst (the leftovers a resend carries) is
// logged as its tail and otherwise ignored; a new burst is always read as
// messages, however soon it follows the radio's own answer.
//
// The line is modelled at 9600 baud (10 bits a byte) in both directions
// unless told not to: the tool's bytes reach the pseudo-terminal at once, so
// a message counts as arrived only when all its bytes could have crossed the
// line from the arrival of its first one, and is answered no earlier; each
// byte of an answer is written when it has crossed the line to the tool.
//
// Faults can be injected: silence, a dropped answer, an answer for another
// block, an answer split by a pause, bytes that are no message, a frame
// marked with 0x30 at offset 5, hanging up, the same line error in two
// answers running, a frame nobody asked for before an answer, a block that
// is acknowledged and never stored, and a radio that answers every copy of
// a message on its own time.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tonvar::sim {

using Bytes = std::vector<std::uint8_t>;
using Block = std::array<std::uint8_t, 28>;

inline constexpr std::size_t kImageSize = 52 * 28; // every block of areas 0..5
// 10 bits a byte at 9600 baud.
inline constexpr std::chrono::nanoseconds kByteTime{1'041'667};
// A pause between two bytes received that ends a burst: well above the gaps
// within a message the tool writes at once, well below the 20 ms of quiet
// the tool waits after each answer before it sends again.
inline constexpr std::chrono::milliseconds kBurstGap{10};

// The length of the tool's message that starts with `start`: "PROGRAM", a
// read request, or a block's frame (FleetSync's carry no checksum); 0 when
// no such message starts so.
std::size_t ToolMessageLength(const Bytes &start);

struct LogEntry {
    enum Kind { Handshake, ReadRequest, DataFrame, Ack, Junk } kind;
    Bytes bytes; // the message as received
    Bytes tail;  // what followed it in the same burst
    int area = -1;
    int block = -1;
    std::chrono::steady_clock::time_point at;
};
// "PROGRAM", "READ area block", "WRITE area block", "ACK" or "JUNK".
std::string Summary(const LogEntry &e);
// The summary with the bytes of a frame or of junk, and any tail.
std::string Describe(const LogEntry &e);

// Faults, each counted by answer: the Nth answer the radio gives (1-based,
// Acks and frames alike); 0 means never.
struct Faults {
    bool silent = false;
    int dropAnswer = 0;
    int otherBlockAnswer = 0;
    int otherBlock = 0;          // block byte put in that answer
    int splitAnswer = 0;         // sent in two pieces 60 ms apart
    std::size_t splitAfter = 0;  // the first piece's length (0: half)
    int garbageBeforeAnswer = 0; // "ZZZ" and a 60 ms pause before it
    int markAnswer = 0;          // 0x30 at offset 5 of that frame
    int hangUpAtAnswer = 0;      // closes the line instead of answering
    int badChecksumAnswer = 0;   // a bit of that frame's payload flipped after its checksum
    int staleAnswer = 0;         // that frame answers the request before instead
    int answerDelayMs = 0;       // every answer waits this long (a radio storing or looking up)
    bool deaf = false;           // messages that arrive while an answer is pending are ignored
    int repeatBadChecksum = 0;   // that frame and the next have the same bit flipped after their checksum
    // A well-formed frame nobody asked for (the block of the message
    // answered, another payload, its own checksum) and a 60 ms pause come
    // before that answer.
    int strayAnswer = 0;
    // Every write of this block is acknowledged and not stored (-1: none).
    int notStoredArea = -1;
    int notStoredBlock = -1;
    // Each message is stored on arrival and answered answerDelayMs after it
    // arrived, however many are under way (otherwise one at a time, in turn).
    bool ackEveryCopy = false;
};

class RadioSimulator {
public:
    explicit RadioSimulator(bool pace = true);
    ~RadioSimulator();
    RadioSimulator(const RadioSimulator &) = delete;
    RadioSimulator &operator=(const RadioSimulator &) = delete;

    // The device path the tool opens.
    const std::string &DevicePath() const { return slavePath_; }

    void Start();
    void Stop();

    void SetFaults(const Faults &faults);
    // Reports each log entry as it happens (called on the simulator's thread).
    void SetLogSink(std::function<void(const LogEntry &)> sink);

    // Memory access; a block outside its area returns false / zeros.
    bool SetBlock(int area, int block, const Block &bytes);
    Block GetBlock(int area, int block) const;
    bool LoadImage(const std::string &path);
    bool SaveImage(const std::string &path) const;

    std::vector<LogEntry> Log() const;
    void ClearLog();
    bool HungUp() const { return hungUp_; }
    // Sends bytes the tool did not ask for, as a noisy line does.
    void Inject(const Bytes &bytes);

private:
    using Clock = std::chrono::steady_clock;
    // A byte from the tool on the modelled line.
    struct Incoming {
        std::uint8_t byte;
        Clock::time_point crossed; // when its last bit has arrived
        bool startsBurst;
    };
    // A byte of an answer, written to the tool when `due`.
    struct Outgoing {
        std::uint8_t byte;
        Clock::time_point due;
    };

    void Run();
    void Receive(const std::uint8_t *bytes, std::size_t n, Clock::time_point now);
    // Hands the bytes that have crossed by `now` to the parser.
    void Parse(Clock::time_point now);
    void Handle();
    void AddTail(const Bytes &bytes);
    // The answer to a message of `area` and `block` ("PROGRAM": -1, -1).
    void Answer(Bytes bytes, bool isFrame, int area, int block);
    // Puts bytes on the line to the tool after what is already on it.
    void Schedule(const Bytes &bytes);
    void Pause(std::chrono::milliseconds pause);
    void WriteDue(Clock::time_point now);
    void TakeInjected();
    void HangUp();
    void Append(LogEntry e);
    static int Index(int area, int block);

    std::chrono::nanoseconds byteTime_;
    // The simulator's thread only.
    std::deque<Incoming> incoming_;
    Clock::time_point inLineFree_{}; // the tool's line is busy until then
    Clock::time_point lastReceived_{};
    bool received_ = false;
    Bytes pending_;           // crossed, not yet a whole message
    bool discarding_ = false; // the rest of this burst is leftovers
    std::deque<Outgoing> outgoing_;
    Clock::time_point outLineFree_{};
    int master_ = -1;
    int holdSlave_ = -1;
    int stop_ = -1;
    std::string slavePath_;
    std::thread thread_;
    mutable std::mutex mutex_;
    // Bytes another thread asked to send; the simulator's thread puts them
    // on the line when `wake_` tells it to.
    std::mutex injectMutex_;
    Bytes injected_;
    int wake_ = -1;
    std::array<Block, 52> memory_{};
    std::vector<LogEntry> log_;
    std::size_t tailOf_ = 0; // the log entry whose burst is still arriving
    Faults faults_;
    std::function<void(const LogEntry &)> sink_;
    std::atomic<int> answers_{0};
    std::atomic<bool> hungUp_{false};
    int previousBlock_ = 0; // the block of the request before the last
    int lastBlock_ = 0;
    Clock::time_point deafUntil_{};
};

} // namespace tonvar::sim
