// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the channel table, the "Optional Function" panel with the
// port selector, the Open / Save / Read / Write buttons and the status bar.
// It owns the serial port, the resend timer and the session state, and routes
// every event to the plain logic that does the work: the session, and the
// classes that keep the files, the status bar's clock and the port list
// (ChannelFiles, CsvTransfer, ImageFiles, StatusClock, PortSelector).
#pragma once

#include "link/RadioPort.h"
#include "protocol/MainSession.h"
#include "app/TableUndo.h"
#include "app/WritePreview.h"
#include "files/RadioImage.h"
#include "grid/TextGrid.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/MainSession.h"
#include "serial/SPComm.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QInputMethodEvent;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace tonvar::signalling {
class SignallingWindow;
}

namespace Ui {
class TForm1;
}
namespace tonvar::protocol {
class TForm3;
}
namespace tonvar::signalling {
class SignallingLogic;
}

namespace tonvar::app {

class DifferenceList;
class StationDialog;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `screen` is the screen the window adapts to; empty means the primary
    // screen's size.
    explicit TForm1(QSize screen = {}, QWidget *parent = nullptr);
    ~TForm1() override;

    // The windows created after this one: the four signalling windows and the
    // progress dialog.
    void SetWindows(QWidget *dtmf, QWidget *twoTone, QWidget *fiveTone, QWidget *fleetSync, protocol::TForm3 *progress);

    // Data and state.
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();

private:
    // The serial port, the resend timer and the hub every window's session runs on.
    link::RadioPort radio_;

public:
    serial::TComm &Comm1 = radio_.comm;
    QTimer &Tim1 = radio_.tim1; // 300 ms resend
    QTimer Timer1;              // 15 s, never started
    QTimer Timer2;              // the status bar's clock, woken as each second turns
    protocol::MainSession session;

    // Controls.
    QWidget *Panel1 = nullptr;
    grid::TextGrid *xg = nullptr;
    grid::TextGridModel *model = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // Open
    QToolButton *SpeedButton2 = nullptr; // Save
    QPushButton *rbtn = nullptr;
    QPushButton *wbtn = nullptr;
    QComboBox *comcbb = nullptr;
    std::array<QComboBox *, memory::kSettingsBoxCount> ComboBox{}; // ComboBox[0] is ComboBox1
    std::array<QLabel *, 3> StatusPanels{};
    QLabel *CompareStatus = nullptr; // the status bar's count of differences from the radio

