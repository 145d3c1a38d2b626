// SPDX-License-Identifier: GPL-3.0-or-later
// The signalling windows' controls, on the offscreen platform.
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include "Fakes.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLayout>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QtTest>

using namespace tonvar::signalling;

class WindowsTest : public QObject {
    Q_OBJECT
private:
    tonvar::test::FakePort port;
    tonvar::test::FakeTimer tim1;
    tonvar::memory::ChannelTable table;
    tonvar::memory::SettingsTexts settings = tonvar::memory::DefaultSettingsTexts();
    tonvar::link::PortHub hub{port, tim1};
    tonvar::protocol::MainSession main{hub, table, settings, {}};

    static QStringList Labels(QWidget *w)
    {
        QStringList out;
        for (QLabel *l : w->findChildren<QLabel *>())
            out << l->text();
        for (QCheckBox *c : w->findChildren<QCheckBox *>())
            out << c->text();
        return out;
    }

    // What a commit from a cell editor does.
    static void Commit(tonvar::grid::TextGrid *grid, int row, int column, const QString &text)
    {
        grid->model()->setData(grid->model()->index(row, column), text);
    }

    // Opens the editor of a cell with F2, as a user does.
    static QWidget *OpenEditor(tonvar::grid::TextGrid *grid, int row, int column)
    {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        return QApplication::focusWidget();
    }
    static void TestModels(QWidget *w)
    {
        for (auto *grid : w->findChildren<tonvar::grid::TextGrid *>())
            new QAbstractItemModelTester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, grid);
    }

