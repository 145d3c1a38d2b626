// SPDX-License-Identifier: GPL-3.0-or-later
// The application's default error handling.
//
// A failure raised in an event handler (a text that does not convert, a port
// that will not open) ends that handler where it stands and is shown in a
// message box with an error icon, titled with the application title; the
// application then goes on. Qt does not let exceptions travel through its
// event loop, so every handler that can fail runs through RunHandler, which
// is the one place that catches them.
#pragma once

#include "text/Convert.h"

#include <QString>

#include <exception>
#include <functional>
#include <string>
#include <utility>

class QMessageBox;
class QWidget;

namespace tonvar::app {

inline const QString kApplicationTitle = QStringLiteral("TONVAR  V1.0");

// Receives the text of every failure (full stop already applied) and its
// detail (may be empty). The default shows the error box; tests install
// their own.
using FailureSink = std::function<void(const QString &text, const QString &detail)>;
void SetFailureSink(FailureSink sink);
void ResetFailureSink();

// Shows a message box above every window of the program, the progress
// dialog included, with the keyboard focus; returns as QMessageBox::exec.
int ExecOnTop(QMessageBox &box);

// Asks for a file to open (an existing one) or to save: files matching
// `filter` ("Radio images (*.radio)") or any; a name saved without a suffix
// gets `suffix` where one is given. Empty when the user cancels. The dialog
// starts in the folder of the last file opened or saved.
QString ChoosePath(QWidget *parent, const QString &title, const QString &filter, const QString &suffix, bool save);

// Shows a failure message through the current sink.
void ReportFailure(const std::string &message, const std::string &detail = {});

// Shows an information message titled with the application title and waits
// until the user closes it. Tests install their own sink.
using MessageSink = std::function<void(const QString &text)>;
void SetMessageSink(MessageSink sink);
void ResetMessageSink();
void ShowMessage(const std::string &text);

// Runs a handler, reporting any exception it throws. Returns false when the
// handler failed.
template <typename Handler>
bool RunHandler(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const text::Failure &e) {
        ReportFailure(e.what(), e.detail());
    } catch (const std::exception &e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure("Unknown error");
    }
    return false;
}

} // namespace tonvar::app
