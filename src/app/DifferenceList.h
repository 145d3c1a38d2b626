// SPDX-License-Identifier: GPL-3.0-or-later
// The list of the differences a Compare with Radio found, a window of its own
// that stays open beside the main window: a line a field ("Channel 3, RX
// Freq: window '145.50000', radio '146.00000'"), or a line saying that the
// radio holds what the window shows. Enter or a double click on a line goes
// to its field; Next Difference (F8) goes to the next one.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace tonvar::app {

class DifferenceList : public QDialog {
    Q_OBJECT
public:
    explicit DifferenceList(QWidget *parent = nullptr);

    // The lines and the summary ("3 differences from the radio"); no lines
    // and an empty summary once the differences went.
    void Show(const QStringList &lines, const QString &summary);
    // Line `index` becomes the current one (-1: none).
    void Select(int index);
    int Count() const;

    // A line was activated: go to its field.
    std::function<void(int index)> activated;
    // The Next button.
    std::function<void()> next;

    QListWidget *list = nullptr;
    QLabel *summary = nullptr;
    QPushButton *nextButton = nullptr;
    QPushButton *closeButton = nullptr;
};

} // namespace tonvar::app
