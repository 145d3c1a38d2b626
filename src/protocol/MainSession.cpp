#include "protocol/MainSession.h"

#include "memory/ChannelBlock.h"
#include "memory/Holdable.h"
#include "text/Convert.h"

#include <algorithm>

namespace tonvar::protocol {

namespace {

constexpr int kSettingsStep = 17;

std::string StepName(int step)
{
    return step == kSettingsStep ? "the settings" : "channel " + std::to_string(step);
}

} // namespace

MainSession::MainSession(Port &port, Timer &tim1, memory::ChannelTable &table, memory::SettingsTexts &settings,
                         MainSessionHost host)
    : link(port, tim1), port_(port), table_(table), settings_(settings), host_(std::move(host))
{
}

void MainSession::SendData(const ByteBuffer &bytes, std::size_t n)
{
    for (std::size_t i = 0; i < n && i < bytes.size(); ++i)
        port_.WritePort(&bytes[i], 1); // a failed write is made good by the resend
}

void MainSession::Tim1Timer()
{
    const link::Answer answer = link.Tick();
    if (answer != link::Answer::None)
        Dispatch(answer);
    else if (link.Waiter() == this)
        Describe();
}

void MainSession::Timer1Timer()
{
    wbtnEnabled = true;
    rbtnEnabled = true;
}

void MainSession::StartHandshake()
{
    PutProgramHandshake(frame);
    // The checksum covers indices 0..31 as they stand; only 7 bytes go out
    // now, but the resend carries all 34.
    Crc16(frame);
    link.Send(this, kHandshakeLength, link::Wait::ForAck());
    Describe();
}

void MainSession::Request(std::uint8_t area, std::uint8_t block, bool oneWrite)
{
    PutReadRequest(frame, area, block);
    link.Send(this, kReadRequestLength, link::Wait::ForFrame(area, block), oneWrite);
    Describe();
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

void MainSession::StartRead()
{
    progress.Show(kReadProgressMaximum);
    port_.SetCommName(comcbbText);
    port_.ClosePort();
    port_.OpenPort();
    comcbbEnabled = false;
    readCounter = 0;
    rbtnEnabled = false;
    step_ = Step::ReadHandshake;
    answers_ = 0;
    link.Begin();
    StartHandshake();
    formEnabled = false;
}

void MainSession::CheckBeforeWrite() const
{
    ByteBuffer scratch{};
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        if (ch >= table_.RowCount())
            throw text::Failure("There is no channel " + std::to_string(ch) + " to write.");
        memory::CheckChannelHeld(table_.Row(ch), ch, scratch);
    }
    memory::CheckSettingsHeld(settings_, scratch);
}

void MainSession::StartWrite()
{
    if (host_.CommitEdit)
        host_.CommitEdit();
    // Nothing is opened or sent for a write that could not go through whole.
    CheckBeforeWrite();
    progress.Show(kWriteProgressMaximum);
    port_.SetCommName(comcbbText);
    port_.ClosePort();
    port_.OpenPort();
    comcbbEnabled = false;
    wbtnEnabled = false;
    writeStep = 0;
    plan_.clear();
    for (int s = 1; s <= kSettingsStep; ++s)
        plan_.push_back(s);
    planIndex_ = 0;
    rounds_ = 0;
    answers_ = 0;
    step_ = Step::WriteHandshake;
    link.Begin();
    StartHandshake();
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

void MainSession::Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length)
{
    const link::Answer answer = link.Receive(buffer, length);
    const ByteBuffer &in = rx.buffer;
    const auto isFrame = [&] { return Recognise(in) == Message::DataFrame; };
    try {
        Dispatch(answer);
    } catch (...) {
        rx.Finish();
        throw;
    }

    // The radio may ask for an acknowledgement of a frame on its own.
    if (isFrame() && in[5] == 0x30) {
        PutAck(frame);
        SendData(frame, kAckLength);
    }
    rx.Finish();
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
        if (answer == link::Answer::Ack && window->WriteRunning())
            window->Acknowledged();
        else if (answer == link::Answer::Frame && window->ReadRunning() && FrameArea(rx.copy) == window->Area())
            window->BlockReceived();
        else if (answer == link::Answer::Frame && window->WriteRunning())
            window->ReadBack();
    }
}

