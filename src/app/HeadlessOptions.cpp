#include "app/HeadlessOptions.h"

#include <optional>

#include "platform/Text.h"

namespace orva {
namespace {

// "--name VALUE" or "--name=VALUE" at args[i]; advances i past what it took.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t& i,
                                       std::string_view name, std::string& error) {
    const std::string& arg = args[i];
    const std::string prefix = "--" + std::string(name);
    if (arg == prefix) {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = prefix + " needs a file name";
            return std::nullopt;
        }
        return args[++i];
    }
    if (arg.rfind(prefix + "=", 0) == 0) {
        std::string value = arg.substr(prefix.size() + 1);
        if (value.empty()) error = prefix + " needs a file name";
        return value;
    }
    return std::nullopt;
}

}  // namespace

HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args) {
    HeadlessOptions o;
    bool check = false;
    for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        if (args[i] == "--check") {
            check = true;
        } else if (auto v = OptionValue(args, i, "scenario", o.error)) {
            o.scenario = *v;
        } else if (auto j = OptionValue(args, i, "junit", o.error)) {
            o.junit = *j;
        } else if (auto r = OptionValue(args, i, "record", o.error)) {
            o.record = *r;
        } else if (o.error.empty()) {
            o.instanceParams.push_back(FromUtf8(args[i]));
        }
    }
    if (!o.error.empty()) return o;
    const bool scenario = !o.scenario.empty();
    if (int(scenario) + int(check) + int(!o.record.empty()) > 1) {
        o.error = "--scenario, --record and --check cannot be combined";
    } else if (!o.junit.empty() && !scenario) {
        o.error = "--junit goes with --scenario";
    } else if ((scenario || check) && o.instanceParams.size() > 1) {
        o.error = "one instance at most";
    }
    o.mode = scenario ? HeadlessOptions::Mode::Scenario
                      : (check ? HeadlessOptions::Mode::Check : HeadlessOptions::Mode::Run);
    return o;
}

}  // namespace orva
