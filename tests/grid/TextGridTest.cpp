// SPDX-License-Identifier: GPL-3.0-or-later
// The grid control on the offscreen platform: what it tells the view, what
// its editors start with and keep, and where Tab takes the focus.
#include "grid/TextGrid.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <string>
#include <vector>

using namespace tonvar::grid;

namespace {

// Three columns: a fixed number, a text, a pick-only list, and a typed list.
struct Texts {
    std::vector<std::vector<std::string>> rows = std::vector<std::vector<std::string>>(4, std::vector<std::string>(4));
    std::vector<std::pair<int, int>> commits;

    TextSource Source()
    {
        TextSource s;
        s.rowCount = [this] { return static_cast<int>(rows.size()); };
        s.text = [this](int r, int c) { return c == 0 ? std::to_string(r + 1) : rows[std::size_t(r)][std::size_t(c)]; };
        s.setText = [this](int r, int c, const std::string &t) { rows[std::size_t(r)][std::size_t(c)] = t; };
        return s;
    }
};

std::vector<ColumnSpec> Columns()
{
    return {{QStringLiteral("NO."), Editor::Fixed, {}, {}},
            {QStringLiteral("Text"), Editor::Text, {}, QStringLiteral("12345")},
            {QStringLiteral("Prompt"),
             Editor::PickList,
             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
             QStringLiteral("1")},
            {QStringLiteral("Tone"),
             Editor::TypedList,
             {QStringLiteral("NONE"), QStringLiteral("503N"), QStringLiteral("151.4"), QStringLiteral("71.9")},
             QStringLiteral("NONE")}};
}

} // namespace

class TextGridTest : public QObject {
    Q_OBJECT
private:
    Texts texts;
    QWidget *window = nullptr;
    TextGrid *grid = nullptr;
    QLineEdit *after = nullptr;

    QWidget *OpenEditor(int row, int column)
    {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        return QApplication::focusWidget();
    }

private Q_SLOTS:
    void init()
    {
        texts = Texts{};
        window = new QWidget;
        auto *layout = new QVBoxLayout(window);
        grid = new TextGrid(Columns(), texts.Source(), window);
        grid->Model()->onCommit = [this](int r, int c) { texts.commits.emplace_back(r, c); };
        after = new QLineEdit(window);
        layout->addWidget(grid);
        layout->addWidget(after);
        new QAbstractItemModelTester(grid->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest, window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void refreshAnnouncesOnlyWhatChanged()
    {
        QSignalSpy changed(grid->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(grid->model(), &QAbstractItemModel::modelReset);
        grid->Model()->Refresh();
        QCOMPARE(changed.count(), 0);

        texts.rows[2][1] = "a";
        texts.rows[2][2] = "b";
        texts.rows[3][3] = "c";
        grid->Model()->Refresh();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed[0][0].toModelIndex(), grid->model()->index(2, 1));
        QCOMPARE(changed[0][1].toModelIndex(), grid->model()->index(2, 2));
        QCOMPARE(changed[1][0].toModelIndex(), grid->model()->index(3, 3));
        QCOMPARE(grid->Text(2, 2), QStringLiteral("b"));

        texts.rows.resize(6, std::vector<std::string>(4));
        grid->Model()->Refresh();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(grid->model()->rowCount(), 6);
        QCOMPARE(grid->Text(5, 0), QStringLiteral("6"));
    }

    void anOpenEditorKeepsWhatTheUserTypes()
    {
        auto *edit = qobject_cast<QLineEdit *>(OpenEditor(0, 1));
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("12345")); // an empty cell starts with the default
        QTest::keyClicks(edit, QStringLiteral("146.5"));
        // The program changes the texts while the user types, the cell's
        // own included: the editor is left alone.
        texts.rows[0][1] = "999";
        texts.rows[0][2] = "2";
        texts.rows[1][1] = "7";
        grid->Model()->Refresh();
        Q_EMIT grid->model()->dataChanged(grid->model()->index(0, 0), grid->model()->index(3, 3));
        QCOMPARE(edit->text(), QStringLiteral("146.5"));
        QTest::keyClicks(edit, QStringLiteral("2"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(texts.rows[0][1], std::string("146.52"));
        QCOMPARE(texts.commits, (std::vector<std::pair<int, int>>{{0, 1}}));
        QCOMPARE(grid->Text(0, 1), QStringLiteral("146.52"));
    }

    void typingOnACellStartsItsEditorWithThatCharacter()
    {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 1));
        texts.rows[1][1] = "145.00000";
        grid->Model()->Refresh();
        QTest::keyClicks(grid, QStringLiteral("7"));
        auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("7"));
        // The fixed column takes no editor.
        QTest::keyClick(edit, Qt::Key_Escape);
        QTRY_VERIFY(!grid->findChild<QLineEdit *>());
        grid->setCurrentIndex(grid->model()->index(1, 0));
        QTest::keyClicks(grid, QStringLiteral("7"));
        QVERIFY(!grid->findChild<QLineEdit *>());
    }

