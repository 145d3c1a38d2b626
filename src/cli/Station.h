// SPDX-License-Identifier: GPL-3.0-or-later
// A programming station: one port, radio after radio, each with the next
// unused row of a roster, every one logged.
//
// For each radio the station
//  1. waits, quietly, until a radio answers on the port: a handshake probe
//     (link/Probe.h) at most every probe interval, the port opened afresh by
//     its name each time, so a cable that comes and goes is followed;
//  2. reads the radio whole (the backup, saved into the backup folder when
//     one is given, before anything is written) and identifies it: a radio
//     whose FleetSync fleet and ID or DTMF ID code (IdsOf) this station
//     already gave out, in this run or in its log, is left alone unless
//     told to rewrite;
//  3. writes the whole radio: the image given, or, for a channel file, the
//     radio's own image with the file's channels and settings; either with
//     the next unused row's values (rows in file order, from the first row
//     to use); reads it back, and only then marks the row used;
//  4. reports the radio in one result, then waits until the radio is gone
//     (a probe without an answer, a port that is gone or hung up) before it
//     waits for the next.
// It finishes when the roster is used up, or when stopped. A radio stopped
// mid-write is reported as holding a mix of old and new values and its row
// stays unused; a radio that failed is tried again only when it is
// connected again.
//
// The log is one JSON object a line, appended and synced to disk as each
// radio ends (StationRecord). A station started again with the same log
// takes the rows and IDs it records as given.
//
// Qt Core: the station runs on the Qt event loop (its own port, resend
// timer and probe), and reports through the callbacks below, always from
// the event loop.
#pragma once

#include "cli/RadioJob.h"
#include "files/RadioImage.h"
#include "files/Roster.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonvar::cli {

struct StationSettings {
    std::string port;   // opened by this name each time ("/dev/ttyUSB0", a by-id link)
    std::string source; // the radio image or channel file (.wh, or a CSV channel list) written
    std::string roster; // empty: every radio gets the source as it is
    int fromRow = 1;    // the first roster row to use, from 1, in file order
    std::string backupDir; // empty: the backups are not kept
    std::string log;       // empty: no log
    bool rewrite = false;  // a radio already programmed is written again
    std::chrono::milliseconds timeout{10000};     // no answer for this long fails a radio
    std::chrono::milliseconds probeInterval{500}; // at most this often a probe starts
    std::string version;                          // the tool's, for the log
};

// One radio's end: what the log keeps and the one line says.
struct StationRecord {
    enum class Result { Programmed, LeftAlone, Failed, Mixed };
    Result result = Result::Failed;
    std::string time; // "2026-12-10T10:42:07Z"
    std::string version;
    std::string host;
    std::string port;
    std::string cableSerial;  // empty where the cable has none
    std::string source;       // the image or channel file, as given
    std::string sourceSha256; // of its bytes, lower-case hex
    int row = 0;              // the roster row given (from 1); 0: none
    std::string label;        // the row's first cell ("A-19")
    std::vector<std::pair<std::string, std::string>> values; // the row's fields and texts
    std::vector<std::string> ids; // the IDs the radio got: "FleetSync fleet 100 and ID 1001", ...
    std::string backup;           // the backup's file; empty: none kept
    std::string error;            // why it failed or was left alone
    // The line a person reads: "row 3: programmed and read back",
    // "this radio already got row 3 at 10:42; not written", ...
    std::string Line() const;
};

// "programmed", "left alone", "failed", "mixed".
std::string ResultName(StationRecord::Result result);
// One JSON object on one line (no line break), holding every field.
std::string RecordJson(const StationRecord &record);
// Reads a record back; throws text::Failure naming what is wrong.
StationRecord ParseRecord(const std::string &line);

// A station's log, as read: its records in order, and the lines skipped (a
// record cut short when the station stopped while writing it: a line that
// starts as JSON and does not end as JSON).
struct StationLog {
    std::vector<StationRecord> records;
    std::vector<std::string> skipped; // "line 7 is a record cut short ...: skipped"
    bool endsWithNewline = true;      // false: the next record starts a line first
};
// Throws text::Failure naming the first line that is no record and cannot
// be one cut short ("Line 3 is no station record.", why as the detail).
StationLog ReadStationLog(const std::string &text);

// The rows (from 1, in file order, from `fromRow`) no record gave: a row is
// given when a programmed radio's record names its label.
std::vector<int> UnusedRows(const files::Roster &roster, const std::vector<StationRecord> &records, int fromRow);
// The latest programmed record that gave one of `ids`, or null.
const StationRecord *GivenBefore(const std::vector<StationRecord> &records, const std::vector<std::string> &ids);
// "already got row 3 at 10:42" (local time), or without a row
// "already got FleetSync fleet 100 and ID 1001 at 10:42".
std::string AlreadyGot(const StationRecord &earlier);

// What a station does now.
enum class StationPhase {
    Waiting,     // for a radio to answer
    Programming, // reading, writing or reading back a radio
    Gone,        // a radio has ended: waiting for it to be disconnected
    Finished,    // the roster is used up, or stopped
};

struct StationTotals {
    int programmed = 0;
    int leftAlone = 0;
    int failures = 0;   // failed or left holding a mix
    int rowsLeft = -1;  // unused rows from the first row to use; -1: no roster
};

class Station : public QObject {
public:
    // Loads the source and the roster, checks that every row's values go
    // into the image, and reads the log (the rows and IDs already given).
    // Throws text::Failure, with nothing touched, where one of them cannot
    // be used.
    explicit Station(StationSettings settings, QObject *parent = nullptr);
    ~Station() override;

    // Starts waiting for the first radio.
    void Start();
    // Ctrl+C, SIGTERM or the window's Stop: a radio being programmed is
    // cancelled (and recorded), then the station finishes.
    void Stop();

    StationPhase Phase() const;
    // What the station does, in words: "waiting for a radio on ttyUSB0",
    // "reading the radio", "programming row 7 (A-23)",
    // "done: disconnect the radio, then connect the next" (after a radio
    // programmed; otherwise "disconnect the radio, then connect the next"),
    // "radio disconnected; waiting for the next radio on ttyUSB0",
    // "finished: every row is given" or "finished". Without a roster:
    // "programming the radio".
    std::string Status() const;
    StationTotals Totals() const;
    // The roster row the next radio gets (from 1), 0 when none is left, -1
    // without a roster.
    int NextRow() const;
    // What reading the log found and skipped, one text a line skipped (said
    // once, before the first radio).
    const std::vector<std::string> &LogNotes() const;

    // A change of phase or status.
    std::function<void()> onStatus;
    // A radio's progress: answers so far, of how many.
    std::function<void(int answers, int of)> onProgress;
    // A radio has ended (already written to the log). The text of a log
    // that cannot be written is in `logError` (the station then finishes).
    std::function<void(const StationRecord &record, const std::string &logError)> onRecord;
    // The station has finished.
    std::function<void()> onFinished;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tonvar::cli
