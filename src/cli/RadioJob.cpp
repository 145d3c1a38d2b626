// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RadioJob.h"

#include "app/CsvImport.h"
#include "files/ChannelCsv.h"
#include "files/ChannelFile.h"
#include "files/Roster.h"
#include "memory/ChannelBlock.h"
#include "protocol/Frames.h"
#include "protocol/MainAreas.h"
#include "text/Convert.h"

#include <algorithm>
#include <cctype>

namespace tonvar::cli {

namespace {

const std::string kMixedValues = "The radio may now hold a mix of old and new values: write it again.";


// A channel row as the radio would keep it.
memory::ChannelRow AsStored(const memory::ChannelRow &row, int channel)
{
    memory::Payload payload{};
    memory::EncodeChannelBlock(row, payload);
    memory::ChannelTable stored;
    memory::DecodeChannelBlock(channel, payload, stored);
    return stored.Row(channel);
}

memory::SettingsTexts AsStored(const memory::SettingsTexts &settings)
{
    memory::Payload payload{};
    memory::EncodeSettingsBlock(settings, payload);
    memory::SettingsTexts stored = memory::DefaultSettingsTexts();
    memory::DecodeSettingsBlock(payload, stored);
    return stored;
}

} // namespace

bool WholeRadio(Job job)
{
    return job == Job::Backup || job == Job::Restore || job == Job::VerifyImage;
}

std::string DifferenceWhere(const Difference &d)
{
    return (d.channel == 0 ? std::string("settings") : "channel " + std::to_string(d.channel)) + ", " + d.caption;
}

std::string FormatDifference(const Difference &d, const std::string &fileName, const std::string &radioName)
{
    return DifferenceWhere(d) + ": " + fileName + " '" + d.fileText + "', " + radioName + " '" + d.radioText + "'";
}

ChannelData WindowStartState()
{
    ChannelData data;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        data.table.SetCell(ch, memory::kColChannel, std::to_string(ch));
    return data;
}

bool IsChannelCsvText(const std::string &text)
{
    const std::string start = text.substr(0, 4096);
    return !files::LooksLikeRoster(start) && files::LooksLikeChannelCsv(start);
}

namespace {

// The file's text, or empty where it cannot be read (its loader says why).
std::string TextOrNothing(const std::string &fileName)
{
    try {
        return files::ReadCsvFile(fileName);
    } catch (const text::Failure &) {
        return {};
    }
}

} // namespace

bool IsChannelCsvFile(const std::string &fileName)
{
    return IsChannelCsvText(TextOrNothing(fileName));
}

ChannelData LoadChannelData(const std::string &fileName)
{
    ChannelData data = WindowStartState();
    if (const std::string text = TextOrNothing(fileName); IsChannelCsvText(text)) {
        const app::CsvImportResult result = app::ImportCsvText(text, data.table);
        // A row that cannot be taken would be a channel lost in the radio.
        if (result.taken < result.rows) {
            std::string report = result.Report();
            report = report.substr(report.find('\n') + 1);
            std::replace(report.begin(), report.end(), '\n', ' ');
            throw text::Failure(fileName + ": " + std::to_string(result.rows - result.taken) + " of " +
                                    std::to_string(result.rows) + " rows of the CSV list cannot be written.",
                                report);
        }
        data.hasSettings = false;
        return data;
    }
    try {
        files::LoadChannelFile(data.table, data.settings, fileName);
    } catch (const text::Failure &e) {
        const std::string message = e.what();
        // "Cannot open file ..." names the file already.
        if (message.find(fileName) != std::string::npos)
            throw;
        throw text::Failure(fileName + ": " + message, e.detail());
    }
    if (data.table.RowCount() <= memory::kChannelCount)
        throw text::Failure(fileName + " holds " + std::to_string(data.table.RowCount() - 1) + " channels, not " +
                            std::to_string(memory::kChannelCount));
    return data;
}

ChannelData LoadForWriting(const std::string &fileName)
{
    ChannelData data = LoadChannelData(fileName);
    // As the window's Write checks it: every block converts, and the radio
    // can hold every value as it stands.
    const auto where = [&](const text::Failure &e) {
        std::string place = e.detail();
        if (!place.empty())
            place[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(place[0])));
        return fileName + (place.empty() ? "" : ", " + place) + ": " + e.what();
    };
    try {
        protocol::CheckBeforeWrite(data.table, data.settings);
    } catch (const text::Failure &e) {
        throw text::Failure(where(e));
    }
    return data;
}

ChannelData AsStored(const ChannelData &data)
{
    ChannelData out = data;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        out.table.Row(ch) = AsStored(data.table.Row(ch), ch);
    out.settings = AsStored(data.settings);
    return out;
}

