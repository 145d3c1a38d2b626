// SPDX-License-Identifier: GPL-3.0-or-later
// The Edit menu and the CSV commands in the real window on the offscreen
// platform: keys as the user presses them, results judged on the table.
#include "BlockFrames.h"
#include "app/ErrorHandler.h"
#include "app/Unit1.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "memory/ChannelBlock.h"
#include "protocol/Frames.h"

#include "Channels.h"
#include "Pty.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

using namespace tonvar;
using namespace tonvar::app;
using memory::ChannelRow;

namespace {

ChannelRow NewRow(int ch, const std::string &rx)
{
    return test::TypedChannel(ch, rx, rx);
}

} // namespace

class EditMenuTest : public QObject {
    Q_OBJECT
private:
    QStringList failures, messages;
    std::unique_ptr<TForm1> form;
    QTemporaryDir folder;

    QWidget *Editor() const
    {
        for (QWidget *w : form->xg->viewport()->findChildren<QWidget *>())
            if (w->isVisible() && (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)))
                return w;
        return nullptr;
    }
    void Select(int channel, int column)
    {
        form->xg->setFocus();
        form->xg->selectionModel()->setCurrentIndex(form->model->index(channel - 1, column),
                                                    QItemSelectionModel::ClearAndSelect);
    }
    void TypeIntoCell(int channel, int column, const QString &keys)
    {
        Select(channel, column);
        QTest::keyClicks(form->xg, keys.left(1));
        QVERIFY(Editor());
        QTest::keyClicks(QApplication::focusWidget(), keys.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!Editor());
    }
    // A click on the channel number, as the user selects a whole row.
    void ClickChannelNumber(int channel, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect cell = form->xg->visualRect(form->model->index(channel - 1, 0));
        QTest::mouseClick(form->xg->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    QString UndoText() const { return form->findChild<QAction *>(QStringLiteral("Undo"))->text(); }
    // A file of the test's folder holding `bytes`; its path.
    QString WriteFile(const QString &name, const std::string &bytes) const
    {
        const QString path = folder.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    static std::string ReadFile(const QString &path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Every file dialog of the window answers `path`.
    void ChooseEverywhere(const QString &path)
    {
        form->ChooseFile = [path](bool) { return path; };
        form->ChooseCsvFile = [path](bool) { return path; };
        form->ChooseImageFile = [path](bool) { return path; };
    }

private Q_SLOTS:
    void init()
    {
        failures.clear();
        messages.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        SetMessageSink([this](const QString &text) { messages << text; });
        form = std::make_unique<TForm1>(QSize(1920, 1080));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        form->FormActivate();
    }
    void cleanup()
    {
        form.reset();
        ResetFailureSink();
        ResetMessageSink();
    }

    void ctrlZUndoesATypedCellAndCtrlYRedoesIt()
    {
        QCOMPARE(UndoText(), QStringLiteral("&Undo"));
        TypeIntoCell(3, 1, QStringLiteral("145.5"));
        TypeIntoCell(3, 1, QStringLiteral("146"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Edit RX Freq of channel 3"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table.Row(3), NewRow(3, "145.50000"));
        QCOMPARE(form->model->Text(2, 1), QStringLiteral("145.50000"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table.Row(3), (ChannelRow{"3"}));
        Key(Qt::Key_Y, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form->table.Cell(3, 1), std::string("146.00000"));
        QCOMPARE(form->table.Cell(3, 2), std::string("145.50000"));
        QVERIFY(failures.isEmpty());
    }

    void aPanelBoxChangeIsAStepUndoneFromTheBoxItself()
    {
        QComboBox *pf1 = form->ComboBox[5];
        pf1->setFocus();
        Key(Qt::Key_Down); // "Monitor"
        QCOMPARE(form->settings.Box(6), std::string("Monitor"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Change PF1"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->settings.Box(6), std::string("NONE"));
        QCOMPARE(pf1->currentText(), QStringLiteral("NONE"));
    }

    void rowsCopiedWithCtrlCArePastedWithCtrlVAsOneStep()
    {
        TypeIntoCell(1, 1, QStringLiteral("145.5"));
        TypeIntoCell(1, 3, QStringLiteral("67"));
        TypeIntoCell(2, 1, QStringLiteral("446.00625"));
        TypeIntoCell(2, 4, QStringLiteral("754i"));
        TypeIntoCell(6, 1, QStringLiteral("430"));
        ClickChannelNumber(1);
        ClickChannelNumber(2, Qt::ShiftModifier);
        Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(
            QGuiApplication::clipboard()->text(),
            QStringLiteral(
                "145.50000\t145.50000\t67.0\tNONE\tHIGH\tWIDE\tYES\t25000\tNONE\tNONE\tNONE\tNONE\tDTMF\t1\tNONE\n"
                "446.00625\t446.00625\tNONE\t754I\tHIGH\tWIDE\tYES\t25000\tNONE\tNONE\tNONE\tNONE\tDTMF\t1\tNONE\n"));
        ClickChannelNumber(5);
        Key(Qt::Key_V, Qt::ControlModifier);
        for (int k = 0; k < 2; ++k)
            for (int c = 1; c <= 15; ++c)
                QCOMPARE(form->table.Cell(5 + k, c), form->table.Cell(1 + k, c));
        QCOMPARE(form->table.Cell(5, 0), std::string("5"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Paste into channels 5 to 6"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table.Row(5), (ChannelRow{"5"}));
        QCOMPARE(form->table.Row(6), NewRow(6, "430.00000"));

        // Into a single cell: the fields go to the right of it.
        QGuiApplication::clipboard()->setText(QStringLiteral("88.5\t100\n"));
        Select(1, 3);
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form->table.Cell(1, 3), std::string("88.5"));
        QCOMPARE(form->table.Cell(1, 4), std::string("100.0"));
        QVERIFY(failures.isEmpty());
    }

    void aPasteThatDoesNotConvertShowsTheMessageAndIsStillOneStep()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("145\t\tabc\t67\n146\n"));
        Select(1, 1);
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(failures, QStringList{QStringLiteral("'abc' is not a valid floating point value.")});
        QCOMPARE(form->table.Cell(1, 1), std::string("145.00000"));
        QCOMPARE(form->table.Cell(2, 1), std::string());
        form->UndoClick();
        QCOMPARE(form->table.Row(1), (ChannelRow{"1"}));
        QVERIFY(!form->History().Stack().canUndo());
    }

    void deleteClearsAChannelAndCtrlDownMovesOne()
    {
        TypeIntoCell(1, 1, QStringLiteral("145"));
        TypeIntoCell(2, 1, QStringLiteral("146"));
        Select(1, 3);
        Key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(form->table.Row(1), NewRow(1, "146.00000"));
        QCOMPARE(form->table.Row(2), NewRow(2, "145.00000"));
        QCOMPARE(form->xg->currentIndex(), form->model->index(1, 3)); // the cursor goes with the channel
        Key(Qt::Key_Up, Qt::ControlModifier);
        Key(Qt::Key_Up, Qt::ControlModifier); // channel 1 goes no higher
        QCOMPARE(form->table.Row(1), NewRow(1, "145.00000"));
        ClickChannelNumber(2);
        Key(Qt::Key_Delete);
        QCOMPARE(form->table.Row(2), (ChannelRow{"2"}));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Clear Channel 2"));
        form->UndoClick();
        QCOMPARE(form->table.Row(2), NewRow(2, "146.00000"));
        form->UndoClick();
        QCOMPARE(form->table.Row(2), NewRow(2, "145.00000")); // the move up undone
    }

    void anImportShowsItsReportAndIsOneStep()
    {
        TypeIntoCell(4, 1, QStringLiteral("430"));
        const QString path = folder.filePath(QStringLiteral("list.csv"));
        std::ofstream(path.toStdString()) << "Location,Name,Frequency,Mode\r\n1,Home,145.5,FM\r\n2,,121.5,AM\r\n";
        form->ChooseCsvFile = [&](bool save) { return save ? QString() : path; };
        form->ImportCsvClick();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("Imported 1 of 2 rows into channels 1 to 16.\n"
                                            "Row 2: mode 'AM' is not FM or NFM; channel 2 left empty.\n"
                                            "Names are not stored by this radio; the Name column was left out.")});
        QCOMPARE(form->table.Row(1), NewRow(1, "145.50000"));
        QCOMPARE(form->table.Row(4), (ChannelRow{"4"}));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Import CSV list.csv"));
        form->UndoClick();
        QCOMPARE(form->table.Row(1), (ChannelRow{"1"}));
        QCOMPARE(form->table.Row(4), NewRow(4, "430.00000"));

        // Exported and read back.
        const QString exported = folder.filePath(QStringLiteral("out.csv"));
        form->ChooseCsvFile = [&](bool save) { return save ? exported : QString(); };
        form->ExportCsvClick();
        std::ifstream in(exported.toStdString());
        std::string header, line;
        std::getline(in, header);
        std::getline(in, line);
        QCOMPARE(line, std::string("4,,430.000000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,\r"));
        QVERIFY(failures.isEmpty());
    }

    // Open, Import CSV and Open Radio Image of a file that cannot be taken
    // whole change nothing: not the table, not the settings, not the undo
    // history. Each command's good file does change them.
    void aFileThatCannotBeTakenWholeChangesNothing()
    {
        TypeIntoCell(2, 1, QStringLiteral("430"));
        form->settings.Box(4) = "120";
        form->History().Record(QStringLiteral("Change TOT"));
        form->RefreshControls();
        const memory::ChannelTable table = form->table;
        const memory::SettingsTexts settings = form->settings;
        const QString undo = UndoText();

        const auto write = [&](const QString &name, const std::string &bytes) { return WriteFile(name, bytes); };
        memory::ChannelTable other = table;
        other.Row(1) = NewRow(1, "146.52000");
        const QString saved = folder.filePath(QStringLiteral("saved.wh"));
        files::SaveChannelFile(other, settings, saved.toStdString());
        const std::string channelFile = ReadFile(saved);
        files::RadioImage image;
        image.At({0, 1})[0] = 0x99; // channel 1 holds something
        const std::string imageText = files::RadioImageText(image);
        const std::string binary("\x00\x01\x02\xff\xfe PROGRAM \x00", 16);

        using Command = void (TForm1::*)();
        const Command Open = &TForm1::N3Click, Import = &TForm1::ImportCsvClick,
                      OpenImage = &TForm1::OpenRadioImageClick;
        struct Case {
            Command command;
            QString path;
        };
        const std::vector<Case> cases{
            {Open, write(QStringLiteral("short.wh"), channelFile.substr(0, channelFile.size() / 2))},
            {Open, write(QStringLiteral("binary.wh"), binary)},
            {Open, folder.filePath(QStringLiteral("missing.wh"))},
            {Open, write(QStringLiteral("image.wh"), imageText)},
            {Import, write(QStringLiteral("binary.csv"), binary)},
            {Import, folder.filePath(QStringLiteral("missing.csv"))},
            {OpenImage, write(QStringLiteral("short.radio"), imageText.substr(0, imageText.size() / 2))},
            {OpenImage, write(QStringLiteral("spoilt.radio"), imageText.substr(0, imageText.size() - 8) + "zz\n")},
            {OpenImage, write(QStringLiteral("channels.radio"), channelFile)},
            {OpenImage, folder.filePath(QStringLiteral("missing.radio"))},
        };
        const auto run = [&](Command command, const QString &path) {
            ChooseEverywhere(path);
            (form.get()->*command)();
        };
        for (const Case &c : cases) {
            failures.clear();
            run(c.command, c.path);
            QVERIFY2(!failures.isEmpty(), qPrintable(c.path));
            QVERIFY2(form->table == table, qPrintable(c.path));
            QVERIFY2(form->settings == settings, qPrintable(c.path));
            QCOMPARE(UndoText(), undo);
        }

        // The good files change the table, each as one step.
        const QString csv = write(QStringLiteral("good.csv"), "Location,Frequency\r\n3,145.5\r\n");
        for (const Case &c : std::vector<Case>{{Open, write(QStringLiteral("good.wh"), channelFile)},
                                               {Import, csv},
                                               {OpenImage, write(QStringLiteral("good.radio"), imageText)}}) {
            failures.clear();
            run(c.command, c.path);
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
            QVERIFY2(!(form->table == table), qPrintable(c.path));
            QVERIFY(UndoText() != undo);
            form->UndoClick();
            QVERIFY2(form->table == table, qPrintable(c.path));
        }
    }

    // No save of the window replaces a file of another kind; each replaces
    // a file of its own kind.
    void noSaveReplacesAFileOfAnotherKind()
    {
        const auto write = [&](const QString &name, const std::string &bytes) { return WriteFile(name, bytes); };
        const auto read = [](const QString &path) { return ReadFile(path); };
        const QString channels = folder.filePath(QStringLiteral("channels.wh"));
        files::SaveChannelFile(form->table, form->settings, channels.toStdString());
        const QString image = folder.filePath(QStringLiteral("whole.radio"));
        files::SaveRadioImage(files::RadioImage{}, image.toStdString());
        const QString csv = write(QStringLiteral("list.csv"), "Location,Frequency\r\n1,145.5\r\n");
        const QString roster = write(QStringLiteral("fleet.csv"), "port,FleetSync, ID[Own]\r\npts-3,1001\r\n");

        using Command = void (TForm1::*)();
        const Command Save = &TForm1::N5Click, SaveImage = &TForm1::SaveRadioImageClick,
                      Export = &TForm1::ExportCsvClick, BackUp = &TForm1::BackUpRadioClick;
        struct Case {
            Command command;
            QString path;
            bool refused;
        };
        const std::vector<Case> cases{
            {Save, image, true},       {Save, csv, true},      {Save, roster, true},     {SaveImage, channels, true},
            {SaveImage, csv, true},    {Export, channels, true}, {Export, image, true},  {BackUp, channels, true},
            {Save, channels, false},   {SaveImage, image, false}, {Export, csv, false},
        };
        for (const Case &c : cases) {
            failures.clear();
            const std::string before = read(c.path);
            ChooseEverywhere(c.path);
            (form.get()->*c.command)();
            QVERIFY2(failures.isEmpty() != c.refused, qPrintable(c.path + QLatin1Char(' ') + failures.join(QLatin1Char(' '))));
            if (c.refused) {
                QCOMPARE(read(c.path), before);
                QVERIFY2(failures.value(0).contains(QFileInfo(c.path).fileName()), qPrintable(failures.value(0)));
                QVERIFY(!form->session.ReadRunning() && !form->session.progress.visible);
            }
        }
    }

    void aReadFromTheRadioIsOneStep()
    {
        TypeIntoCell(2, 1, QStringLiteral("430"));
        test::Pty pty;
        form->AddDevicePath(QString::fromStdString(pty.SlavePath()));
        form->rbtnClick();
        QVERIFY(failures.isEmpty());
        const auto chunk = [&](const protocol::ByteBuffer &bytes, std::size_t length) {
            form->Comm1ReceiveData(bytes.data(), static_cast<std::uint16_t>(length));
        };
        protocol::ByteBuffer ack{};
        ack[0] = protocol::kAck;
        chunk(ack, 1);
        for (int ch = 1; ch <= 16; ++ch) {
            protocol::ByteBuffer frame{};
            protocol::PutFrameHeader(frame, protocol::kAreaChannels, static_cast<std::uint8_t>(ch));
            tonvar::test::EncodeChannelBlock(ch == 1 ? NewRow(1, "145.50000") : ChannelRow{}, frame);
            protocol::Crc16(frame);
            chunk(frame, protocol::kFrameLength);
        }
        memory::SettingsTexts radio = memory::DefaultSettingsTexts();
        radio.Box(4) = "180";
        protocol::ByteBuffer frame{};
        protocol::PutFrameHeader(frame, protocol::kAreaSettings, 0);
        tonvar::test::EncodeSettingsBlock(radio, frame);
        protocol::Crc16(frame);
        chunk(frame, protocol::kFrameLength);
        QCOMPARE(messages, QStringList{QStringLiteral("   Read Succeed!")});
        QCOMPARE(form->table.Row(1), NewRow(1, "145.50000"));
        QCOMPARE(form->settings.Box(4), std::string("180"));

        QCOMPARE(UndoText(), QStringLiteral("&Undo Read from Radio"));
        form->UndoClick();
        QCOMPARE(form->table.Row(1), (ChannelRow{"1"}));
        QCOMPARE(form->table.Row(2), NewRow(2, "430.00000"));
        QCOMPARE(form->settings.Box(4), std::string("60"));
        QCOMPARE(form->ComboBox[3]->currentText(), QStringLiteral("60"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Edit RX Freq of channel 2"));
    }
};

QTEST_MAIN(EditMenuTest)
#include "EditMenuTest.moc"
