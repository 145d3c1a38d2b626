#include "protocol/MainSession.h"

#include "memory/ChannelBlock.h"

#include <algorithm>

namespace tonvar::protocol {

MainSession::MainSession(Port &port, Timer &tim1, memory::ChannelTable &table, memory::SettingsTexts &settings,
                         MainSessionHost host)
    : port_(port), tim1_(tim1), table_(table), settings_(settings), host_(std::move(host))
{
}

void MainSession::SendData(const ByteBuffer &bytes, std::size_t n)
{
    for (std::size_t i = 0; i < n && i < bytes.size(); ++i)
        port_.WritePort(&bytes[i], 1); // a failed write is made good by the resend
}

void MainSession::Tim1Timer()
{
    port_.WritePort(frame.data(), static_cast<std::uint16_t>(kFrameLength));
}

void MainSession::StartResend(const void *user)
{
    if (!ResendUsedBy(user))
        resendUsers_.push_back(user);
    tim1_.Start();
}

void MainSession::StopResend(const void *user)
{
    const auto it = std::find(resendUsers_.begin(), resendUsers_.end(), user);
    if (it == resendUsers_.end())
        return; // not waiting: whatever runs Tim1 is another session's
    resendUsers_.erase(it);
    if (resendUsers_.empty())
        tim1_.Stop();
}

bool MainSession::ResendUsedBy(const void *user) const
{
    return std::find(resendUsers_.begin(), resendUsers_.end(), user) != resendUsers_.end();
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
    SendData(frame, kHandshakeLength);
}

void MainSession::rbtnClick()
{
    progress.Show(kReadProgressMaximum);
    port_.SetCommName(comcbbText);
    port_.ClosePort();
    port_.OpenPort();
    comcbbEnabled = false;
    readCounter = 0;
    rbtnEnabled = false;
    StartHandshake();
    StartResend(this);
    formEnabled = false;
}

void MainSession::wbtnClick()
{
    if (host_.CommitEdit)
        host_.CommitEdit();
    writeHalted_ = false;
    StartResend(this);
    progress.Show(kWriteProgressMaximum);
    port_.SetCommName(comcbbText);
    port_.ClosePort();
    port_.OpenPort();
    comcbbEnabled = false;
    wbtnEnabled = false;
    writeStep = 0;
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
    rx.Accept(buffer, length);
    const ByteBuffer &in = rx.buffer;
    // Each step looks at the state the steps before it left.
    const auto isAck = [&] { return Recognise(in) == Message::Ack; };
    const auto isFrame = [&] { return Recognise(in) == Message::DataFrame; };

    for (SignallingSession *window : signalling) {
        if (!window)
            continue;
        if (isAck() && window->WriteRunning())
            window->BlockAcknowledged();
        if (isFrame() && window->ReadRunning() && FrameArea(in) == window->Area())
            window->BlockReceived();
    }

    if (isAck() && ReadRunning()) {
        PutReadRequest(frame, kAreaChannels, 1);
        SendData(frame, kReadRequestLength);
    }

    if (isFrame() && ReadRunning()) {
        StopResend(this);
        if (FrameArea(in) == kAreaSettings) {
            memory::DecodeSettingsBlock(in, settings_);
            EndRead();
        } else {
            // A block byte of 0 or above 16 names no channel; the decoder
            // leaves the table alone and the counter below decides what is
            // asked for next.
            memory::DecodeChannelBlock(in, table_);
            readCounter = FrameBlock(in) + 1;
            if (readCounter < 17) {
                PutReadRequest(frame, kAreaChannels, static_cast<std::uint8_t>(readCounter));
                port_.WritePort(frame.data(), static_cast<std::uint16_t>(kReadRequestLength));
                progress.Advance();
            }
            if (readCounter == 17) {
                if (host_.Sleep)
                    host_.Sleep(kSettingsRequestPauseMs);
                readCounter = 0;
                PutReadRequest(frame, kAreaSettings, 0);
                SendData(frame, kReadRequestLength);
                // The dialog stays up while the settings are awaited: its
                // Retry and Cancel are the only way out if they never come.
            }
            StartResend(this);
        }
    }

    // The radio may ask for an acknowledgement of a frame on its own.
    if (isFrame() && in[5] == 0x30) {
        PutAck(frame);
        SendData(frame, kAckLength);
    }

    bool acknowledged = false;
    if (isAck() && WriteRunning() && !writeHalted_) {
        StopResend(this);
        ++writeStep;
        progress.Advance();
        acknowledged = true;
    }
    if (writeStep == kWriteAcks)
        EndWrite();
    if (acknowledged && ((writeStep >= 1 && writeStep <= 16 && WriteRunning()) || writeStep == 17))
        SendWriteBlock();

    rx.Finish();
}

void MainSession::SendWriteBlock()
{
    try {
        if (writeStep == 17) {
            PutFrameHeader(frame, kAreaSettings, 0);
            memory::EncodeSettingsBlock(settings_, frame);
        } else {
            PutFrameHeader(frame, kAreaChannels, static_cast<std::uint8_t>(writeStep));
            memory::EncodeChannelBlock(table_.Row(writeStep), frame);
        }
    } catch (...) {
        // The step has advanced past a block that was never sent; only Retry
        // (from the handshake) or Cancel may go on from here.
        writeHalted_ = true;
        throw;
    }
    Crc16(frame);
    SendData(frame, kFrameLength);
    StartResend(this);
}

void MainSession::EndRead()
{
    rbtnEnabled = true;
    progress.visible = false;
    StopResend(this);
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
    formEnabled = true;
    StopResend(this);
    const bool wasWriteEnabled = wbtnEnabled;
    port_.ClosePort();
    progress.visible = false;
    if (host_.Sleep)
        host_.Sleep(kRetryPauseMs);
    if (wasWriteEnabled)
        rbtnClick();
    else
        wbtnClick();
}

void MainSession::Button2Click()
{
    StopResend(this);
    writeHalted_ = false;
    wbtnEnabled = true;
    rbtnEnabled = true;
    comcbbEnabled = true;
    port_.ClosePort();
    progress.visible = false;
    formEnabled = true;
}

} // namespace tonvar::protocol
