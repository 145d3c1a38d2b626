// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/MainSession.h"

#include "memory/ChannelBlock.h"
#include "memory/Holdable.h"
#include "text/Convert.h"

#include <algorithm>

namespace tonvar::protocol {

MainSession::MainSession(Port &port, Timer &tim1, memory::ChannelTable &table, memory::SettingsTexts &settings,
                         MainSessionHost host)
    : link(port, tim1), port_(port), table_(table), settings_(settings), host_(std::move(host))
{
}

void MainSession::Tim1Timer()
{
    const link::Answer answer = link.Tick();
    if (answer != link::Answer::None)
        Dispatch(answer);
    else if (link.Waiter() == this)
        Describe();
    AdvanceWhole();
}

void MainSession::StartWhole(bool restore, std::vector<link::TransferPlan> plans, link::TransferHooks hooks,
                             std::function<void()> done)
{
    if (SessionRunning() || plans.empty())
        return;
    // Nothing is opened or sent for a restore that could not go through whole.
    if (restore)
        for (const link::TransferPlan &plan : plans)
            transfer_.Check(plan, hooks);
    whole_ = Whole{true, restore, std::move(plans), std::move(hooks), std::move(done), 0, false, 0};
    int total = 0;
    for (const link::TransferPlan &plan : whole_.plans)
        total += StageTotal(plan);
    progress.Show(total);
    try {
        OpenSessionPort();
    } catch (...) {
        whole_ = Whole{};
        throw;
    }
    comcbbEnabled = false;
    (restore ? wbtnEnabled : rbtnEnabled) = false;
    StartStage();
    Describe();
    formEnabled = false;
}

int MainSession::StageTotal(const link::TransferPlan &plan) const
{
    const int blocks = static_cast<int>(plan.blocks.size());
    return whole_.restore && plan.readBack ? 2 * blocks : blocks;
}

void MainSession::StartStage()
{
    try {
        const link::TransferPlan &plan = whole_.plans.at(whole_.stage);
        if (whole_.restore)
            transfer_.Write(plan, whole_.hooks);
        else
            transfer_.Read(plan, whole_.hooks);
    } catch (...) {
        EndSession();
        throw;
    }
}

void MainSession::AdvanceWhole()
{
    if (!whole_.active || !whole_.stageDone)
        return;
    whole_.stageDone = false;
    whole_.before += StageTotal(whole_.plans.at(whole_.stage));
    ++whole_.stage;
    StartStage();
    ShowProgress();
    Describe();
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

void MainSession::EndWhole()
{
    std::function<void()> done = std::move(whole_.done);
    EndSession();
    if (done)
        done();
}

void MainSession::Timer1Timer()
{
    wbtnEnabled = true;
    rbtnEnabled = true;
}

// Read and Write start a session only while none runs on the port; Retry
// restarts its own.
void MainSession::rbtnClick()
{
    if (!SessionRunning())
        StartRead();
}

void MainSession::wbtnClick()
{
    if (!SessionRunning())
        StartWrite();
}

void MainSession::OpenSessionPort()
{
    port_.SetCommName(comcbbText);
    port_.ClosePort();
    try {
        port_.OpenPort();
    } catch (...) {
        // Nothing was started: no dialog stays up over a window that is
        // not waiting for anything.
        progress.visible = false;
        throw;
    }
}

void MainSession::StartRead()
{
    progress.Show(kReadProgressMaximum);
    OpenSessionPort();
    comcbbEnabled = false;
    rbtnEnabled = false;
    readTable_ = table_;
    readSettings_ = settings_;
    readKnown_ = KnownBlocks{};
    // A frame whose checksum does not match is never taken, however often
    // it comes: a line that flips the same bit twice puts no wrong value in
    // the table, which a write would then send back.
    transfer_.Read(ChannelsAndSettings(verifyWrites),
                   ChannelsAndSettingsHooks(readTable_, readSettings_, host_.Sleep, &readKnown_));
    Describe();
    formEnabled = false;
}

void MainSession::CheckBeforeWrite() const
{
    // What the radio gave and the user left alone goes back as it came.
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        if (ch >= table_.RowCount())
            throw text::Failure("There is no channel " + std::to_string(ch) + " to write.");
        if (!known_.Unchanged({kAreaChannels, static_cast<std::uint8_t>(ch)}, table_, settings_))
            memory::CheckChannelHeld(table_.Row(ch), ch);
    }
    if (!known_.Unchanged({kAreaSettings, 0}, table_, settings_))
        memory::CheckSettingsHeld(settings_);
}

void MainSession::StartWrite()
{
    if (host_.CommitEdit)
        host_.CommitEdit();
    // Nothing is opened or sent for a write that could not go through whole.
    CheckBeforeWrite();
    progress.Show(kWriteProgressMaximum);
    OpenSessionPort();
    comcbbEnabled = false;
    wbtnEnabled = false;
    try {
        transfer_.Write(ChannelsAndSettings(verifyWrites),
                        ChannelsAndSettingsHooks(table_, settings_, host_.Sleep, &known_));
    } catch (...) {
        EndSession();
        throw;
    }
    Describe();
    formEnabled = false;
}

void MainSession::OpenPortForSignalling()
{
    if (!comcbbEnabled)
        return;
    port_.SetCommName(comcbbText);
    port_.OpenPort();
    comcbbEnabled = false;
}

void MainSession::ReleasePort()
{
    if (!PortHeldIdle())
        return;
    port_.ClosePort();
    comcbbEnabled = true;
}

void MainSession::Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length)
{
    const link::Answer answer = link.Receive(buffer, length);
    try {
        Dispatch(answer);
    } catch (...) {
        rx.Finish();
        throw;
    }

    link.AckIfAsked();
    rx.Finish();
    AdvanceWhole();
}

