// The simulators as real processes, each with its control socket.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/Process.h"

namespace orva::test {

class SimProcess {
public:
    // orvasim with these arguments; waits for its "ready" line.
    explicit SimProcess(const std::vector<std::string>& args);
    bool Ready() const { return control_ != nullptr && control_->Connected(); }
    std::string Command(const std::string& line) {
        return control_ ? control_->Command(line) : "no control";
    }
    Process& Proc() { return *process_; }
    // Ends the simulator the way an unplug (or a crash) does.
    void Kill();
    int Port() const { return port_; }

private:
    std::unique_ptr<Process> process_;
    std::unique_ptr<ControlClient> control_;
    int port_ = 0;
};

std::unique_ptr<SimProcess> StartBoard(const std::string& serial, const std::string& kind = "main");
std::unique_ptr<SimProcess> StartServer(const std::string& alias = "P3D");

}  // namespace orva::test
