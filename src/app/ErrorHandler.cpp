#include "app/ErrorHandler.h"

#include "text/Convert.h"

#include <QApplication>
#include <QMessageBox>

namespace tonvar::app {

namespace {

void ShowErrorBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

FailureSink &Sink()
{
    static FailureSink sink = ShowErrorBox;
    return sink;
}

} // namespace

void SetFailureSink(FailureSink sink)
{
    Sink() = std::move(sink);
}

void ResetFailureSink()
{
    Sink() = ShowErrorBox;
}

void ReportFailure(const std::string &message)
{
    // Texts of the logic are 8-bit; anything outside ASCII came from a file.
    Sink()(QString::fromLatin1(text::WithFullStop(message)));
}

} // namespace tonvar::app
