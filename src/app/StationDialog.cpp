// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StationDialog.h"

#include "app/ErrorHandler.h"
#include "app/RecentFiles.h"
#include "text/Convert.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>

namespace tonvar::app {

namespace {

QSettings Remembered()
{
    return QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar"));
}

const QString kSourceKey = QStringLiteral("station/source");
const QString kRosterKey = QStringLiteral("station/roster");
const QString kFromRowKey = QStringLiteral("station/fromRow");
const QString kBackupKey = QStringLiteral("station/backupFolder");
const QString kLogKey = QStringLiteral("station/log");

// Results shown; older ones are in the log.
constexpr int kResultsShown = 50;

QString Text(const std::string &s)
{
    return QString::fromStdString(s);
}

// "waiting for a radio ..." -> "Waiting for a radio ...".
QString Sentence(const std::string &s)
{
    QString text = Text(s);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// "Cannot start: " and why, the reason's sentence continued ("The file ..."
// -> "the file ...", "DTMF ..." kept).
QString CannotStart(const std::string &why)
{
    QString text = QString::fromLatin1(text::WithFullStop(why));
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return QStringLiteral("Cannot start: ") + text;
}

// A line edit and its Browse... button, in one row of the form.
QWidget *WithBrowse(QLineEdit *edit, QPushButton *browse, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return row;
}

} // namespace

StationDialog::StationDialog(const QString &port, QWidget *parent) : QDialog(parent), port_(port)
{
    setObjectName(QStringLiteral("StationDialog"));
    setWindowTitle(QStringLiteral("Programming Station"));
    setSizeGripEnabled(true);

    // The choices scroll on a screen too small for the whole: what the
    // station does, the results and the buttons stay in sight.
    auto *inner = new QWidget;
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    auto browse = [this](const QString &text, const QString &name, const QString &accessible, Pick pick) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setAccessibleName(accessible);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, pick] { Browse(pick); });
        return button;
    };
    sourceEdit = new QLineEdit(this);
    sourceEdit->setObjectName(QStringLiteral("Source"));
    sourceEdit->setToolTip(QStringLiteral("The radio image or channel file every radio is written with"));
    auto *sourceBrowse = browse(QStringLiteral("&Browse..."), QStringLiteral("BrowseSource"),
                                QStringLiteral("Browse for the image or channel file"), Pick::Source);
    auto *sourceLabel = new QLabel(QStringLiteral("&Image or channel file:"), this);
    sourceLabel->setBuddy(sourceEdit);
    form->addRow(sourceLabel, WithBrowse(sourceEdit, sourceBrowse, this));

    rosterEdit = new QLineEdit(this);
    rosterEdit->setObjectName(QStringLiteral("Roster"));
    rosterEdit->setPlaceholderText(QStringLiteral("none: every radio gets the file as it is"));
    rosterEdit->setToolTip(QStringLiteral("A CSV list with one row of values for each radio, used in order"));
    auto *rosterBrowse = browse(QStringLiteral("Br&owse..."), QStringLiteral("BrowseRoster"),
                                QStringLiteral("Browse for the roster"), Pick::Roster);
    auto *rosterLabel = new QLabel(QStringLiteral("&Roster (optional):"), this);
    rosterLabel->setBuddy(rosterEdit);
    form->addRow(rosterLabel, WithBrowse(rosterEdit, rosterBrowse, this));

    fromRowSpin = new QSpinBox(this);
    fromRowSpin->setObjectName(QStringLiteral("FromRow"));
    fromRowSpin->setRange(1, 99999);
    fromRowSpin->setToolTip(QStringLiteral("The first roster row to use, counted from 1"));
    auto *fromRowLabel = new QLabel(QStringLiteral("&First row:"), this);
    fromRowLabel->setBuddy(fromRowSpin);
    form->addRow(fromRowLabel, fromRowSpin);

    backupEdit = new QLineEdit(this);
    backupEdit->setObjectName(QStringLiteral("BackupFolder"));
    backupEdit->setPlaceholderText(QStringLiteral("none: backups are not kept"));
    backupEdit->setToolTip(QStringLiteral("Each radio is read whole and saved here before it is written"));
    auto *backupBrowse = browse(QStringLiteral("Bro&wse..."), QStringLiteral("BrowseBackupFolder"),
                                QStringLiteral("Browse for the backup folder"), Pick::BackupFolder);
    auto *backupLabel = new QLabel(QStringLiteral("Backup fol&der (optional):"), this);
    backupLabel->setBuddy(backupEdit);
    form->addRow(backupLabel, WithBrowse(backupEdit, backupBrowse, this));

    logEdit = new QLineEdit(this);
    logEdit->setObjectName(QStringLiteral("Log"));
    logEdit->setPlaceholderText(QStringLiteral("none: nothing is logged"));
    logEdit->setToolTip(QStringLiteral("Every radio's result is added to this file; a station started again with "
                                       "it leaves out the rows and radios it records"));
    auto *logBrowse = browse(QStringLiteral("Brows&e..."), QStringLiteral("BrowseLog"),
                             QStringLiteral("Browse for the log file"), Pick::Log);
    auto *logLabel = new QLabel(QStringLiteral("&Log file (optional):"), this);
    logLabel->setBuddy(logEdit);
    form->addRow(logLabel, WithBrowse(logEdit, logBrowse, this));

    portLabel = new QLabel(port_, this);
    portLabel->setObjectName(QStringLiteral("Port"));
    portLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portLabel->setToolTip(QStringLiteral("The port chosen in the main window"));
    // The port stays in sight below the choices, however small the screen.
    auto *portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("Port:"), this));
    portRow->addWidget(portLabel, 1);

    statusLabel = new QLabel(QStringLiteral("Choose the file to write, then Start."), this);
    statusLabel->setObjectName(QStringLiteral("Status"));
    statusLabel->setWordWrap(true);
    QFont large = statusLabel->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    statusLabel->setFont(large);
    statusLabel->setMinimumHeight(2 * QFontMetrics(large).height());
    statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    detailLabel = new QLabel(this);
    detailLabel->setObjectName(QStringLiteral("Detail"));
    detailLabel->setWordWrap(true);
    detailLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detailLabel->hide();

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("Progress"));
    progressBar->setAccessibleName(QStringLiteral("This radio's progress"));
    ShowIdle();

    resultList = new QListWidget(this);
    resultList->setObjectName(QStringLiteral("Results"));
    resultList->setAccessibleName(QStringLiteral("Last results, newest first"));
    resultList->setMinimumHeight(3 * resultList->fontMetrics().height());
    // A long line wraps: the whole of it is seen without scrolling sideways.
    resultList->setWordWrap(true);
    resultList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resultList->setResizeMode(QListView::Adjust);
    auto *resultsLabel = new QLabel(QStringLiteral("Last res&ults, newest first:"), this);
    resultsLabel->setBuddy(resultList);

    totalsLabel = new QLabel(this);
    totalsLabel->setObjectName(QStringLiteral("Totals"));
    totalsLabel->setWordWrap(true);

    inner->setLayout(form);
    form->setContentsMargins(0, 0, 0, 0);
    auto *area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("StationArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus); // Tab goes from control to control
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(inner);
    area->setMinimumHeight(2 * sourceEdit->sizeHint().height());
    area->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    auto *buttons = new QDialogButtonBox(this);
    startButton = buttons->addButton(QStringLiteral("&Start"), QDialogButtonBox::AcceptRole);
    startButton->setObjectName(QStringLiteral("Start"));
    stopButton = buttons->addButton(QStringLiteral("S&top"), QDialogButtonBox::ActionRole);
    stopButton->setObjectName(QStringLiteral("Stop"));
    closeButton = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("Close"));
    startButton->setDefault(true);
    stopButton->setAutoDefault(false);
    closeButton->setAutoDefault(false);
    connect(startButton, &QPushButton::clicked, this, &StationDialog::StartClick);
    connect(stopButton, &QPushButton::clicked, this, &StationDialog::StopClick);
    connect(closeButton, &QPushButton::clicked, this, &StationDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(area);
    layout->addLayout(portRow);
    layout->addWidget(statusLabel);
    layout->addWidget(detailLabel);
    layout->addWidget(progressBar);
    layout->addWidget(resultsLabel);
    layout->addWidget(resultList, 1);
    layout->addWidget(totalsLabel);
    layout->addWidget(buttons);

    Recall();
    if (!sourceEdit->text().isEmpty())
        statusLabel->setText(QStringLiteral("Start, then connect the first radio."));
    SetEditing(true);
    ShowTotals();

    // As large as its contents want where the screen has room, and never
    // larger than the screen.
    const QSize formSize = inner->sizeHint();
    QSize want = layout->sizeHint();
    want.setWidth(std::max({560, want.width(), formSize.width() + area->verticalScrollBar()->sizeHint().width()}));
    // The choices whole, and room for a few results.
    want.setHeight(want.height() - area->sizeHint().height() + formSize.height() +
                   std::max(0, 8 * resultList->fontMetrics().height() - resultList->sizeHint().height()));
    if (const QScreen *screen = parent ? parent->screen() : QApplication::primaryScreen())
        want = want.boundedTo(screen->availableSize() - QSize(16, 48));
    resize(want);
    setMinimumSize(QSize(240, 180).boundedTo(want));
}