void MainSession::Dispatch(link::Answer answer)
{
    if (answer == link::Answer::None)
        return;
    const void *waiter = link.Sender();
    if (waiter == this) {
        if (ReadRunning() || WriteRunning())
            Answered(answer);
        return;
    }
    for (SignallingSession *window : signalling) {
        if (!window || static_cast<const void *>(window) != waiter)
            continue;
        if (window->ReadRunning() || window->WriteRunning())
            window->Answered(answer);
    }
}

void MainSession::Answered(link::Answer answer)
{
    try {
        transfer_.Answered(answer);
    } catch (...) {
        // Checked before the write started; a table changed under the write
        // ends it rather than send half a block.
        EndSession();
        throw;
    }
    ShowProgress();
    switch (transfer_.State()) {
    case link::Transfer::Phase::Succeeded:
        if (whole_.active) {
            if (whole_.stage + 1 < whole_.plans.size())
                whole_.stageDone = true; // the next starts once this answer is dealt with
            else
                EndWhole();
            return;
        }
        if (ReadRunning())
            EndRead();
        else
            EndWrite();
        return;
    case link::Transfer::Phase::Failed: {
        EndSession(); // the failed transfer keeps what differed
        ThrowReadBackFailure(transfer_);
    }
    default:
        Describe();
    }
}

void MainSession::ShowProgress()
{
    using Phase = link::Transfer::Phase;
    const Phase phase = transfer_.State();
    if (whole_.active) {
        const int stage = StageTotal(whole_.plans.at(whole_.stage));
        progress.position = std::min(whole_.before + std::min(transfer_.Done(), stage), progress.maximum);
        return;
    }
    if (!transfer_.Writing()) {
        // The bar moves with channels 1 to 15; the last channel and the
        // settings leave it where it is.
        progress.position = std::min(transfer_.Done(), kReadProgressMaximum - 1);
    } else if (phase == Phase::Writing) {
        progress.maximum = transfer_.Total();
        progress.position = std::min(transfer_.Done() + 1, transfer_.Total());
    } else if (phase == Phase::Checking || phase == Phase::CheckHandshake) {
        progress.maximum = transfer_.Total();
        progress.position = transfer_.Done();
    }
}

void MainSession::EndRead()
{
    rbtnEnabled = true;
    progress.visible = false;
    transfer_.Stop();
    wbtnEnabled = true;
    rbtnEnabled = true;
    comcbbEnabled = true;
    port_.ClosePort();
    // The whole read at once: every row and box as the radio holds it.
    table_ = readTable_;
    settings_ = readSettings_;
    known_ = readKnown_;
    if (host_.ShowMessage)
        host_.ShowMessage(kReadSucceeded);
    formEnabled = true;
}

