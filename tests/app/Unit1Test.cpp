// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppWindows.h"
#include "app/ErrorHandler.h"
#include "app/ScreenLayout.h"

#include "Pty.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace tonvar::app;

class Unit1Test : public QObject {
    Q_OBJECT
private:
    QStringList failures;

private Q_SLOTS:
    void init()
    {
        failures.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
    }
    void cleanup() { ResetFailureSink(); }

    void windowsAreCreatedWithTheirCaptions()
    {
        AppWindows w(QSize(1920, 1080));
        QCOMPARE(w.Form1->windowTitle(), QStringLiteral("TONVAR  V1.0"));
        QCOMPARE(w.Form2->windowTitle(), QStringLiteral("DTMF"));
        QCOMPARE(w.Form4->windowTitle(), QStringLiteral("2TONE"));
        QCOMPARE(w.Form5->windowTitle(), QStringLiteral("5TONE"));
        QCOMPARE(w.Form6->windowTitle(), QStringLiteral("FleetSync"));
        QVERIFY(w.Form3->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!w.Form2->isVisible() && !w.Form3->isVisible());
        QCOMPARE(w.Form1->rbtn->text(), QStringLiteral("Read(F11)"));
        QCOMPARE(w.Form1->wbtn->text(), QStringLiteral("Write(F12)"));
        QCOMPARE(w.Form1->xg->geometry(), QRect(2, 3, 623, 428));
        QCOMPARE(w.Form1->model->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("QT/DQT Dec"));
    }