void MainSession::Answered(link::Answer answer)
{
    ++answers_;
    if (ReadRunning())
        ReadAnswer(answer);
    else if (WriteRunning())
        WriteAnswer(answer);
    Describe();
}

void MainSession::ReadAnswer(link::Answer answer)
{
    if (step_ == Step::ReadHandshake && answer == link::Answer::Ack) {
        step_ = Step::ReadBlocks;
        Request(kAreaChannels, 1);
        return;
    }
    if (step_ != Step::ReadBlocks || answer != link::Answer::Frame)
        return;
    const ByteBuffer &in = rx.buffer;
    if (FrameArea(in) == kAreaSettings) {
        memory::DecodeSettingsBlock(in, settings_);
        EndRead();
        return;
    }
    memory::DecodeChannelBlock(in, table_);
    readCounter = FrameBlock(in) + 1;
    if (readCounter < 17) {
        Request(kAreaChannels, static_cast<std::uint8_t>(readCounter), true);
        progress.Advance();
        return;
    }
    if (host_.Sleep)
        host_.Sleep(kSettingsRequestPauseMs);
    readCounter = 0;
    // The dialog stays up while the settings are awaited: its Retry and
    // Cancel are the only way out if they never come.
    Request(kAreaSettings, 0);
}

void MainSession::WriteAnswer(link::Answer answer)
{
    switch (step_) {
    case Step::WriteHandshake:
    case Step::WriteBlocks:
        if (answer != link::Answer::Ack)
            return;
        if (step_ == Step::WriteBlocks)
            ++planIndex_;
        step_ = Step::WriteBlocks;
        ++writeStep;
        progress.Advance();
        if (planIndex_ < plan_.size())
            SendWriteBlock(plan_[planIndex_]);
        else if (verifyWrites)
            RequestCheck();
        else
            EndWrite();
        return;
    case Step::CheckHandshake:
        if (answer != link::Answer::Ack)
            return;
        step_ = Step::CheckBlocks;
        planIndex_ = 0;
        differing_.clear();
        RequestCheck();
        return;
    case Step::CheckBlocks:
        if (answer == link::Answer::Frame)
            CheckFrame();
        return;
    default:
        return;
    }
}

void MainSession::SendWriteBlock(int step)
{
    try {
        if (step == kSettingsStep) {
            PutFrameHeader(frame, kAreaSettings, 0);
            memory::EncodeSettingsBlock(settings_, frame);
        } else {
            PutFrameHeader(frame, kAreaChannels, static_cast<std::uint8_t>(step));
            memory::EncodeChannelBlock(table_.Row(step), frame);
        }
    } catch (...) {
        // Checked before the write started; a table changed under the write
        // ends it rather than send half a block.
        Button2Click();
        throw;
    }
    Crc16(frame);
    std::copy_n(frame.begin(), kFrameLength, sent_.at(static_cast<std::size_t>(step)).begin());
    link.Send(this, kFrameLength, link::Wait::ForAck());
    Describe();
}

void MainSession::Reopen()
{
    port_.ClosePort();
    port_.OpenPort();
}

// Reads back the blocks this round wrote: the port reopened and the
// handshake first, as a read does.
void MainSession::RequestCheck()
{
    if (step_ == Step::WriteBlocks) {
        step_ = Step::CheckHandshake;
        progress.Show(static_cast<int>(plan_.size()));
        Reopen();
        StartHandshake();
        return;
    }
    const int s = plan_.at(planIndex_);
    Request(s == kSettingsStep ? kAreaSettings : kAreaChannels, static_cast<std::uint8_t>(s == kSettingsStep ? 0 : s));
}

