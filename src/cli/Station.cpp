// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Station.h"

#include "cli/CliOptions.h"
#include "cli/Fleet.h"
#include "cli/Runner.h"
#include "files/ChannelFile.h"
#include "link/Probe.h"
#include "memory/ChannelTexts.h"
#include "serial/PortDiscovery.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>

namespace tonvar::cli {

namespace {

using Clock = RadioJob::Clock;

// How often a radio's job is looked at: time-outs, ends and progress.
constexpr std::chrono::milliseconds kPollInterval{50};
// How long a probe waits for the Ack of "PROGRAM".
constexpr std::chrono::milliseconds kProbeLimit{1000};

QString Q(const std::string &s)
{
    return QString::fromStdString(s);
}

std::string NowUtc()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// "10:42", the local time of a record's "2026-12-10T10:42:07Z"; the text
// itself where it is no such time.
std::string LocalClock(const std::string &iso)
{
    std::tm utc{};
    std::istringstream in(iso);
    in >> std::get_time(&utc, "%Y-%m-%dT%H:%M:%S");
    if (in.fail())
        return iso;
    const std::time_t at = timegm(&utc);
    std::tm local{};
    localtime_r(&at, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

std::string Hex(const QByteArray &bytes)
{
    return bytes.toHex().toStdString();
}

// A label as part of a file name: no slashes.
std::string FileLabel(std::string label)
{
    std::replace(label.begin(), label.end(), '/', '-');
    return label == "." || label == ".." ? "radio" : label;
}

std::vector<std::string> IdList(const files::RadioImage &image)
{
    const RadioIds ids = IdsOf(image);
    std::vector<std::string> out;
    if (ids.fleetSync)
        out.push_back(*ids.fleetSync);
    if (ids.dtmf)
        out.push_back(*ids.dtmf);
    return out;
}

// An image with a channel file's channels 1 to 16 and the nine settings it
// keeps (a CSV list's image keeps its own). A channel the file leaves empty that the
// image holds empty too keeps the image's bytes, as a write leaves it.
files::RadioImage WithChannels(files::RadioImage image, const ChannelData &file)
{
    memory::ChannelTable held;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    signalling::ChannelsFromImage(image, held, settings);
    memory::ChannelTable table = file.table;
    for (int ch = 1; ch <= memory::kChannelCount && ch < table.RowCount(); ++ch)
        if (memory::IsNoFrequency(table.Row(ch)[memory::kColRxFreq]) &&
            memory::IsNoFrequency(held.Row(ch)[memory::kColRxFreq]))
            for (int c = 1; c < memory::kColumnCount; ++c)
                table.SetCell(ch, c, held.Row(ch)[static_cast<std::size_t>(c)]);
    // A channel file keeps nine settings; the tenth (Beep) stays as the
    // radio has it, as a CSV list's settings all do.
    memory::SettingsTexts written = file.hasSettings ? file.settings : settings;
    written.Box(memory::SettingsTexts::kBeep) = settings.Box(memory::SettingsTexts::kBeep);
    signalling::ChannelsToImage(table, written, image);
    return image;
}

std::string RowPart(const StationRecord &r)
{
    if (r.row <= 0)
        return "radio";
    return "row " + std::to_string(r.row) + (r.label.empty() ? "" : " (" + r.label + ")");
}

} // namespace

std::string ResultName(StationRecord::Result result)
{
    switch (result) {
    case StationRecord::Result::Programmed:
        return "programmed";
    case StationRecord::Result::LeftAlone:
        return "left alone";
    case StationRecord::Result::Failed:
        return "failed";
    case StationRecord::Result::Mixed:
        return "mixed";
    }
    return {};
}

std::string StationRecord::Line() const
{
    const std::string backed = backup.empty() ? "" : " (backed up first to " + backup + ")";
    switch (result) {
    case Result::Programmed:
        return RowPart(*this) + ": programmed and read back" + backed;
    case Result::LeftAlone:
        return "this radio " + error + "; not written" + (backup.empty() ? "" : " (its backup: " + backup + ")");
    case Result::Failed:
        return RowPart(*this) + ": FAILED: " + error + (row > 0 ? " The row stays unused." : "");
    case Result::Mixed: {
        // The line says what the radio holds and what to do; the error's
        // own advice (a restore's) is left to the log.
        std::string why = error;
        for (const std::string advice : {" The radio may now hold a mix of old and new values: restore it again.",
                                         "The radio may now hold a mix of old and new values: restore it again."}) {
            const std::size_t at = why.find(advice);
            if (at != std::string::npos && why.size() > advice.size())
                why.erase(at, advice.size());
        }
        return RowPart(*this) + ": FAILED, the radio holds a mix of old and new values: " + why +
               (row > 0 ? " The row stays unused: connect the radio again to program it."
                        : " Connect the radio again to program it.");
    }
    }
    return {};
}

std::string RecordJson(const StationRecord &r)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), Q(r.time));
    o.insert(QStringLiteral("version"), Q(r.version));
    o.insert(QStringLiteral("host"), Q(r.host));
    o.insert(QStringLiteral("port"), Q(r.port));
    o.insert(QStringLiteral("cableSerial"), Q(r.cableSerial));
    o.insert(QStringLiteral("source"), Q(r.source));
    o.insert(QStringLiteral("sourceSha256"), Q(r.sourceSha256));
    o.insert(QStringLiteral("row"), r.row);
    o.insert(QStringLiteral("label"), Q(r.label));
    QJsonArray values;
    for (const auto &[field, value] : r.values)
        values.append(QJsonObject{{QStringLiteral("field"), Q(field)}, {QStringLiteral("value"), Q(value)}});
    o.insert(QStringLiteral("values"), values);
    QJsonArray ids;
    for (const std::string &id : r.ids)
        ids.append(Q(id));
    o.insert(QStringLiteral("ids"), ids);
    o.insert(QStringLiteral("backup"), Q(r.backup));
    o.insert(QStringLiteral("result"), Q(ResultName(r.result)));
    o.insert(QStringLiteral("error"), Q(r.error));
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

StationRecord ParseRecord(const std::string &line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (error.error != QJsonParseError::NoError)
        throw text::Failure("It is no JSON object: " + error.errorString().toStdString() + " at character " +
                            std::to_string(error.offset) + ".");
    if (!doc.isObject())
        throw text::Failure("It is no JSON object.");
    const QJsonObject o = doc.object();
    const auto value = [&o](const char *key, QJsonValue::Type type) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.type() != type)
            throw text::Failure(std::string("Its \"") + key + "\" is missing or of another type.");
        return v;
    };
    const auto string = [&](const char *key) { return value(key, QJsonValue::String).toString().toStdString(); };
    StationRecord r;
    r.time = string("time");
    r.version = string("version");
    r.host = string("host");
    r.port = string("port");
    r.cableSerial = string("cableSerial");
    r.source = string("source");
    r.sourceSha256 = string("sourceSha256");
    const double row = value("row", QJsonValue::Double).toDouble();
    if (row < 0 || row > 1e6 || row != static_cast<int>(row))
        throw text::Failure("Its \"row\" is no row number.");
    r.row = static_cast<int>(row);
    r.label = string("label");
    for (const QJsonValue v : value("values", QJsonValue::Array).toArray()) {
        const QJsonObject pair = v.toObject();
        if (!pair.value(QStringLiteral("field")).isString() || !pair.value(QStringLiteral("value")).isString())
            throw text::Failure("Its \"values\" are not fields with their values.");
        r.values.emplace_back(pair.value(QStringLiteral("field")).toString().toStdString(),
                              pair.value(QStringLiteral("value")).toString().toStdString());
    }
    for (const QJsonValue v : value("ids", QJsonValue::Array).toArray()) {
        if (!v.isString())
            throw text::Failure("Its \"ids\" are not texts.");
        r.ids.push_back(v.toString().toStdString());
    }
    r.backup = string("backup");
    const std::string result = string("result");
    bool known = false;
    for (const auto kind : {StationRecord::Result::Programmed, StationRecord::Result::LeftAlone,
                            StationRecord::Result::Failed, StationRecord::Result::Mixed})
        if (ResultName(kind) == result) {
            r.result = kind;
            known = true;
        }
    if (!known)
        throw text::Failure("Its \"result\" '" + result + "' is none a station gives.");
    r.error = string("error");
    return r;
}

