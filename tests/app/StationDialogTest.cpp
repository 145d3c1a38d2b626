// SPDX-License-Identifier: GPL-3.0-or-later
// File > Programming Station... against simulated radios: a radio programmed
// with the roster's first row, seen in the radio's memory, the dialog's list
// and totals and the log, the main window's table left as it was; Stop while
// waiting; a file that cannot be used starts nothing; the menu item while
// the port is busy or held; the choices remembered.
#include "app/AppWindows.h"
#include "app/ErrorHandler.h"
#include "app/StationDialog.h"
#include "app/Unit1.h"
#include "cli/Fleet.h"
#include "cli/Station.h"
#include "files/RadioImage.h"

#include "RadioSim.h"
#include "SampleRadio.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

using namespace tonvar;
using namespace tonvar::app;

namespace {

// Generous: the machine may be busy.
constexpr int kLong = 60000;

void Write(const QString &path, const std::string &bytes)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << bytes;
}

std::string Read(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Types `text` into an edit over what it held, as a user does.
void TypeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// The radio a simulator holds, as an image.
files::RadioImage Memory(const sim::RadioSimulator &radio)
{
    files::RadioImage image;
    for (const files::ImageBlock block : files::ImageBlocks()) {
        const sim::Block bytes = radio.GetBlock(block.area, block.number);
        std::copy(bytes.begin(), bytes.end(), image.At(block).begin());
    }
    return image;
}

} // namespace

class StationDialogTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> folder;
    QStringList failures, messages;

    QString Path(const QString &name) const { return folder->filePath(name); }

    // A radio image of sample channels and settings, saved as `name`.
    QString SampleImage(const QString &name)
    {
        sim::RadioSimulator master(false);
        test::FillRadio(master);
        const QString path = Path(name);
        files::SaveRadioImage(Memory(master), path.toStdString());
        return path;
    }

    // The station's limits short enough for a test, its probe often.
    static void Quick(StationDialog &d)
    {
        d.adjustSettings = [](cli::StationSettings &s) {
            s.probeInterval = std::chrono::milliseconds(100);
            s.timeout = std::chrono::milliseconds(5000);
        };
    }

