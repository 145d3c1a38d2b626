// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/SignallingSession.h"

#include "signalling/RadioAreas.h"

#include "text/Convert.h"

namespace tonvar::signalling {

SignallingLogic::SignallingLogic(const SessionTraits &traits, link::PortHub &hub, link::Timer &timer1,
                                 std::function<void(const std::string &)> showMessage)
    : traits_(traits), hub_(hub), timer1_(timer1), showMessage_(std::move(showMessage)),
      transfer_(hub.link, link::LinkUser(*this))
{
    hub_.Join(*this);
}

SignallingLogic::~SignallingLogic()
{
    hub_.Leave(*this);
}

link::TransferPlan AreaPlan(const SessionTraits &traits)
{
    link::TransferPlan plan;
    for (int b = 0; b < traits.blocks; ++b)
        plan.blocks.push_back({traits.area, static_cast<std::uint8_t>(b)});
    plan.checksum = traits.checkedWrites;
    plan.clear = traits.clear;
    return plan;
}

void SignallingLogic::ReadImage(const files::RadioImage &image)
{
    std::vector<memory::Payload> blocks;
    for (int b = 0; b < traits_.blocks; ++b)
        blocks.push_back(image.At({traits_.area, static_cast<std::uint8_t>(b)}));
    DecodeArea(blocks);
}

void SignallingLogic::DecodeArea(const std::vector<memory::Payload> &blocks)
{
    known_ = blocks;
    ResetTexts();
    holdsArea = true;
    for (std::size_t b = 0; b < blocks.size(); ++b)
        Decode(static_cast<int>(b), blocks[b]);
}

void SignallingLogic::WriteImage(files::RadioImage &image) const
{
    files::RadioImage out = image;
    if (Unchanged()) {
        // As the radio or the image gave it.
        for (int b = 0; b < traits_.blocks; ++b)
            out.At({traits_.area, static_cast<std::uint8_t>(b)}) = known_.at(static_cast<std::size_t>(b));
        image = out;
        return;
    }
    try {
        ApplyTexts(out);
    } catch (const text::Failure &e) {
        if (!holdsArea)
            return; // nothing of a radio's here: the image keeps its own
        throw Named(e);
    }
    image = out;
}

text::Failure SignallingLogic::Named(const text::Failure &e) const
{
    const std::string where = e.detail().rfind(WindowName(), 0) == 0 ? e.detail()
                              : e.detail().empty()                   ? WindowName()
                                                                     : WindowName() + ": " + e.detail();
    return text::Failure(e.what(), where);
}

std::vector<memory::Payload> SignallingLogic::OverKnown() const
{
    files::RadioImage image;
    for (std::size_t b = 0; b < known_.size(); ++b)
        image.At({traits_.area, static_cast<std::uint8_t>(b)}) = known_[b];
    try {
        ApplyTexts(image);
    } catch (const text::Failure &e) {
        throw Named(e);
    }
    std::vector<memory::Payload> blocks;
    for (std::size_t b = 0; b < known_.size(); ++b)
        blocks.push_back(image.At({traits_.area, static_cast<std::uint8_t>(b)}));
    return blocks;
}

link::TransferPlan SignallingLogic::Plan() const
{
    return AreaPlan(traits_);
}

link::TransferHooks SignallingLogic::Hooks()
{
    link::TransferHooks hooks;
    hooks.received = [this](link::BlockRef b, const memory::Payload &p) {
        if (b.number < readBlocks_.size())
            readBlocks_[b.number] = p;
    };
    hooks.build = [this](link::BlockRef b, memory::Payload &p) {
        if (b.number < toWrite_.size())
            p = toWrite_[b.number]; // over what the radio gave: only changed fields encoded again
        else
            Encode(b.number, p);
    };
    // The radio holds a block when every byte the block's fields set is as
    // written; spare bytes the codec leaves alone may be kept otherwise.
    hooks.same = [this](link::BlockRef b, const memory::Payload &written, const memory::Payload &read) {
        memory::Payload zeros{};
        memory::Payload ones{};
        ones.fill(0xFF);
        try {
            Encode(b.number, zeros);
            Encode(b.number, ones);
        } catch (const text::Failure &) {
            zeros = ones = {}; // every byte counts
        }
        for (std::size_t i = 0; i < written.size(); ++i)
            if (zeros[i] == ones[i] && written[i] != read[i])
                return false;
        // Nor may the radio's bytes show a value the window does not hold
        // (an entry behind an empty first one, say).
        std::vector<memory::Payload> wrote(static_cast<std::size_t>(traits_.blocks));
        for (const auto &[block, bytes] : transfer_.Written())
            if (block.number < wrote.size())
                std::copy_n(bytes.begin() + 4, memory::kPayloadLength, wrote[block.number].begin());
        std::vector<memory::Payload> radio = wrote;
        if (b.number < radio.size())
            radio[b.number] = read;
        return SameTexts(wrote, radio);
    };
    return hooks;
}

std::vector<std::uint8_t> SignallingLogic::Written(int block) const
{
    const auto it = transfer_.Written().find({traits_.area, static_cast<std::uint8_t>(block)});
    return it == transfer_.Written().end() ? std::vector<std::uint8_t>{} : it->second;
}

void SignallingLogic::StartRead()
{
    if (!MayStart())
        return;
    // Showing the window needed no port: the session opens it, unless an
    // earlier signalling session left it open.
    hub_.Hold();
    reading_ = true;
    StartTimeout();
    progress.Show(traits_.readProgressMaximum);
    progress.position = 1;
    readBlocks_.assign(static_cast<std::size_t>(traits_.blocks), memory::Payload{});
    transfer_.Read(Plan(), Hooks());
}

void SignallingLogic::PrepareWrite()
{
    try {
        // Over what the radio gave, only the fields whose text changed are
        // encoded again and judged; what the user left alone goes back as it came.
        toWrite_.clear();
        if (!known_.empty())
            toWrite_ = OverKnown();
        else
            CheckHeld();
        transfer_.Check(Plan(), Hooks());
    } catch (const text::ConversionError &e) {
        if (!e.detail().empty())
            throw;
        // The message stays the conversion's own; the detail says where.
        std::string where = WindowName();
        try {
            transfer_.Check(Plan(), Hooks());
        } catch (const text::ConversionError &) {
            where += ", block " + std::to_string(transfer_.BuildingBlock().number);
        }
        throw text::ConversionError(e.what(), where);
    }
}

void SignallingLogic::WriteInto(files::RadioImage &image)
{
    PrepareWrite();
    files::RadioImage out = image;
    for (int b = 0; b < traits_.blocks; ++b) {
        memory::Payload &p = out.At({traits_.area, static_cast<std::uint8_t>(b)});
        if (static_cast<std::size_t>(b) < toWrite_.size())
            p = toWrite_[static_cast<std::size_t>(b)];
        else
            Encode(b, p);
    }
    image = out;
}

void SignallingLogic::StartWrite()
{
    if (!MayStart())
        return;
    PrepareWrite();
    hub_.Hold();
    writing_ = true;
    if (traits_.writesTimeOut)
        StartTimeout();
    progress.Show(traits_.writeProgressMaximum);
    progress.position = 1;
    try {
        transfer_.Write(Plan(), Hooks());
    } catch (...) {
        CloseSession();
        throw;
    }
}

void SignallingLogic::Answered(link::Answer answer)
{
    RestartTimeout();
    try {
        transfer_.Answered(answer);
    } catch (...) {
        // A text changed under the write so that a block no longer converts:
        // the write ends rather than send half a block.
        CloseSession();
        throw;
    }
    using Phase = link::Transfer::Phase;
    const Phase phase = transfer_.State();
    if (phase == Phase::Reading || phase == Phase::Writing || (phase == Phase::Succeeded && !transfer_.Writing()))
        progress.position = std::min(1 + transfer_.Done(), progress.maximum);
    if (phase == Phase::Succeeded) {
        if (ReadRunning())
            EndRead();
        else
            EndWrite();
    } else if (phase == Phase::Failed) {
        std::string names;
        for (const link::BlockRef &b : transfer_.Differing())
            names += (names.empty() ? "" : ", ") + std::to_string(b.number);
        CloseSession();
        progress.visible = false;
        throw text::Failure("Write failed: the radio does not hold what was written.",
                            WindowName() + ", read back after " + std::to_string(kRewriteRounds + 1) +
                                " writes: block" + (transfer_.Differing().size() == 1 ? " " : "s ") + names +
                                " differ. Write again.");
    }
}

void SignallingLogic::EndRead()
{
    DecodeArea(readBlocks_);
    readBlocks_.clear();
    reading_ = false;
    progress.visible = false;
    if (!TimedSessionRunning())
        timer1_.Stop();
}

void SignallingLogic::EndWrite()
{
    writing_ = false;
    progress.visible = false;
    if (!TimedSessionRunning())
        timer1_.Stop();
    if (showMessage_)
        showMessage_(kWriteSucceeded);
}

void SignallingLogic::StartTimeout()
{
    timer1_.Start();
}

void SignallingLogic::RestartTimeout()
{
    if (!TimedSessionRunning())
        return;
    // The time-out counts 10 s without an answer.
    timer1_.Stop();
    timer1_.Start();
}

void SignallingLogic::Close()
{
    const bool writing = writing_ && !transfer_.Checking();
    CloseSession();
    if (writing && showMessage_)
        showMessage_(kWriteClosed);
}

std::string SignallingLogic::Abandon()
{
    const bool writing = writing_;
    CloseSession();
    return writing ? protocol::kWriteHungUp : protocol::kReadHungUp;
}

void SignallingLogic::CloseSession()
{
    readBlocks_.clear();
    transfer_.Stop();
    writing_ = false;
    reading_ = false;
    progress.visible = false; // no bar left half-filled by a session that ended
    timer1_.Stop();
}

bool SignallingLogic::TimedSessionRunning() const
{
    return reading_ || (writing_ && traits_.writesTimeOut);
}

void SignallingLogic::TimeOut()
{
    timer1_.Stop();
    // Timer1 runs only while a timed session of this window does, so a
    // firing belongs to one; anything else running is left as it is.
    if (!traits_.timeOutRecovers || !TimedSessionRunning())
        return;
    const bool writing = writing_;
    CloseSession();
    progress.visible = false;
    if (showMessage_)
        showMessage_(writing ? kWriteTimedOut : kReadTimedOut);
}

} // namespace tonvar::signalling
