#include "signalling/SignallingSession.h"

#include "text/Convert.h"

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
    if (dryRun_)
        return;
    RestartTimeout();
    const auto b = static_cast<std::uint8_t>(block & 0xFF);
    protocol::PutReadRequest(main_.frame, traits_.area, b);
    main_.link.Send(this, protocol::kReadRequestLength, link::Wait::ForFrame(traits_.area, b));
}

void SignallingLogic::StartRead(int progressMaximum)
{
    // The port may have been closed since the window was shown (a main
    // session's end, a pulled cable): the session opens it again.
    main_.OpenPortForSignalling();
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
    phase_ = Phase::Writing;
    written_.clear();
    rounds_ = 0;
    blockCounter = 0;
    wbtnEnabled = false;
    ShowProgress(progressMaximum);
    protocol::PutFrameHeader(main_.frame, traits_.area, 0);
}

void SignallingLogic::SendBlock()
{
    const std::size_t length = traits_.checkedWrites ? protocol::kFrameLength : protocol::kUncheckedFrameLength;
    if (traits_.checkedWrites)
        protocol::Crc16(main_.frame);
    if (dryRun_)
        return;
    written_[protocol::FrameBlock(main_.frame)].assign(main_.frame.begin(),
                                                       main_.frame.begin() + static_cast<std::ptrdiff_t>(length));
    main_.link.Send(this, length, link::Wait::ForAck(traits_.checkedWrites));
}

void SignallingLogic::wbtnClick()
{
    if (!MayStart())
        return;
    // Every block is built once on the side first: a field that does not
    // convert stops the write before its first byte. What the building
    // changed is put back, so the real write sends the same bytes.
    const protocol::ByteBuffer frame = main_.frame;
    const std::int32_t counter = blockCounter;
    const protocol::ProgressState shown = progress;
    const auto restore = [&] {
        dryRun_ = false;
        main_.frame = frame;
        blockCounter = counter;
        progress = shown;
        wbtnEnabled = true;
        lastSent_ = false;
        writeWaits_ = false;
        written_.clear();
    };
    dryRun_ = true;
    try {
        StartWriting();
        constexpr int kMostBlocks = 256;
        for (int guard = 0; guard < kMostBlocks && !lastSent_ && !wbtnEnabled; ++guard)
            BlockAcknowledged();
    } catch (const text::ConversionError &e) {
        // The message stays the conversion's own; the detail says where.
        const std::string where = e.detail().empty() ? WindowName() + ", block " + std::to_string(blockCounter)
                                                     : e.detail();
        restore();
        throw text::ConversionError(e.what(), where);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    main_.OpenPortForSignalling();
    StartWriting();
}

void SignallingLogic::RestartTimeout()
{
    if (dryRun_ || !TimedSessionRunning())
        return;
    // The time-out counts 10 s without an answer.
    timer1_.Stop();
    timer1_.Start();
}

std::string SignallingLogic::WindowName() const
{
    switch (traits_.area) {
    case protocol::kAreaDtmf:
        return "DTMF";
    case protocol::kAreaFleetSync:
        return "FleetSync";
    case protocol::kArea2Tone:
        return "2TONE";
    default:
        return "5TONE";
    }
}

void SignallingLogic::StartCheck(std::vector<int> blocks)
{
    phase_ = Phase::Checking;
    checkList_ = std::move(blocks);
    checkIndex_ = 0;
    differing_.clear();
    RequestBlock(checkList_.front());
}

void SignallingLogic::ReadBack()
{
    if (phase_ != Phase::Checking || checkIndex_ >= checkList_.size())
        return;
    const int block = checkList_[checkIndex_];
    const std::vector<std::uint8_t> &sent = written_[block];
    const auto &in = main_.rx.copy;
    if (!std::equal(sent.begin() + protocol::kPayloadFirst, sent.begin() + protocol::kPayloadLast + 1,
                    in.begin() + protocol::kPayloadFirst))
        differing_.push_back(block);
    if (++checkIndex_ < checkList_.size())
        RequestBlock(checkList_[checkIndex_]);
    else
        FinishCheck();
}

void SignallingLogic::FinishCheck()
{
    if (differing_.empty()) {
        EndWrite();
        return;
    }
    if (++rounds_ > kRewriteRounds) {
        std::string names;
        for (const int b : differing_)
            names += (names.empty() ? "" : ", ") + std::to_string(b);
        CloseSession();
        throw text::Failure("Write failed: the radio does not hold what was written.",
                            WindowName() + ", read back after " + std::to_string(kRewriteRounds + 1) +
                                " writes: block" + (differing_.size() == 1 ? " " : "s ") + names +
                                " differ. Write again.");
    }
    // What differs goes out again, byte for byte as before, and is read back.
    phase_ = Phase::Rewriting;
    checkList_ = differing_;
    checkIndex_ = 0;
    SendStored(checkList_.front());
}

void SignallingLogic::SendStored(int block)
{
    const std::vector<std::uint8_t> &bytes = written_[block];
    std::copy(bytes.begin(), bytes.end(), main_.frame.begin());
    main_.link.Send(this, bytes.size(), link::Wait::ForAck(traits_.checkedWrites));
}

void SignallingLogic::EndWrite()
{
    phase_ = Phase::Writing;
    wbtnEnabled = true;
    progress.visible = false;
    blockCounter = 0;
    writeWaits_ = false;
    Settle();
    WriteSucceeded();
}

void SignallingLogic::BlockSent(int block, int lastBlock)
{
    progress.Advance();
    // The write ends with the last block's own Ack (Acknowledged).
    lastSent_ = block == lastBlock;
}

void SignallingLogic::Acknowledged()
{
    RestartTimeout();
    if (phase_ == Phase::Rewriting) {
        if (++checkIndex_ < checkList_.size())
            SendStored(checkList_[checkIndex_]);
        else
            StartCheck(checkList_);
        return;
    }
    if (phase_ != Phase::Writing)
        return;
    if (!lastSent_) {
        BlockAcknowledged();
        return;
    }
    // The last block is in: success only when the radio, read back, holds
    // every block as it was sent.
    lastSent_ = false;
    std::vector<int> all;
    for (const auto &entry : written_)
        all.push_back(entry.first);
    StartCheck(std::move(all));
}

void SignallingLogic::Button3Click()
{
    const bool writing = !wbtnEnabled && phase_ != Phase::Checking;
    CloseSession();
    if (writing && showMessage_)
        showMessage_(kWriteClosed);
}

void SignallingLogic::CloseSession()
{
    readWaits_ = writeWaits_ = false;
    lastSent_ = false;
    phase_ = Phase::Writing;
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
    const bool writing = !wbtnEnabled;
    wbtnEnabled = true;
    rbtnEnabled = true;
    readWaits_ = writeWaits_ = false;
    lastSent_ = false;
    phase_ = Phase::Writing;
    progress.visible = false;
    Settle();
    if (showMessage_)
        showMessage_(writing ? kWriteTimedOut : kReadTimedOut);
}

} // namespace tonvar::signalling