StationDialog::~StationDialog()
{
    if (station_) {
        station_->onStatus = nullptr;
        station_->onProgress = nullptr;
        station_->onRecord = nullptr;
        station_->onFinished = nullptr;
        if (running_)
            station_->Stop();
    }
}

bool StationDialog::Running() const
{
    return running_;
}

void StationDialog::SetEditing(bool on)
{
    for (QWidget *w : {static_cast<QWidget *>(sourceEdit), static_cast<QWidget *>(rosterEdit),
                       static_cast<QWidget *>(fromRowSpin), static_cast<QWidget *>(backupEdit),
                       static_cast<QWidget *>(logEdit)})
        w->setEnabled(on);
    for (const char *name : {"BrowseSource", "BrowseRoster", "BrowseBackupFolder", "BrowseLog"})
        if (auto *b = findChild<QPushButton *>(QString::fromLatin1(name)))
            b->setEnabled(on);
    startButton->setEnabled(on);
    stopButton->setEnabled(!on);
    // Enter starts when nothing runs, and stops nothing by accident.
    startButton->setDefault(on);
}

void StationDialog::Browse(Pick pick)
{
    QString path;
    if (ChoosePath) {
        path = ChoosePath(pick);
    } else {
        switch (pick) {
        case Pick::Source:
            path = app::ChoosePath(this, QStringLiteral("Image or Channel File"),
                                   QStringLiteral("Radio images and channel files (*.radio *.wh *.csv)"), QString(),
                                   false);
            break;
        case Pick::Roster:
            path = app::ChoosePath(this, QStringLiteral("Roster"), QStringLiteral("CSV files (*.csv)"), QString(),
                                   false);
            break;
        case Pick::Log:
            // The log may not be there yet: it is made by the first radio.
            path = app::ChoosePath(this, QStringLiteral("Log File"), QStringLiteral("Station logs (*.jsonl *.log)"),
                                   QStringLiteral("jsonl"), true);
            break;
        case Pick::BackupFolder: {
            QString start = backupEdit->text();
            if (start.isEmpty())
                start = LoadLastFolder();
            path = QFileDialog::getExistingDirectory(this, QStringLiteral("Backup Folder"), start);
            break;
        }
        }
    }
    if (path.isEmpty())
        return;
    switch (pick) {
    case Pick::Source:
        sourceEdit->setText(path);
        break;
    case Pick::Roster:
        rosterEdit->setText(path);
        break;
    case Pick::BackupFolder:
        backupEdit->setText(path);
        break;
    case Pick::Log:
        logEdit->setText(path);
        break;
    }
}

