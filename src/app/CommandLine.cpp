// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace tonvar::app {

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Reads, edits and writes the channels, settings and signalling of a 16-channel handheld radio "
            "over its USB programming cable."));
        // Qt's own options are one dash and a word: -platform is not -p -l -a...
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addPositionalArgument(QStringLiteral("file"),
                                     QStringLiteral("A channel file (.wh), a radio image (.radio) or a CSV channel "
                                                    "list to open."),
                                     QStringLiteral("[file]"));
    }
};

void SetNameAndVersion()
{
    QCoreApplication::setApplicationName(QStringLiteral("tonvar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONVAR_VERSION));
}

} // namespace

void AnswerCommandLine(int &argc, char **argv)
{
    if (argc <= 1)
        return; // started plainly, as from the applications menu
    SetNameAndVersion();
    const QCoreApplication console(argc, argv);
    Parser p;
    p.parser.parse(QCoreApplication::arguments()); // unknown options may be Qt's; judged later
    if (p.parser.isSet(p.help))
        p.parser.showHelp(0);
    if (p.parser.isSet(p.version))
        p.parser.showVersion();
}

QString CheckCommandLine(const QCoreApplication &application)
{
    if (application.arguments().size() <= 1)
        return {};
    SetNameAndVersion();
    Parser p;
    p.parser.process(application); // ends the process on an unknown option
    const QStringList files = p.parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "tonvar: unexpected argument '%s'\n%s", qPrintable(files.at(1)),
                     "Only one file can be opened. Try 'tonvar --help'.\n");
        std::exit(1);
    }
    return files.isEmpty() ? QString() : files.front();
}

} // namespace tonvar::app
