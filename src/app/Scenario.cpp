#include "app/Scenario.h"

#include <algorithm>
#include <charconv>

#include "app/InstanceName.h"
#include "platform/Text.h"

namespace orva {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
    size_t begin = 0;  // in the line
};

// A command of a simulator with how many words may follow it (-1: any number from min on).
struct SimCommand {
    std::string_view name;
    int min;
    int max;
};

// What orvasim board and orvasim iocp take on their control sockets ("quit" would only end the
// runner's own link to them, so it is no step).
constexpr SimCommand kBoardCommands[] = {
    {"set", 2, 2},      {"setmany", 1, -1},    {"toggle", 1, 1},
    {"burst", 2, 2},    {"adc", 2, 2},         {"encoder", 3, 3},
    {"out", 1, 1},      {"outputs", 0, 0},     {"display", 0, 0},
    {"displays", 0, 0}, {"digits", 2, 2},      {"servo", 0, 0},
    {"mask", 0, 0},     {"info", 0, 0},        {"last-report-time", 0, 0},
    {"wait-out", 2, 3}, {"wait-digits", 3, 4}, {"wait-client", 0, 1},
};
constexpr SimCommand kServerCommands[] = {
    {"set", 2, 2},
    {"setmany", 1, -1},
    {"get", 1, 1},
    {"burst", 3, 4},
    {"fin", 0, 0},
    {"again", 0, 0},
    {"send", 1, -1},
    {"drop", 0, 0},
    {"drop-at-registration", 0, 0},
    {"log", 0, 0},
    {"clients", 0, 0},
    {"wait-line", 1, 2},
    {"wait-line-time", 1, 2},
    {"wait-clients", 1, 2},
    {"info", 0, 0},
};

