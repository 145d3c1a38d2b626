// SPDX-License-Identifier: GPL-3.0-or-later
// File > Programming Station...: radio after radio on the main window's
// port, each with the next row of a roster (cli::Station). The dialog picks
// the image or channel file, the roster, the first row, the backup folder
// and the log, remembers them for the next start, and shows what the
// station does: its status in large letters, the radio's progress, the last
// results (newest on top, failures marked), the totals, and Stop. Closing
// it while a radio is being programmed asks first; a station stopped records
// the radio it held.
#pragma once

#include "cli/Station.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tonvar::app {

class StationDialog : public QDialog {
    Q_OBJECT
public:
    // `port` is the port the main window picked ("ttyUSB0" or a path).
    explicit StationDialog(const QString &port, QWidget *parent = nullptr);
    ~StationDialog() override;

    // The dialog's controls.
    QLineEdit *sourceEdit = nullptr;
    QLineEdit *rosterEdit = nullptr;
    QSpinBox *fromRowSpin = nullptr;
    QLineEdit *backupEdit = nullptr;
    QLineEdit *logEdit = nullptr;
    QLabel *portLabel = nullptr;
    QLabel *statusLabel = nullptr;
    QLabel *detailLabel = nullptr; // why the station could not start
    QProgressBar *progressBar = nullptr;
    QListWidget *resultList = nullptr;
    QLabel *totalsLabel = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *stopButton = nullptr;
    QPushButton *closeButton = nullptr;

    // What each Browse... button asks for; empty when the user cancels.
    enum class Pick { Source, Roster, BackupFolder, Log };
    // Tests replace it.
    std::function<QString(Pick pick)> ChoosePath;
    // Whether to stop a radio being programmed to close the dialog. Tests
    // replace it.
    std::function<bool()> ConfirmStop;
    // Changes the settings a station starts with (tests shorten its limits).
    std::function<void(cli::StationSettings &)> adjustSettings;

    // A station runs (it has started and not finished).
    bool Running() const;
    const cli::Station *CurrentStation() const { return station_.get(); }

    // Start and Stop.
    void StartClick();
    void StopClick();

    // The result list's text for a record: its line, a failure marked.
    static QString ResultText(const cli::StationRecord &record);

public Q_SLOTS:
    void reject() override;

private:
    void Browse(Pick pick);
    void ShowStatus();
    void ShowTotals();
    void ShowIdle();
    void AddRecord(const cli::StationRecord &record, const std::string &logError);
    void Finished();
    void SetEditing(bool on);
    void Remember() const;
    void Recall();
    void ShowProblem(const QString &text, const QString &detail = {});

    QString port_;
    std::unique_ptr<cli::Station> station_;
    bool running_ = false;
    bool closeWhenFinished_ = false;
};

} // namespace tonvar::app
