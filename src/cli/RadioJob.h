// SPDX-License-Identifier: GPL-3.0-or-later
// One radio's read, write or verify for tonvar-cli: a transfer sequence
// (link/Sequence.h) on its own port hub: the channels and settings (or, for a
// whole radio, the five transfers of its six areas; a write backed up first,
// the whole radio's read before it), with what a script needs besides:
// it ends with a result rather than a message box, and it gives up on a radio
// that stops answering.
//
// The transfer is the one the main window runs (protocol/MainAreas.h), on the
// same hub, so the radio sees the bytes the window sends. Giving up, a failure and Ctrl+C stop it and close the port.
//
// No answer for the time-out means: what the session waits for (the answer
// to "PROGRAM", a channel, the settings, or the Ack of one of them) has not
// changed for that long, and the radio gave no answer at all, not even one
// owed to an earlier copy. Other bytes do not count.
//
// A write reads back what it wrote before it counts as done (unless told
// not to).
//
// Plain logic on an injected clock: the owner routes received chunks, Tim1's
// ticks, the hang-up and regular Check calls here.
#pragma once

#include "files/RadioImage.h"
#include "link/Hub.h"
#include "link/Sequence.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/MainAreas.h"
#include "signalling/RadioAreas.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tonvar::cli {

// Read, Write and Verify work on the channels and settings; Backup, Restore
// and VerifyImage on the whole radio (all six areas, as a radio image).
enum class Job { Read, Write, Verify, Backup, Restore, VerifyImage };

// Whether a job works on the whole radio.
bool WholeRadio(Job job);

enum class Outcome { Waiting, Running, Succeeded, Failed, Different };

// One cell or setting where the file and the radio differ. Channel 0 is the
// settings.
struct Difference {
    int channel = 0;
    std::string caption;
    std::string fileText;
    std::string radioText;
    bool operator==(const Difference &) const = default;
};

// "channel 3, RX Freq", or "settings, SQ Lev".
std::string DifferenceWhere(const Difference &d);
// "channel 3, RX Freq: file '145.50000', radio '146.00000'", or
// "settings, SQ Lev: file '3', radio '5'"; two files compared name
// themselves instead of "file" and "radio".
std::string FormatDifference(const Difference &d, const std::string &fileName = "file",
                             const std::string &radioName = "radio");

// A channel table and settings as the main window holds them.
struct ChannelData {
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    // A CSV channel list holds no settings: a write keeps the radio's, and
    // a verify judges the channels alone.
    bool hasSettings = true;
};

// What the main window holds when it starts: empty channels numbered 1 to
// 16 in column 0, and its first settings.
ChannelData WindowStartState();

// Loads a channel file as the window's Open does (onto its start state) and
// checks that every block a write sends converts, so a file that would fail
// half-way through a write is refused before any radio is touched. Throws
// text::Failure with the loader's or the conversion's message; a conversion
// message names the channel ("channel 3: ...") or the settings.
ChannelData LoadForWriting(const std::string &fileName);
// The same load without the write's checks: the file as the window's Open
// takes it (with at least 16 channels), or a CSV channel list as the
// window's Import CSV takes it, refused when a row of it cannot be taken.
ChannelData LoadChannelData(const std::string &fileName);
// Whether a file, or a file's text, is a CSV channel list (and no roster).
bool IsChannelCsvFile(const std::string &fileName);
bool IsChannelCsvText(const std::string &text);

// Each difference between a file's channels 1..16 (columns 1..15) and the
// nine settings it keeps, and what a read of the radio gave. The file's texts are compared
// as the radio would keep them (through the block codecs), so "145.5" and
// "145.50000" are equal; the file's own text is reported. The file must have
// passed LoadForWriting.
std::vector<Difference> Compare(const ChannelData &file, const ChannelData &radio);

// Channels 1..16 and the settings as the radio would keep them: each block
// encoded and decoded again. `data` must have passed LoadForWriting.
ChannelData AsStored(const ChannelData &data);

class RadioJob : public link::HubSession {
public:
    using Clock = std::chrono::steady_clock;

