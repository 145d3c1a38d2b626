// SPDX-License-Identifier: GPL-3.0-or-later
// The progress dialog of the main window's sessions: a bar, Retry and
// Cancel. It holds no state of its own; it shows the session's progress and
// hands the two clicks to whoever owns the session. It takes the keyboard
// when it comes up, so a session can be left without a mouse.
#pragma once

#include "protocol/MainSession.h"

#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
namespace Ui {
class TForm3;
}

namespace tonvar::protocol {

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);
    ~TForm3() override;

    // Shows, hides and fills the bar as the session's state says; a dialog
    // that comes up is placed at `topLeft` (screen coordinates).
    void Display(const ProgressState &state, const QPoint &topLeft);

    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Button1 = nullptr; // Retry
    QPushButton *Button2 = nullptr; // Cancel
    QLabel *Label1 = nullptr;       // what the session does or waits for

Q_SIGNALS:
    void retryClicked();
    void cancelClicked();

protected:
    // Escape is Cancel; Tab moves between Retry and Cancel, Enter or Space
    // presses the one with the focus.
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::TForm3> ui;
};

} // namespace tonvar::protocol
