// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorHandler.h"

#include "app/RecentFiles.h"
#include "text/Convert.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QTimer>

namespace tonvar::app {

int ExecOnTop(QMessageBox &box)
{
    // Above every other window of the program, the always-on-top progress
    // dialog included, and with the keyboard.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowModality(Qt::ApplicationModal);
    // Wide enough that a window manager's title bar shows the whole title
    // beside its buttons.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    return box.exec();
}

namespace {

// The window a box belongs to: the one the user works in, or a window that
// stays on top of it (the progress dialog), so that the box comes above it.
QWidget *BoxParent()
{
    QWidget *parent = QApplication::activeWindow();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !qobject_cast<QMessageBox *>(w))
            parent = w;
    return parent;
}

void ShowErrorBox(const QString &text, const QString &detail)
{
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok, BoxParent());
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    ExecOnTop(box);
}

FailureSink &Sink()
{
    static FailureSink sink = ShowErrorBox;
    return sink;
}

void ShowMessageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, BoxParent());
    ExecOnTop(box);
}

MessageSink &Messages()
{
    static MessageSink sink = ShowMessageBox;
    return sink;
}

} // namespace

void SetMessageSink(MessageSink sink)
{
    Messages() = std::move(sink);
}

void ResetMessageSink()
{
    Messages() = ShowMessageBox;
}

void ShowMessage(const std::string &text)
{
    Messages()(QString::fromLatin1(text));
}

void SetFailureSink(FailureSink sink)
{
    Sink() = std::move(sink);
}

void ResetFailureSink()
{
    Sink() = ShowErrorBox;
}

void ReportFailure(const std::string &message, const std::string &detail)
{
    // Texts of the logic are 8-bit; anything outside ASCII came from a file.
    // Details come from the system and are UTF-8.
    Sink()(QString::fromLatin1(text::WithFullStop(message)), QString::fromStdString(detail));
}

QString ChoosePath(QWidget *parent, const QString &title, const QString &filter, const QString &suffix, bool save)
{
    QFileDialog dialog(parent, title);
    // Where the last file was opened or saved, also after a restart.
    if (const QString folder = LoadLastFolder(); !folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setNameFilters({filter, QStringLiteral("All files (*)")});
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace tonvar::app
