// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppWindows.h"
#include "app/ErrorHandler.h"
#include "app/ScreenLayout.h"

#include "grid/TextGrid.h"
#include "memory/ChannelTexts.h"

#include "Pty.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
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
        QTest::addColumn<int>("points"); // round(8 x the font ratio)
        QTest::addColumn<int>("width");  // 800, or the panel's width where wider
        QTest::newRow("800x600") << QSize(800, 600) << 7 << 800;   // ratio 540 / 630
        QTest::newRow("1024x600") << QSize(1024, 600) << 9 << 933; // ratio 1013 / 930: 857 x 1.089
    }
    void smallScreensGetTheSmallLayout()
    {
        QFETCH(QSize, screen);
        QFETCH(int, width);
        TForm1 form(screen);
        // No wider than the screen the test runs on (offscreen: 800 x 600)
        // less the window's borders.
        const int room = QGuiApplication::primaryScreen()->availableSize().width() - 8;
        QCOMPARE(form.size(), QSize(std::min(width, room), 545));
        QVERIFY(form.Panel1->width() <= width);
        for (int c = 8; c <= 14; ++c)
            QVERIFY(!form.xg->isColumnHidden(c));
        QVERIFY(form.xg->isColumnHidden(15));
        if (screen.width() == 800)
            QCOMPARE(form.xg->columnWidth(3), 69);
        // Every caption is whole in the header, in the scaled font.
        const QFontMetrics metrics = form.xg->horizontalHeader()->fontMetrics();
        for (int c = 0; c < 15; ++c) {
            const QString caption = form.model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            QVERIFY2(form.xg->columnWidth(c) > metrics.horizontalAdvance(caption), qPrintable(caption));
        }
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
        QCOMPARE(form.StatusPanels[0]->toolTip(), QStringLiteral("Present Com\uFF1A") + second);
        QVERIFY(form.StatusPanels[0]->text().endsWith(QStringLiteral("b")));
        QVERIFY(!form.comcbb->isEditable());
        // After the machine's own ports, in the order named.
        QCOMPARE(form.comcbb->findData(first), form.comcbb->count() - 2);
        form.comcbb->setFocus();
        QTest::keyClick(form.comcbb, Qt::Key_Up);
        QCOMPARE(form.comcbb->currentText(), first);
        QCOMPARE(form.session.hub.portName, first.toStdString());
        QCOMPARE(form.StatusPanels[0]->toolTip(), QStringLiteral("Present Com\uFF1A") + first);
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

    // View > All Columns shows the eight columns the stored layout hides,
    // each wide enough for its caption; the table scrolls sideways to them,
    // their cells are edited with their own lists, and the choice is
    // remembered for the next window.
    void allColumnsShowsEveryColumnAndIsRemembered()
    {
        QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar")).remove(QStringLiteral("view/allColumns"));
        {
            TForm1 form(QSize(1920, 1080));
            auto *all = form.findChild<QAction *>(QStringLiteral("AllColumns"));
            QVERIFY(all && all->isCheckable() && all->isEnabled() && !all->isChecked());
            for (int c = 8; c <= 15; ++c)
                QVERIFY(form.xg->isColumnHidden(c));
            all->trigger();
            QVERIFY(all->isChecked());
            const QFontMetrics metrics = form.xg->horizontalHeader()->fontMetrics();
            for (int c = 0; c < 16; ++c) {
                QVERIFY(!form.xg->isColumnHidden(c));
                const QString caption = form.model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
                QVERIFY2(form.xg->columnWidth(c) > metrics.horizontalAdvance(caption), qPrintable(caption));
            }
            QCOMPARE(form.xg->columnWidth(0), 50); // the stored columns keep their widths
            QCOMPARE(form.xg->columnWidth(7), 80);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QVERIFY(form.xg->horizontalScrollBar()->maximum() > 0);

            // Scrambler (column 12): a pick list of its own values.
            form.table.Row(1) = {"1",     "146.00000", "146.00000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                                 "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
            form.model->Refresh();
            const QModelIndex cell = form.model->index(0, tonvar::memory::kColScrambler);
            form.xg->setFocus();
            form.xg->setCurrentIndex(cell);
            form.xg->scrollTo(cell);
            QTest::keyClick(form.xg, Qt::Key_F2);
            auto *box = qobject_cast<QComboBox *>(QApplication::focusWidget());
            QVERIFY(box);
            QVERIFY(!box->isEditable());
            QStringList expected;
            for (const std::string &item : tonvar::memory::PickList(tonvar::memory::kColScrambler))
                expected << QString::fromStdString(item);
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, expected);
            QCOMPARE(box->currentText(), QStringLiteral("NONE"));
            box->setCurrentIndex(box->findText(QStringLiteral("7")));
            QTest::keyClick(box, Qt::Key_Return);
            QTRY_COMPARE(form.table.Cell(1, tonvar::memory::kColScrambler), std::string("7"));
        }
        {
            TForm1 second(QSize(1920, 1080));
            auto *all = second.findChild<QAction *>(QStringLiteral("AllColumns"));
            QVERIFY(all->isChecked());
            for (int c = 8; c <= 15; ++c)
                QVERIFY(!second.xg->isColumnHidden(c));
            all->trigger(); // off: the stored layout again
            QVERIFY(!all->isChecked());
            for (int c = 8; c <= 15; ++c)
                QVERIFY(second.xg->isColumnHidden(c));
            QCOMPARE(second.xg->columnWidth(1), 80);
        }
        {
            TForm1 third(QSize(1920, 1080));
            QVERIFY(!third.findChild<QAction *>(QStringLiteral("AllColumns"))->isChecked());
            QVERIFY(third.xg->isColumnHidden(12));
        }
        // The small layout shows the columns it has room for, whatever was
        // chosen; the item cannot be changed there and the choice stays.
        QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar")).setValue(QStringLiteral("view/allColumns"), false);
        TForm1 small(QSize(800, 600));
        auto *all = small.findChild<QAction *>(QStringLiteral("AllColumns"));
        QVERIFY(all->isChecked() && !all->isEnabled());
        small.AllColumnsClick(false);
        QVERIFY(!small.xg->isColumnHidden(12));
        QVERIFY(small.xg->isColumnHidden(15));
        QCOMPARE(QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar")).value(QStringLiteral("view/allColumns")),
                 QVariant(false));
    }

    // The stored layout is the smallest the window gets; a larger window
    // gives its room to the table, and the panel stays whole at the top
    // right.
    void theTableTakesTheRoomOfALargerWindow()
    {
        TForm1 form(QSize(1920, 1080));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QSize stored = form.size();
        QCOMPARE(form.minimumSize(), stored);
        QCOMPARE(form.Panel1->size(), QSize(857, 434));
        QCOMPARE(form.xg->geometry(), QRect(2, 3, 623, 428));
        form.resize(stored + QSize(200, 150));
        QTRY_COMPARE(form.Panel1->size(), QSize(1057, 584));
        QCOMPARE(form.xg->geometry(), QRect(2, 3, 823, 578));
        QCOMPARE(form.GroupBox1->geometry(), QRect(830, 0, 220, 305));
        QCOMPARE(form.GroupBox3->geometry(), QRect(830, 307, 220, 126));
        form.resize(stored);
        QTRY_COMPARE(form.xg->geometry(), QRect(2, 3, 623, 428));
        QCOMPARE(form.GroupBox1->geometry(), QRect(630, 0, 220, 305));
    }

    // On a screen with less room than the stored layout, the window fits
    // the screen: the table narrows, the panel stays whole and the rest
    // scrolls.
    void aWindowLargerThanTheScreenFitsIt()
    {
        TForm1 form(QSize(820, 620)); // not small, but narrower and lower than the stored window
        QVERIFY(form.minimumWidth() <= 820 && form.minimumHeight() <= 620);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.width() <= 820 - 8 && form.height() <= 620 - 32);
        QTRY_VERIFY(form.Panel1->width() < 857);
        QCOMPARE(form.GroupBox1->geometry().right(), form.Panel1->width() - 1 - (857 - 850));
        QCOMPARE(form.GroupBox3->size(), QSize(220, 126));
        QCOMPARE(form.xg->width(), form.Panel1->width() - (857 - 623));
    }

    // A long device path gives way in its middle in the status bar; the
    // whole of it is the tool tip. A short one is shown as it is.
    void aLongPortNameIsElidedInTheMiddle()
    {
        TForm1 form(QSize(1920, 1080));
        const QString present = QStringLiteral("Present Com\uFF1A");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0"));
        QFile device(path);
        QVERIFY(device.open(QIODevice::WriteOnly));
        form.AddDevicePath(path);
        QLabel *panel = form.StatusPanels[0];
        QCOMPARE(panel->toolTip(), present + path);
        QVERIFY(panel->text() != present + path);
        QVERIFY(panel->text().contains(QChar(0x2026)));
        // The path's start, an ellipsis and its end, after the whole caption.
        QVERIFY(panel->text().startsWith(present + QStringLiteral("/")));
        const QStringList parts = panel->text().mid(present.size()).split(QChar(0x2026));
        QCOMPARE(parts.size(), 2);
        QVERIFY(path.startsWith(parts[0]) && path.endsWith(parts[1]) && !parts[1].isEmpty());
        QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width());
        form.session.hub.portName = "ttyUSB0"; // as the port list names /dev/ttyUSB0
        form.Timer2Timer();
        QCOMPARE(panel->text(), present + QStringLiteral("ttyUSB0"));
        QCOMPARE(panel->toolTip(), present + QStringLiteral("ttyUSB0"));
        // In a wide window the panel takes the room the path needs.
        form.session.hub.portName = path.toStdString();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(1500, form.height());
        QTRY_VERIFY(form.statusBar()->width() >= 1400);
        form.Timer2Timer();
        QTRY_COMPARE(panel->text(), present + path);
        QVERIFY(panel->width() > 150);
        QCOMPARE(form.StatusPanels[1]->width(), 150);
    }

    // Under a dark palette the header, the channel numbers and the marks of
    // a compare are drawn in the palette's dark colours with text that
    // reads on them; nothing sets colours of its own on the table.
    void theTableFollowsADarkPalette()
    {
        const QPalette before = QApplication::palette();
        QPalette dark;
        const std::pair<QPalette::ColorRole, QColor> roles[] = {
            {QPalette::Window, QColor(42, 46, 50)},         {QPalette::WindowText, QColor(239, 240, 241)},
            {QPalette::Base, QColor(27, 30, 32)},           {QPalette::AlternateBase, QColor(35, 38, 41)},
            {QPalette::Text, QColor(239, 240, 241)},        {QPalette::Button, QColor(49, 54, 59)},
            {QPalette::ButtonText, QColor(239, 240, 241)},  {QPalette::Highlight, QColor(61, 174, 233)},
            {QPalette::HighlightedText, QColor(252, 252, 252)}, {QPalette::Mid, QColor(35, 38, 42)},
        };
        for (const auto &[role, colour] : roles)
            dark.setColor(role, colour);
        QApplication::setPalette(dark);
        {
            TForm1 form(QSize(1920, 1080));
            QVERIFY(form.xg->styleSheet().isEmpty());
            QVERIFY(form.styleSheet().isEmpty());
            const auto colour = [&](const QVariant &v) { return v.value<QColor>(); };
            const QColor header = colour(form.model->headerData(1, Qt::Horizontal, Qt::BackgroundRole));
            const QColor headerText = colour(form.model->headerData(1, Qt::Horizontal, Qt::ForegroundRole));
            QCOMPARE(header, QColor(49, 54, 59));
            QVERIFY(tonvar::grid::ContrastRatio(headerText, header) >= 4.5);
            const QColor number = colour(form.model->data(form.model->index(0, 0), Qt::BackgroundRole));
            const QColor numberText = colour(form.model->data(form.model->index(0, 0), Qt::ForegroundRole));
            QVERIFY(number.lightnessF() < 0.3);
            QVERIFY(tonvar::grid::ContrastRatio(numberText, number) >= 4.5);
            // An ordinary cell has no colour of its own: the palette's base.
            QVERIFY(!form.model->data(form.model->index(0, 1), Qt::BackgroundRole).isValid());
            form.model->SetMarks({{{0, 1}, QStringLiteral("Radio: 145.50000")}});
            const QColor mark = colour(form.model->data(form.model->index(0, 1), Qt::BackgroundRole));
            const QColor markText = colour(form.model->data(form.model->index(0, 1), Qt::ForegroundRole));
            QVERIFY(mark.lightnessF() < 0.5);
            QVERIFY(mark != dark.color(QPalette::Base));
            QVERIFY(tonvar::grid::ContrastRatio(markText, mark) >= 4.5);
        }
        QApplication::setPalette(before);
        // The light palette keeps its light header with dark text.
        TForm1 light(QSize(1920, 1080));
        const QColor header = light.model->headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QColor>();
        QVERIFY(header.lightnessF() > 0.8);
        QVERIFY(tonvar::grid::ContrastRatio(
                    light.model->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), header) >= 4.5);
    }

    void activationRestoresTheChannelNumbers()
    {
        TForm1 form(QSize(1920, 1080));
        form.table.SetCell(4, 0, "x");
        form.FormActivate();
        for (int ch = 1; ch <= 16; ++ch)
            QCOMPARE(form.table.Cell(ch, 0), std::to_string(ch));
    }

    // Showing a signalling window needs no radio; its Read opens the port
    // and says there when it cannot.
    void showCommandsNeedNoPortAndReadOpensIt()
    {
        tonvar::test::Pty pty;
        AppWindows w(QSize(1920, 1080));
        w.Form1->AddDevicePath(QStringLiteral("/dev/no-such-cable"));
        for (const auto &show : {&TForm1::DTMF1Click, &TForm1::N2tone1Click, &TForm1::N5TONE1Click, &TForm1::N4Click})
            (w.Form1.get()->*show)();
        QVERIFY(w.Form2->isVisible() && w.Form4->isVisible() && w.Form5->isVisible() && w.Form6->isVisible());
        QVERIFY(!w.Form1->Comm1.IsOpen());
        QVERIFY(w.Form1->comcbb->isEnabled());
        QVERIFY(failures.isEmpty());

        w.Form1->AddDevicePath(QString::fromStdString(pty.SlavePath()));
        w.Form2->rbtn->click();
        QVERIFY(failures.isEmpty());
        QVERIFY(w.Form1->Comm1.IsOpen());
        QVERIFY(!w.Form1->comcbb->isEnabled());
        w.Form2->Button3->click(); // the read ends; the port stays held
        QVERIFY(w.Form1->Comm1.IsOpen());

        AppWindows other(QSize(1920, 1080));
        other.Form1->AddDevicePath(QString::fromStdString(pty.SlavePath()));
        other.Form1->N2tone1Click(); // shown though the first window set holds the port
        QVERIFY(other.Form4->isVisible());
        QVERIFY(failures.isEmpty());
        other.Form4->rbtn->click();
        QCOMPARE(failures, QStringList{QStringLiteral("Error opening serial port.")});
        QVERIFY(!other.Form1->Comm1.IsOpen());
        QVERIFY(other.Form1->comcbb->isEnabled());
        QVERIFY(other.Form4->rbtn->isEnabled());
    }
};

QTEST_MAIN(Unit1Test)
#include "Unit1Test.moc"