void MainSession::CheckFrame()
{
    const int s = plan_.at(planIndex_);
    ByteBuffer written{};
    std::copy_n(sent_.at(static_cast<std::size_t>(s)).begin(), kFrameLength, written.begin());
    bool same = false;
    if (s == kSettingsStep) {
        memory::SettingsTexts a = memory::DefaultSettingsTexts();
        memory::SettingsTexts b = a;
        memory::DecodeSettingsBlock(written, a);
        memory::DecodeSettingsBlock(rx.buffer, b);
        same = a == b;
    } else {
        memory::ChannelTable a;
        memory::ChannelTable b;
        memory::DecodeChannelBlock(written, a);
        memory::DecodeChannelBlock(rx.buffer, b);
        same = a.Row(s) == b.Row(s);
    }
    if (!same)
        differing_.push_back(s);
    progress.Advance();
    if (++planIndex_ < plan_.size())
        RequestCheck();
    else
        EndCheck();
}

void MainSession::EndCheck()
{
    if (differing_.empty()) {
        EndWrite();
        return;
    }
    if (++rounds_ > kRewriteRounds) {
        std::string names;
        for (const int s : differing_)
            names += (names.empty() ? "" : ", ") + StepName(s);
        Button2Click();
        throw text::Failure("Write failed: the radio does not hold what was written.",
                            "Read back after " + std::to_string(kRewriteRounds + 1) +
                                " writes, these differ: " + names + ". Write the radio again.");
    }
    // Only what differs is written again, and then read back again.
    plan_ = differing_;
    planIndex_ = 0;
    step_ = Step::WriteHandshake;
    progress.Show(static_cast<int>(plan_.size()));
    Reopen();
    StartHandshake();
}

void MainSession::EndRead()
{
    rbtnEnabled = true;
    progress.visible = false;
    link.Stop(this);
    step_ = Step::Idle;
    wbtnEnabled = true;
    rbtnEnabled = true;
    comcbbEnabled = true;
    port_.ClosePort();
    if (host_.ShowMessage)
        host_.ShowMessage(kReadSucceeded);
    formEnabled = true;
}

void MainSession::EndWrite()
{
    writeStep = 0;
    wbtnEnabled = true;
    progress.visible = false;
    Button2Click();
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
    formEnabled = true;
    link.Stop(this);
    step_ = Step::Idle;
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
    link.Stop(this);
    step_ = Step::Idle;
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
        failure = !WriteRunning() ? kReadHungUp : Checking() && rounds_ == 0 ? kCheckHungUp : kWriteHungUp;
        Button2Click();
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
    const link::Wait &w = link.Awaited();
    if (step_ == Step::Idle || w.kind == link::Wait::Nothing)
        return "nothing";
    if (step_ == Step::ReadHandshake || step_ == Step::WriteHandshake || step_ == Step::CheckHandshake)
        return "the answer to PROGRAM";
    if (w.kind == link::Wait::Frame)
        return w.area == kAreaSettings ? "the settings" : "channel " + std::to_string(w.block);
    return "the Ack of " + StepName(plan_.at(planIndex_));
}

void MainSession::Describe()
{
    std::string text;
    if (step_ == Step::ReadHandshake || step_ == Step::WriteHandshake || step_ == Step::CheckHandshake) {
        text = "Waiting for the radio to answer";
    } else if (step_ == Step::ReadBlocks) {
        const link::Wait &w = link.Awaited();
        text =
            w.area == kAreaSettings ? "Reading the settings" : "Reading channel " + std::to_string(w.block) + " of 16";
    } else if (step_ == Step::WriteBlocks && planIndex_ < plan_.size()) {
        const int s = plan_[planIndex_];
        text = s == kSettingsStep ? "Writing the settings" : "Writing channel " + std::to_string(s) + " of 16";
    } else if (step_ == Step::CheckBlocks && planIndex_ < plan_.size()) {
        const int s = plan_[planIndex_];
        text = s == kSettingsStep ? "Checking the settings" : "Checking channel " + std::to_string(s) + " of 16";
    }
    if (link.Silent())
        text += "\nThe radio does not answer: check the cable, that the radio is on and that it is ready to be "
                "programmed. Retry or Cancel.";
    progress.text = text;
}

} // namespace tonvar::protocol
