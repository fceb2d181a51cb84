#include "SimCommands.h"

#include <array>
#include <utility>

namespace orva::sim {
namespace {

constexpr std::array<SimOption, 13> kOptions{{
    {"orvasim", "--help, -h", "", "Prints this help and exits."},
    {"orvasim", "--version", "", "Prints the name and version and exits."},
    {"board", "--serial", "SERIAL",
     "The board's serial number: the one the instance's configuration names (default "
     "ORVA-12345)."},
    {"board", "--kind", "main|servo",
     "A main board (16 inputs and 16 outputs of its own, pins 496-511, analog channels 1-7, "
     "extension cards) or an analog and servo board (analog channels 1-8, servos 1-8). Default: "
     "main."},
    {"board", "--ext", "LIST",
     "The ADDRs of the extension cards the main board reports, separated by commas: 0-4 cards "
     "of 64 inputs, 5-9 cards of 64 outputs, 10-14 cards of 32 inputs and 32 outputs, 15-19 "
     "cards of 32 display digits. Without it the board has only its own pins 496-511."},
    {"board", "--gui", "",
     "Shows the board in a window of switches, LEDs, digits, sliders, knobs and servo needles; "
     "it still takes the commands."},
    {"board", "--knob", "PINA,PINB",
     "With --gui: a knob that turns an encoder wired to those two input pins. May be given "
     "again for more knobs."},
    {"iocp", "--port", "N",
     "The TCP port on 127.0.0.1. 0, the default, picks a free port; the server prints it when "
     "it is ready."},
    {"iocp", "--alias", "NAME",
     "The server's alias, as it announces itself to the plug-and-play module (default P3D)."},
    {"iocp", "--keepalive", "MS",
     "Sends \"Arn.Vivo:\" every MS milliseconds (default 5000; 0: never)."},
    {"ctl", "SOCKET", "",
     "The control socket of a running simulator, as it printed it when it started."},
    {"ctl", "COMMAND...", "",
     "One command of that simulator (the words are joined by blanks). The answer is printed; "
     "the exit code is 0 unless the answer is an error or a timeout."},
    {"board, iocp", "(stdin)", "",
     "Each line read is a command; its answer is printed. The end of stdin ends nothing: the "
     "control socket still works."},
}};

constexpr std::array<SimCommand, 34> kCommands{{
    {"board", "set", "PIN 0|1",
     "Sets an input pin (16-511) to 1 (closed) or 0 (open); one inputs report.", "set 20 1"},
    {"board", "setmany", "PIN=0|1 ...", "Sets several input pins in one inputs report.",
     "setmany 20=1 21=0"},
    {"board", "toggle", "PIN", "Flips an input pin.", "toggle 20"},
    {"board", "burst", "PIN COUNT",
     "Toggles an input pin COUNT times, one report each, as fast as the panel takes them.",
     "burst 20 4"},
    {"board", "adc", "CHANNEL VALUE",
     "Sets an analog channel (main board 1-7, servo board 1-8) to VALUE (0-65535); one analog "
     "report.",
     "adc 1 512"},
    {"board", "encoder", "PINA PINB DETENTS",
     "Turns an encoder wired to two input pins by DETENTS detents of four edges each; a "
     "negative number turns it backward.",
     "encoder 100 101 3"},
    {"board", "out", "PIN", "Answers 1 when the panel has switched the output pin on, else 0.",
     "out 30"},
    {"board", "outputs", "", "Answers the output pins that are on (\"on: 30 496\").", "outputs"},
    {"board", "display", "",
     "Answers what each display card (ADDR 15-19) shows; \"displays\" does the same.", "display"},
    {"board", "digits", "FIRST LAST",
     "Answers the characters on the display digits FIRST to LAST (1-160), a \".\" after a "
     "digit whose decimal point is lit.",
     "digits 1 3"},
    {"board", "servo", "", "Answers the servo enable mask and the eight servo positions.", "servo"},
    {"board", "mask", "", "Answers the analog channel mask the panel set (\"adc=N\").", "mask"},
    {"board", "info", "",
     "Answers the serial, the kind, the panels that have the board open, the reports received "
     "and the control socket.",
     "info"},
    {"board", "wait-out", "PIN LEVEL [MS]",
     "Waits until the output pin has that level: \"ok\", or \"timeout\" after MS milliseconds "
     "(default 5000).",
     "wait-out 30 0 100"},
    {"board", "wait-digits", "FIRST LAST TEXT [MS]",
     "Waits until the digits FIRST to LAST show TEXT (as \"digits\" answers it): \"ok\", or "
     "\"timeout:\" and what they show.",
     "wait-digits 1 3 090 100"},
    {"board", "wait-client", "[MS]", "Waits until a panel has opened the board.",
     "wait-client 100"},
    {"board", "last-report-time", "",
     "Answers when the last report was sent (steady clock, nanoseconds); for measurements.",
     "last-report-time"},
    {"board", "quit", "", "Ends the simulator, which unplugs the board.", "quit"},
    {"iocp", "set", "OFFSET VALUE",
     "Sets an offset and sends \"Arn.Resp:OFFSET=VALUE:\" to every client that registered it.",
     "set 330 1"},
    {"iocp", "setmany", "O=V:O=V ...",
     "Sets several offsets; each client hears of those it registered in one line.",
     "setmany 330=1:331=90"},
    {"iocp", "get", "OFFSET", "Answers the offset's value.", "get 330"},
    {"iocp", "burst", "COUNT OFFSET VALUE [bytes]",
     "Sends COUNT lines \"Arn.Resp:OFFSET+i=VALUE+i:\" in one write, or one byte per write "
     "with \"bytes\".",
     "burst 3 330 1"},
    {"iocp", "fin", "", "Sends \"Arn.Fin:\" to every client: the server is going away.", "fin"},
    {"iocp", "again", "", "Sends \"Arn.Reinicio:\", which asks the clients to register again.",
     "again"},
    {"iocp", "send", "LINE", "Sends LINE as it is to every client.", "send Arn.Vivo:"},
    {"iocp", "drop", "", "Closes every client's link.", "drop"},
    {"iocp", "drop-at-registration", "",
     "The next registration gets half an answer, then its link is cut.", "drop-at-registration"},
    {"iocp", "log", "", "Answers every line the clients have sent.", "log"},
    {"iocp", "clients", "", "Answers the number of connected clients.", "clients"},
    {"iocp", "wait-line", "LINE [MS]",
     "Waits until a client has sent LINE: \"ok\", or \"timeout\" after MS milliseconds "
     "(default 5000).",
     "wait-line Arn.Fin: 100"},
    {"iocp", "wait-line-time", "LINE [MS]",
     "As wait-line, but answers when the line arrived (steady clock, nanoseconds); for "
     "measurements.",
     "wait-line-time Arn.Fin: 100"},
    {"iocp", "wait-clients", "N [MS]", "Waits until N clients are connected.",
     "wait-clients 0 100"},
    {"iocp", "info", "", "Answers the alias, the port, the clients and the control socket.",
     "info"},
    {"iocp", "quit", "", "Ends the server.", "quit"},
}};

constexpr std::string_view kUsage =
    "usage: orvasim board --serial SERIAL --kind main|servo [--ext LIST]\n"
    "                     [--gui [--knob PINA,PINB]...]\n"
    "       orvasim iocp --port N [--alias NAME] [--keepalive MS]\n"
    "       orvasim ctl CONTROL-SOCKET COMMAND...\n"
    "       orvasim --help | --version\n";

constexpr size_t kWidth = 79;
constexpr size_t kTextColumn = 28;

// Words of text filled into lines of kWidth, every line but the first indented to kTextColumn;
// the first line starts at column.
std::string Wrapped(std::string_view text, size_t column) {
    std::string out;
    size_t at = column;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find(' ');
        const std::string_view word = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!first && at + 1 + word.size() > kWidth) {
            out += "\n" + std::string(kTextColumn, ' ');
            at = kTextColumn;
        } else if (!first) {
            out += ' ';
            ++at;
        }
        out += word;
        at += word.size();
        first = false;
    }
    return out;
}