void StationDialog::ShowProblem(const QString &text, const QString &detail)
{
    statusLabel->setText(text);
    detailLabel->setText(detail);
    detailLabel->setVisible(!detail.isEmpty());
}

void StationDialog::StartClick()
{
    if (running_)
        return;
    cli::StationSettings settings;
    settings.port = port_.toStdString();
    settings.source = sourceEdit->text().trimmed().toStdString();
    settings.roster = rosterEdit->text().trimmed().toStdString();
    settings.fromRow = fromRowSpin->value();
    settings.backupDir = backupEdit->text().trimmed().toStdString();
    settings.log = logEdit->text().trimmed().toStdString();
    settings.version = QCoreApplication::applicationVersion().toStdString();
    if (settings.source.empty()) {
        ShowProblem(QStringLiteral("Cannot start: choose the image or channel file to write."));
        sourceEdit->setFocus();
        return;
    }
    if (port_.isEmpty()) {
        ShowProblem(QStringLiteral("Cannot start: choose a port in the main window first."));
        return;
    }
    if (adjustSettings)
        adjustSettings(settings);
    Remember();

    // Nothing starts where the source, the roster or the log cannot be used.
    std::unique_ptr<cli::Station> station;
    try {
        station = std::make_unique<cli::Station>(settings);
    } catch (const text::Failure &e) {
        ShowProblem(CannotStart(e.what()), Text(e.detail()));
        return;
    } catch (const std::exception &e) {
        ShowProblem(CannotStart(e.what()));
        return;
    }
    station_ = std::move(station);
    // What reading the log skipped (a record cut short), said once.
    QStringList notes;
    for (const std::string &note : station_->LogNotes())
        notes << Text(note);
    detailLabel->setText(notes.join(QLatin1Char('\n')));
    detailLabel->setVisible(!notes.isEmpty());
    station_->onStatus = [this] {
        ShowStatus();
        ShowTotals();
    };
    station_->onProgress = [this](int answers, int of) {
        progressBar->setTextVisible(true);
        progressBar->setRange(0, of > 0 ? of : 1);
        progressBar->setValue(answers);
    };
    station_->onRecord = [this](const cli::StationRecord &record, const std::string &logError) {
        AddRecord(record, logError);
    };
    station_->onFinished = [this] { Finished(); };
    running_ = true;
    SetEditing(false);
    ShowIdle();
    stopButton->setFocus();
    station_->Start();
    if (station_ && running_) {
        ShowStatus();
        ShowTotals();
    }
}