std::vector<Difference> Compare(const ChannelData &file, const ChannelData &radio)
{
    std::vector<Difference> out;
    const auto &captions = memory::ColumnCaptions();
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        const memory::ChannelRow stored = AsStored(file.table.Row(ch), ch);
        for (int c = 1; c < memory::kColumnCount; ++c) {
            const auto at = static_cast<std::size_t>(c);
            if (stored[at] != radio.table.Cell(ch, c))
                out.push_back({ch, captions.at(at), file.table.Cell(ch, c), radio.table.Cell(ch, c)});
        }
    }
    if (!file.hasSettings)
        return out;
    const memory::SettingsTexts stored = AsStored(file.settings);
    for (int n = 1; n <= files::kSettingsInFile; ++n)
        if (stored.Box(n) != radio.settings.Box(n))
            out.push_back({0, memory::SettingsCaption(n), file.settings.Box(n), radio.settings.Box(n)});
    return out;
}

RadioJob::RadioJob(link::PortHub &hub, Job job, std::string portName, std::chrono::milliseconds timeout,
                   ChannelData file, std::function<void(int)> sleep, bool verify, files::RadioImage image)
    : job_(job), timeout_(timeout), file_(std::move(file)), radio_(WindowStartState()),
      data_(job == Job::Write ? &file_ : &radio_), image_(image), hub_(hub), portName_(std::move(portName)),
      sleep_(std::move(sleep)), verify_(verify), sequence_(hub.link, link::LinkUser(*this))
{
    if (WholeRadio(job_)) {
        const bool write = job_ == Job::Restore;
        for (link::TransferPlan &plan : signalling::WholeRadioPlans(write && verify_))
            stages_.push_back({std::move(plan), write, signalling::ImageHooks(write ? image_ : radioImage_, sleep_)});
    } else if (job_ == Job::Write && !file_.hasSettings) {
        stages_.push_back({protocol::ChannelsAndSettings(false), false,
                           protocol::ChannelsAndSettingsHooks(radio_.table, radio_.settings, sleep_, &known_)});
        stages_.push_back({protocol::ChannelsAndSettings(verify_), true,
                           protocol::ChannelsAndSettingsHooks(file_.table, file_.settings, sleep_, &known_)});
    } else {
        stages_.push_back({protocol::ChannelsAndSettings(job_ == Job::Write && verify_), job_ == Job::Write,
                           protocol::ChannelsAndSettingsHooks(data_->table, data_->settings, sleep_)});
    }
    hub_.Join(*this);
}

RadioJob::~RadioJob()
{
    hub_.Leave(*this);
}

void RadioJob::BackUpFirst(std::function<std::string(const files::RadioImage &)> save)
{
    if (outcome_ != Outcome::Waiting || WholeRadio(job_))
        return;
    std::vector<link::Stage> reads;
    for (link::TransferPlan &plan : signalling::WholeRadioPlans(false))
        reads.push_back({std::move(plan), false, signalling::ImageHooks(radioImage_, sleep_)});
    backupStages_ = reads.size();
    stages_.insert(stages_.begin(), reads.begin(), reads.end());
    saveBackup_ = std::move(save);
}

template <typename F>
void RadioJob::Run(F &&step)
{
    try {
        step();
    } catch (const text::Failure &e) {
        Fail(text::OneLine(e.what(), e.detail()));
    } catch (const std::exception &e) {
        Fail(text::OneLine(e.what(), {}));
    }
}

void RadioJob::Start(Clock::time_point now)
{
    if (outcome_ != Outcome::Waiting)
        return;
    outcome_ = Outcome::Running;
    movedAt_ = now;
    Run([this] {
        // A write that could not go through whole opens nothing.
        sequence_.Check(stages_);
        hub_.portName = portName_;
        hub_.OpenFresh();
        sequence_.Start(stages_, [this](std::size_t next) {
            // Channels alone: the settings written are those just read.
            if (!file_.hasSettings && next + 1 == stages_.size())
                file_.settings = radio_.settings;
            // The backup is on disk before anything is written to the radio.
            if (next != backupStages_ || !saveBackup_)
                return;
            const std::string error = saveBackup_(radioImage_);
            if (!error.empty())
                throw text::Failure("The backup could not be saved, so nothing was written: " + error);
        });
    });
    Observe(now);
}

void RadioJob::Receive(const std::uint8_t *bytes, std::uint16_t length, Clock::time_point now)
{
    if (outcome_ != Outcome::Running)
        return;
    Run([&] { hub_.Receive(bytes, length); });
    Observe(now);
}

void RadioJob::Tick()
{
    if (outcome_ == Outcome::Running)
        Run([this] { hub_.Tick(); });
}

void RadioJob::Answered(link::Answer answer)
{
    Run([&] {
        sequence_.Answered(answer);
        Settle();
    });
}

void RadioJob::Settled()
{
    // The next area's transfer, once the last answer has been dealt with
    // (its Ack sent).
    Run([this] { sequence_.Advance(); });
}

