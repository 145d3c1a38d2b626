// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/Unit3.h"

#include "ui_Unit3.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tonvar::protocol {

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Progress"));
    ProgressBar1 = ui->ProgressBar1;
    Button1 = ui->Button1;
    Button2 = ui->Button2;
    Label1 = ui->Label1;
    connect(Button1, &QPushButton::clicked, this, &TForm3::retryClicked);
    connect(Button2, &QPushButton::clicked, this, &TForm3::cancelClicked);
}

TForm3::~TForm3() = default;

void TForm3::Display(const ProgressState &state, const QPoint &topLeft)
{
    ProgressBar1->setRange(0, state.maximum);
    ProgressBar1->setValue(state.position);
    const QString text = QString::fromStdString(state.text);
    if (Label1->text() != text)
        Label1->setText(text);
    if (state.visible && !isVisible()) {
        move(topLeft);
        show();
        raise();
        activateWindow();
        Button1->setFocus();
    } else if (!state.visible && isVisible()) {
        hide();
    }
}

void TForm3::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Q_EMIT cancelClicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tonvar::protocol