    void aPickOnlyEditorShowsTheDefaultForATextNotInItsList_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("shown");
        QTest::newRow("in the list") << QStringLiteral("3") << QStringLiteral("3");
        QTest::newRow("not in the list") << QStringLiteral("0") << QStringLiteral("1");
        QTest::newRow("empty") << QString() << QStringLiteral("1");
        QTest::newRow("case differs") << QStringLiteral("X") << QStringLiteral("1");
    }
    void aPickOnlyEditorShowsTheDefaultForATextNotInItsList()
    {
        QFETCH(QString, cell);
        QFETCH(QString, shown);
        texts.rows[2][2] = cell.toStdString();
        grid->Model()->Refresh();
        auto *box = qobject_cast<QComboBox *>(OpenEditor(2, 2));
        QVERIFY(box);
        QCOMPARE(box->currentText(), shown);
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_COMPARE(texts.rows[2][2], shown.toStdString()); // never an empty text
    }

    void aTypedListKeepsExactlyWhatWasTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("5, not 503N") << QStringLiteral("5");
        QTest::newRow("15, not 151.4") << QStringLiteral("15");
        QTest::newRow("7, not 71.9") << QStringLiteral("7");
        QTest::newRow("a whole entry") << QStringLiteral("503N");
    }
    void aTypedListKeepsExactlyWhatWasTyped()
    {
        QFETCH(QString, typed);
        OpenEditor(1, 3);
        auto *box = grid->findChild<QComboBox *>();
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("NONE"));
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QCOMPARE(box->currentText(), typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(box->count(), 4); // nothing typed joins the list
        QTRY_COMPARE(texts.rows[1][3], typed.toStdString());
    }

    void tabLeavesTheGridAndShiftTabComesBack()
    {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 1));
        QTest::keyClick(grid, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), after);
        QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), grid);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));
        QTest::keyClick(grid, Qt::Key_Right);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 2)); // the arrows still move between cells

        // From an open editor, Tab commits the edit and leaves as well.
        auto *edit = qobject_cast<QLineEdit *>(OpenEditor(0, 1));
        QVERIFY(edit);
        QTest::keyClicks(edit, QStringLiteral("8"));
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(texts.rows[0][1], std::string("8"));
        QCOMPARE(QApplication::focusWidget(), after);

        QTRY_VERIFY(!grid->findChild<QLineEdit *>());
        OpenEditor(0, 3);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(texts.rows[0][3], std::string("9"));
        QCOMPARE(QApplication::focusWidget(), after);
    }

    void aDetachedGridWritesNothing()
    {
        auto *edit = qobject_cast<QLineEdit *>(OpenEditor(0, 1));
        QVERIFY(edit);
        QTest::keyClicks(edit, QStringLiteral("5"));
        grid->Model()->Detach();
        texts.rows[0][1] = "kept";
        delete window; // the open editor goes with it
        window = nullptr;
        QCOMPARE(texts.rows[0][1], std::string("kept"));
        QVERIFY(texts.commits.empty());
    }
};

QTEST_MAIN(TextGridTest)
#include "TextGridTest.moc"
