// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo on the table and the settings, without windows: each change
// made with the same plain functions the window calls, then recorded as the
// window records it.
#include "app/CsvImport.h"
#include "app/RowClipboard.h"
#include "app/TableRules.h"
#include "app/TableUndo.h"
#include "files/ChannelFile.h"
#include "text/Convert.h"

#include "Channels.h"

#include <gtest/gtest.h>

using namespace tonvar;
using app::CaptureState;
using app::TableState;
using memory::ChannelTable;

namespace {

struct History : ::testing::Test {
    ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    app::TableHistory history{table, settings};
    int restored = 0;

    void SetUp() override
    {
        table = test::NumberedTable();
        history.AcceptChannelNumbers();
        history.onRestored = [this] { ++restored; };
    }

    // A cell typed and committed, as the grid does it.
    void Type(int row, int column, const std::string &text)
    {
        table.SetCell(row, column, text);
        app::CompleteCellEdit(table, row, column);
        history.Record(QStringLiteral("Edit"));
    }

    TableState Now() const { return CaptureState(table, settings); }
};

std::string FileWith(int channelLines, const std::string &rx)
{
    // A channel file as another program might write it: the captions, more
    // channel lines than the radio has, then the nine settings.
    std::string text = "\"Ch No.\",RX\r\n";
    for (int ch = 1; ch <= channelLines; ++ch)
        text += std::to_string(ch) + "," + rx + ",,NONE,NONE\r\n";
    for (const char *box : {"NONE", "2", "5", "CLOSE", "CLOSE", "Monitor", "NONE", "CLOSE", "CLOSE"})
        text += std::string(box) + "\r\n";
    return text;
}

} // namespace

TEST_F(History, UndoAndRedoRestoreEveryStateThroughEditsPastesMovesALoadAndAnImport)
{
    std::vector<TableState> states{Now()};
    std::vector<QString> names;
    const auto step = [&](const QString &name, const auto &change) {
        try {
            change();
        } catch (const text::Failure &) {
            // a paste or a load stopped half-way is still one step
        }
        ASSERT_TRUE(history.Record(name)) << name.toStdString();
        states.push_back(Now());
        names.push_back(name);
    };

    step(QStringLiteral("edit"), [&] {
        table.SetCell(1, 1, "145.5");
        app::CompleteCellEdit(table, 1, 1); // and every cell the hook rewrote
    });
    step(QStringLiteral("box"), [&] { settings.Box(4) = "120"; });
    step(QStringLiteral("paste"),
         [&] { app::PasteCells(table, 3, 1, "146\t146.6\t67\t23N\tLOW\n147\t\tNONE\tNONE\tHIGH\tNARROW\n"); });
    step(QStringLiteral("half a paste"), [&] { app::PasteCells(table, 5, 1, "148\t1,5\t88.5\n149\n"); });
    step(QStringLiteral("move"), [&] { app::SwapChannels(table, 1, 4); });
    step(QStringLiteral("clear"), [&] { app::ClearChannel(table, 3); });
    step(QStringLiteral("load"), [&] { files::ApplyChannelFileText(FileWith(20, "430.1"), table, settings); });
    step(QStringLiteral("import"), [&] { app::ImportCsvText("Frequency,Tone,rToneFreq\n145.525,Tone,100\n", table); });
    step(QStringLiteral("short load"), [&] {
        std::string text = FileWith(16, "431");
        text.erase(text.size() - 7); // ends before its last setting, "CLOSE"
        files::ApplyChannelFileText(text, table, settings);
    });

    // What each change did really happened (so undoing it is a real change).
    EXPECT_EQ(states[3].rows[3][memory::kColEncodeTone], "023N");
    EXPECT_EQ(states[4].rows[5][memory::kColTxFreq], "1,5") << "the paste stopped at the text that is no number";
    EXPECT_EQ(states[4].rows[6], states[3].rows[6]) << "and went no further";
    EXPECT_EQ(states[7].rows.size(), 21u) << "the load made the table longer";
    EXPECT_EQ(states[8].rows[1][memory::kColEncodeTone], "100.0");
    EXPECT_EQ(states[9].rows.size(), 17u);

    for (std::size_t k = names.size(); k-- > 0;) {
        ASSERT_EQ(history.Stack().undoText(), names[k]);
        history.Undo();
        ASSERT_EQ(Now(), states[k]) << "after undoing " << names[k].toStdString();
    }
    EXPECT_FALSE(history.Stack().canUndo());
    for (std::size_t k = 0; k < names.size(); ++k) {
        ASSERT_EQ(history.Stack().redoText(), names[k]);
        history.Redo();
        ASSERT_EQ(Now(), states[k + 1]) << "after redoing " << names[k].toStdString();
    }
    EXPECT_EQ(restored, 2 * static_cast<int>(names.size()));

    // A change after an undo drops what could have been redone, and the next
    // step starts from the state the undo left.
    history.Undo();
    Type(2, 1, "440");
    EXPECT_FALSE(history.Stack().canRedo());
    history.Undo();
    EXPECT_EQ(Now(), states[names.size() - 1]);
}

