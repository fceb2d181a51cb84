// orvasim: simulators for development, demos and tests.
//   orvasim board --serial SERIAL --kind main|servo [--ext 0,5,15] [--gui [--knob A,B]...]
//   orvasim iocp --port N [--alias NAME]
//   orvasim ctl CONTROL-SOCKET COMMAND...   (one command to a running simulator)
//   orvasim --help | --version
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BoardSim.h"
#include "IocpSim.h"
#include "SimCommands.h"
#include "SimSupport.h"
#include "platform/UnixSocket.h"
#ifdef ORVASIM_GUI
#include "BoardApp.h"
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

int Usage() {
    std::fputs(orva::sim::SimUsage().c_str(), stderr);
    return 2;
}

int Help() {
    std::fputs(orva::sim::SimHelp().c_str(), stdout);
    return 0;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

// Commands from stdin until "quit" or a signal, served on the main thread: a reader thread
// would race the signal handler's flag and could still run a command while the simulator is
// being destroyed. The poll timeout lets a signal be seen at once.
template <typename Execute>
void ServeStdin(Execute execute) {
    std::string pending;
    bool input = true;  // the end of stdin ends nothing: the control socket drives us then
    while (!g_stop) {
        if (!input) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            input = false;
            if (pending.empty()) continue;
            pending.push_back('\n');  // a last line without its end still counts
        } else {
            pending.append(buffer, static_cast<size_t>(n));
        }
        for (size_t nl = pending.find('\n'); nl != std::string::npos && !g_stop;
             nl = pending.find('\n')) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string answer = execute(line);
            std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
            if (line == "quit") g_stop = 1;
        }
    }
}

// "--ext 0,5,15" and "--knob 100,101": numbers within a range, split by commas.
std::optional<std::vector<int>> NumberList(std::string list, int low, int high) {
    for (char& ch : list) ch = ch == ',' ? ' ' : ch;
    std::vector<int> numbers;
    for (const auto& word : orva::sim::SplitWords(list)) {
        const auto n = orva::sim::ParseNumber(word);
        if (!n || *n < low || *n > high) return std::nullopt;
        numbers.push_back(static_cast<int>(*n));
    }
    return numbers;
}

int RunBoard(int argc, char** argv) {
    orva::sim::BoardOptions options;
    bool gui = false;
    std::vector<std::pair<int, int>> knobs;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(arg)) return Help();
        if (arg == "--gui") {
            gui = true;
            continue;
        }
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (arg == "--serial") {
            options.serial = value;
        } else if (arg == "--kind") {
            if (value != "main" && value != "servo") return Usage();
            options.kind =
                value == "main" ? orva::sim::BoardKind::Main : orva::sim::BoardKind::Servo;
        } else if (arg == "--ext") {
            const auto addrs = NumberList(value, 0, 63);
            if (!addrs) return Usage();
            options.extensions.insert(options.extensions.end(), addrs->begin(), addrs->end());
        } else if (arg == "--knob") {
            const auto pins = NumberList(value, 16, 511);
            if (!pins || pins->size() != 2) return Usage();
            knobs.emplace_back((*pins)[0], (*pins)[1]);
        } else {
            return Usage();
        }
    }
    if (!knobs.empty() && !gui) return Usage();
#ifdef ORVASIM_GUI
    std::unique_ptr<orva::sim::CBoardApp> window;
    if (gui) {
        std::string why;
        window = orva::sim::CBoardApp::Create(argc, argv, why);
        if (!window) {
            std::fprintf(stderr, "orvasim: cannot open the board window: %s\n", why.c_str());
            return 1;
        }
    }
#else
    if (gui) {
        std::fprintf(stderr,
                     "orvasim: this build has no board window (it was built without Qt); drive "
                     "the board with commands on stdin or orvasim ctl instead\n");
        return 2;
    }
#endif
    orva::sim::CBoardSim board(options);
    if (!board.Start()) {
        std::fprintf(stderr, "orvasim: cannot create the board's sockets\n");
        return 1;
    }
    std::printf("board %s ready, control socket %s\n", options.serial.c_str(),
                board.ControlPath().c_str());
    std::fflush(stdout);
#ifdef ORVASIM_GUI
    if (window) {
        window->Run(board, knobs);
        board.Stop();
        return 0;
    }
#endif
    ServeStdin([&](const std::string& line) { return board.Execute(line); });
    board.Stop();
    return 0;
}

// orvasim ctl SOCKET COMMAND...: one command to a running simulator, its answer printed.
int RunCtl(int argc, char** argv) {
    if (argc == 3 && IsHelp(argv[2])) return Help();
    if (argc < 4) return Usage();
    std::string command;
    for (int i = 3; i < argc; ++i) command += (i > 3 ? " " : "") + std::string(argv[i]);
    const int fd = orva::ConnectUnixSocket(argv[2]);
    if (fd < 0) {
        std::fprintf(stderr, "orvasim ctl: cannot reach %s\n", argv[2]);
        return 1;
    }
    std::string pending;
    orva::sim::WriteAll(fd, command + "\n");
    const auto answer = orva::sim::ReadLine(fd, pending);
    std::printf("%s\n", answer.value_or("").c_str());
    return answer && answer->rfind("error", 0) != 0 && answer->rfind("timeout", 0) != 0 ? 0 : 1;
}

int RunIocp(int argc, char** argv) {
    orva::sim::IocpOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(arg)) return Help();
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (arg == "--port") {
            const auto port = orva::sim::ParseNumber(value);
            if (!port || *port < 0 || *port > 65535) return Usage();
            options.port = static_cast<int>(*port);
        } else if (arg == "--alias") {
            options.alias = value;
        } else if (arg == "--keepalive") {
            const auto ms = orva::sim::ParseNumber(value);
            if (!ms || *ms < 0) return Usage();
            options.keepAliveMs = static_cast<int>(*ms);
        } else {
            return Usage();
        }
    }
    orva::sim::CIocpSim server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "orvasim: cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    std::printf("iocp %s ready on 127.0.0.1:%d, control socket %s\n", options.alias.c_str(),
                server.Port(), server.ControlPath().c_str());
    std::fflush(stdout);
    ServeStdin([&](const std::string& line) { return server.Execute(line); });
    server.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) return Usage();
    const std::string first = argv[1];
    if (IsHelp(first)) return Help();
    if (first == "--version") {
        std::printf("orvasim (OrvaPanel) %s\n", ORVA_VERSION);
        return 0;
    }
    if (std::strcmp(argv[1], "board") == 0) return RunBoard(argc, argv);
    if (std::strcmp(argv[1], "iocp") == 0) return RunIocp(argc, argv);
    if (std::strcmp(argv[1], "ctl") == 0) return RunCtl(argc, argv);
    return Usage();
}