StationLog ReadStationLog(const std::string &text)
{
    StationLog log;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool whole = end != std::string::npos;
        if (!whole)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (text::TrimBlanks(line).empty())
            continue;
        try {
            log.records.push_back(ParseRecord(line));
        } catch (const text::Failure &e) {
            // A record cut short (the station stopped while writing it) is
            // no record; anything else is no station's log.
            QJsonParseError error{};
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
            if (line.front() == '{' && error.error != QJsonParseError::NoError) {
                log.skipped.push_back("line " + std::to_string(lineNumber) +
                                      " is a record cut short (the station stopped while writing it): skipped");
                continue;
            }
            throw text::Failure("Line " + std::to_string(lineNumber) + " is no station record.", e.what());
        }
    }
    log.endsWithNewline = text.empty() || text.back() == '\n';
    return log;
}

std::vector<int> UnusedRows(const files::Roster &roster, const std::vector<StationRecord> &records, int fromRow)
{
    std::set<std::string> used;
    for (const StationRecord &r : records)
        if (r.result == StationRecord::Result::Programmed && r.row > 0)
            used.insert(r.label);
    std::vector<int> out;
    for (std::size_t i = 0; i < roster.rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        if (row >= fromRow && !used.count(roster.rows[i].key))
            out.push_back(row);
    }
    return out;
}