private Q_SLOTS:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        failures.clear();
        messages.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        SetMessageSink([this](const QString &text) { messages << text; });
        // Each test chooses afresh.
        QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar")).remove(QStringLiteral("station"));
    }
    void cleanup()
    {
        ResetFailureSink();
        ResetMessageSink();
        folder.reset();
    }

    // The whole way: File > Programming Station... in the main window, the
    // file, roster and log typed in, Enter starts, one radio is programmed
    // with row 1, Stop, Escape closes.
    void programsOneRadioWithTheFirstRow()
    {
        const QString source = SampleImage(QStringLiteral("fleet.radio"));
        QVERIFY(!source.isEmpty());
        const QString roster = Path(QStringLiteral("roster.csv"));
        Write(roster, "port,\"FleetSync, Fleet[Own]\",\"FleetSync, ID[Own]\"\nA-1,100,1001\nA-2,100,1002\n");
        const QString log = Path(QStringLiteral("station.log"));

        sim::RadioSimulator radio(false); // a radio of its own, none of the fleet's values
        radio.Start();
        // The cable's stable name, as /dev/serial/by-id/ gives it.
        const QString link = Path(QStringLiteral("by-id-cable"));
        QVERIFY(QFile::link(QString::fromStdString(radio.DevicePath()), link));

        AppWindows windows(QSize(1920, 1080));
        TForm1 &form = *windows.Form1;
        form.AddDevicePath(link);
        form.table.SetCell(3, memory::kColRxFreq, "446.00625");
        const memory::ChannelTable before = form.table;

        QAction *item = form.findChild<QAction *>(QStringLiteral("ProgrammingStation"));
        QVERIFY(item);
        QVERIFY(item->isEnabled());
        bool driven = false;
        QString shownPort, line, totals;
        int progressMaximum = 0;
        bool modal = false, runningAfterStop = true, closed = false;
        form.onStationDialog = [&](StationDialog &d) {
            Quick(d);
            QObject::connect(d.progressBar, &QProgressBar::valueChanged, &d, [&](int) {
                progressMaximum = std::max(progressMaximum, d.progressBar->maximum());
            });
            QTimer::singleShot(0, &d, [&] {
                // Whatever happens below, the dialog closes: the test never
                // hangs in it.
                struct Closer {
                    StationDialog &d;
                    ~Closer()
                    {
                        if (d.isVisible()) {
                            d.StopClick();
                            d.done(QDialog::Rejected);
                        }
                    }
                } closer{d};
                modal = d.isModal() && QApplication::activeModalWidget() == &d;
                shownPort = d.portLabel->text();
                TypeInto(d.sourceEdit, source);
                TypeInto(d.rosterEdit, roster);
                TypeInto(d.logEdit, log);
                QCOMPARE(d.fromRowSpin->value(), 1);
                QTest::keyClick(d.logEdit, Qt::Key_Return); // the default button: Start
                QTRY_VERIFY_WITH_TIMEOUT(d.Running(), 5000);
                QVERIFY(!d.startButton->isEnabled());
                QVERIFY(!d.sourceEdit->isEnabled());
                QTRY_COMPARE_WITH_TIMEOUT(d.resultList->count(), 1, kLong);
                line = d.resultList->item(0)->text();
                totals = d.totalsLabel->text();
                // The radio stays connected: the station waits for it to go.
                QVERIFY(d.Running());
                QTest::mouseClick(d.stopButton, Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(!d.Running(), kLong);
                runningAfterStop = d.Running();
                QVERIFY(d.startButton->isEnabled());
                QTest::keyClick(&d, Qt::Key_Escape);
                QTRY_VERIFY_WITH_TIMEOUT(!d.isVisible(), 5000);
                closed = true;
                driven = true;
            });
        };
        item->trigger();
        form.onStationDialog = nullptr;
        QVERIFY(driven);
        QVERIFY(modal);
        QVERIFY(closed);
        QVERIFY(!runningAfterStop);
        QCOMPARE(shownPort, link);
        QVERIFY(progressMaximum > 1);

        // Row 1 is in the radio: the image with the row's fleet and ID.
        const files::RadioImage expected = files::LoadRadioImage(source.toStdString());
        const files::RadioImage held = Memory(radio);
        QCOMPARE(cli::IdsOf(held).fleetSync.value_or("none"), std::string("FleetSync fleet 100 and ID 1001"));
        int compared = 0;
        for (const files::ImageBlock block : files::ImageBlocks()) {
            const std::string name = files::ImageBlockName(block);
            if (name.starts_with("channel ") || name == "settings") {
                QVERIFY2(held.At(block) == expected.At(block), name.c_str());
                ++compared;
            }
        }
        QCOMPARE(compared, memory::kChannelCount + 1);

        // The list shows the record's line; the totals count it.
        const std::string logged = Read(log);
        QVERIFY(!logged.empty());
        const std::string first = logged.substr(0, logged.find('\n'));
        const cli::StationRecord record = cli::ParseRecord(first);
        QVERIFY(record.result == cli::StationRecord::Result::Programmed);
        QCOMPARE(record.row, 1);
        QCOMPARE(record.label, std::string("A-1"));
        QCOMPARE(line, QString::fromStdString(record.Line()));
        QVERIFY2(totals.contains(QStringLiteral("Programmed: 1")), qPrintable(totals));
        QVERIFY2(totals.contains(QStringLiteral("Rows left: 1")), qPrintable(totals));
        QVERIFY2(totals.contains(QStringLiteral("Failures: 0")), qPrintable(totals));

        // The window's own table is as it was, and its port free again.
        QVERIFY(form.table == before);
        QVERIFY(form.session.PortFree());
        QVERIFY(failures.isEmpty());
        radio.Stop();
    }

    // Stop while the station waits for a radio finishes it at once; the
    // choices are remembered for the next dialog.
    void stopWhileWaitingFinishes()
    {
        const QString source = SampleImage(QStringLiteral("fleet.radio"));
        QVERIFY(!source.isEmpty());
        const QString nothing = Path(QStringLiteral("no-cable"));
        QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("backups")));
        {
            StationDialog d(nothing);
            Quick(d);
            d.show();
            QCOMPARE(d.portLabel->text(), nothing);
            TypeInto(d.sourceEdit, source);
            TypeInto(d.backupEdit, Path(QStringLiteral("backups")));
            d.fromRowSpin->setValue(4);
            QTest::mouseClick(d.startButton, Qt::LeftButton);
            QVERIFY2(d.Running(), qPrintable(d.statusLabel->text() + d.detailLabel->text()));
            QTRY_VERIFY_WITH_TIMEOUT(d.statusLabel->text().startsWith(QStringLiteral("Waiting")), kLong);
            QVERIFY(d.stopButton->isEnabled());
            QTest::mouseClick(d.stopButton, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!d.Running(), kLong);
            QVERIFY(d.startButton->isEnabled());
            QVERIFY(d.sourceEdit->isEnabled());
            QVERIFY(!d.stopButton->isEnabled());
            QCOMPARE(d.resultList->count(), 0);
            QVERIFY(d.CurrentStation()->Phase() == cli::StationPhase::Finished);
            QTest::keyClick(&d, Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        }
        // Closing while it waits stops it too, without asking: no radio is
        // at risk.
        {
            StationDialog d(nothing);
            Quick(d);
            bool asked = false;
            d.ConfirmStop = [&] {
                asked = true;
                return false;
            };
            d.show();
            QCOMPARE(d.sourceEdit->text(), source);
            QCOMPARE(d.backupEdit->text(), Path(QStringLiteral("backups")));
            QCOMPARE(d.fromRowSpin->value(), 4);
            QVERIFY(d.rosterEdit->text().isEmpty());
            d.StartClick();
            QVERIFY(d.Running());
            QTest::keyClick(&d, Qt::Key_Escape);
            QTRY_VERIFY_WITH_TIMEOUT(!d.isVisible(), kLong);
            QVERIFY(!d.Running());
            QVERIFY(!asked);
        }
        QVERIFY(failures.isEmpty());
    }

    // Closing the dialog while a radio is being programmed asks; kept
    // programming, it goes on; stopped, the radio is recorded before the
    // dialog closes, its row left unused.
    void closingMidRadioAsksAndRecordsIt()
    {
        const QString source = SampleImage(QStringLiteral("fleet.radio"));
        QVERIFY(!source.isEmpty());
        const QString roster = Path(QStringLiteral("roster.csv"));
        Write(roster, "unit,\"FleetSync, Fleet[Own]\",\"FleetSync, ID[Own]\"\nA-1,100,1001\n");
        const QString log = Path(QStringLiteral("station.log"));
        sim::RadioSimulator radio(true); // at the line's pace: the radio takes seconds
        radio.Start();

        StationDialog d(QString::fromStdString(radio.DevicePath()));
        Quick(d);
        int asked = 0;
        bool answer = false;
        d.ConfirmStop = [&] {
            ++asked;
            return answer;
        };
        d.show();
        TypeInto(d.sourceEdit, source);
        TypeInto(d.rosterEdit, roster);
        TypeInto(d.logEdit, log);
        QTest::mouseClick(d.startButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(d.CurrentStation()->Phase() == cli::StationPhase::Programming, kLong);
        QVERIFY2(d.statusLabel->text().startsWith(QStringLiteral("Reading the radio")) ||
                     d.statusLabel->text().contains(QStringLiteral("row 1 (A-1)")),
                 qPrintable(d.statusLabel->text()));
        QTRY_VERIFY_WITH_TIMEOUT(d.progressBar->value() > 0, kLong);

        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(asked, 1);
        QVERIFY(d.isVisible());
        QVERIFY(d.Running());

        answer = true;
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(asked, 2);
        QTRY_VERIFY_WITH_TIMEOUT(!d.isVisible(), kLong);
        QVERIFY(!d.Running());

        const std::string logged = Read(log);
        QCOMPARE(std::count(logged.begin(), logged.end(), '\n'), 1);
        const cli::StationRecord record = cli::ParseRecord(logged.substr(0, logged.find('\n')));
        QVERIFY(record.result != cli::StationRecord::Result::Programmed);
        QCOMPARE(d.resultList->count(), 1);
        QVERIFY2(d.resultList->item(0)->text().startsWith(QStringLiteral("row 1 (")) &&
                     d.resultList->item(0)->text().count(QStringLiteral("FAILED")) == 1,
                 qPrintable(d.resultList->item(0)->text()));
        QVERIFY2(d.totalsLabel->text().contains(QStringLiteral("Failures: 1")), qPrintable(d.totalsLabel->text()));
        QVERIFY2(d.totalsLabel->text().contains(QStringLiteral("Rows left: 1")), qPrintable(d.totalsLabel->text()));
        radio.Stop();
    }

    // A source, roster or log that cannot be used is said in the dialog and
    // nothing starts.
    void anUnusableFileStartsNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("roster");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("backups");
        const QString none;
        const QString image = QStringLiteral("fleet.radio");
        QTest::newRow("no source") << none << none << none << none;
        QTest::newRow("source gone") << QStringLiteral("gone.radio") << none << none << none;
        QTest::newRow("source not an image") << QStringLiteral("notes.txt") << none << none << none;
        QTest::newRow("roster gone") << image << QStringLiteral("gone.csv") << none << none;
        QTest::newRow("roster not a roster") << image << QStringLiteral("notes.txt") << none << none;
        QTest::newRow("log not a log") << image << none << QStringLiteral("notes.txt") << none;
        QTest::newRow("backup folder gone") << image << none << none << QStringLiteral("gone");
    }
    void anUnusableFileStartsNothing()
    {
        QFETCH(QString, source);
        QFETCH(QString, roster);
        QFETCH(QString, log);
        QFETCH(QString, backups);
        QVERIFY(!SampleImage(QStringLiteral("fleet.radio")).isEmpty());
        Write(Path(QStringLiteral("notes.txt")), "shopping: milk, bread\nnot a radio\n");
        auto inFolder = [this](const QString &name) { return name.isEmpty() ? name : Path(name); };
        StationDialog d(Path(QStringLiteral("no-cable")));
        Quick(d);
        d.show();
        TypeInto(d.sourceEdit, inFolder(source));
        TypeInto(d.rosterEdit, inFolder(roster));
        TypeInto(d.logEdit, inFolder(log));
        TypeInto(d.backupEdit, inFolder(backups));
        QTest::mouseClick(d.startButton, Qt::LeftButton);
        QVERIFY(!d.Running());
        QVERIFY(d.CurrentStation() == nullptr);
        QVERIFY2(d.statusLabel->text().startsWith(QStringLiteral("Cannot start: ")), qPrintable(d.statusLabel->text()));
        QVERIFY(d.statusLabel->text().size() > QStringLiteral("Cannot start: ").size() + 4);
        QVERIFY(d.startButton->isEnabled());
        QVERIFY(!d.stopButton->isEnabled());
        QCOMPARE(d.resultList->count(), 0);
        QCOMPARE(Read(Path(QStringLiteral("notes.txt"))), std::string("shopping: milk, bread\nnot a radio\n"));
        QVERIFY(failures.isEmpty());
    }

    // While the main window's read runs the item is disabled and refuses;
    // a port held open for the signalling windows is released before the
    // dialog shows.
    void theMainWindowsPortIsFreedOrRefused()
    {
        sim::RadioSimulator radio(false);
        radio.SetFaults(sim::Faults{.silent = true});
        radio.Start();
        AppWindows windows(QSize(1920, 1080));
        TForm1 &form = *windows.Form1;
        form.AddDevicePath(QString::fromStdString(radio.DevicePath()));
        QAction *item = form.findChild<QAction *>(QStringLiteral("ProgrammingStation"));
        QVERIFY(item);

        form.session.hub.Hold();
        QVERIFY(!form.session.PortFree());
        bool freed = false, shown = false;
        form.onStationDialog = [&](StationDialog &d) {
            freed = form.session.PortFree();
            QTimer::singleShot(0, &d, [&d, &shown] {
                shown = d.isVisible();
                QTest::keyClick(&d, Qt::Key_Escape);
                if (d.isVisible())
                    d.done(QDialog::Rejected);
            });
        };
        item->trigger();
        QVERIFY(shown);
        QVERIFY(freed);

        form.rbtnClick(); // the radio is silent: the read keeps running
        QVERIFY(form.session.hub.AnyRunning());
        QVERIFY(!item->isEnabled());
        shown = false;
        item->trigger(); // a disabled item does nothing
        form.ProgrammingStationClick();
        QVERIFY(!shown);
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.constFirst().contains(QStringLiteral("read or write runs")), qPrintable(failures.join(QLatin1Char('|'))));
        form.Button2Click(); // Cancel
        QTRY_VERIFY_WITH_TIMEOUT(!form.session.hub.AnyRunning(), kLong);
        QVERIFY(item->isEnabled());
        form.onStationDialog = nullptr;
        radio.Stop();
    }
};

QTEST_MAIN(StationDialogTest)
#include "StationDialogTest.moc"
