// orvapanel [OPTION]... [/NAME]: the desktop program. One instance: the main window with its tray
// icon, the print monitor and the configuration dialogs. SIGINT and SIGTERM end it as its Exit
// button does.
#include <QApplication>

#include "app/CommandLine.h"
#include "ui/DesktopProgram.h"

namespace {

// The program's own options go into this table; ParsedCommandLine::Value reads them.
const orva::CommandLineSyntax kCommandLine{
    "orvapanel",
    "[OPTION]... [/NAME]",
    "Runs one OrvaPanel instance with its window and tray icon: it links an Orva I/O board\n"
    "to IOCP servers through the Lua scripts of the instance's events.\n",
    {},
    "Qt's own options (-platform, -style, -display...) are given with one dash.\n\n"
    "Exit status:\n"
    "  0  the instance ended, or --help or --version\n"
    "  1  the instance name was refused (invalid, or already running), or a crash\n"
    "  2  a mistake on the command line\n"};

}  // namespace

int main(int argc, char** argv) {
    // Before the application object, which needs a display: --help, --version and a mistake
    // work without one, and touch no instance. Qt's own options read as names here and are
    // taken away by the application object before the instance is named.
    const auto early = orva::ParseCommandLine(orva::ArgsFromMain(argc, argv), kCommandLine);
    if (const auto code = orva::AnswerCommandLine(early, kCommandLine)) return *code;

    orva::CDesktopProgram::TakeStopSignals();
    // Qt's own event dispatcher hands a board or server notification to its handler sooner
    // than the glib one, and nothing here needs glib's loop.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    orva::CDesktopProgram::KeepCNumbers();
    QApplication::setApplicationName(QStringLiteral("OrvaPanel"));
    QApplication::setOrganizationName(QStringLiteral("Tessel.Works"));
    QApplication::setDesktopFileName(QStringLiteral("orvapanel"));
    const auto commandLine = orva::ParseCommandLine(orva::ArgsFromMain(argc, argv), kCommandLine);
    if (const auto code = orva::AnswerCommandLine(commandLine, kCommandLine)) return *code;
    orva::CDesktopProgram program;
    if (const auto code = program.Start(commandLine.instanceParams)) return *code;
    return program.Run();
}
