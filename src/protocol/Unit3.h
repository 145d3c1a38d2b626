// The progress dialog of the main window's sessions: a bar, Retry and
// Cancel. It holds no state of its own; it shows the session's progress and
// hands the two clicks to whoever owns the session.
#pragma once

#include "protocol/MainSession.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tonvar::protocol {

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

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
};

} // namespace tonvar::protocol