// "  head" padded to the text column (or on a line of its own when longer), then the text.
std::string Entry(const std::string& head, std::string_view text) {
    std::string line = "  " + head;
    if (line.size() + 1 > kTextColumn) {
        line += "\n" + std::string(kTextColumn, ' ');
    } else {
        line.resize(kTextColumn, ' ');
    }
    return line + Wrapped(text, kTextColumn) + "\n";
}

std::string Joined(std::string_view a, std::string_view b) {
    return b.empty() ? std::string(a) : std::string(a) + " " + std::string(b);
}

}  // namespace

std::span<const SimOption> SimOptions() {
    return kOptions;
}

std::span<const SimCommand> SimCommands() {
    return kCommands;
}

std::string SimUsage() {
    return std::string(kUsage);
}

std::string SimHelp() {
    std::string text = SimUsage();
    text +=
        "\nSimulators of an Orva board and of an IOCP server on 127.0.0.1, for\n"
        "development, demos and tests: OrvaPanel finds and opens them like real ones.\n";
    constexpr std::pair<std::string_view, std::string_view> kSections[] = {
        {"orvasim", "Options"},
        {"board", "orvasim board"},
        {"iocp", "orvasim iocp"},
        {"ctl", "orvasim ctl"},
        {"board, iocp", "Both simulators"}};
    for (const auto& [program, heading] : kSections) {
        text += "\n" + std::string(heading) + ":\n";
        for (const SimOption& o : kOptions) {
            if (o.program == program) text += Entry(Joined(o.option, o.argument), o.text);
        }
    }
    for (const std::string_view simulator : {"board", "iocp"}) {
        text += "\nCommands of orvasim " + std::string(simulator) +
                " (on its stdin, or orvasim ctl SOCKET COMMAND):\n";
        for (const SimCommand& c : kCommands) {
            if (c.simulator == simulator) text += Entry(Joined(c.name, c.arguments), c.text);
        }
    }
    return text;
}

std::string UnknownCommandAnswer(std::string_view simulator) {
    std::string names;
    for (const SimCommand& c : kCommands) {
        if (c.simulator != simulator) continue;
        names += (names.empty() ? "" : ", ") + std::string(c.name);
    }
    return "error: unknown command (" + names + ")";
}

}  // namespace orva::sim
