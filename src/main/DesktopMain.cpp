// orvapanel [/NAME]: the desktop program. One instance: the main window with its tray icon,
// the print monitor and the configuration dialogs. SIGINT and SIGTERM end it as its Exit button
// does.
#include <QApplication>

#include "ui/DesktopProgram.h"

int main(int argc, char** argv) {
    orva::CDesktopProgram::TakeStopSignals();
    QApplication app(argc, argv);
    orva::CDesktopProgram::KeepCNumbers();
    QApplication::setApplicationName(QStringLiteral("OrvaPanel"));
    QApplication::setOrganizationName(QStringLiteral("Tessel.Works"));
    QApplication::setDesktopFileName(QStringLiteral("orvapanel"));
    orva::CDesktopProgram program;
    if (const auto code = program.Start(orva::ParamsFromArgs(argc, argv))) return *code;
    return program.Run();
}
