// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: --help, --version and a file to open.
//
// Both are answered before the windows' QApplication exists, so they work
// without a display (over ssh, in a package check). Qt's own options
// (-platform, -style and the like) are taken off by QApplication; anything
// left after that is refused.
#pragma once

#include <QString>

class QCoreApplication;

namespace tonvar::app {

// Prints the help or the version and ends the process when asked for; else
// returns and the windows start. Call before the QApplication is created.
void AnswerCommandLine(int &argc, char **argv);

// With the QApplication created: the file to open (empty when none is
// given); ends the process with a message on an unknown option or a second
// file.
QString CheckCommandLine(const QCoreApplication &application);

} // namespace tonvar::app
