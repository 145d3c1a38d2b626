// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Recent in the main window: files saved in one window opened
// again from the menu of the next, each as its kind opens; a file gone or
// one that fails to open; Clear Menu.
#include "app/ErrorHandler.h"
#include "app/Unit1.h"

#include "Channels.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace tonvar;
using namespace tonvar::app;

class RecentMenuTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir folder;
    QStringList failures, messages;

    QString Path(const QString &name) const { return folder.filePath(name); }

    static QMenu *Recent(TForm1 &form)
    {
        auto *menu = form.menuBar()->findChild<QMenu *>(QStringLiteral("OpenRecent"));
        if (menu)
            Q_EMIT menu->aboutToShow(); // filled as it opens
        return menu;
    }
    // The menu's entries: their texts, or their actions.
    static QStringList Texts(QMenu *menu)
    {
        QStringList out;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                out << a->text();
        return out;
    }
    static QAction *Entry(QMenu *menu, int n)
    {
        for (QAction *a : menu->actions())
            if (a->objectName() == QStringLiteral("Recent%1").arg(n))
                return a;
        return nullptr;
    }
    // Channel 1 of a window whose table holds `rx` there, saved by each of
    // the File menu's saves with the dialogs answered.
    static void Fill(TForm1 &form, const char *rx)
    {
        const memory::ChannelRow row = test::TypedChannel(1, rx, rx);
        for (int c = 0; c < memory::kColumnCount; ++c)
            form.table.SetCell(1, c, row[static_cast<std::size_t>(c)]);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(folder.isValid());
        failures.clear();
        messages.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        SetMessageSink([this](const QString &text) { messages << text; });
    }
    void cleanup()
    {
        ResetFailureSink();
        ResetMessageSink();
    }

    void filesSavedAreOpenedAgainEachAsItsKind()
    {
        {
            TForm1 first(QSize(1920, 1080));
            QMenu *menu = Recent(first);
            QVERIFY(menu);
            QCOMPARE(Texts(menu), (QStringList{QStringLiteral("No Recent Files"), QStringLiteral("&Clear Menu")}));
            first.ChooseFile = [this](bool) { return Path(QStringLiteral("a.wh")); };
            first.ChooseImageFile = [this](bool) { return Path(QStringLiteral("b.radio")); };
            first.ChooseCsvFile = [this](bool) { return Path(QStringLiteral("c.csv")); };
            Fill(first, "145.50000");
            first.N5Click();
            Fill(first, "146.50000");
            first.SaveRadioImageClick();
            Fill(first, "147.50000");
            first.ExportCsvClick();
            QCOMPARE(failures, QStringList());
            // A file that cannot be opened is not listed.
            QFile bad(Path(QStringLiteral("bad.wh")));
            QVERIFY(bad.open(QIODevice::WriteOnly));
            bad.write("not a channel file\n");
            bad.close();
            first.OpenFile(bad.fileName());
            QCOMPARE(failures.size(), 1);
            failures.clear();
        }
        TForm1 next(QSize(1920, 1080));
        QMenu *menu = Recent(next);
        QCOMPARE(Texts(menu), (QStringList{QStringLiteral("&1 c.csv"), QStringLiteral("&2 b.radio"),
                                           QStringLiteral("&3 a.wh"), QStringLiteral("&Clear Menu")}));
        QCOMPARE(Entry(menu, 2)->toolTip(), Path(QStringLiteral("b.radio")));
        QCOMPARE(Entry(menu, 2)->statusTip(), Path(QStringLiteral("b.radio")));

        struct Case {
            QString name;
            const char *rx;
            int messages; // an import reports what it took
        };
        const Case cases[] = {{QStringLiteral("a.wh"), "145.50000", 0},
                              {QStringLiteral("b.radio"), "146.50000", 0},
                              {QStringLiteral("c.csv"), "147.50000", 1}};
        for (const Case &c : cases) {
            menu = Recent(next);
            QAction *entry = nullptr;
            for (int n = 1; n <= 3; ++n)
                if (Entry(menu, n)->toolTip() == Path(c.name))
                    entry = Entry(menu, n);
            QVERIFY2(entry, qPrintable(c.name));
            messages.clear();
            entry->trigger();
            QCOMPARE(failures, QStringList());
            QVERIFY2(next.table.Cell(1, memory::kColRxFreq) == c.rx,
                     qPrintable(c.name + QStringLiteral(": ") + QString::fromStdString(next.table.Cell(1, memory::kColRxFreq))));
            QCOMPARE(messages.size(), c.messages);
            // Opened, it goes on top.
            QCOMPARE(Entry(Recent(next), 1)->toolTip(), Path(c.name));
        }

        // A file gone: said so, and taken off the list.
        QVERIFY(QFile::remove(Path(QStringLiteral("b.radio"))));
        menu = Recent(next);
        QCOMPARE(Texts(menu), (QStringList{QStringLiteral("&1 c.csv"), QStringLiteral("&2 b.radio"),
                                           QStringLiteral("&3 a.wh"), QStringLiteral("&Clear Menu")}));
        QAction *gone = Entry(menu, 2);
        QCOMPARE(gone->toolTip(), Path(QStringLiteral("b.radio")));
        gone->trigger();
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.front().contains(QStringLiteral("no longer there")), qPrintable(failures.front()));
        QCOMPARE(next.table.Cell(1, memory::kColRxFreq), std::string("147.50000"));
        QCOMPARE(Texts(Recent(next)), (QStringList{QStringLiteral("&1 c.csv"), QStringLiteral("&2 a.wh"),
                                                   QStringLiteral("&Clear Menu")}));

        // Clear Menu empties it, also for the next start.
        menu = Recent(next);
        const QList<QAction *> actions = menu->actions();
        const auto clear = std::find_if(actions.begin(), actions.end(), [](const QAction *a) {
            return a->objectName() == QStringLiteral("ClearRecent");
        });
        QVERIFY(clear != actions.end());
        (*clear)->trigger();
        QCOMPARE(Texts(Recent(next)), (QStringList{QStringLiteral("No Recent Files"), QStringLiteral("&Clear Menu")}));
        TForm1 third(QSize(1920, 1080));
        QCOMPARE(Texts(Recent(third)), (QStringList{QStringLiteral("No Recent Files"), QStringLiteral("&Clear Menu")}));
    }
};

int main(int argc, char **argv)
{
    // Settings of this process's own: the list is judged whole.
    const QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    QApplication application(argc, argv);
    RecentMenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecentMenuTest.moc"
