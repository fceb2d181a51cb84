// A display for the benchmarks that run the desktop program: Xvfb when it is installed (a real
// X connection, as on a desktop), else Qt's offscreen platform.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/Process.h"

namespace orva::bench {

using Env = std::vector<std::pair<std::string, std::string>>;

// The environment the desktop program needs; xserver keeps the X server alive.
inline Env GuiDisplayEnv(std::unique_ptr<test::Process>& xserver) {
    if (std::filesystem::exists("/usr/bin/Xvfb")) {
        xserver = std::make_unique<test::Process>(
            "/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp"});
        if (const auto number = xserver->ReadLine()) {
            return {{"DISPLAY", ":" + *number}, {"QT_QPA_PLATFORM", "xcb"}};
        }
    }
    return {{"QT_QPA_PLATFORM", "offscreen"}};
}

}  // namespace orva::bench
