// A simulated radio on a pseudo-terminal, for tests and for trying the tool
// without a radio.
//
// It holds the radio's memory (areas 0..5, 28 bytes a block) and answers as
// a radio must: "PROGRAM" -> Ack, ReadRequest -> the DataFrame of that block,
// DataFrame -> stored, Ack. Messages are told apart by their first byte and
// length; a burst of bytes that follows a complete message (the leftovers a
// 34-byte resend carries) is logged as its tail and otherwise ignored, until
// the line has been quiet for a few milliseconds.
//
// What it sends is paced at 9600 baud (10 bits a byte) unless told not to,
// and faults can be injected: silence, a dropped answer, an answer for
// another block, an answer split by a pause, bytes that are no message, a
// frame marked with 0x30 at offset 5, and hanging up.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
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

struct LogEntry {
    enum Kind { Handshake, ReadRequest, DataFrame, Ack, Junk } kind;
    Bytes bytes;  // the message as received
    Bytes tail;   // what followed it in the same burst
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
    int otherBlock = 0;       // block byte put in that answer
    int splitAnswer = 0;      // sent in two halves 60 ms apart
    int garbageBeforeAnswer = 0; // "ZZZ" and a 60 ms pause before it
    int markAnswer = 0;       // 0x30 at offset 5 of that frame
    int hangUpAtAnswer = 0;   // closes the line instead of answering
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
    void Run();
    void Handle(Bytes &pending, bool &discarding);
    void AddTail(const Bytes &bytes);
    void Answer(Bytes bytes, bool isFrame);
    void Send(const Bytes &bytes);
    void Append(LogEntry e);
    static int Index(int area, int block);

    bool pace_;
    int master_ = -1;
    int holdSlave_ = -1;
    int stop_ = -1;
    std::string slavePath_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::mutex sendMutex_; // one sender at a time: the answers and Inject
    std::array<Block, 52> memory_{};
    std::vector<LogEntry> log_;
    std::size_t tailOf_ = 0; // the log entry whose burst is still arriving
    Faults faults_;
    std::function<void(const LogEntry &)> sink_;
    std::atomic<int> answers_{0};
    std::atomic<bool> hungUp_{false};
};

} // namespace tonvar::sim
