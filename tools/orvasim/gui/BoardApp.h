// The window side of orvasim board --gui: the Qt application, the board window, stdin commands
// and the stop signals, all served by the main thread's event loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BoardLayout.h"
#include "BoardSim.h"

class QApplication;

namespace orva::sim {

class CBoardApp {
public:
    // Nothing, and why in the text, when no window can be shown here.
    static std::unique_ptr<CBoardApp> Create(int& argc, char** argv, std::string& why);
    ~CBoardApp();
    CBoardApp(const CBoardApp&) = delete;
    CBoardApp& operator=(const CBoardApp&) = delete;

    // Shows the window over a started board; returns when the window is closed, "quit" comes
    // on stdin or a stop signal arrives. The caller stops the board.
    void Run(CBoardSim& board, const std::vector<KnobPins>& knobs);

private:
    explicit CBoardApp(std::unique_ptr<QApplication> app);

    std::unique_ptr<QApplication> app_;
};

}  // namespace orva::sim
