// A display for the benchmarks that run the desktop program: Xvfb when it is installed (a real
// X connection, as on a desktop), else Qt's offscreen platform.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/Process.h"

namespace orva::bench {

using Env = std::vector<std::pair<std::string, std::string>>;

// The environment the desktop program needs (no web host, so nothing is asked of the network),
// the display said on stdout; xserver keeps the X server alive.
inline Env GuiDisplayEnv(std::unique_ptr<test::Process>& xserver) {
    if (std::filesystem::exists("/usr/bin/Xvfb")) {
        xserver = std::make_unique<test::Process>(
            "/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp"});
        if (const auto number = xserver->ReadLine()) {
            std::printf("display: :%s\n", number->c_str());
            return {{"DISPLAY", ":" + *number}, {"QT_QPA_PLATFORM", "xcb"}, {"ORVA_WEB_HOST", ""}};
        }
    }
    std::printf("display: offscreen\n");
    return {{"QT_QPA_PLATFORM", "offscreen"}, {"ORVA_WEB_HOST", ""}};
}

}  // namespace orva::bench
