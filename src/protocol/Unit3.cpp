#include "protocol/Unit3.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tonvar::protocol {

TForm3::TForm3(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Progress"));
    // Below Retry and Cancel, what the session does or waits for, in words.
    setFixedSize(441, 146);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(10, 19, 423, 30);
    ProgressBar1->setTextVisible(false);
    Button1 = new QPushButton(QStringLiteral("Retry"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(56, 59, 100, 30);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(240, 59, 100, 30);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 96, 423, 46);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QPushButton *button : {Button1, Button2}) {
        button->setAutoDefault(true); // Enter presses the button with the focus
        button->setFocusPolicy(Qt::StrongFocus);
    }
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &TForm3::retryClicked);
    connect(Button2, &QPushButton::clicked, this, &TForm3::cancelClicked);
}

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
