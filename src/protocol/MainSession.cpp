// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/MainSession.h"

#include "text/Convert.h"

#include <algorithm>

namespace tonvar::protocol {

MainSession::MainSession(link::PortHub &portHub, memory::ChannelTable &table, memory::SettingsTexts &settings,
                         MainSessionHost host)
    : hub(portHub), table_(table), settings_(settings), host_(std::move(host)),
      sequence_(portHub.link, link::LinkUser(*this))
{
    hub.Join(*this);
}

MainSession::~MainSession()
{
    hub.Leave(*this);
}

template <typename F>
void MainSession::Guarded(F &&step)
{
    try {
        step();
    } catch (...) {
        EndSession();
        throw;
    }
}

void MainSession::StartWhole(bool restore, std::vector<link::TransferPlan> plans, link::TransferHooks hooks,
                             std::function<void()> done, std::string stopped)
{
    if (hub.AnyRunning() || plans.empty())
        return;
    std::vector<link::Stage> stages;
    for (const link::TransferPlan &plan : plans)
        stages.push_back({plan, restore, hooks});
    // Nothing is opened or sent for a restore that could not go through whole.
    sequence_.Check(stages);
    whole_ = Whole{true, restore, std::move(plans), std::move(hooks), std::move(done), std::move(stopped)};
    int total = 0;
    for (const link::Stage &stage : stages)
        total += StageTotal(stage);
    progress.Show(total);
    lastWasWrite_ = restore;
    try {
        Begin(std::move(stages));
    } catch (...) {
        whole_ = Whole{};
        throw;
    }
}

int MainSession::StageTotal(const link::Stage &stage) const
{
    const int blocks = static_cast<int>(stage.plan.blocks.size());
    return whole_.restore && stage.plan.readBack ? 2 * blocks : blocks;
}

std::string MainSession::RestoreWords(std::string text)
{
    // What a restore that stopped asks for is another restore.
    for (const auto &[from, to] : {std::pair<std::string, std::string>{"the write stopped", "the restore stopped"},
                                   {"read the radio, or write it again", "restore it again"},
                                   {"write it again", "restore it again"}}) {
        const auto at = text.find(from);
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
    }
    return text;
}

std::string MainSession::RestoreLeft(std::string said, const std::string &mixed) const
{
    // Once anything is written, a restore stopped before its last area (or
    // between two) leaves a mix, whatever this area's transfer was doing.
    if (sequence_.WroteSomething() && (said.empty() || !sequence_.LastStage()))
        said = mixed;
    return RestoreWords(said);
}

void MainSession::EndWhole()
{
    std::function<void()> done = std::move(whole_.done);
    EndSession();
    if (done)
        done();
}

void MainSession::MarkIdle()
{
    writing_ = false;
    reading_ = false;
}

// Read and Write start a session only while none runs on the port.
void MainSession::StartRead()
{
    if (!hub.AnyRunning())
        BeginRead();
}

void MainSession::StartWrite()
{
    if (!hub.AnyRunning())
        BeginWrite();
}

void MainSession::Begin(std::vector<link::Stage> stages)
{
    const bool write = !stages.empty() && stages.front().write;
    try {
        hub.OpenFresh();
    } catch (...) {
        // Nothing was started: no dialog stays up over a window that is
        // not waiting for anything.
        progress.visible = false;
        throw;
    }
    (write ? writing_ : reading_) = true;
    Guarded([&] { sequence_.Start(std::move(stages)); });
    ShowProgress();
    Describe();
}


void MainSession::BeginRead()
{
    progress.Show(kReadProgressMaximum);
    lastWasWrite_ = false;
    readTable_ = table_;
    readSettings_ = settings_;
    readKnown_ = KnownBlocks{};
    // A frame whose checksum does not match is never taken, however often
    // it comes: a line that flips the same bit twice puts no wrong value in
    // the table, which a write would then send back.
    Begin({{ChannelsAndSettings(verifyWrites), false,
            ChannelsAndSettingsHooks(readTable_, readSettings_, host_.Sleep, &readKnown_)}});
}

void MainSession::BeginWrite()
{
    if (host_.CommitEdit)
        host_.CommitEdit();
    // Nothing is opened or sent for a write that could not go through whole.
    CheckBeforeWrite(table_, settings_, &known_);
    progress.Show(kWriteProgressMaximum);
    lastWasWrite_ = true;
    Begin({{ChannelsAndSettings(verifyWrites), true,
            ChannelsAndSettingsHooks(table_, settings_, host_.Sleep, &known_)}});
}

void MainSession::Answered(link::Answer answer)
{
    // Checked before the write started; a table changed under the write
    // ends it rather than send half a block.
    Guarded([&] { sequence_.Answered(answer); });
    ShowProgress();
    switch (sequence_.Now()) {
    case link::TransferSequence::State::Succeeded:
        if (whole_.active)
            EndWhole();
        else if (ReadRunning())
            EndRead();
        else
            EndWrite();
        return;
    case link::TransferSequence::State::Failed:
        EndSession(); // the failed transfer keeps what differed
        ThrowReadBackFailure(sequence_.Current());
    default:
        Describe();
    }
}

void MainSession::Settled()
{
    // The next area of the whole radio, once this answer is dealt with.
    Guarded([this] { sequence_.Advance(); });
    ShowProgress();
    Describe();
}

void MainSession::ShowProgress()
{
    using Phase = link::Transfer::Phase;
    const link::Transfer &transfer = sequence_.Current();
    const Phase phase = transfer.State();
    if (whole_.active) {
        int before = 0;
        for (std::size_t i = 0; i < sequence_.StageIndex(); ++i)
            before += StageTotal(sequence_.AllStages().at(i));
        // A restore's read-back follows its write in the same stage.
        const int done = transfer.Checking() && whole_.restore
                             ? static_cast<int>(sequence_.CurrentStage().plan.blocks.size()) + transfer.Done()
                             : transfer.Done();
        const int stage = StageTotal(sequence_.CurrentStage());
        progress.position = std::min(before + std::min(done, stage), progress.maximum);
        return;
    }
    if (!transfer.Writing()) {
        // The bar moves with channels 1 to 15; the last channel and the
        // settings leave it where it is.
        progress.position = std::min(transfer.Done(), kReadProgressMaximum - 1);
    } else if (phase == Phase::Writing) {
        progress.maximum = transfer.Total();
        progress.position = std::min(transfer.Done() + 1, transfer.Total());
    } else if (phase == Phase::Checking || phase == Phase::CheckHandshake) {
        progress.maximum = transfer.Total();
        progress.position = transfer.Done();
    }
}

void MainSession::EndRead()
{
    EndSession();
    // The whole read at once: every row and box as the radio holds it.
    table_ = readTable_;
    settings_ = readSettings_;
    known_ = readKnown_;
    if (host_.ShowMessage)
        host_.ShowMessage(kReadSucceeded);
}

void MainSession::EndWrite()
{
    EndSession();
    if (host_.ShowMessage)
        host_.ShowMessage(kWriteSucceeded);
}

void MainSession::Retry()
{
    // One session at a time: a signalling window may have started one.
    if (hub.OthersRunning(this))
        return;
    // From the first block again.
    Whole again = std::move(whole_);
    EndSession();
    if (host_.Sleep)
        host_.Sleep(kRetryPauseMs);
    if (again.active)
        StartWhole(again.restore, std::move(again.plans), std::move(again.hooks), std::move(again.done),
                   std::move(again.stopped));
    else if (lastWasWrite_)
        BeginWrite();
    else
        BeginRead();
}

void MainSession::Cancel()
{
    // A write cancelled after its first block says what the radio may hold.
    std::string left = WriteLeftHalfDone(sequence_.Current());
    const bool restore = whole_.active && whole_.restore;
    if (restore)
        left = RestoreLeft(left, "The radio may now hold a mix of old and new values: write it again.");
    EndSession();
    if (!left.empty())
        throw text::Failure(restore ? "The restore was cancelled." : "The write was cancelled.", left);
}

void MainSession::EndSession()
{
    whole_ = Whole{};
    sequence_.Stop();
    writing_ = false;
    reading_ = false;
    hub.Close();
    progress.visible = false;
}

void MainSession::HungUp()
{
    const std::string failure = hub.HungUp();
    if (!failure.empty())
        throw text::Failure(failure);
}

std::string MainSession::Abandon()
{
    std::string failure = HungUpMessage(sequence_.Current());
    const bool restore = whole_.active && whole_.restore;
    if (restore)
        failure = RestoreLeft(failure, kWriteHungUp);
    if (failure.empty()) {
        failure = WriteRunning() ? kWriteHungUp : kReadHungUp;
        if (restore)
            failure = RestoreWords(failure);
    }
    if (whole_.active && !whole_.stopped.empty())
        failure += " " + whole_.stopped;
    EndSession();
    return failure;
}

std::string MainSession::Awaited() const
{
    return protocol::Awaited(sequence_.Current());
}

void MainSession::Describe()
{
    std::string text = Doing(sequence_.Current());
    if (hub.link.Silent())
        text += "\nThe radio does not answer: check the cable, that the radio is on and that it is ready to be "
                "programmed. Retry or Cancel.";
    progress.text = text;
}

} // namespace tonvar::protocol