void StationDialog::StopClick()
{
    if (!running_ || !station_)
        return;
    stopButton->setEnabled(false);
    station_->Stop();
}

void StationDialog::ShowStatus()
{
    if (!station_)
        return;
    statusLabel->setText(Sentence(station_->Status()));
    if (station_->Phase() != cli::StationPhase::Programming)
        ShowIdle();
}

void StationDialog::ShowIdle()
{
    // No radio is being programmed: an empty bar, without "0%".
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
}

void StationDialog::ShowTotals()
{
    if (!station_) {
        totalsLabel->setText(QStringLiteral("Programmed: 0    Left alone: 0    Failures: 0"));
        return;
    }
    const cli::StationTotals t = station_->Totals();
    QString text = QStringLiteral("Programmed: %1    ").arg(t.programmed);
    if (t.rowsLeft >= 0)
        text += QStringLiteral("Rows left: %1    ").arg(t.rowsLeft);
    text += QStringLiteral("Left alone: %1    Failures: %2").arg(t.leftAlone).arg(t.failures);
    totalsLabel->setText(text);
}

QString StationDialog::ResultText(const cli::StationRecord &record)
{
    // A failure's line says "FAILED" after the radio's row.
    return Text(record.Line());
}

void StationDialog::AddRecord(const cli::StationRecord &record, const std::string &logError)
{
    auto *item = new QListWidgetItem(ResultText(record));
    const bool failed =
        record.result == cli::StationRecord::Result::Failed || record.result == cli::StationRecord::Result::Mixed;
    // A failure is marked in words, with a warning sign and in bold, in the
    // palette's own colours (readable in a dark theme too).
    if (failed) {
        item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    } else if (record.result == cli::StationRecord::Result::Programmed) {
        item->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    } else {
        item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    }
    item->setToolTip(record.error.empty() ? item->text() : item->text() + QLatin1Char('\n') + Text(record.error));
    resultList->insertItem(0, item);
    while (resultList->count() > kResultsShown)
        delete resultList->takeItem(resultList->count() - 1);
    if (!logError.empty()) {
        auto *logItem = new QListWidgetItem(QStringLiteral("FAILED: the log cannot be written: ") + Text(logError));
        logItem->setIcon(style()->standardIcon(QStyle::SP_MessageBoxCritical));
        QFont bold = logItem->font();
        bold.setBold(true);
        logItem->setFont(bold);
        resultList->insertItem(0, logItem);
    }
    ShowTotals();
}

