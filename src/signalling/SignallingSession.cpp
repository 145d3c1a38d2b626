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
    protocol::PutReadRequest(main_.frame, traits_.area, static_cast<std::uint8_t>(block & 0xFF));
    Send(protocol::kReadRequestLength);
}

void SignallingLogic::StartRead(int progressMaximum)
{
    Tim1().Start();
    timer1_.Start();
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
    Tim1().Stop();
}

void SignallingLogic::StartWrite(int progressMaximum)
{
    ClearFrame();
    blockCounter = 0;
    wbtnEnabled = false;
    ShowProgress(progressMaximum);
    protocol::PutFrameHeader(main_.frame, traits_.area, 0);
}

void SignallingLogic::SendBlock()
{
    if (!traits_.checkedWrites) {
        Send(protocol::kUncheckedFrameLength);
        return;
    }
    protocol::Crc16(main_.frame);
    Send(protocol::kFrameLength);
}

void SignallingLogic::BlockSent(int block, int lastBlock)
{
    progress.Advance();
    if (block != lastBlock)
        return;
    wbtnEnabled = true;
    progress.visible = false;
    blockCounter = 0;
    if (traits_.checkedWrites)
        Tim1().Stop();
    WriteSucceeded();
}

void SignallingLogic::CloseSession()
{
    Tim1().Stop();
    timer1_.Stop();
    wbtnEnabled = true;
    rbtnEnabled = true;
}

void SignallingLogic::Timer1Timer()
{
    timer1_.Stop();
    if (!traits_.timeOutRecovers)
        return;
    const bool waiting = !rbtnEnabled || (!wbtnEnabled && traits_.checkedWrites);
    wbtnEnabled = true;
    rbtnEnabled = true;
    if (waiting)
        Tim1().Stop();
}

} // namespace tonvar::signalling