TEST_F(History, ACommitThatChangesNothingIsNoStep)
{
    Type(1, 1, "145.5");
    ASSERT_EQ(history.Stack().count(), 1);
    Type(1, 1, "145.50000");
    Type(2, 5, "LOW"); // a row without a frequency stays empty
    EXPECT_EQ(history.Stack().count(), 1);
}

TEST_F(History, TypingIntoOneBoxIsOneStepAndABoxPutBackLeavesNone)
{
    Type(1, 1, "145.5");
    for (const char *typed : {"1", "12", "120"}) {
        settings.Box(4) = typed;
        history.Record(QStringLiteral("Change TOT"), 4);
    }
    EXPECT_EQ(history.Stack().count(), 2);
    settings.Box(6) = "Monitor";
    history.Record(QStringLiteral("Change PF1"), 6);
    settings.Box(6) = "NONE";
    history.Record(QStringLiteral("Change PF1"), 6);
    EXPECT_EQ(history.Stack().count(), 2) << "PF1 chosen and chosen back";
    history.Undo();
    EXPECT_EQ(settings.Box(4), "60");
    EXPECT_EQ(table.Cell(1, 1), "145.50000");
    history.Undo();
    EXPECT_EQ(table.Cell(1, 1), "");
}

TEST_F(History, ChannelNumbersWrittenByTheWindowAreNoStep)
{
    table.SetCell(4, 0, "x"); // as a loaded file may leave column 0
    history.Record(QStringLiteral("load"));
    table.SetCell(4, 0, "4");
    history.AcceptChannelNumbers();
    EXPECT_FALSE(history.Record(QStringLiteral("nothing")));
    Type(4, 1, "145");
    history.Undo();
    EXPECT_EQ(table.Cell(4, 0), "4");
    EXPECT_EQ(table.Cell(4, 1), "");
}

// A read is one step however it ended; one that succeeded leaves nothing to
// save (the table is what the radio holds), one that failed half-way leaves
// what it brought in to be saved.
TEST_F(History, AReadIsOneStepAndASuccessfulOneLeavesNothingToSave)
{
    struct Case {
        const char *name;
        bool changed, succeeded;
        int steps;
        bool saved;
    };
    const Case cases[] = {
        {"read", true, true, 1, true},
        {"failed half-way", true, false, 1, false},
        {"read what the table holds", false, true, 0, true},
        {"failed before any block", false, false, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        table = test::NumberedTable();
        history.Start();
        Type(2, memory::kColRxFreq, "145.5"); // a change not saved
        const TableState before = Now();
        if (c.changed)
            table.SetCell(5, memory::kColRxFreq, "146.00000");
        history.RecordRead(c.succeeded);
        EXPECT_EQ(history.Stack().count(), 1 + c.steps);
        EXPECT_EQ(history.Saved(), c.saved);
        if (c.steps == 1) {
            EXPECT_EQ(history.Stack().undoText(), QStringLiteral("Read from Radio"));
            history.Undo();
            EXPECT_TRUE(Now() == before);
            EXPECT_FALSE(history.Saved());
        }
    }
}

// What the window starts with is no step and nothing to save.
TEST_F(History, StartingLeavesNoStepAndNothingToSave)
{
    Type(2, memory::kColRxFreq, "145.5");
    table.SetCell(3, memory::kColRxFreq, "146.00000"); // set up, not typed
    history.Start();
    EXPECT_EQ(history.Stack().count(), 0);
    EXPECT_TRUE(history.Saved());
    EXPECT_FALSE(history.Record(QStringLiteral("Edit")));
}

// The Edit menu names the step an undo or a redo would take, an "&" in its
// name shown as itself rather than as a shortcut mark.
TEST_F(History, TheMenuNamesTheNextUndoAndRedo)
{
    EXPECT_EQ(history.UndoMenuText(), QStringLiteral("&Undo"));
    EXPECT_EQ(history.RedoMenuText(), QStringLiteral("&Redo"));
    table.SetCell(3, memory::kColRxFreq, "146.00000");
    history.Record(QStringLiteral("Open R&D.wh"));
    EXPECT_EQ(history.UndoMenuText(), QStringLiteral("&Undo Open R&&D.wh"));
    EXPECT_EQ(history.RedoMenuText(), QStringLiteral("&Redo"));
    history.Undo();
    EXPECT_EQ(history.UndoMenuText(), QStringLiteral("&Undo"));
    EXPECT_EQ(history.RedoMenuText(), QStringLiteral("&Redo Open R&&D.wh"));
}
