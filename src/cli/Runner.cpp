// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Runner.h"

#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "link/RadioPort.h"
#include "serial/PortDiscovery.h"
#include "text/Convert.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace tonvar::cli {

namespace {

using Clock = RadioJob::Clock;

// How often every job is looked at: time-outs, ends and progress.
constexpr std::chrono::milliseconds kPollInterval{50};

// A block's 28 bytes as an image holds them: "00 25 45 ...".
std::string Hex(const memory::Payload &p)
{
    static const char *const hex = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t byte : p) {
        if (!out.empty())
            out += ' ';
        out += hex[byte >> 4];
        out += hex[byte & 0x0F];
    }
    return out;
}

std::string Verb(Job job)
{
    // In the order of Job.
    static const char *const kVerbs[] = {"reading", "writing", "verifying", "backing up", "restoring", "verifying"};
    return kVerbs[static_cast<int>(job)];
}

} // namespace

std::string BackupPath(const std::string &folder, const std::string &label)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = folder + (folder.back() == '/' ? "" : "/") + label + "-" + stamp;
    std::string path = base + ".radio";
    struct stat st {};
    for (int n = 2; ::lstat(path.c_str(), &st) == 0; ++n)
        path = base + "-" + std::to_string(n) + ".radio";
    return path;
}

JobOnPort::JobOnPort(const std::string &portName, Job kind, std::chrono::milliseconds timeout, const ChannelData &file,
                     bool verify, const files::RadioImage &image)
    : job(
          port.hub, kind, portName, timeout, file,
          [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }, verify, image)
{
    port.comm.OnReceiveData = [this](serial::TComm *, const std::uint8_t *bytes, std::uint16_t length) {
        this->job.Receive(bytes, length, Clock::now());
    };
    port.comm.OnRequestHangup = [this](serial::TComm *) { this->job.HungUp(); };
    QObject::connect(&port.tim1, &QTimer::timeout, [this] { this->job.Tick(); });
}

struct Runner::Radio : JobOnPort {
    using JobOnPort::JobOnPort;

    std::string label;
    bool reported = false;
    std::string saveError;
    std::string backupPath;   // where its backup was saved
    std::string device;       // the device the port names
    std::string serialNumber; // its USB cable's, where it has one
    // A dry run's differences beyond the verify's.
    std::vector<signalling::FieldDifference> extra;

    // The job's outcome, failed where its file could not be saved, and
    // different where a dry run found more than the verify.
    Outcome Result() const
    {
        if (!saveError.empty())
            return Outcome::Failed;
        if (job.Result() == Outcome::Succeeded && !extra.empty())
            return Outcome::Different;
        return job.Result();
    }
};

Runner::Runner(RunSettings settings, QObject *parent)
    : QObject(parent), settings_(std::move(settings)),
      display_(settings_.err, settings_.quiet ? ProgressDisplay::Mode::Quiet : settings_.progress)
{
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < settings_.ports.size(); ++i) {
        const std::string &port = settings_.ports[i];
        const files::RadioImage &image = i < settings_.images.size() ? settings_.images[i] : settings_.image;
        const ChannelData &file = i < settings_.files.size() ? settings_.files[i] : settings_.file;
        auto radio = std::make_unique<Radio>(port, settings_.job, settings_.timeout, file, settings_.verify, image);
        radio->label = PortLabel(port);
        // The device and the cable's serial number, as the record of a fleet
        // names them.
        radio->device = serial::ResolvedDevice(port);
        radio->serialNumber = serial::PortSerialNumber(port);
        if (!settings_.backupDir.empty()) {
            Radio *r = radio.get();
            const std::string path = BackupPath(settings_.backupDir, radio->label);
            r->job.BackUpFirst([r, path](const files::RadioImage &backup) -> std::string {
                try {
                    files::SaveRadioImage(backup, path);
                } catch (const text::Failure &e) {
                    return text::WithFullStop(e.what()) + (e.detail().empty() ? "" : " " + e.detail());
                }
                r->backupPath = path;
                return {};
            });
        }
        labels.push_back(radio->label);
        radios_.push_back(std::move(radio));
    }
    display_.SetRows(labels);
    poll_.setInterval(kPollInterval);
    connect(&poll_, &QTimer::timeout, this, &Runner::Poll);
}

Runner::~Runner() = default;

