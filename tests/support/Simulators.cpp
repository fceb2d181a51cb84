#include "support/Simulators.h"

#include <signal.h>

#include <regex>

namespace orva::test {

SimProcess::SimProcess(const std::vector<std::string>& args)
    : process_(std::make_unique<Process>(BinPath("orvasim"), args)) {
    const auto ready = process_->WaitForLine("ready");
    if (!ready) return;
    std::smatch m;
    if (std::regex_search(*ready, m, std::regex("127\\.0\\.0\\.1:(\\d+)"))) port_ = std::stoi(m[1]);
    if (std::regex_search(*ready, m, std::regex("control socket (\\S+)"))) {
        control_ = std::make_unique<ControlClient>(m[1]);
    }
}

void SimProcess::Kill() {
    control_.reset();
    process_->Signal(SIGKILL);
    process_->Wait();
}

std::unique_ptr<SimProcess> StartBoard(const std::string& serial, const std::string& kind) {
    return std::make_unique<SimProcess>(
        std::vector<std::string>{"board", "--serial", serial, "--kind", kind});
}

std::unique_ptr<SimProcess> StartServer(const std::string& alias) {
    return std::make_unique<SimProcess>(
        std::vector<std::string>{"iocp", "--port", "0", "--alias", alias, "--keepalive", "0"});
}

}  // namespace orva::test