    // `file` is what a write sends or a verify compares with; a read starts
    // from WindowStartState. `image` is what a restore sends or an image's
    // verify compares with. `sleep` is the session's short pauses.
    RadioJob(link::PortHub &hub, Job job, std::string portName, std::chrono::milliseconds timeout,
             ChannelData file = WindowStartState(), std::function<void(int milliseconds)> sleep = {},
             bool verify = true, files::RadioImage image = {});
    ~RadioJob() override;
    RadioJob(const RadioJob &) = delete;
    RadioJob &operator=(const RadioJob &) = delete;

    // A write backs the whole radio up first: `save` keeps the image and
    // returns what went wrong, or nothing; a backup that is not saved writes
    // nothing. Before Start.
    void BackUpFirst(std::function<std::string(const files::RadioImage &)> save);

    void Start(Clock::time_point now);
    void Receive(const std::uint8_t *bytes, std::uint16_t length, Clock::time_point now);
    // A tick of the resend timer.
    void Tick();
    // Gives up when nothing has moved on for the time-out.
    void Check(Clock::time_point now);
    // Ends a running session as Cancel does, failed with `why`.
    void Cancel(const std::string &why);
    // The port hung up: the job fails at once with what the radio may hold.
    void HungUp();

    bool Running() const override { return outcome_ == Outcome::Running; }
    void Answered(link::Answer answer) override;
    void Settled() override;
    std::string Abandon() override;

    Job Kind() const { return job_; }
    // A write's backup runs (before anything is written).
    bool BackingUp() const { return outcome_ == Outcome::Running && sequence_.StageIndex() < backupStages_; }
    Outcome Result() const { return outcome_; }
    bool Finished() const { return outcome_ != Outcome::Waiting && outcome_ != Outcome::Running; }
    // The failure's text, one line ("Error opening serial port. <reason>").
    const std::string &Error() const { return error_; }
    // What the session waits for now: "the answer to PROGRAM", "channel 5",
    // "the settings", "the Ack of channel 5", "the Ack of the settings".
    const std::string &Awaited() const { return awaited_; }
    // The radio's answers so far, of AnswerCount in all.
    int Answers() const { return answers_; }
    // 18 for a read or verify (53 for the whole radio); a write's read-back
    // doubles it.
    int AnswerCount() const;

    // After a read or a verify: what the radio holds, as the window shows it.
    const ChannelData &Radio() const { return radio_; }
    const std::vector<Difference> &Differences() const { return differences_; }
    // After a backup or an image's verify: the whole radio, as it gave it.
    const files::RadioImage &RadioImage() const { return radioImage_; }
    // After an image's verify: each field the radio holds otherwise.
    const std::vector<signalling::FieldDifference> &FieldDifferences() const { return fieldDifferences_; }
    const link::Transfer &Transfer() const { return sequence_.Current(); }

private:
    template <typename F>
    void Run(F &&step);
    void Fail(const std::string &error);
    // After an answer: the sequence's end is the job's.
    void Settle();
    // What the session waits for, in words.
    std::string AwaitedNow() const;
    // Follows what the session waits for and the answers it took; a change
    // is progress.
    void Observe(Clock::time_point now);

    Job job_;
    std::chrono::milliseconds timeout_;
    ChannelData file_;
    ChannelData radio_;
    ChannelData *data_;            // what the transfer reads into or writes from
    files::RadioImage image_;      // what a restore writes, or an image's verify expects
    files::RadioImage radioImage_; // what a backup or an image's verify read
    // The transfers of the job, one after another on the open port.
    std::vector<link::Stage> stages_;
    std::size_t backupStages_ = 0; // the whole-radio read before a write's own transfer
    std::function<std::string(const files::RadioImage &)> saveBackup_;
    // A write of channels alone (a CSV list) first reads the radio's
    // channels and settings: the settings go back as the radio holds them,
    // and each channel the list leaves as the radio has it keeps its bytes.
    protocol::KnownBlocks known_;
    std::vector<signalling::FieldDifference> fieldDifferences_;
    link::PortHub &hub_;
    std::string portName_;
    std::function<void(int milliseconds)> sleep_;
    bool verify_;
    link::TransferSequence sequence_;
    Outcome outcome_ = Outcome::Waiting;
    std::string error_;
    std::vector<Difference> differences_;
    std::string awaited_ = "nothing";
    int answers_ = 0;
    int heard_ = 0; // the link's answers heard, owed ones included
    Clock::time_point movedAt_{};
};

} // namespace tonvar::cli