int Runner::Run()
{
    QEventLoop loop;
    running_ = true;
    const Clock::time_point now = Clock::now();
    for (auto &radio : radios_)
        radio->job.Start(now);
    poll_.start();
    QTimer::singleShot(0, this, &Runner::Poll);
    while (running_)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    poll_.stop();
    display_.Finish();

    if (settings_.json) {
        for (std::size_t i = 0; i < radios_.size(); ++i)
            std::fprintf(settings_.out, "%s\n", JsonLine(i).c_str());
        std::fflush(settings_.out);
    } else if (!settings_.quiet) {
        for (const auto &radio : radios_) {
            for (const Difference &d : radio->job.Differences())
                std::fprintf(settings_.out, "%s: %s\n", radio->label.c_str(), FormatDifference(d).c_str());
            for (const signalling::FieldDifference &d : radio->job.FieldDifferences())
                std::fprintf(settings_.out, "%s: %s\n", radio->label.c_str(),
                             signalling::FormatFieldDifference(d).c_str());
            for (const signalling::FieldDifference &d : radio->extra)
                std::fprintf(settings_.out, "%s: %s\n", radio->label.c_str(),
                             settings_.job == Job::Verify ? signalling::FormatFieldDifference(d, "file").c_str()
                                                          : signalling::FormatFieldDifference(d).c_str());
        }
        int good = 0;
        for (std::size_t i = 0; i < radios_.size(); ++i) {
            const Radio &radio = *radios_[i];
            std::string result;
            // A radio whose file could not be saved failed, whatever it answered.
            switch (radio.Result()) {
            case Outcome::Succeeded:
                ++good;
                result = Summary(i);
                break;
            case Outcome::Different: {
                const std::size_t n =
                    radio.job.Differences().size() + radio.job.FieldDifferences().size() + radio.extra.size();
                const std::string many = std::to_string(n) + " difference" + (n == 1 ? "" : "s");
                result = settings_.dryRun ? "dry run, " + many + ": the " +
                                                (settings_.job == Job::VerifyImage ? "restore" : "write") +
                                                " would change them (nothing written)"
                                          : "verified, " + many + " from the " +
                                                (settings_.job == Job::VerifyImage ? "image" : "file");
                break;
            }
            default:
                result = "FAILED: " + (radio.saveError.empty() ? radio.job.Error() : radio.saveError);
                break;
            }
            if (!radio.backupPath.empty())
                result += " (backed up first to " + radio.backupPath + ")";
            if (i < settings_.values.size() && !settings_.values[i].empty())
                result += " (" + settings_.values[i] + ")";
            std::fprintf(settings_.out, "%s: %s\n", radio.label.c_str(), result.c_str());
        }
        std::fprintf(settings_.out, "%d of %zu radio%s succeeded\n", good, radios_.size(),
                     radios_.size() == 1 ? "" : "s");
        std::fflush(settings_.out);
    }
    return ExitStatus();
}

void Runner::CancelAll(const std::string &why)
{
    for (auto &radio : radios_)
        radio->job.Cancel(why);
    Poll();
}

void Runner::Poll()
{
    const Clock::time_point now = Clock::now();
    bool allDone = true;
    for (std::size_t i = 0; i < radios_.size(); ++i) {
        Radio &radio = *radios_[i];
        radio.job.Check(now);
        if (radio.job.Finished() && !radio.reported) {
            radio.reported = true;
            Ended(i);
        }
        allDone = allDone && radio.job.Finished();
        std::string state = radio.job.BackingUp() ? "backing up"
                            : settings_.dryRun    ? "reading"
                                                  : Verb(settings_.job);
        switch (radio.Result()) {
        case Outcome::Succeeded:
            state = "done";
            break;
        case Outcome::Different:
            state = "differs";
            break;
        case Outcome::Failed:
            state = "FAILED";
            break;
        default:
            break;
        }
        if (!radio.saveError.empty())
            state = "FAILED";
        display_.Update(i, radio.job.Answers(), radio.job.AnswerCount(), state);
    }
    if (allDone)
        running_ = false;
}

