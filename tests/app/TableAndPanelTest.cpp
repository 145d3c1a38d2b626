// SPDX-License-Identifier: GPL-3.0-or-later
// The channel table's editors and the panel's rules, typed into the real
// window on the offscreen platform.
#include "app/ErrorHandler.h"
#include "app/Unit1.h"
#include "files/ChannelFile.h"

#include <QToolButton>
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

using namespace tonvar::app;

class TableAndPanelTest : public QObject {
    Q_OBJECT
private:
    QStringList failures;
    std::unique_ptr<TForm1> form;

    QWidget *Editor() const
    {
        for (QWidget *w : form->xg->viewport()->findChildren<QWidget *>())
            if (w->isVisible() && (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)))
                return qobject_cast<QComboBox *>(w->parentWidget()) ? w->parentWidget() : w;
        return nullptr;
    }
    void Select(int channel, int column)
    {
        form->xg->setFocus();
        form->xg->setCurrentIndex(form->model->index(channel - 1, column));
    }
    // Types into the selected cell (opening its editor) and presses Enter.
    void TypeIntoCell(int channel, int column, const QString &keys)
    {
        Select(channel, column);
        QTest::keyClicks(form->xg, keys.left(1));
        QWidget *editor = Editor();
        QVERIFY(editor);
        QWidget *target = editor->focusProxy() ? editor->focusProxy() : editor;
        if (keys.size() > 1)
            QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : target, keys.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!Editor());
    }