void RadioJob::Settle()
{
    switch (sequence_.Now()) {
    case link::TransferSequence::State::Succeeded:
        hub_.Close();
        outcome_ = Outcome::Succeeded;
        if (job_ == Job::Verify) {
            differences_ = Compare(file_, radio_);
            if (!differences_.empty())
                outcome_ = Outcome::Different;
        } else if (job_ == Job::VerifyImage) {
            fieldDifferences_ = signalling::CompareImages(image_, radioImage_);
            if (!fieldDifferences_.empty())
                outcome_ = Outcome::Different;
        }
        answers_ = AnswerCount();
        return;
    case link::TransferSequence::State::Failed:
        protocol::ThrowReadBackFailure(sequence_.Current());
    default:
        return;
    }
}

void RadioJob::Check(Clock::time_point now)
{
    if (outcome_ != Outcome::Running || now - movedAt_ < timeout_)
        return;
    const auto ms = timeout_.count();
    const std::string span = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
    Cancel("No answer from the radio for " + span + " while waiting for " + awaited_ + ".");
}

void RadioJob::Cancel(const std::string &why)
{
    if (outcome_ == Outcome::Running || outcome_ == Outcome::Waiting)
        Fail(why);
}

void RadioJob::Fail(const std::string &error)
{
    if (Finished())
        return;
    outcome_ = Outcome::Failed;
    error_ = error;
    // A write that stopped half-way (a time-out, Ctrl+C) says what the radio
    // may now hold; a restore between two areas holds some of them.
    std::string left = protocol::WriteLeftHalfDone(sequence_.Current());
    if (sequence_.WroteSomething() && (left.empty() || !sequence_.LastStage()))
        left = kMixedValues;
    if (!left.empty() && error_.find("old and new") == std::string::npos &&
        error_.find("not checked") == std::string::npos)
        error_ += " " + left;
    if (job_ == Job::Restore) {
        // What a restore that stopped asks for is another restore.
        for (const auto &[from, to] : {std::pair<std::string, std::string>{"read the radio, or write it again",
                                                                           "verify it against the image, or "
                                                                           "restore it again"},
                                       {"write it again", "restore it again"}}) {
            const auto at = error_.find(from);
            if (at != std::string::npos)
                error_.replace(at, from.size(), to);
        }
    }
    // Cancel: the resend stops and the port closes.
    sequence_.Stop();
    try {
        hub_.Close();
    } catch (...) {
    }
}

int RadioJob::AnswerCount() const
{
    int count = 0;
    for (const link::Stage &stage : stages_) {
        const int answers = (stage.plan.handshake ? 1 : 0) + static_cast<int>(stage.plan.blocks.size());
        count += stage.write && stage.plan.readBack ? 2 * answers : answers;
    }
    return count;
}

std::string RadioJob::AwaitedNow() const
{
    const link::Transfer &transfer = sequence_.Current();
    const link::BlockRef b = transfer.Current();
    if (!transfer.Running() || b.area == protocol::kAreaChannels || b.area == protocol::kAreaSettings)
        return protocol::Awaited(transfer);
    const std::string name = files::ImageBlockName({b.area, b.number});
    return transfer.State() == link::Transfer::Phase::Writing ? "the Ack of " + name : name;
}

void RadioJob::Observe(Clock::time_point now)
{
    std::string awaited = AwaitedNow();
    int answers = sequence_.Answers();
    if (outcome_ == Outcome::Succeeded || outcome_ == Outcome::Different)
        answers = AnswerCount();
    else if (awaited == "nothing")
        awaited = awaited_; // ended: what was awaited last is the one to name
    // The radio's answers to earlier copies of a message move nothing on,
    // but a radio still giving them is not silent.
    const int heard = hub_.link.Heard();
    if (awaited != awaited_ || answers != answers_ || heard != heard_)
        movedAt_ = now;
    heard_ = heard;
    awaited_ = awaited;
    answers_ = std::min(answers, AnswerCount());
}

void RadioJob::HungUp()
{
    if (outcome_ == Outcome::Running)
        hub_.HungUp();
}

std::string RadioJob::Abandon()
{
    std::string message = protocol::HungUpMessage(sequence_.Current());
    // A restore with areas still to write holds a mix, whatever this
    // area's transfer was doing.
    const bool wrote = sequence_.WroteSomething();
    if (wrote && (message.empty() || !sequence_.LastStage()))
        message = protocol::kWriteHungUp;
    else if (job_ == Job::Restore && !wrote)
        message = "The cable was unplugged or the port was closed: the restore stopped before anything was written.";
    if (message.empty())
        message = job_ == Job::Write ? protocol::kWriteHungUp : protocol::kReadHungUp;
    Fail(text::OneLine(message, {}));
    return error_;
}

} // namespace tonvar::cli