std::string Runner::JsonLine(std::size_t index) const
{
    const Radio &radio = *radios_[index];
    const auto text = [](const std::string &s) { return QString::fromStdString(s); };
    static const char *const kCommands[] = {"read", "write", "verify", "backup", "restore", "verify"};
    QJsonObject o;
    o.insert(QStringLiteral("port"), text(radio.label));
    o.insert(QStringLiteral("device"), text(radio.device));
    o.insert(QStringLiteral("serial"), text(radio.serialNumber));
    const char *command = kCommands[static_cast<int>(settings_.job)];
    if (settings_.dryRun)
        command = settings_.job == Job::VerifyImage ? "restore" : "write";
    o.insert(QStringLiteral("command"), QString::fromLatin1(command));
    if (settings_.dryRun)
        o.insert(QStringLiteral("dryRun"), true);
    const Outcome outcome = radio.Result();
    o.insert(QStringLiteral("result"), outcome == Outcome::Succeeded   ? QStringLiteral("succeeded")
                                       : outcome == Outcome::Different ? QStringLiteral("different")
                                                                       : QStringLiteral("failed"));
    o.insert(QStringLiteral("error"), text(radio.saveError.empty() ? radio.job.Error() : radio.saveError));
    QJsonArray differences;
    for (const Difference &d : radio.job.Differences())
        differences.append(
            QJsonObject{{QStringLiteral("where"), text(DifferenceWhere(d))},
                        {QStringLiteral("expected"), text(d.fileText)},
                        {QStringLiteral("radio"), text(d.radioText)}});
    std::vector<signalling::FieldDifference> fields = radio.job.FieldDifferences();
    fields.insert(fields.end(), radio.extra.begin(), radio.extra.end());
    for (const signalling::FieldDifference &d : fields)
        differences.append(QJsonObject{{QStringLiteral("where"), text(d.where)},
                                       {QStringLiteral("expected"), text(d.expected)},
                                       {QStringLiteral("radio"), text(d.radio)}});
    o.insert(QStringLiteral("differences"), differences);
    if (index < settings_.valueFields.size()) {
        QJsonObject values;
        for (const auto &[field, value] : settings_.valueFields[index])
            values.insert(text(field), text(value));
        o.insert(QStringLiteral("values"), values);
    }
    if (settings_.job == Job::Write || settings_.job == Job::Restore)
        o.insert(QStringLiteral("readBack"), settings_.verify);
    QJsonObject files;
    const bool saves = settings_.job == Job::Read || settings_.job == Job::Backup;
    if (saves && outcome == Outcome::Succeeded)
        files.insert(QStringLiteral("saved"), text(settings_.targets.at(index)));
    if (!radio.backupPath.empty())
        files.insert(QStringLiteral("backup"), text(radio.backupPath));
    o.insert(QStringLiteral("files"), files);
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::string Runner::Summary(std::size_t index) const
{
    if (settings_.dryRun)
        return "dry run, nothing would change (nothing written)";
    switch (settings_.job) {
    case Job::Read:
        return "read, saved to " + settings_.targets.at(index);
    case Job::Backup:
        return "backed up, saved to " + settings_.targets.at(index);
    case Job::Write:
        return settings_.verify ? "written and read back, equal" : "written, not read back (--no-verify)";
    case Job::Restore:
        return settings_.verify ? "restored and read back, equal" : "restored, not read back (--no-verify)";
    case Job::Verify:
        return "verified, equal to the file";
    case Job::VerifyImage:
        return "verified, equal to the image";
    }
    return {};
}

void Runner::Ended(std::size_t index)
{
    Radio &radio = *radios_[index];
    const bool saves = settings_.job == Job::Read || settings_.job == Job::Backup;
    if (radio.job.Result() == Outcome::Succeeded && saves) {
        // The file appears whole or not at all.
        try {
            if (settings_.job == Job::Backup)
                files::SaveRadioImage(radio.job.RadioImage(), settings_.targets.at(index));
            else
                files::SaveChannelFile(radio.job.Radio().table, radio.job.Radio().settings,
                                       settings_.targets.at(index));
        } catch (const text::Failure &e) {
            radio.saveError = text::WithFullStop(e.what()) + (e.detail().empty() ? "" : " " + e.detail());
        }
    }
    if (settings_.dryRun && radio.job.Result() != Outcome::Failed)
        radio.extra = DryRunExtra(index);
    const std::string &error = radio.saveError.empty() ? radio.job.Error() : radio.saveError;
    if (!error.empty())
        display_.Message(radio.label + ": " + error);
}

std::vector<signalling::FieldDifference> Runner::DryRunExtra(std::size_t index) const
{
    const Radio &radio = *radios_[index];
    std::vector<signalling::FieldDifference> out;
    if (settings_.job == Job::Verify) {
        // A write sends the settings a channel file does not keep as the
        // window starts with them.
        const ChannelData &file = index < settings_.files.size() ? settings_.files[index] : settings_.file;
        if (!file.hasSettings)
            return out; // the radio's own go back
        const memory::SettingsTexts sent = AsStored(file).settings;
        for (int n = files::kSettingsInFile + 1; n <= memory::kSettingsBoxCount; ++n)
            if (sent.Box(n) != radio.job.Radio().settings.Box(n))
                out.push_back({DifferenceWhere({0, memory::SettingsCaption(n), {}, {}}), file.settings.Box(n),
                               radio.job.Radio().settings.Box(n)});
        return out;
    }
    // A restore writes every byte: a block whose bytes differ only where no
    // field shows them changes too.
    const files::RadioImage &image = index < settings_.images.size() ? settings_.images[index] : settings_.image;
    const files::RadioImage &held = radio.job.RadioImage();
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        if (image.At(b) == held.At(b))
            continue;
        files::RadioImage one = held;
        one.At(b) = image.At(b);
        if (signalling::CompareImages(one, held).empty())
            out.push_back({files::ImageBlockName(b) + ", bytes no field shows", Hex(image.At(b)), Hex(held.At(b))});
    }
    return out;
}

int Runner::ExitStatus() const
{
    bool different = false;
    for (const auto &radio : radios_) {
        if (radio->Result() == Outcome::Failed)
            return kExitRadioFailure;
        different = different || radio->Result() == Outcome::Different;
    }
    return different ? kExitDifferent : kExitSuccess;
}

} // namespace tonvar::cli
