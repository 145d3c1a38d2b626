// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DifferenceList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tonvar::app {

namespace {

const QString kTitle = QStringLiteral("Differences from the Radio");

} // namespace

DifferenceList::DifferenceList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DifferenceList"));
    setWindowTitle(kTitle);
    setModal(false);
    auto *body = new QVBoxLayout(this);
    summary = new QLabel(this);
    summary->setWordWrap(true);
    body->addWidget(summary);
    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("differences"));
    summary->setBuddy(list);
    body->addWidget(list);
    auto *buttons = new QHBoxLayout;
    nextButton = new QPushButton(QStringLiteral("&Next (F8)"), this);
    closeButton = new QPushButton(QStringLiteral("&Close"), this);
    nextButton->setAutoDefault(false);
    closeButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(nextButton);
    buttons->addWidget(closeButton);
    body->addLayout(buttons);
    resize(560, 300);

    connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        if (activated && item->flags() & Qt::ItemIsSelectable)
            activated(list->row(item));
    });
    connect(nextButton, &QPushButton::clicked, this, [this] {
        if (next)
            next();
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

void DifferenceList::Show(const QStringList &lines, const QString &text)
{
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(lines);
    nextButton->setEnabled(!lines.isEmpty());
    if (text.isEmpty()) {
        setWindowTitle(kTitle);
        summary->setText(QStringLiteral("The window changed since the compare: Radio > Compare with Radio (F9) "
                                        "compares it again."));
    } else {
        setWindowTitle(kTitle + QStringLiteral(" (") +
                       (lines.isEmpty() ? QStringLiteral("none") : QString::number(lines.size())) +
                       QStringLiteral(")"));
        summary->setText(text + QStringLiteral("."));
    }
    if (!lines.isEmpty())
        list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void DifferenceList::Select(int index)
{
    const QSignalBlocker blocker(list);
    if (index >= 0 && index < list->count())
        list->setCurrentRow(index);
}

int DifferenceList::Count() const
{
    return list->count();
}

} // namespace tonvar::app