    // Handlers.
    void rbtnClick();
    void wbtnClick();
    void Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length);
    void Tim1Timer();
    void Timer1Timer();
    void Timer2Timer();
    void FormActivate();
    void DTMF1Click();
    void N2tone1Click();
    void N5TONE1Click();
    void N4Click();
    void N1Click();
    void WMDeviceChange();
    // Lists a device path discovery cannot see and selects it.
    void AddDevicePath(const QString &path);
    void DevicePathClick();
    void Button1Click(); // the progress dialog's Retry
    void Button2Click(); // and Cancel
    void xgSetEditText(int row, int column);
    void SpeedButton1Click();   // Open
    void SpeedButton2Click();   // Save
    void N3Click();             // File > Open...
    void N5Click();             // File > Save...
    void BackUpRadioClick();    // File > Back Up Radio...
    void RestoreRadioClick();   // File > Restore Radio...
    void OpenRadioImageClick(); // File > Open Radio Image...
    void SaveRadioImageClick(); // File > Save Radio Image...
    // File > Programming Station...: radio after radio on the chosen port,
    // in a dialog modal to every window; the port held open for the
    // signalling windows is released first. Refused while a session runs.
    void ProgrammingStationClick();
    // Called with the station's dialog before it shows. Tests set it.
    std::function<void(StationDialog &)> onStationDialog;
    // A file given on the command line or by the file manager: a radio image
    // opens as Open Radio Image opens it, a CSV list imports as Import CSV
    // does, anything else opens as a channel file (and says why it is none).
    void OpenFile(const QString &path);
    // The signalling windows' part of an image: shown in the windows, or
    // their texts (checked as a write checks them) put into it. Set by the
    // application, which owns the windows.
    std::function<void(const files::RadioImage &)> showSignalling;
    std::function<void(files::RadioImage &)> keepSignalling;
    // A signalling window's Write: the radio read, backed up and the
    // changes shown first, as the window's own Write (WritePreview.h).
    // A signalling window's Write, previewed over `asking`, the window whose
    // Write was pressed.
    void WriteSignalling(signalling::SignallingLogic &logic, QWidget *asking = nullptr);
    // A write's success message, naming the backup made before it.
    std::string AnnounceWrite(const std::string &text);
    // Whether to write what the preview shows; empty asks the user. Tests
    // replace it.
    std::function<bool(const WriteQuestion &)> ConfirmWrite;
    // The read, backup and preview before every write, with the user's
    // choices about them (the Options menu).
    WriteGuard &Writes();
    // The Options menu's items: remembered for the next start.
    void PreviewWritesClick(bool on);
    void BackUpBeforeWritesClick(bool on);
    void BackupsKeptClick();
    // Changes to the channels or settings since the last Open, Save or Read.
    bool Modified() const;

    // Asks for a channel file to open (save = false) or to save; empty when
    // the user cancels. Tests replace it.
    std::function<QString(bool save)> ChooseFile;
    // The same for a radio image; and whether to restore one (the image's
    // name given). Tests replace them.
    std::function<QString(bool save)> ChooseImageFile;
    std::function<bool(const QString &name)> ConfirmRestore;

    // The Edit menu and the CSV commands (EditCommands.cpp).
    void UndoClick();
    void RedoClick();
    void CutClick();
    void CopyClick();
    void PasteClick();
    void FillDownClick();  // Edit > Fill Down (Ctrl+D)
    void SetColumnClick(); // Edit > Set Column...
    // Asks for the text Set Column puts into `column`, offering `current`;
    // empty when the user cancels. Tests replace it.
    std::function<std::optional<std::string>(int column, const std::string &current)> AskColumnValue;
    void NewClick(); // File > New: the table and settings of a fresh window
    void ClearChannelClick();
    void MoveChannelUpClick();
    void MoveChannelDownClick();
    void ImportCsvClick(); // File > Import CSV...
    void ExportCsvClick(); // File > Export CSV...
    // Asks for a CSV file to import (save = false) or to export to; empty
    // when the user cancels. Tests replace it.
    std::function<QString(bool save)> ChooseCsvFile;
    // The undo stack of the table and the settings.
    TableHistory &History() { return *history_; }

    // Radio > Compare with Radio (F9), Next Difference (F8) and Show
    // Differences (CompareCommands.cpp).
    void CompareWithRadioClick();
    void NextDifferenceClick();
    void ShowDifferencesClick();
    // The list of the differences; null before the first compare.
    DifferenceList *Differences() const;
    // Something the windows hold may have changed: differences shown go
    // once it did.
    void CheckDifferences();

    // View > All Columns: the columns the stored layout hides shown too;
    // remembered for the next start (ViewCommands.cpp).
    void AllColumnsClick(bool on);

    // Brings every control in line with the session state and the data.
    void RefreshControls();
    // Run at the end of each refresh: the signalling windows show what the
    // chunks handled here did to their sessions.
    std::vector<std::function<void()>> afterRefresh;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    template <typename F>
    void Handle(F &&handler);
    void BuildLayout();
    void BuildMenus();
    void BuildEditMenu(QMenu *file);
    void BuildRadioMenu();
    // The compare's differences shown in the table, the panel, the open
    // signalling windows, the list and the status bar, or taken away.
    void ShowDifferences();
    void GoToDifference(int index);
    signalling::SignallingWindow *SignallingWindowOf(std::uint8_t area) const;
    std::vector<std::uint8_t> OpenSignallingAreas() const;
    std::vector<std::string> ComparedTexts() const;
    void BuildOptionsMenu();
    // The View menu, the table's columns as it asks, and the window's size
    // (ViewCommands.cpp): the panel in a scroll area, the table taking the
    // room the window has beyond the stored layout.
    void BuildViewMenu();
    void ShowColumns();
    // The width column's caption needs in the header's font.
    int CaptionWidth(int column) const;
    void WrapPanel();
    void FitToScreen(QSize room);
    void KeepSmallLayout();
    // A step the write's preview runs later, as a handler.
    void RunStep(const std::function<void()> &step);
    // Runs a command that may take a file's or the radio's channels into
    // the table (Open, Import CSV, Open Radio Image).
    void TakeIn(const std::function<void()> &command);
    // Runs a change of the user's as a handler and makes one undoable step
    // of whatever it changed, also when it stopped half-way.
    void Change(const QString &name, const std::function<void()> &change);
    // An edit open in a cell is committed first, as leaving the cell does.
    void CommitOpenEditor();
    void MoveChannel(int by);
    void FormCreate(QSize screen);
    bool AdaptToSmallScreen(QSize screen);
    void ShowSignallingWindow(QWidget *window);
    QComboBox *Box(int n) const { return ComboBox[static_cast<std::size_t>(n - 1)]; }
    // The panel box `w` belongs to (the box itself or its line edit), or null.
    QComboBox *PanelBox(QObject *w) const;
    bool PanelKeyPress(QComboBox *box, QKeyEvent *key);
    void PanelExit(QComboBox *box);
    // F11 and F12: each key press starts at most one session.
    void FunctionKey(const QKeyEvent *key);
    bool FilterInputMethod(QObject *watched, QInputMethodEvent *event);
    void ScaleFonts(double ratio);

    std::unique_ptr<TableHistory> history_;
    // The settings a fresh window holds, which File > New puts back.
    memory::SettingsTexts startSettings_;
    // The jobs done by classes of their own: files, the clock, the port list
    // (WindowJobs.h).
    struct Jobs;
    std::unique_ptr<Jobs> jobs_;
    bool readStep_ = false; // a read runs; it becomes one step when it ends
    bool readDone_ = false; // the read that runs has succeeded
    // The table holds what a read, a file or an image brought in (not only
    // what was typed into a fresh window).
    bool holdsRadioData_ = false;
    QAction *allColumns_ = nullptr;
    bool smallLayout_ = false;
    QObject *panelStretch_ = nullptr; // lays the panel out as it is resized
    QAction *previewWrites_ = nullptr;
    QAction *backUpBeforeWrites_ = nullptr;
    const QKeyEvent *lastFunctionKey_ = nullptr;
    quint64 lastFunctionKeyTime_ = 0;
    QMenu *recentMenu_ = nullptr;     // File > Open Recent
    QAction *devicePath_ = nullptr;   // Port > Device Path...
    QAction *closePort_ = nullptr;    // Port > Close Port
    QAction *programmingStation_ = nullptr; // File > Programming Station...
    std::vector<QWidget *> tabOrder_; // the table, the panel's boxes, Read, Write
    QPointer<QWidget> dtmf_, twoTone_, fiveTone_, fleetSync_;
    QPointer<protocol::TForm3> progress_;
    QPointer<DifferenceList> differences_;
    std::unique_ptr<Ui::TForm1> ui;
};

} // namespace tonvar::app
