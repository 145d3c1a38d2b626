#include "app/ErrorHandler.h"

#include "text/Convert.h"

#include <QApplication>
#include <QMessageBox>

namespace tonvar::app {

namespace {

void ShowErrorBox(const QString &text, const QString &detail)
{
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

FailureSink &Sink()
{
    static FailureSink sink = ShowErrorBox;
    return sink;
}

void ShowMessageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
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

} // namespace tonvar::app
