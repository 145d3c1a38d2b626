#include "signalling/SignallingSession.h"

#include <algorithm>

namespace tonvar::signalling {

SignallingLogic::SignallingLogic(const SessionTraits &traits, protocol::MainSession &main, protocol::Timer &timer1,
                                 std::function<void(const std::string &)> showMessage)
    : blockCounter(traits.sharesReadCounter ? main.readCounter : ownCounter_), traits_(traits), main_(main),
      timer1_(timer1), showMessage_(std::move(showMessage))
{
}

void SignallingLogic::ClearFrame()
{
    std::fill_n(main_.frame.begin(), kClearedFrameBytes, std::uint8_t{0});
}

void SignallingLogic::ShowProgress(int maximum)
{
    progress.visible = true;
    progress.maximum = maximum;
    progress.position = 1;
}

void SignallingLogic::WriteSucceeded()
{
    if (showMessage_)
        showMessage_(kWriteSucceeded);
}

void SignallingLogic::RequestBlock(int block)
{
    const auto b = static_cast<std::uint8_t>(block & 0xFF);
    protocol::PutReadRequest(main_.frame, traits_.area, b);
    main_.link.Send(this, protocol::kReadRequestLength, link::Wait::ForFrame(traits_.area, b));
}

void SignallingLogic::StartRead(int progressMaximum)
{
    main_.link.Begin();
    readWaits_ = true;
    StartTimeout();
    rbtnEnabled = false;
    blockCounter = 0;
    ShowProgress(progressMaximum);
    RequestBlock(0);
}

void SignallingLogic::EndRead()
{
    rbtnEnabled = true;
    progress.visible = false;
    blockCounter = 0;
    readWaits_ = false;
    Settle();
}

void SignallingLogic::StartWriteResend()
{
    writeWaits_ = true;
}

void SignallingLogic::StartWrite(int progressMaximum)
{
    ClearFrame();
    main_.link.Begin();
    lastSent_ = false;
    blockCounter = 0;
    wbtnEnabled = false;
    ShowProgress(progressMaximum);
    protocol::PutFrameHeader(main_.frame, traits_.area, 0);
}

void SignallingLogic::SendBlock()
{
    if (!traits_.checkedWrites) {
        main_.link.Send(this, protocol::kUncheckedFrameLength, link::Wait::ForAck(false));
        return;
    }
    protocol::Crc16(main_.frame);
    main_.link.Send(this, protocol::kFrameLength, link::Wait::ForAck());
}

void SignallingLogic::BlockSent(int block, int lastBlock)
{
    progress.Advance();
    // The write ends with the last block's own Ack (Acknowledged).
    lastSent_ = block == lastBlock;
}

void SignallingLogic::Acknowledged()
{
    if (!lastSent_) {
        BlockAcknowledged();
        return;
    }
    lastSent_ = false;
    wbtnEnabled = true;
    progress.visible = false;
    blockCounter = 0;
    writeWaits_ = false;
    Settle();
    WriteSucceeded();
}

void SignallingLogic::CloseSession()
{
    readWaits_ = writeWaits_ = false;
    lastSent_ = false;
    wbtnEnabled = true;
    rbtnEnabled = true;
    Settle();
}

bool SignallingLogic::TimedSessionRunning() const
{
    return !rbtnEnabled || (!wbtnEnabled && traits_.writesTimeOut);
}

void SignallingLogic::Settle()
{
    if (!readWaits_ && !writeWaits_)
        main_.link.Stop(this);
    if (!TimedSessionRunning())
        timer1_.Stop();
}

void SignallingLogic::Timer1Timer()
{
    timer1_.Stop();
    // Timer1 runs only while a timed session of this window does, so a
    // firing belongs to one; anything else running is left as it is.
    if (!traits_.timeOutRecovers || !TimedSessionRunning())
        return;
    wbtnEnabled = true;
    rbtnEnabled = true;
    readWaits_ = writeWaits_ = false;
    lastSent_ = false;
    Settle();
}

} // namespace tonvar::signalling