private Q_SLOTS:
    void init()
    {
        failures.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        form = std::make_unique<TForm1>(QSize(1920, 1080));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->FormActivate();
        new QAbstractItemModelTester(form->model, QAbstractItemModelTester::FailureReportingMode::QtTest, form.get());
    }
    // Text committed by an input method (or a dead key) into the focused control.
    static void Compose(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    void cleanup()
    {
        form.reset();
        ResetFailureSink();
    }

    void typingAFrequencyCreatesTheRow()
    {
        TypeIntoCell(1, 1, QStringLiteral("145.5"));
        const tonvar::memory::ChannelRow expected{"1",    "145.50000", "145.50000", "NONE", "NONE", "HIGH",
                                                  "WIDE", "YES",       "25000",     "NONE", "NONE", "NONE",
                                                  "NONE", "DTMF",      "1",         "NONE"};
        QCOMPARE(form->table.Row(1), expected);
        QCOMPARE(form->model->data(form->model->index(0, 2), Qt::DisplayRole).toString(), QStringLiteral("145.50000"));
        QVERIFY(failures.isEmpty());
    }

    void theFirstKeyReplacesTheCell()
    {
        form->table.Row(2) = {"2",     "440.00000", "440.00000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                              "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
        form->model->Refresh();
        TypeIntoCell(2, 1, QStringLiteral("2"));
        QCOMPARE(form->table.Cell(2, 1), std::string("2.00000"));
        QCOMPARE(form->table.Cell(2, 2), std::string("440.00000"));
        TypeIntoCell(2, 1, QStringLiteral("1e"));
        QCOMPARE(form->table.Cell(2, 1), std::string()); // "1E" holds a letter: the row is emptied
        QCOMPARE(form->table.Cell(2, 5), std::string());
    }

    void toneCellsNormaliseWhatIsTyped()
    {
        TypeIntoCell(1, 1, QStringLiteral("146"));
        TypeIntoCell(1, 3, QStringLiteral("23n"));
        QCOMPARE(form->table.Cell(1, 3), std::string("023N"));
        TypeIntoCell(1, 4, QStringLiteral("67.05"));
        QCOMPARE(form->table.Cell(1, 4), std::string("67.1"));
    }

    void typedTonesAreNeverCompleted_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("5") << 3 << QStringLiteral("5") << QStringLiteral("5.0");
        QTest::newRow("15") << 4 << QStringLiteral("15") << QStringLiteral("15.0");
        QTest::newRow("7i") << 3 << QStringLiteral("7i") << QStringLiteral("007I");
        QTest::newRow("2") << 4 << QStringLiteral("2") << QStringLiteral("2.0");
        QTest::newRow("7") << 3 << QStringLiteral("7") << QStringLiteral("7.0");
    }
    void typedTonesAreNeverCompleted()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TypeIntoCell(1, 1, QStringLiteral("146"));
        TypeIntoCell(1, column, typed);
        QCOMPARE(QString::fromStdString(form->table.Cell(1, column)), stored);
    }

    void inputMethodTextMeetsTheCharacterFilter()
    {
        Select(1, 1);
        QTest::keyClicks(form->xg, QStringLiteral("1"));
        auto *editor = qobject_cast<QLineEdit *>(Editor());
        QVERIFY(editor);
        Compose(QStringLiteral("\u00e9n4"));
        QCOMPARE(editor->text(), QStringLiteral("1N4"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!Editor());

        QComboBox *squelch = form->ComboBox[2];
        squelch->setFocus();
        Compose(QStringLiteral("0\u00e9\u00e0"));
        QCOMPARE(squelch->currentText(), QStringLiteral("0"));
        QComboBox *tot = form->ComboBox[3];
        tot->setFocus();
        tot->lineEdit()->selectAll();
        Compose(QStringLiteral("1\u00e92o"));
        QCOMPARE(tot->currentText(), QStringLiteral("12"));
    }

    void tabLeavesTheTableForThePanel()
    {
        TypeIntoCell(1, 1, QStringLiteral("146"));
        Select(1, 1);
        QTest::keyClick(form->xg, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->comcbb));
        QTest::keyClick(form->comcbb, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->ComboBox[3])); // "TOT"
        QTest::keyClick(form->ComboBox[3], Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->comcbb));
        QTest::keyClick(form->comcbb, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->xg));
        QTest::keyClick(form->xg, Qt::Key_Down);
        QCOMPARE(form->xg->currentIndex(), form->model->index(1, 1));
        // From an open editor too: the edit is committed on the way out.
        QTest::keyClicks(form->xg, QStringLiteral("1"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("47"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(form->table.Cell(2, 1), std::string("147.00000"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->comcbb));
    }

    void spaceStillPressesAFocusedButton()
    {
        QSignalSpy clicked(form->wbtn, &QPushButton::clicked);
        form->AddDevicePath(QStringLiteral("/dev/tonvar-no-such-port"));
        form->wbtn->setFocus();
        QTest::keyClick(form->wbtn, Qt::Key_Space);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(failures, QStringList{QStringLiteral("Error opening serial port.")});
        form->Button2Click();
    }

    void pickOnlyCellsChooseFromTheirList()
    {
        TypeIntoCell(1, 1, QStringLiteral("146"));
        Select(1, 5);
        QTest::keyClick(form->xg, Qt::Key_F2);
        auto *box = qobject_cast<QComboBox *>(Editor());
        QVERIFY(box);
        QVERIFY(!box->isEditable());
        QCOMPARE(box->currentText(), QStringLiteral("HIGH"));
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_COMPARE(form->table.Cell(1, 5), std::string("LOW"));
    }

    void aCommitWithoutFrequencyEmptiesTheRow()
    {
        Select(3, 5);
        QTest::keyClick(form->xg, Qt::Key_F2);
        QVERIFY(Editor());
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(!Editor());
        QCOMPARE(form->table.Cell(3, 5), std::string());
        QCOMPARE(form->table.Cell(3, 0), std::string("3"));
    }

    void emptiedBoxesGetTheirTextBack()
    {
        const std::pair<QComboBox *, QString> boxes[] = {{form->ComboBox[5], QStringLiteral("NONE")},
                                                         {form->ComboBox[4], QStringLiteral("ENGLISH")}};
        for (const auto &[box, restored] : boxes) {
            box->setFocus();
            QVERIFY(box->hasFocus());
            box->setEditText(QString());
            QTest::keyClick(box, Qt::Key_Tab);
            QCOMPARE(box->currentText(), restored);
        }
        QCOMPARE(form->settings.Box(6), std::string("NONE"));
        // The port selector is a list: it takes no typing and is never empty.
        QVERIFY(!form->comcbb->isEditable());
    }

    void listBoxesTakeNoTypingAndEnterMovesOn()
    {
        QComboBox *squelch = form->ComboBox[2];
        squelch->setFocus();
        QTest::keyClicks(squelch, QStringLiteral("9"));
        QCOMPARE(squelch->currentText(), QStringLiteral("0"));
        QTest::keyClick(squelch, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->ComboBox[8])); // "Save Power"

        form->ComboBox[4]->setFocus(); // "Voice "
        QTest::keyClick(form->ComboBox[4], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->SpeedButton1)); // Open, then Read
    }

    void theTimeOutBoxTakesDigits()
    {
        QComboBox *tot = form->ComboBox[3];
        tot->setFocus();
        tot->lineEdit()->selectAll();
        QTest::keyClicks(tot, QStringLiteral("9x0e"));
        QCOMPARE(tot->currentText(), QStringLiteral("90"));
        tot->lineEdit()->selectAll();
        QTest::keyClicks(tot, QStringLiteral("12")); // never completed to "120"
        QCOMPARE(tot->currentText(), QStringLiteral("12"));
        QTest::keyClick(tot, Qt::Key_Return);
        QCOMPARE(form->settings.Box(4), std::string("12"));
        tot->setFocus();
        tot->lineEdit()->selectAll();
        QTest::keyClicks(tot, QStringLiteral("90"));
        QTest::keyClick(tot, Qt::Key_Tab);
        QCOMPARE(tot->currentText(), QStringLiteral("90"));
        QCOMPARE(form->settings.Box(4), std::string("90"));
    }

    void aTextOutsideTheListSurvivesLeaving()
    {
        form->settings.Box(5) = "CHINESE";
        form->RefreshControls();
        form->ComboBox[4]->setFocus();
        QTest::keyClick(form->ComboBox[4], Qt::Key_Tab);
        QCOMPARE(form->ComboBox[4]->currentText(), QStringLiteral("CHINESE"));
    }

    void openAndSaveGoThroughTheFileCommands()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("radio.wh"));
        QString chosen = path;
        bool askedToSave = false;
        form->ChooseFile = [&](bool save) {
            askedToSave = save;
            return chosen;
        };
        TypeIntoCell(1, 1, QStringLiteral("145.5"));
        form->SpeedButton2Click();
        QVERIFY(askedToSave);
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        QVERIFY(bytes.str().find(
                    "\r\n1,145.50000,145.50000,NONE,NONE,HIGH,WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE\r\n") !=
                std::string::npos);

        form->table.Row(1) = tonvar::memory::ChannelRow{};
        form->settings.Box(3) = "7";
        form->SpeedButton1Click();
        QVERIFY(!askedToSave);
        QCOMPARE(form->table.Cell(1, 1), std::string("145.50000"));
        QCOMPARE(form->ComboBox[2]->currentText(), QStringLiteral("0"));
        QCOMPARE(form->model->data(form->model->index(1, 1), Qt::DisplayRole).toString(), QStringLiteral(" "));

        chosen.clear(); // cancelled: nothing happens
        form->N3Click();
        QVERIFY(failures.isEmpty());
        chosen = dir.filePath(QStringLiteral("none.wh"));
        form->N3Click();
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures[0].startsWith(QStringLiteral("Cannot open file \"")));
    }
};

QTEST_MAIN(TableAndPanelTest)
#include "TableAndPanelTest.moc"
