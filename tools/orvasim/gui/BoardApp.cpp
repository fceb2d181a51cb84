#include "BoardApp.h"

#include <QApplication>
#include <QScreen>
#include <cstdlib>

#include "BoardWindow.h"
#include "StdinCommands.h"
#include "StopSignals.h"

namespace orva::sim {

CBoardApp::CBoardApp(std::unique_ptr<QApplication> app) : app_(std::move(app)) {}

CBoardApp::~CBoardApp() = default;

std::unique_ptr<CBoardApp> CBoardApp::Create(int& argc, char** argv, std::string& why) {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    // Qt would abort without a display; say it plainly instead.
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        why = "no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)";
        return nullptr;
    }
    return std::unique_ptr<CBoardApp>(new CBoardApp(std::make_unique<QApplication>(argc, argv)));
}

void CBoardApp::Run(CBoardSim& board, const std::vector<KnobPins>& knobs) {
    CBoardWindow window(board, knobs);
    CStdinCommands commands([&board](const std::string& line) { return board.Execute(line); });
    CStopSignals stop;
    QObject::connect(&commands, &CStdinCommands::QuitAsked, app_.get(), &QApplication::quit);
    QObject::connect(&stop, &CStopSignals::StopAsked, app_.get(), &QApplication::quit);
    // As large as the content wants, within the screen: five cards of 64 pins scroll instead.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize() * 9 / 10;
        window.resize(window.sizeHint().boundedTo(room));
    }
    window.show();
    QApplication::exec();
}

}  // namespace orva::sim
