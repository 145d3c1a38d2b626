// SPDX-License-Identifier: GPL-3.0-or-later
// The frame every signalling window shares: its caption, kept on top, shown
// without blocking; Read, Write and Close with the progress bar below; the
// 10 s Timer1; and the ties between the controls and the texts the session
// logic works on. Controls write into the texts as the user edits them;
// Refresh puts the texts, the button states and the bar back on screen after
// every step.
#pragma once

#include "grid/TextGrid.h"
#include "protocol/MainSession.h"
#include "link/QtTimer.h"
#include "signalling/RadioAreas.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tonvar::signalling {

class SignallingLogic;

// "from", "from + step", ... up to "to": the numbers of a pick list.
std::vector<std::string> NumberTexts(int from, int to, int step);

// What a window needs of the application: running a handler with its
// failures shown, and showing a message.
struct WindowServices {
    std::function<bool(const std::function<void()> &)> run;
    std::function<void(const std::string &)> showMessage;
    // Brings every window's controls in line (the main window's too).
    std::function<void()> refreshAll;
};

class SignallingWindow : public QWidget {
    Q_OBJECT
public:
    SignallingWindow(const QString &caption, WindowServices services, QWidget *parent);

    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *rbtn = nullptr;
    QPushButton *wbtn = nullptr;
    QPushButton *Button3 = nullptr; // Close
    QTimer Timer1;

    // Puts the session's state and texts on screen.
    void Refresh();

    // The window's fields (signalling::FieldSlots of its texts).
    virtual std::vector<FieldSlot> Slots() = 0;
    // Marks the control or cell of each field given (its place among
    // Slots()) with the radio's text as its tool tip ("Radio: 12345");
    // the marks before go.
    void MarkFields(const std::map<int, std::string> &radioTexts);
    // Shows the window and puts the keyboard focus on the control or cell
    // of field `index`, its tab brought to the front.
    void GoToField(int index);
    // Runs after each change the user makes to a text of the window.
    std::function<void()> onEdited;
    // What Write does with the window's session; empty writes at once. The
    // application reads the radio and shows what changes first.
    std::function<void(SignallingLogic &)> guardWrite;

    // A window's grids and controls edit texts of its session object, which
    // the derived window owns and destroys before this base: each derived
    // window's destructor calls this first, so that no control (an open cell
    // editor, say) writes into the session while it goes away.
    void Detach();

protected:
    // Escape is Close, as in a dialog (an open cell editor takes it first).
    void keyPressEvent(QKeyEvent *event) override;

    link::QtTimer timer1Adapter_{Timer1};
    WindowServices services_;

    // For the logic: shows a message over an up-to-date window.
    std::function<void(const std::string &)> MessageSink();
    // Runs a handler through the application's error handling, then refreshes.
    void Handle(const std::function<void()> &handler);
    // Adds the bar and Read, Write and Close below the window's form (its
    // box layout), wired to the session's StartRead, StartWrite and Close.
    void AddButtons(SignallingLogic &logic);

    // Ties of a form's control to a text: the control edits the text;
    // Refresh shows the text. A combo box gets its list; an editable one
    // keeps what is typed. A line edit's length limit is for typing.
    void BindCombo(QComboBox *box, std::string &text, const std::vector<std::string> &items);
    void BindEdit(QLineEdit *edit, std::string &text);
    void BindCheck(QCheckBox *box, bool &checked);
    // The text of a grid cell, by row from 1.
    using CellText = std::function<std::string &(int row)>;
    // Makes a form's grid one of `rows` numbered rows ("NO." in column 0, not
    // editable) whose other columns edit the given texts; `edited(row,
    // column)` runs after each change (rows and columns from 1).
    void BindGrid(grid::TextGrid *grid, const QStringList &headers, int rows, std::vector<CellText> columns,
                  std::function<void(int row, int column)> edited = {}, QStringList rowNames = {});
    // The editor of a grid column: a text editor without items, else a pick
    // list (that also takes typing, with `editable`); `defaultText` is what an
    // editor that would start empty shows.
    static void ColumnEditor(grid::TextGrid *grid, int column, const std::vector<std::string> &items,
                             const std::string &defaultText, bool editable = false);

private:
    // The user may change the texts: not while they are being shown, and not
    // once the session is going away.
    bool Editable() const { return !refreshing_ && !detached_; }

    // The control or the grid cell (row and column as its model counts
    // them) that shows a text or a check box.
    struct Shown {
        QWidget *control = nullptr;
        grid::TextGrid *grid = nullptr;
        int row = 0;
        int column = 0;
    };
    Shown Find(const FieldSlot &slot) const;
    // A change of the user's to a text, then onEdited.
    void Edited(const std::function<void()> &change);
    struct BoundGrid {
        grid::TextGrid *grid;
        int rows;
        std::vector<CellText> columns;
    };
    std::map<const void *, QWidget *> controls_; // by the text or check box each shows
    std::vector<BoundGrid> boundGrids_;
    std::vector<QWidget *> marked_;

    SignallingLogic *logic_ = nullptr;
    std::vector<std::function<void()>> shows_;
    std::vector<grid::TextGridModel *> grids_;
    bool refreshing_ = false;
    bool detached_ = false;
};

// A window of session `Session` on the designer's form `Form`: the form set
// up on the window with the bar and buttons below it, the session on the
// window's Timer1 and messages, and the controls detached before the session
// goes away. With `barFromStart`, the bar shows that many steps from the
// start; else it shows while a session runs. The form is deleted by a
// function made here, where `Form` is complete: a window needs no destructor
// of its own.
template <typename Session, typename Form>
class SignallingForm : public SignallingWindow {
public:
    SignallingForm(const QString &caption, link::PortHub &hub, WindowServices services, QWidget *parent,
                   int barFromStart = 0)
        : SignallingWindow(caption, std::move(services), parent), logic(hub, timer1Adapter_, MessageSink()),
          ui(new Form, [](Form *form) { delete form; })
    {
        ui->setupUi(this);
        AddButtons(logic);
        if (barFromStart > 0)
            logic.progress.Show(barFromStart);
    }
    ~SignallingForm() override { Detach(); }

    std::vector<FieldSlot> Slots() override { return FieldSlots(logic.texts); }

    Session logic;

protected:
    std::unique_ptr<Form, void (*)(Form *)> ui;
};

} // namespace tonvar::signalling