    // The forms place every control where the stored windows have it.
    void everyControlKeepsItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        const std::pair<const char *, QRect> places[] = {
            {"xg", {2, 3, 623, 428}},
            {"GroupBox1", {630, 0, 220, 305}},
            {"GroupBox3", {630, 307, 220, 126}},
            {"comcbb", {91, 30, 110, 21}},
            {"ComboBox4", {91, 65, 110, 21}},
            {"ComboBox3", {91, 100, 110, 21}},
            {"ComboBox9", {91, 135, 110, 21}},
            {"ComboBox8", {91, 170, 110, 21}},
            {"ComboBox6", {91, 205, 110, 21}},
            {"ComboBox7", {91, 240, 110, 21}},
            {"ComboBox5", {91, 275, 110, 21}},
            {"SpeedButton1", {16, 33, 90, 32}},
            {"SpeedButton2", {16, 73, 90, 32}},
            {"rbtn", {115, 33, 90, 32}},
            {"wbtn", {115, 73, 90, 32}},
            {"ProgressBar1", {10, 19, 423, 30}},
            {"Button1", {56, 59, 100, 30}},
            {"Button2", {240, 59, 100, 30}},
        };
        for (const auto &[name, rect] : places)
            QTest::newRow(name) << QString::fromLatin1(name) << rect;
    }
    void everyControlKeepsItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        AppWindows w(QSize(1920, 1080));
        QWidget *control = w.Form1->findChild<QWidget *>(name);
        if (!control)
            control = w.Form3->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(w.Form1->Panel1->size(), QSize(857, 434));
        QCOMPARE(w.Form3->size(), QSize(441, 146));
    }

    void largeScreenKeepsTheStoredLayout()
    {
        TForm1 form(QSize(1920, 1080));
        for (int c = 8; c <= 15; ++c)
            QVERIFY(form.xg->isColumnHidden(c));
        QCOMPARE(form.ComboBox[4]->currentText(), QStringLiteral("ENGLISH"));
    }

    void smallScreensGetTheSmallLayout_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("points");                    // round(8 x the font ratio)
        QTest::newRow("800x600") << QSize(800, 600) << 7;   // ratio 540 / 630
        QTest::newRow("1024x600") << QSize(1024, 600) << 9; // ratio 1013 / 930
    }
    void smallScreensGetTheSmallLayout()
    {
        QFETCH(QSize, screen);
        TForm1 form(screen);
        QCOMPARE(form.size(), QSize(800, 545));
        for (int c = 8; c <= 14; ++c)
            QVERIFY(!form.xg->isColumnHidden(c));
        QVERIFY(form.xg->isColumnHidden(15));
        QCOMPARE(form.xg->columnWidth(3), 69);
        QCOMPARE(form.ComboBox[4]->currentText(), QStringLiteral("CHINESE"));
        QCOMPARE(form.settings.Box(5), std::string("CHINESE"));

        // Every font, the window's own and each control's down to the edit
        // fields inside the combo boxes, is scaled once.
        QFETCH(int, points);
        QCOMPARE(form.font().pointSize(), points);
        for (QWidget *w : form.findChildren<QWidget *>())
            if (!w->isWindow())
                QVERIFY2(w->font().pointSize() == points,
                         qPrintable(QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" ") +
                                    QString::number(w->font().pointSize())));
        // An editor opened later takes the table's font.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.xg->setFocus();
        form.xg->setCurrentIndex(form.model->index(0, 1));
        QTest::keyClick(form.xg, Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget()->font().pointSize(), points);
    }

    void scaleRatios()
    {
        const ScaleRatios r = RatiosForScreen(800, 600);
        QCOMPARE(r.height, 540.0 / 630.0);
        QCOMPARE(r.width, 792.0 / 930.0);
        QCOMPARE(r.font, r.height);
        QCOMPARE(RoundHalfEven(2.5), 2);
        QCOMPARE(RoundHalfEven(3.5), 4);
        QVERIFY(IsSmallScreen(1024, 600));
        QVERIFY(!IsSmallScreen(801, 601));
    }

    void typedCharactersAreFilteredAndRaised()
    {
        TForm1 form(QSize(1920, 1080));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.table.Row(1) = {"1",     "146.00000", "",     "NONE", "NONE", "HIGH", "WIDE", "YES",
                             "25000", "NONE",      "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
        form.model->Refresh();
        form.xg->setFocus();
        form.xg->setCurrentIndex(form.model->index(0, 3));
        QTest::keyClicks(form.xg, QStringLiteral("a"));
        QVERIFY(!form.xg->findChild<QLineEdit *>());
        QTest::keyClicks(form.xg, QStringLiteral("n"));
        auto *editor = form.xg->findChild<QLineEdit *>();
        QVERIFY(editor);
        // Keys go where the focus is, as they do from a keyboard.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(",o -e1.i"));
        QCOMPARE(editor->text(), QStringLiteral("NOE1.I"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // The commit is queued; the hook then makes the malformed code regular.
        QTRY_COMPARE(form.table.Cell(1, 3), std::string("023I"));
    }

    // F11 starts a read; where the port cannot be opened, the error is all
    // that is left: no progress dialog stays up, and the window is idle.
    void f11StartsARead()
    {
        AppWindows windows(QSize(1920, 1080));
        TForm1 &form = *windows.Form1;
        form.AddDevicePath(QStringLiteral("/dev/tonvar-no-such-port"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const Qt::Key key : {Qt::Key_F11, Qt::Key_F12}) {
            failures.clear();
            form.xg->setFocus();
            QTest::keyClick(form.xg, key);
            QCOMPARE(failures, QStringList{QStringLiteral("Error opening serial port.")});
            QVERIFY(!form.session.progress.visible);
            QVERIFY(!windows.Form3->isVisible());
            QVERIFY(form.isEnabled());
            QVERIFY(form.rbtn->isEnabled() && form.wbtn->isEnabled());
        }
    }

    // At start no port is open: Port > Close Port has nothing to close.
    // Select All and Copy work in the panel's boxes, whose keys are
    // otherwise filtered.
    void aFreshWindowHasNoPortToCloseAndTheBoxesSelectAll()
    {
        TForm1 form(QSize(1920, 1080));
        auto *closePort = form.findChild<QAction *>(QStringLiteral("ClosePort"));
        QVERIFY(closePort);
        QVERIFY(!closePort->isEnabled());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLineEdit *tot = form.ComboBox[3]->lineEdit();
        tot->setFocus();
        tot->deselect();
        QTest::keySequence(tot, QKeySequence::SelectAll);
        QCOMPARE(tot->selectedText(), QStringLiteral("60"));
        QTest::keyClicks(tot, QStringLiteral("90"));
        QCOMPARE(form.settings.Box(4), std::string("90"));
    }

    void statusBarShowsThePortDateAndTime()
    {
        TForm1 form(QSize(1920, 1080));
        // A port named or picked is shown at once, not at the next tick of
        // the clock: the port itself, whatever its item shows.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString first = dir.filePath(QStringLiteral("port-a")), second = dir.filePath(QStringLiteral("port-b"));
        for (const QString &path : {first, second}) {
            QFile device(path);
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        form.AddDevicePath(first);
        form.AddDevicePath(second);
        QCOMPARE(form.StatusPanels[0]->text(), QStringLiteral("Present Com\uFF1A") + second);
        QVERIFY(!form.comcbb->isEditable());
        // After the machine's own ports, in the order named.
        QCOMPARE(form.comcbb->findData(first), form.comcbb->count() - 2);
        form.comcbb->setFocus();
        QTest::keyClick(form.comcbb, Qt::Key_Up);
        QCOMPARE(form.comcbb->currentText(), first);
        QCOMPARE(form.session.hub.portName, first.toStdString());
        QCOMPARE(form.StatusPanels[0]->text(), QStringLiteral("Present Com\uFF1A") + first);
        QVERIFY(form.StatusPanels[1]->text().startsWith(QStringLiteral("Date\uFF1A")));
        QVERIFY(form.StatusPanels[2]->text().startsWith(QStringLiteral("Time\uFF1A")));
        QCOMPARE(form.StatusPanels[0]->width(), 150);
        // The clock wakes once a second, just after the second turns, not
        // 50 times a second (a busy machine only makes it fewer).
        QVERIFY(form.Timer2.isActive());
        int wakes = 0;
        connect(&form.Timer2, &QTimer::timeout, [&wakes] { ++wakes; });
        QTest::qWait(1100);
        QVERIFY2(wakes <= 2, qPrintable(QString::number(wakes)));
        QVERIFY(form.Timer2.remainingTime() <= 1000 + 20);
    }

    void activationRestoresTheChannelNumbers()
    {
        TForm1 form(QSize(1920, 1080));
        form.table.SetCell(4, 0, "x");
        form.FormActivate();
        for (int ch = 1; ch <= 16; ++ch)
            QCOMPARE(form.table.Cell(ch, 0), std::to_string(ch));
    }

    void showCommandsOpenThePortOnce()
    {
        tonvar::test::Pty pty;
        AppWindows w(QSize(1920, 1080));
        w.Form1->AddDevicePath(QString::fromStdString(pty.SlavePath()));
        w.Form1->DTMF1Click();
        QVERIFY(w.Form1->Comm1.IsOpen());
        QVERIFY(!w.Form1->comcbb->isEnabled());
        QVERIFY(w.Form2->isVisible());
        w.Form1->N4Click(); // the port is open already
        QVERIFY(w.Form6->isVisible());
        QVERIFY(failures.isEmpty());

        AppWindows other(QSize(1920, 1080));
        other.Form1->AddDevicePath(QString::fromStdString(pty.SlavePath()));
        other.Form1->N2tone1Click(); // held by the first window set
        QCOMPARE(failures, QStringList{QStringLiteral("Error opening serial port.")});
        QVERIFY(!other.Form4->isVisible());
        QVERIFY(other.Form1->comcbb->isEnabled());
    }
};

QTEST_MAIN(Unit1Test)
#include "Unit1Test.moc"