void MainSession::EndWrite()
{
    wbtnEnabled = true;
    progress.visible = false;
    EndSession();
    if (host_.ShowMessage)
        host_.ShowMessage(kWriteSucceeded);
    formEnabled = true;
}

void MainSession::Button1Click()
{
    // A dialog left up by a port that would not open offers Retry while a
    // signalling window may have started a session since: one at a time.
    if (OtherSessionRunning(this))
        return;
    if (whole_.active) {
        // From the first block again.
        Whole again = std::move(whole_);
        EndSession();
        if (host_.Sleep)
            host_.Sleep(kRetryPauseMs);
        StartWhole(again.restore, std::move(again.plans), std::move(again.hooks), std::move(again.done));
        return;
    }
    formEnabled = true;
    transfer_.Stop();
    const bool wasWriteEnabled = wbtnEnabled;
    port_.ClosePort();
    progress.visible = false;
    if (host_.Sleep)
        host_.Sleep(kRetryPauseMs);
    if (wasWriteEnabled)
        StartRead();
    else
        StartWrite();
}

void MainSession::Button2Click()
{
    // A write cancelled after its first block says what the radio may hold.
    std::string left = WriteLeftHalfDone(transfer_);
    const bool restore = whole_.active && whole_.restore;
    if (restore && whole_.stage > 0 && (left.empty() || whole_.stage + 1 < whole_.plans.size()))
        left = "The radio may now hold a mix of old and new values: restore it again.";
    if (restore)
        left = RestoreWords(left);
    EndSession();
    if (!left.empty())
        throw text::Failure(restore ? "The restore was cancelled." : "The write was cancelled.", left);
}

void MainSession::EndSession()
{
    whole_ = Whole{};
    transfer_.Stop();
    wbtnEnabled = true;
    rbtnEnabled = true;
    comcbbEnabled = true;
    port_.ClosePort();
    progress.visible = false;
    formEnabled = true;
}

void MainSession::HungUp()
{
    std::string failure;
    for (SignallingSession *window : signalling) {
        if (!window || !(window->ReadRunning() || window->WriteRunning()))
            continue;
        failure = window->WriteRunning() ? kWriteHungUp : kReadHungUp;
        window->Abandon();
    }
    if (ReadRunning() || WriteRunning()) {
        failure = HungUpMessage(transfer_);
        // A restore with areas written before this one holds a mix.
        const bool restore = whole_.active && whole_.restore;
        if (restore && whole_.stage > 0 && (failure.empty() || whole_.stage + 1 < whole_.plans.size()))
            failure = kWriteHungUp;
        if (failure.empty())
            failure = WriteRunning() ? kWriteHungUp : kReadHungUp;
        if (restore)
            failure = RestoreWords(failure);
        EndSession();
    }
    // The device is gone: the port is closed, and a show command or a
    // session opens it again.
    port_.ClosePort();
    comcbbEnabled = formEnabled ? true : comcbbEnabled;
    if (!failure.empty())
        throw text::Failure(failure);
}

bool MainSession::SessionRunning() const
{
    if (ReadRunning() || WriteRunning())
        return true;
    for (const SignallingSession *window : signalling)
        if (window && (window->ReadRunning() || window->WriteRunning()))
            return true;
    return false;
}

bool MainSession::OtherSessionRunning(const void *session) const
{
    if (session != this && (ReadRunning() || WriteRunning()))
        return true;
    for (const SignallingSession *window : signalling)
        if (window && static_cast<const void *>(window) != session && (window->ReadRunning() || window->WriteRunning()))
            return true;
    return false;
}

std::string MainSession::Awaited() const
{
    return protocol::Awaited(transfer_);
}

void MainSession::Describe()
{
    std::string text = Doing(transfer_);
    if (link.Silent())
        text += "\nThe radio does not answer: check the cable, that the radio is on and that it is ready to be "
                "programmed. Retry or Cancel.";
    progress.text = text;
}

} // namespace tonvar::protocol