const StationRecord *GivenBefore(const std::vector<StationRecord> &records, const std::vector<std::string> &ids)
{
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        if (r->result != StationRecord::Result::Programmed)
            continue;
        for (const std::string &id : ids)
            if (std::find(r->ids.begin(), r->ids.end(), id) != r->ids.end())
                return &*r;
    }
    return nullptr;
}

std::string AlreadyGot(const StationRecord &earlier)
{
    const std::string when = " at " + LocalClock(earlier.time);
    if (earlier.row > 0)
        return "already got " + RowPart(earlier) + when;
    return "already got " + (earlier.ids.empty() ? std::string("its IDs") : earlier.ids.front()) + when;
}

struct Station::Impl {
    Station &self;
    StationSettings s;
    std::string label; // the port as output names it

    // What each radio gets.
    bool sourceIsImage = false;
    files::RadioImage image;
    ChannelData channels;
    std::string sourceSha256;
    bool hasRoster = false;
    files::Roster roster;

    std::vector<StationRecord> records; // the log's and this run's
    std::vector<std::string> logNotes;
    int logFd = -1;
    bool logNeedsNewline = false;

    StationPhase phase = StationPhase::Waiting;
    std::string status;
    StationTotals totals;
    bool stopping = false;
    bool started = false;

    // Made at the first probe: its port needs the event loop's thread.
    std::unique_ptr<link::PortProbe> probe;
    QTimer probeTimer;
    QTimer poll;
    Clock::time_point probeStarted{};

    // The radio being programmed.
    std::unique_ptr<JobOnPort> radio;
    bool writing = false;
    int row = 0;
    StationRecord current;
    files::RadioImage target;
    int answersBefore = 0;
    int answersOf = 0;

    Impl(Station &station, StationSettings settings) : self(station), s(std::move(settings)) {}

    void SetStatus(StationPhase p, const std::string &text)
    {
        if (p == phase && text == status)
            return;
        phase = p;
        status = text;
        if (self.onStatus)
            self.onStatus();
    }

    int NextRow() const
    {
        if (!hasRoster)
            return -1;
        const std::vector<int> rows = UnusedRows(roster, records, s.fromRow);
        return rows.empty() ? 0 : rows.front();
    }

    void CountRows()
    {
        totals.rowsLeft = hasRoster ? static_cast<int>(UnusedRows(roster, records, s.fromRow).size()) : -1;
    }

    void Load();
    void OpenLog();
    void ScheduleProbe();
    void Probe();
    void Probed(link::ProbeResult result);
    void StartRadio();
    void Poll();
    void BackedUp();
    void Written();
    // `error` is taken by value: it may be the job's, which ends here.
    void End(StationRecord::Result result, std::string error);
    void Finish();
};

