// The simulators' command line and commands as data: `orvasim --help`, the simulators' answer to
// an unknown command and the user's manual are all made from these tables.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orva::sim {

// An option of `orvasim board`, `orvasim iocp` or `orvasim ctl`.
struct SimOption {
    std::string_view program;   // "board", "iocp" or "ctl"
    std::string_view option;    // "--serial"; for ctl the positional words
    std::string_view argument;  // "SERIAL"; empty for a flag
    std::string_view text;      // what it does, plain text
};

// A command that a running simulator takes on its stdin and its control socket.
struct SimCommand {
    std::string_view simulator;  // "board" or "iocp"
    std::string_view name;
    std::string_view arguments;  // as the usage writes them; empty when there are none
    std::string_view text;       // what it does and answers, plain text
    std::string_view example;    // one whole command line the simulator accepts
};

std::span<const SimOption> SimOptions();
std::span<const SimCommand> SimCommands();

// The usage lines (what a wrong command line prints on standard error).
std::string SimUsage();
// The usage, every option and every command of both simulators (`orvasim --help`).
std::string SimHelp();
// A simulator's answer to a command it does not know: the names of those it knows.
std::string UnknownCommandAnswer(std::string_view simulator);

}  // namespace orva::sim