private Q_SLOTS:
    void dtmfWindow()
    {
        TForm2 w(hub, {});
        QCOMPARE(w.windowTitle(), QStringLiteral("DTMF"));
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w.Tabs->tabText(0), QStringLiteral("DTMF Encode"));
        QCOMPARE(w.Tabs->tabText(1), QStringLiteral("DTMF Decode"));
        const QStringList labels = Labels(&w);
        for (const char *label : {"DTMF Spend [digit/s]", "First Digit Time [ms]", "First Digit Delay [ms]",
                                  "# and * Tone [ms]", "D Code Assignment", "DTMF Side Tone", "ID Code", "Group Code",
                                  "Auto Reset Timer [s]", "Call Alert", "Transpond", "Clear To Transpond"})
            QVERIFY2(labels.contains(QString::fromLatin1(label)), label);
        QCOMPARE(w.cb2->currentText(), QStringLiteral("0"));
        QCOMPARE(w.cb3->count(), 19);
        QCOMPARE(w.cb3->itemText(18), QStringLiteral("1000"));
        QCOMPARE(w.cb5->count(), 11);
        QCOMPARE(w.cb5->currentText(), QStringLiteral("D Code"));
        QCOMPARE(w.cb7->currentText(), QStringLiteral("10"));
        QVERIFY(w.CheckB1->isChecked());
        QVERIFY(!w.CheckB2->isChecked());
        QCOMPARE(w.Edit1->text(), QStringLiteral("12345678"));
        QCOMPARE(w.Edit1->maxLength(), 8);
        QVERIFY(!w.ProgressBar1->isVisible());
        QCOMPARE(w.xg2->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Autodial Memory"));
        QCOMPARE(w.xg2->Text(15, 0), QStringLiteral("16"));

        // Typed into the window, the texts reach the session.
        w.cb1->setEditText(QStringLiteral("15"));
        w.CheckB2->setChecked(true);
        QCOMPARE(w.logic.texts.speed, std::string("15"));
        QVERIFY(w.logic.texts.clearToTranspond);

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Tabs->setCurrentIndex(0);
        w.xg2->setFocus();
        w.xg2->setCurrentIndex(w.xg2->model()->index(2, 1));
        QTest::keyClick(w.xg2, Qt::Key_F2);
        auto *editor = w.xg2->findChild<QLineEdit *>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("12345678")); // an empty memory starts with the default
        QTest::keyClicks(editor, QStringLiteral("987654321"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w.logic.texts.autodial[2], std::string("98765432"));
        QCOMPARE(w.xg2->Text(2, 1), QStringLiteral("98765432"));
    }

    void theIdCodeShowsAllTheSessionHoldsButTypingStopsAtEight()
    {
        TForm2 w(hub, {});
        w.logic.texts.idCode = "1234567890";
        w.Refresh();
        QCOMPARE(w.Edit1->text(), QStringLiteral("1234567890"));
        w.Edit1->setFocus();
        w.Edit1->end(false);
        QTest::keyClicks(w.Edit1, QStringLiteral("5"));
        QCOMPARE(w.Edit1->text(), QStringLiteral("1234567890"));
        w.Edit1->selectAll();
        QTest::keyClicks(w.Edit1, QStringLiteral("987654321"));
        QCOMPARE(w.Edit1->text(), QStringLiteral("98765432"));
        QCOMPARE(w.logic.texts.idCode, std::string("98765432"));
    }

    void pickOnlyCellsShowTheirDefaultForATextNotInTheList()
    {
        TForm4 w(hub, {});
        TestModels(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // A read can bring texts the lists do not have: a prompt of 0, half a
        // tone pair.
        w.logic.texts.Decode(1, 1) = "B";
        w.logic.texts.Decode(1, 3) = "0";
        w.Refresh();
        QCOMPARE(w.xg2->Text(0, 3), QStringLiteral("0"));
        auto *box = qobject_cast<QComboBox *>(OpenEditor(w.xg2, 0, 3));
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("1"));
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_COMPARE(w.logic.texts.Decode(1, 3), std::string("1"));
        box = qobject_cast<QComboBox *>(OpenEditor(w.xg2, 0, 1));
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("AB"));
    }

    void anEditorOpenWhenTheWindowGoesAwayWritesNothing()
    {
        for (int n = 0; n < 4; ++n) {
            std::unique_ptr<SignallingWindow> w;
            tonvar::grid::TextGrid *grid = nullptr;
            switch (n) {
            case 0: {
                auto *f = new TForm2(hub, {});
                grid = f->xg2;
                w.reset(f);
                break;
            }
            case 1: {
                auto *f = new TForm4(hub, {});
                grid = f->xg1;
                w.reset(f);
                break;
            }
            case 2: {
                auto *f = new TForm5(hub, {});
                grid = f->xg2;
                w.reset(f);
                break;
            }
            default: {
                auto *f = new TForm6(hub, {});
                grid = f->xg1;
                w.reset(f);
                break;
            }
            }
            TestModels(w.get());
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QWidget *editor = OpenEditor(grid, 2, 1);
            QVERIFY(editor);
            QTest::keyClicks(editor, QStringLiteral("12"));
            w.reset(); // under AddressSanitizer, a write into the session would show here
        }
    }

    void fleetSyncWindow()
    {
        TForm6 w(hub, {});
        QCOMPARE(w.windowTitle(), QStringLiteral("FleetSync"));
        const QStringList labels = Labels(&w);
        for (const char *label : {"Fleet[Own]", "ID[Own]", "FleetSync Baud Rate[bps]",
                                  "Data TX Modulation Delay Time[ms]", "Message Mode Timer [s]", "PTT ID Side Tone"})
            QVERIFY2(labels.contains(QString::fromLatin1(label)), label);
        QVERIFY(!w.cb1->isEditable());
        QCOMPARE(w.cb1->currentText(), QStringLiteral("2400"));
        QCOMPARE(w.ed1->text(), QStringLiteral("100"));
        QCOMPARE(w.ed2->text(), QStringLiteral("1000"));
        QCOMPARE(w.ed3->text(), QStringLiteral("400"));
        QCOMPARE(w.ed4->text(), QStringLiteral("10"));
        QVERIFY(w.CheckBox1->isChecked());
        w.show();
        QVERIFY(w.ProgressBar1->isVisible());
        QCOMPARE(w.xg1->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("ID"));
        w.cb1->setCurrentIndex(0);
        QCOMPARE(w.logic.texts.baudRate, std::string("1200"));
        Commit(w.xg1, 4, 1, QStringLiteral("77"));
        QCOMPARE(w.logic.texts.fleet[4], std::string("77"));
    }

    void twoToneWindow()
    {
        TForm4 w(hub, {});
        QCOMPARE(w.windowTitle(), QStringLiteral("2TONE"));
        QCOMPARE(w.Tabs->currentIndex(), 1);
        QCOMPARE(w.Tabs->tabText(1), QStringLiteral("Decode"));
        QCOMPARE(w.xg2->model()->columnCount(), 13);
        QCOMPARE(w.xg2->model()->headerData(10, Qt::Horizontal).toString(), QStringLiteral("Decode4"));
        QVERIFY(!w.ed1->isEnabled());
        QCOMPARE(w.ed1->text(), QStringLiteral("1981"));
        QCOMPARE(w.ed5->text(), QStringLiteral("6000"));
        QCOMPARE(w.cb1->count(), 20);
        const QStringList labels = Labels(&w);
        for (const char *label : {"First Frequency Time(ms)", "Second Frequency Time(ms)",
                                  "Interval Between Two Frequency (ms)", "Atone(hz)", "Dtone(hz)", "Rest Time(ms)"})
            QVERIFY2(labels.contains(QString::fromLatin1(label)), label);

        // Choosing "DC" as Decode1 fills the row.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.xg2->setFocus();
        w.xg2->setCurrentIndex(w.xg2->model()->index(0, 1));
        QTest::keyClick(w.xg2, Qt::Key_F2);
        auto *box = w.xg2->findChild<QComboBox *>();
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("AB"));
        box->setCurrentIndex(box->findText(QStringLiteral("DC")));
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_COMPARE(w.logic.texts.Decode(1, 1), std::string("DC"));
        QCOMPARE(w.xg2->Text(0, 4), QStringLiteral("AB"));
        QCOMPARE(w.xg2->Text(0, 12), QStringLiteral("1"));
    }

    // Every window can be made small enough for a 1280 x 800 screen at
    // twice the scale (640 x 400, title bar aside): the form scrolls, and
    // Read, Write and Close stay in view.
    void everyWindowFitsASmallScreen()
    {
        TForm2 dtmf(hub, {});
        TForm4 twoTone(hub, {});
        TForm5 fiveTone(hub, {});
        TForm6 fleetSync(hub, {});
        for (SignallingWindow *w : std::initializer_list<SignallingWindow *>{&dtmf, &twoTone, &fiveTone, &fleetSync}) {
            const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
            QVERIFY2(least.width() <= 640 && least.height() <= 400 - 40,
                     qPrintable(w->windowTitle() + QStringLiteral(": %1 x %2").arg(least.width()).arg(least.height())));
            w->resize(640, 360);
            w->layout()->activate();
            QVERIFY(w->Button3->geometry().bottom() < w->height());
        }
    }

    void escapeClosesAWindowButNotFromAnOpenCellEditor()
    {
        TForm6 w(hub, {});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.xg1->setCurrentIndex(w.xg1->model()->index(0, 1));
        w.xg1->setFocus();
        QTest::keyClick(w.xg1, Qt::Key_F2);
        QVERIFY(QApplication::focusWidget() != w.xg1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QTest::keyClick(w.xg1, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    void fiveToneWindow()
    {
        TForm5 w(hub, {});
        QCOMPARE(w.windowTitle(), QStringLiteral("5TONE"));
        QCOMPARE(w.Tabs->currentIndex(), 0);
        QCOMPARE(w.Tabs->tabText(0), QStringLiteral("Standard"));
        QCOMPARE(w.Edit[0]->text(), QStringLiteral("1981.0"));
        QVERIFY(!w.Edit[0]->isEnabled());
        QCOMPARE(w.xg1->Text(3, 0), QStringLiteral("ZVEI1"));
        QCOMPARE(w.xg1->Text(3, 2), QStringLiteral("A"));
        QCOMPARE(w.xg2->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Use  Standard"));
        QCOMPARE(w.xg3->model()->columnCount(), 9);
        QCOMPARE(w.ed1->text(), QStringLiteral("6000"));
        w.CCIR->setEditText(QStringLiteral("EIA"));
        QCOMPARE(w.Edit[0]->text(), QStringLiteral("600.0"));
        QCOMPARE(w.Edit[14]->text(), QStringLiteral("459.0"));
        w.CCIR->setEditText(QStringLiteral("nothing"));
        QCOMPARE(w.Edit[0]->text(), QStringLiteral("600.0"));
        Commit(w.xg3, 6, 1, QStringLiteral("EEA"));
        QCOMPARE(w.xg3->Text(6, 3), QStringLiteral("CALL"));
        QCOMPARE(w.xg3->Text(6, 8), QStringLiteral("56789"));
        Commit(w.xg3, 8, 2, QStringLiteral("123"));
        QCOMPARE(w.xg3->Text(8, 2), QString());
    }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
