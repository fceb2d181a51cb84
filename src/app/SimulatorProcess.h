// One orvasim simulator run as a child process for a scenario: started with its arguments, known
// by its "ready" line, driven over its control socket, and ended with the run.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orva {

class CSimulatorProcess {
public:
    // Called on a thread of the process's own with each line it prints after its ready line.
    using LineHandler = std::function<void(const std::string&)>;

    // Starts program with args and waits (up to 10 s) for its ready line; nothing, with the
    // reason in error, when it does not come. The child ends with its parent, even a killed one.
    static std::unique_ptr<CSimulatorProcess> Start(const std::filesystem::path& program,
                                                    const std::vector<std::string>& args,
                                                    LineHandler onLine, std::string& error);
    // Asks the simulator to stop (SIGTERM) and waits for it; kills it when it does not.
    ~CSimulatorProcess();
    CSimulatorProcess(const CSimulatorProcess&) = delete;
    CSimulatorProcess& operator=(const CSimulatorProcess&) = delete;

    // One command and its answer over the control socket; "error: ..." when the link is gone.
    std::string Command(const std::string& line);
    // The TCP port of a test server (from its ready line); 0 for a board.
    int Port() const { return port_; }

private:
    CSimulatorProcess() = default;
    bool ReadReady(std::string& error);
    void ReadLines();

    pid_t pid_ = -1;
    int out_ = -1;      // the child's stdout
    int control_ = -1;  // its control socket
    int port_ = 0;
    std::string pending_;         // of out_, beyond the last whole line
    std::string controlPending_;  // of control_
    LineHandler onLine_;
    std::thread reader_;
};

}  // namespace orva