template <size_t N>
const SimCommand* FindCommand(const SimCommand (&table)[N], std::string_view name) {
    for (const SimCommand& c : table) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

template <size_t N>
std::string CommandNames(const SimCommand (&table)[N]) {
    std::string names;
    for (const SimCommand& c : table) names += (names.empty() ? "" : ", ") + std::string(c.name);
    return names;
}

class CLineParser {
public:
    CLineParser(std::string_view line, int number) : line_(line), number_(number) {}

    // Cuts the comment off and splits the rest into words; false (with the reason) when a
    // quoted text is not closed.
    bool Tokenize() {
        size_t i = 0;
        while (i < line_.size()) {
            const char c = line_[i];
            if (c == ' ' || c == '\t') {
                ++i;
                continue;
            }
            if (c == '#') break;
            Token token;
            token.begin = i;
            if (c == '"') {
                token.quoted = true;
                ++i;
                bool closed = false;
                while (i < line_.size()) {
                    if (line_[i] == '\\' && i + 1 < line_.size()) {
                        token.text.push_back(line_[i + 1]);
                        i += 2;
                    } else if (line_[i] == '"') {
                        ++i;
                        closed = true;
                        break;
                    } else {
                        token.text.push_back(line_[i++]);
                    }
                }
                if (!closed) return Fail("the quoted text is not closed with \"");
                if (i < line_.size() && line_[i] != ' ' && line_[i] != '\t' && line_[i] != '#') {
                    return Fail("a quoted text must be followed by a blank");
                }
            } else {
                while (i < line_.size() && line_[i] != ' ' && line_[i] != '\t' && line_[i] != '#' &&
                       line_[i] != '"') {
                    token.text.push_back(line_[i++]);
                }
                if (i < line_.size() && line_[i] == '"') {
                    return Fail("a quote inside a word: put the whole text in quotes");
                }
            }
            end_ = i;
            tokens_.push_back(std::move(token));
        }
        return true;
    }

    const std::vector<Token>& Tokens() const { return tokens_; }
    std::string Text() const { return std::string(line_.substr(0, end_)).substr(tokens_[0].begin); }
    // The line from word i to the end, as written.
    std::string RestFrom(size_t i) const {
        return std::string(line_.substr(tokens_[i].begin, end_ - tokens_[i].begin));
    }

    bool Fail(std::string reason) {
        error_ = ScenarioError{number_, std::move(reason)};
        return false;
    }
    const std::optional<ScenarioError>& Error() const { return error_; }

    bool Number(size_t i, int64_t low, int64_t high, std::string_view what, int64_t& out) {
        const std::string& t = tokens_[i].text;
        int64_t v = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (tokens_[i].quoted || t.empty() || ec != std::errc() || end != t.data() + t.size() ||
            v < low || v > high) {
            return Fail(std::string(what) + " must be a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high) + ", not '" + t + "'");
        }
        out = v;
        return true;
    }

    bool Number(size_t i, int64_t low, int64_t high, std::string_view what, int& out) {
        int64_t v = 0;
        if (!Number(i, low, high, what, v)) return false;
        out = static_cast<int>(v);
        return true;
    }

private:
    std::string_view line_;
    int number_;
    std::vector<Token> tokens_;
    size_t end_ = 0;  // where the last word ends
    std::optional<ScenarioError> error_;
};

class CScenarioParser {
public:
    ScenarioParse Parse(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        int number = 0;
        while (!text.empty() || number == 0) {
            ++number;
            const size_t nl = text.find('\n');
            std::string_view line = text.substr(0, nl);
            text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!ParseLine(line, number)) return ScenarioParse{{}, error_};
            if (text.empty()) break;
        }
        return ScenarioParse{std::move(scenario_), std::nullopt};
    }

private:
    bool Fail(int number, std::string reason) {
        error_ = ScenarioError{number, std::move(reason)};
        return false;
    }

    bool ParseLine(std::string_view line, int number) {
        if (!IsValidUtf8(line)) return Fail(number, "the line is not UTF-8 text");
        if (std::any_of(line.begin(), line.end(), [](char c) {
                return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
            })) {
            return Fail(number, "the line holds a control character");
        }
        CLineParser p(line, number);
        if (!p.Tokenize()) return Fail(number, p.Error()->reason);
        if (p.Tokens().empty()) return true;
        ScenarioStep step;
        step.line = number;
        step.text = p.Text();
        const std::string& word = p.Tokens()[0].text;
        bool ok = false;
        if (p.Tokens()[0].quoted) {
            ok = p.Fail("a step begins with a word, not with a quoted text");
        } else if (word == "instance") {
            return Header(p, number, [&] { return Instance(p); });
        } else if (word == "board" && p.Tokens().size() > 1 && !p.Tokens()[1].quoted &&
                   p.Tokens()[1].text == "kind") {
            return Header(p, number, [&] { return BoardHeader(p); });
        } else if (word == "board") {
            ok = Simulator(p, step, false);
        } else if (word == "server") {
            ok = Simulator(p, step, true);
        } else if (word == "wait") {
            step.kind = StepKind::Wait;
            ok = p.Tokens().size() == 2 ? p.Number(1, 0, kMaxScenarioMs, "the time", step.ms)
                                        : p.Fail("wait MILLISECONDS");
        } else if (word == "connect" || word == "disconnect") {
            step.kind = word == "connect" ? StepKind::Connect : StepKind::Disconnect;
            ok = p.Tokens().size() == 1 || p.Fail(word + " takes nothing after it");
        } else if (word == "expect") {
            ok = Expect(p, step);
        } else {
            ok = p.Fail("unknown step '" + word +
                        "' (steps: board, server, wait, connect, disconnect, expect; headers: "
                        "instance, board kind)");
        }
        if (!ok) return Fail(number, p.Error()->reason);
        scenario_.steps.push_back(std::move(step));
        return true;
    }

    template <typename Read>
    bool Header(CLineParser& p, int number, Read read) {
        if (!scenario_.steps.empty()) {
            return Fail(number, "'" + p.Tokens()[0].text + "' belongs before the first step");
        }
        return read() || Fail(number, p.Error()->reason);
    }

    bool Instance(CLineParser& p) {
        if (seenInstance_) return p.Fail("the instance is named twice");
        seenInstance_ = true;
        if (p.Tokens().size() != 2 || p.Tokens()[1].text.empty()) return p.Fail("instance NAME");
        const std::string& name = p.Tokens()[1].text;
        if (HasForbiddenNameCharacter(FromUtf8(name))) {
            return p.Fail("'" + name + "' cannot name an instance (it must be a valid file name)");
        }
        scenario_.instance = name;
        return true;
    }

    bool BoardHeader(CLineParser& p) {
        if (seenBoard_) return p.Fail("the board is described twice");
        seenBoard_ = true;
        const auto& t = p.Tokens();
        const bool shape = (t.size() == 3 || (t.size() == 5 && t[3].text == "ext" && !t[3].quoted));
        if (!shape || t[2].quoted || (t[2].text != "main" && t[2].text != "servo")) {
            return p.Fail("board kind main|servo [ext ADDR,ADDR,...]");
        }
        scenario_.servoBoard = t[2].text == "servo";
        if (t.size() == 5) {
            std::string list = t[4].text;
            size_t at = 0;
            for (;;) {
                const size_t comma = list.find(',', at);
                const std::string item = list.substr(at, comma - at);
                int addr = 0;
                const auto [end, ec] =
                    std::from_chars(item.data(), item.data() + item.size(), addr);
                if (t[4].quoted || item.empty() || ec != std::errc() ||
                    end != item.data() + item.size() || addr < 0 || addr > 24) {
                    return p.Fail(
                        "the extension cards are ADDRs from 0 to 24 split by commas, "
                        "not '" +
                        list + "'");
                }
                scenario_.extensions.push_back(addr);
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            std::sort(scenario_.extensions.begin(), scenario_.extensions.end());
            scenario_.extensions.erase(
                std::unique(scenario_.extensions.begin(), scenario_.extensions.end()),
                scenario_.extensions.end());
        }
        return true;
    }

    bool Simulator(CLineParser& p, ScenarioStep& step, bool server) {
        const auto& t = p.Tokens();
        step.kind = server ? StepKind::Server : StepKind::Board;
        size_t at = 1;
        if (server && t.size() > 1 && (t[1].quoted || !IsServerCommand(t[1].text))) {
            step.alias = t[1].text;
            if (step.alias.empty()) return p.Fail("a server's alias cannot be empty");
            at = 2;
        }
        const char* usage = server ? "server [ALIAS] COMMAND ..." : "board COMMAND ...";
        if (at >= t.size()) return p.Fail(usage);
        const SimCommand* command = server ? FindCommand(kServerCommands, t[at].text)
                                           : FindCommand(kBoardCommands, t[at].text);
        if (!command || t[at].quoted) {
            // "server sett 330 1" reads "sett" as an alias: the typing error is the first word.
            const size_t unknown = at == 2 && !t[1].quoted ? 1 : at;
            return p.Fail("unknown " + std::string(server ? "server" : "board") + " command '" +
                          t[unknown].text + "' (" +
                          (server ? CommandNames(kServerCommands) : CommandNames(kBoardCommands)) +
                          ")");
        }
        const int words = static_cast<int>(t.size() - at - 1);
        if (words < command->min || (command->max >= 0 && words > command->max)) {
            const std::string count =
                command->max < 0 ? "at least " + std::to_string(command->min)
                : command->min == command->max
                    ? std::to_string(command->min)
                    : std::to_string(command->min) + " to " + std::to_string(command->max);
            return p.Fail("'" + t[at].text + "' takes " + count + " word" +
                          (command->max == 1 && command->min == 1 ? "" : "s") + " after it, not " +
                          std::to_string(words));
        }
        step.command = p.RestFrom(at);
        return true;
    }

    // "within MS" (or "for MS") at the end of an expectation: its words are taken off.
    bool Timing(CLineParser& p, std::vector<Token>& t, std::string_view word, ScenarioStep& step) {
        step.ms = kDefaultWithinMs;
        if (t.size() >= 2 && !t[t.size() - 2].quoted && t[t.size() - 2].text == word) {
            int64_t ms = 0;
            if (!p.Number(t.size() - 1, 0, kMaxScenarioMs, "the time", ms)) return false;
            step.ms = ms;
            t.resize(t.size() - 2);
        }
        return true;
    }

    bool Expect(CLineParser& p, ScenarioStep& step) {
        std::vector<Token> t = p.Tokens();
        const std::string what = t.size() > 1 && !t[1].quoted ? t[1].text : "";
        if (what == "no") {
            step.kind = StepKind::ExpectNoPrint;
            if (!Timing(p, t, "for", step)) return false;
            if (t.size() != 4 || t[2].quoted || t[2].text != "print" || t[3].text.empty()) {
                return p.Fail("expect no print TEXT [for MILLISECONDS]");
            }
            step.match = t[3].text;
            return true;
        }
        if (!Timing(p, t, "within", step)) return false;
        if (what == "server") {
            step.kind = StepKind::ExpectServer;
            if (t.size() == 4) {
                step.alias = t[2].text;
                if (step.alias.empty()) return p.Fail("a server's alias cannot be empty");
            }
            if (t.size() != 3 && t.size() != 4) {
                return p.Fail("expect server [ALIAS] TEXT [within MILLISECONDS]");
            }
            step.match = t.back().text;
            return true;
        }
        if (what == "output") {
            step.kind = StepKind::ExpectOutput;
            if (t.size() != 4) return p.Fail("expect output PIN 0|1 [within MILLISECONDS]");
            return p.Number(2, 16, 511, "the output pin", step.pin) &&
                   p.Number(3, 0, 1, "the level", step.level);
        }
        if (what == "digits") {
            step.kind = StepKind::ExpectDigits;
            if (t.size() != 5 || t[4].text.empty()) {
                return p.Fail("expect digits FIRST LAST TEXT [within MILLISECONDS]");
            }
            step.match = t[4].text;
            return p.Number(2, 1, 160, "the first digit", step.first) &&
                   p.Number(3, 1, 160, "the last digit", step.last);
        }
        if (what == "print") {
            step.kind = StepKind::ExpectPrint;
            if (t.size() != 3 || t[2].text.empty()) {
                return p.Fail("expect print TEXT [within MILLISECONDS]");
            }
            step.match = t[2].text;
            return true;
        }
        return p.Fail("expect server, output, digits, print or no print");
    }

    Scenario scenario_;
    std::optional<ScenarioError> error_;
    bool seenInstance_ = false;
    bool seenBoard_ = false;
};

std::string QuoteAlways(std::string_view word) {
    std::string out = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

std::string AliasWord(std::string_view alias) {
    return IsServerCommand(alias) || alias == "within" ? QuoteAlways(alias) : QuoteWord(alias);
}

std::string Within(const ScenarioStep& step, std::string_view word) {
    return step.ms == kDefaultWithinMs ? ""
                                       : " " + std::string(word) + " " + std::to_string(step.ms);
}

}  // namespace

ScenarioParse ParseScenario(std::string_view text) {
    return CScenarioParser().Parse(text);
}

bool IsServerCommand(std::string_view word) {
    return FindCommand(kServerCommands, word) != nullptr;
}

std::string QuoteWord(std::string_view word) {
    const bool plain = !word.empty() && word.find_first_of(" \t\"\\#") == std::string_view::npos;
    return plain ? std::string(word) : QuoteAlways(word);
}

std::string FormatStep(const ScenarioStep& step) {
    switch (step.kind) {
        case StepKind::Board:
            return "board " + step.command;
        case StepKind::Server:
            return "server " + (step.alias.empty() ? "" : AliasWord(step.alias) + " ") +
                   step.command;
        case StepKind::Wait:
            return "wait " + std::to_string(step.ms);
        case StepKind::Connect:
            return "connect";
        case StepKind::Disconnect:
            return "disconnect";
        case StepKind::ExpectServer:
            return "expect server " + (step.alias.empty() ? "" : AliasWord(step.alias) + " ") +
                   QuoteAlways(step.match) + Within(step, "within");
        case StepKind::ExpectOutput:
            return "expect output " + std::to_string(step.pin) + " " + std::to_string(step.level) +
                   Within(step, "within");
        case StepKind::ExpectDigits:
            return "expect digits " + std::to_string(step.first) + " " + std::to_string(step.last) +
                   " " + QuoteAlways(step.match) + Within(step, "within");
        case StepKind::ExpectPrint:
            return "expect print " + QuoteAlways(step.match) + Within(step, "within");
        case StepKind::ExpectNoPrint:
            return "expect no print " + QuoteAlways(step.match) + Within(step, "for");
    }
    return {};
}

std::string FormatScenario(const Scenario& scenario) {
    std::string out;
    if (!scenario.instance.empty()) out += "instance " + QuoteWord(scenario.instance) + "\n";
    if (scenario.servoBoard || !scenario.extensions.empty()) {
        out += std::string("board kind ") + (scenario.servoBoard ? "servo" : "main");
        for (size_t i = 0; i < scenario.extensions.size(); ++i) {
            out += (i == 0 ? " ext " : ",") + std::to_string(scenario.extensions[i]);
        }
        out += "\n";
    }
    for (const ScenarioStep& step : scenario.steps) out += FormatStep(step) + "\n";
    return out;
}

}  // namespace orva
