#include "app/HeadlessOptions.h"

namespace orva {

const CommandLineSyntax kHeadlessCommandLine{
    "orvapanel-headless",
    "[OPTION]... [/NAME]",
    "Runs one OrvaPanel instance without windows: connects the board and the IOCP servers at\n"
    "start-up, prints what the scripts print and every question (answered with its safe\n"
    "default), and stops cleanly on SIGINT or SIGTERM (BEFORE DISCONNECT events run).\n",
    {{"scenario", "FILE",
      "test the instance's scripts as the scenario FILE says, against a\n"
      "simulated board and test servers; prints TAP"},
     {"junit", "FILE", "with --scenario: also write a JUnit XML report to FILE"},
     {"record", "FILE", "write the session as a scenario to FILE when the program ends"},
     {"check", "", "compile every event's script of the instance and print the errors"},
     {"reconnect", "",
      "when a server or the board goes away, wait for it and connect again\n"
      "instead of ending"},
     {"list-backups", "",
      "list the numbered backups of the instance's files that each save\n"
      "keeps, with their times and event counts"},
     {"restore", "N", "restore backup N of that list; the current file becomes a backup"}},
    "Exit status:\n"
    "  0  stopped by a signal, or --help or --version\n"
    "  1  the instance name was refused (invalid, or already running), or a crash\n"
    "  2  the connect failed (board or server missing), or a mistake on the command line\n"
    "  3  the link to a server was lost (never with --reconnect)\n"
    "  4  a failing script disconnected the instance\n"
    "With --scenario: 0 every step passed, 1 a step failed, 2 the scenario cannot run.\n"
    "With --check: 0 every script compiles, 1 one does not, 2 no such instance.\n"
    "With --list-backups and --restore: 0 done, 1 the instance is running or the file cannot\n"
    "be written, 2 no such instance or backup.\n"};

namespace {

// --list-backups and --restore N: about the instance's files alone, never with a run.
void BackupOptions(const ParsedCommandLine& parsed, HeadlessOptions& o) {
    const bool list = parsed.Has("list-backups");
    const auto restore = parsed.Value("restore");
    if (!list && !restore) return;
    if (o.mode != HeadlessOptions::Mode::Run || !o.record.empty() || o.reconnect ||
        (list && restore)) {
        o.error = "--list-backups and --restore go with nothing but the instance";
        return;
    }
    if (o.instanceParams.size() > 1) {
        o.error = "one instance at most";
        return;
    }
    o.mode = list ? HeadlessOptions::Mode::ListBackups : HeadlessOptions::Mode::RestoreBackup;
    if (!restore) return;
    const std::string& n = *restore;
    const bool number = !n.empty() && n.size() <= 9 && n[0] != '0' &&
                        n.find_first_not_of("0123456789") == std::string::npos;
    if (!number) {
        o.error = "--restore needs a backup number from --list-backups, not '" + n + "'";
        return;
    }
    o.restore = std::stoul(n);
}

}  // namespace

HeadlessOptions HeadlessOptionsFrom(const ParsedCommandLine& parsed) {
    HeadlessOptions o;
    o.instanceParams = parsed.instanceParams;
    if (parsed.action == CommandAction::Error) {
        o.error = parsed.error;
        return o;
    }
    for (const auto& [name, file] :
         {std::pair{"scenario", &o.scenario}, std::pair{"junit", &o.junit},
          std::pair{"record", &o.record}}) {
        const auto value = parsed.Value(name);
        if (!value) continue;
        if (value->empty()) {
            o.error = "--" + std::string(name) + " needs a file name";
            return o;
        }
        *file = *value;
    }
    const bool scenario = !o.scenario.empty();
    const bool check = parsed.Has("check");
    if (int(scenario) + int(check) + int(!o.record.empty()) > 1) {
        o.error = "--scenario, --record and --check cannot be combined";
    } else if (!o.junit.empty() && !scenario) {
        o.error = "--junit goes with --scenario";
    } else if ((scenario || check) && o.instanceParams.size() > 1) {
        o.error = "one instance at most";
    } else if ((scenario || check) && parsed.Has("reconnect")) {
        o.error = "--reconnect goes with a normal run";
    }
    o.reconnect = parsed.Has("reconnect");
    o.mode = scenario ? HeadlessOptions::Mode::Scenario
                      : (check ? HeadlessOptions::Mode::Check : HeadlessOptions::Mode::Run);
    if (o.error.empty()) BackupOptions(parsed, o);
    return o;
}

HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args) {
    return HeadlessOptionsFrom(ParseCommandLine(args, kHeadlessCommandLine));
}

}  // namespace orva