void Station::Impl::Load()
{
    if (s.port.empty())
        throw text::Failure("No port given.");
    label = PortLabel(s.port);
    // The source as it is on disk: its bytes for the log's checksum, and
    // what they hold.
    std::ifstream in(s.source, std::ios::binary);
    if (!in)
        throw text::Failure("Cannot open file " + s.source + ".", std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    sourceSha256 = Hex(QCryptographicHash::hash(QByteArray::fromStdString(data), QCryptographicHash::Sha256));
    sourceIsImage = files::LooksLikeRadioImage(data.substr(0, 64));
    if (sourceIsImage)
        image = files::LoadRadioImage(s.source);
    else if (files::LooksLikeRoster(data.substr(0, 4096)))
        throw text::Failure(s.source + " is a roster.", "Give it with --roster, beside a radio image or channel file.");
    else
        channels = LoadForWriting(s.source);

    if (!s.roster.empty()) {
        roster = files::LoadRoster(s.roster, files::RosterRows::InOrder);
        hasRoster = true;
        if (s.fromRow < 1 || s.fromRow > static_cast<int>(roster.rows.size()))
            throw text::Failure("--from-row " + std::to_string(s.fromRow) + " is no row of " + s.roster + ".",
                                "It has " + std::to_string(roster.rows.size()) + " rows.");
        // Every row's values go into the image (a channel file's onto a
        // blank radio's), and no two rows give the same IDs: checked
        // before any radio is touched.
        const files::RadioImage base = sourceIsImage ? image : WithChannels(files::RadioImage{}, channels);
        std::vector<std::string> labels;
        for (const files::Roster::Row &r : roster.rows)
            labels.push_back(r.key);
        try {
            FleetImages(roster, {base}, labels, {}, {}, false);
        } catch (const text::Failure &e) {
            // Two rows with the same IDs: a station tells radios apart by them.
            const std::string what = e.what();
            if (what.find(" would both get ") == std::string::npos && what.find(" would all get ") == std::string::npos)
                throw;
            throw text::Failure(what, "No two rows may give the same IDs: the station tells the radios it "
                                      "programmed apart by them. Give each row its own in " +
                                          s.roster + ".");
        }
    }

    if (!s.backupDir.empty()) {
        struct stat st {};
        if (::stat(s.backupDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw text::Failure("The backup folder " + s.backupDir + " is not there.");
        if (::access(s.backupDir.c_str(), W_OK | X_OK) != 0)
            throw text::Failure("Cannot save backups in " + s.backupDir + ".", std::strerror(errno));
    }
    OpenLog();
    CountRows();
    if (hasRoster && totals.rowsLeft == 0)
        throw text::Failure("Every row of " + s.roster + " from row " + std::to_string(s.fromRow) +
                            " was given already (" + s.log + ").");
}

void Station::Impl::OpenLog()
{
    if (s.log.empty())
        return;
    struct stat st {};
    if (::stat(s.log.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            throw text::Failure("The log " + s.log + " is no file.");
        std::ifstream in(s.log, std::ios::binary);
        if (!in)
            throw text::Failure("Cannot open file " + s.log + ".", std::strerror(errno));
        std::ostringstream text;
        text << in.rdbuf();
        try {
            StationLog log = ReadStationLog(text.str());
            records = std::move(log.records);
            for (const std::string &note : log.skipped)
                logNotes.push_back(s.log + ": " + note);
            logNeedsNewline = !log.endsWithNewline;
        } catch (const text::Failure &e) {
            throw text::Failure("The log " + s.log + " is no station's log: " + text::WithFullStop(e.what()),
                                e.detail());
        }
    }
    logFd = ::open(s.log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (logFd < 0)
        throw text::Failure("Cannot open file " + s.log + ".", std::strerror(errno));
}

void Station::Impl::ScheduleProbe()
{
    if (stopping || phase == StationPhase::Finished)
        return;
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - probeStarted);
    probeTimer.start(std::max(std::chrono::milliseconds(0), s.probeInterval - since));
}

void Station::Impl::Probe()
{
    if (stopping || phase == StationPhase::Finished || phase == StationPhase::Programming)
        return;
    probeStarted = Clock::now();
    if (!probe)
        probe = std::make_unique<link::PortProbe>();
    probe->Start(s.port, std::min(kProbeLimit, std::max(s.probeInterval, std::chrono::milliseconds(200))),
                [this](link::ProbeResult result, const std::string &) { Probed(result); });
}

void Station::Impl::Probed(link::ProbeResult result)
{
    if (stopping || phase == StationPhase::Finished)
        return;
    const bool answered = result == link::ProbeResult::Answered;
    if (phase == StationPhase::Waiting && answered) {
        StartRadio();
        return;
    }
    if (phase == StationPhase::Gone && !answered)
        SetStatus(StationPhase::Waiting, "radio disconnected; waiting for the next radio on " + label);
    ScheduleProbe();
}

void Station::Impl::StartRadio()
{
    row = NextRow();
    current = StationRecord{};
    current.version = s.version;
    current.host = QSysInfo::machineHostName().toStdString();
    current.port = s.port;
    current.cableSerial = serial::PortSerialNumber(s.port);
    current.source = s.source;
    current.sourceSha256 = sourceSha256;
    if (row > 0) {
        current.row = row;
        current.label = roster.rows[static_cast<std::size_t>(row - 1)].key;
    }
    writing = false;
    SetStatus(StationPhase::Programming, "reading the radio");
    radio = std::make_unique<JobOnPort>(s.port, Job::Backup, s.timeout, ChannelData{}, true, files::RadioImage{});
    answersBefore = 0;
    answersOf = 3 * radio->job.AnswerCount();
    radio->job.Start(Clock::now());
    poll.start();
    Poll();
}

void Station::Impl::Poll()
{
    if (!radio)
        return;
    radio->job.Check(Clock::now());
    if (self.onProgress)
        self.onProgress(answersBefore + radio->job.Answers(), answersOf);
    if (!radio->job.Finished())
        return;
    if (writing)
        Written();
    else
        BackedUp();
}

void Station::Impl::BackedUp()
{
    if (radio->job.Result() != Outcome::Succeeded) {
        End(StationRecord::Result::Failed, radio->job.Error());
        return;
    }
    const files::RadioImage held = radio->job.RadioImage();
    answersBefore = radio->job.AnswerCount();
    // A radio that answers to IDs this station gave is one it programmed.
    const StationRecord *earlier = GivenBefore(records, IdList(held));
    if (earlier && s.rewrite) {
        // Written again, with its own row where the roster has it: one
        // radio never holds two rows' IDs in the log.
        for (std::size_t i = 0; i < roster.rows.size(); ++i)
            if (earlier->row > 0 && roster.rows[i].key == earlier->label) {
                row = static_cast<int>(i) + 1;
                current.row = row;
                current.label = earlier->label;
            }
        earlier = nullptr;
    }
    if (earlier) {
        current.row = earlier->row;
        current.label = earlier->label;
        current.values = earlier->values;
        current.ids = IdList(held);
    }
    // The backup, named after the radio's row, is on disk before anything
    // is written.
    if (!s.backupDir.empty()) {
        const std::string path = BackupPath(s.backupDir, FileLabel(current.label.empty() ? label : current.label));
        try {
            files::SaveRadioImage(held, path);
        } catch (const text::Failure &e) {
            End(StationRecord::Result::Failed, "The backup could not be saved, so nothing was written: " +
                                                   text::WithFullStop(e.what()) +
                                                   (e.detail().empty() ? "" : " " + e.detail()));
            return;
        }
        current.backup = path;
    }
    if (earlier) {
        End(StationRecord::Result::LeftAlone, AlreadyGot(*earlier));
        return;
    }
    if (stopping) {
        End(StationRecord::Result::Failed, "Interrupted.");
        return;
    }
    // For a channel file: the radio's own image with the file's channels.
    try {
        target = sourceIsImage ? image : WithChannels(held, channels);
    } catch (const text::Failure &e) {
        End(StationRecord::Result::Failed, text::WithFullStop(e.what()) + (e.detail().empty() ? "" : " " + e.detail()) +
                                               " Nothing was written.");
        return;
    }
    if (row > 0) {
        try {
            RadioOwnImage own = FleetImages(roster, {target}, {current.label}, {}, {}, true).front();
            target = std::move(own.image);
            current.values = std::move(own.fields);
        } catch (const text::Failure &e) {
            End(StationRecord::Result::Failed,
                text::WithFullStop(e.what()) + (e.detail().empty() ? "" : " " + e.detail()) + " Nothing was written.");
            return;
        }
    }
    current.ids = IdList(target);
    writing = true;
    SetStatus(StationPhase::Programming, row > 0 ? "programming " + RowPart(current) : "programming the radio");
    radio = std::make_unique<JobOnPort>(s.port, Job::Restore, s.timeout, ChannelData{}, true, target);
    radio->job.Start(Clock::now());
    Poll();
}

void Station::Impl::Written()
{
    if (radio->job.Result() == Outcome::Succeeded) {
        End(StationRecord::Result::Programmed, {});
        return;
    }
    const std::string error = radio->job.Error();
    End(error.find("mix of old and new") != std::string::npos ? StationRecord::Result::Mixed
                                                              : StationRecord::Result::Failed,
        error);
}

void Station::Impl::End(StationRecord::Result result, std::string error)
{
    poll.stop();
    radio.reset();
    current.result = result;
    current.error = std::move(error);
    current.time = NowUtc();
    if (result != StationRecord::Result::Programmed && result != StationRecord::Result::LeftAlone)
        current.ids.clear(); // nothing given
    records.push_back(current);
    switch (result) {
    case StationRecord::Result::Programmed:
        ++totals.programmed;
        break;
    case StationRecord::Result::LeftAlone:
        ++totals.leftAlone;
        break;
    default:
        ++totals.failures;
        break;
    }
    CountRows();

    std::string logError;
    if (logFd >= 0) {
        const std::string line = (logNeedsNewline ? "\n" : "") + RecordJson(current) + "\n";
        const ssize_t n = ::write(logFd, line.data(), line.size());
        if (n != static_cast<ssize_t>(line.size()))
            logError = "Cannot write to the log " + s.log + ": " +
                       (n < 0 ? std::string(std::strerror(errno)) : std::string("a part of the line written")) + ".";
        else if (::fsync(logFd) != 0)
            logError = "Cannot write the log " + s.log + " to disk: " + std::strerror(errno) + ".";
        else
            logNeedsNewline = false;
    }
    if (self.onRecord)
        self.onRecord(current, logError);
    if (!logError.empty() || stopping || (hasRoster && totals.rowsLeft == 0)) {
        Finish();
        return;
    }
    SetStatus(StationPhase::Gone, result == StationRecord::Result::Programmed
                                      ? "done: disconnect the radio, then connect the next"
                                      : "disconnect the radio, then connect the next");
    ScheduleProbe();
}

void Station::Impl::Finish()
{
    if (phase == StationPhase::Finished)
        return;
    if (probe)
        probe->Stop();
    probeTimer.stop();
    poll.stop();
    radio.reset();
    SetStatus(StationPhase::Finished, hasRoster && totals.rowsLeft == 0 ? "finished: every row is given"
                                                                        : "finished");
    if (self.onFinished)
        QTimer::singleShot(0, &self, [this] {
            if (self.onFinished)
                self.onFinished();
        });
}

Station::Station(StationSettings settings, QObject *parent)
    : QObject(parent), impl_(std::make_unique<Impl>(*this, std::move(settings)))
{
    impl_->Load();
    impl_->status = "waiting for a radio on " + impl_->label;
    impl_->probeTimer.setSingleShot(true);
    connect(&impl_->probeTimer, &QTimer::timeout, this, [this] { impl_->Probe(); });
    impl_->poll.setInterval(kPollInterval);
    connect(&impl_->poll, &QTimer::timeout, this, [this] { impl_->Poll(); });
}

Station::~Station()
{
    impl_->probe.reset();
    impl_->radio.reset();
    if (impl_->logFd >= 0)
        ::close(impl_->logFd);
}

void Station::Start()
{
    if (impl_->started)
        return;
    impl_->started = true;
    impl_->SetStatus(StationPhase::Waiting, "waiting for a radio on " + impl_->label);
    impl_->probeStarted = Clock::now() - impl_->s.probeInterval;
    impl_->ScheduleProbe();
}

void Station::Stop()
{
    Impl &d = *impl_;
    if (d.stopping || d.phase == StationPhase::Finished)
        return;
    d.stopping = true;
    if (d.radio && !d.radio->job.Finished()) {
        // Recorded as it ends: a write cut short holds a mix.
        d.radio->job.Cancel("Interrupted.");
        QTimer::singleShot(0, this, [this] { impl_->Poll(); });
        return;
    }
    QTimer::singleShot(0, this, [this] { impl_->Finish(); });
}

StationPhase Station::Phase() const
{
    return impl_->phase;
}

std::string Station::Status() const
{
    return impl_->status;
}

StationTotals Station::Totals() const
{
    return impl_->totals;
}

int Station::NextRow() const
{
    return impl_->NextRow();
}

const std::vector<std::string> &Station::LogNotes() const
{
    return impl_->logNotes;
}

} // namespace tonvar::cli
