// orvapanel [/NAME]: the desktop program. One instance: the main window with its tray icon,
// the print monitor and the configuration dialogs. SIGINT and SIGTERM end it as its Exit button
// does.
#include <QApplication>

#include "ui/DesktopProgram.h"

int main(int argc, char** argv) {
    orva::CDesktopProgram::TakeStopSignals();
    // Qt's own event dispatcher hands a board or server notification to its handler sooner
    // than the glib one, and nothing here needs glib's loop.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    orva::CDesktopProgram::KeepCNumbers();
    QApplication::setApplicationName(QStringLiteral("OrvaPanel"));
    QApplication::setOrganizationName(QStringLiteral("Tessel.Works"));
    QApplication::setDesktopFileName(QStringLiteral("orvapanel"));
    orva::CDesktopProgram program;
    if (const auto code = program.Start(orva::ParamsFromArgs(argc, argv))) return *code;
    return program.Run();
}