void StationDialog::Finished()
{
    running_ = false;
    SetEditing(true);
    ShowStatus();
    ShowTotals();
    ShowIdle();
    if (closeWhenFinished_) {
        closeWhenFinished_ = false;
        QDialog::reject();
        return;
    }
    startButton->setFocus();
}

void StationDialog::reject()
{
    if (!running_ || !station_) {
        QDialog::reject();
        return;
    }
    if (closeWhenFinished_)
        return; // already stopping
    // Between radios nothing is at risk: the station stops and the dialog
    // closes. A radio being programmed is stopped only when the user says so,
    // and recorded before the dialog closes.
    if (station_->Phase() == cli::StationPhase::Programming) {
        bool stop = false;
        if (ConfirmStop) {
            stop = ConfirmStop();
        } else {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Programming Station"),
                            QStringLiteral("A radio is being programmed. Stop it and close?"),
                            QMessageBox::NoButton, this);
            box.setInformativeText(QStringLiteral(
                "The radio stopped holds a mix of old and new values until it is programmed again; its row stays "
                "unused, and the log records it."));
            QPushButton *stopIt = box.addButton(QStringLiteral("&Stop and Close"), QMessageBox::DestructiveRole);
            QPushButton *goOn = box.addButton(QStringLiteral("&Keep Programming"), QMessageBox::RejectRole);
            box.setDefaultButton(goOn);
            box.setEscapeButton(goOn);
            ExecOnTop(box);
            stop = box.clickedButton() == stopIt;
        }
        if (!stop || !running_)
            return;
    }
    closeWhenFinished_ = true;
    StopClick();
}

void StationDialog::Remember() const
{
    QSettings s = Remembered();
    s.setValue(kSourceKey, sourceEdit->text().trimmed());
    s.setValue(kRosterKey, rosterEdit->text().trimmed());
    s.setValue(kFromRowKey, fromRowSpin->value());
    s.setValue(kBackupKey, backupEdit->text().trimmed());
    s.setValue(kLogKey, logEdit->text().trimmed());
    if (const QString source = sourceEdit->text().trimmed(); !source.isEmpty())
        SaveLastFolder(QFileInfo(source).absoluteFilePath());
}

void StationDialog::Recall()
{
    const QSettings s = Remembered();
    sourceEdit->setText(s.value(kSourceKey).toString());
    rosterEdit->setText(s.value(kRosterKey).toString());
    fromRowSpin->setValue(s.value(kFromRowKey, 1).toInt());
    backupEdit->setText(s.value(kBackupKey).toString());
    logEdit->setText(s.value(kLogKey).toString());
}

} // namespace tonvar::app
