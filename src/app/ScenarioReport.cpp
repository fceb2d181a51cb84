#include "app/ScenarioReport.h"

#include <algorithm>
#include <cstdio>

#include "xml/XmlElement.h"

namespace orva {
namespace {

// A TAP description: a '#' would start a directive, a line break a new line.
std::string TapText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '#')
            out += "\\#";
        else if (c == '\n' || c == '\r')
            out += ' ';
        else
            out.push_back(c);
    }
    return out;
}

// Text for an XML attribute or element: the control characters XML 1.0 cannot hold as '?'.
std::string XmlText(std::string_view text) {
    std::string kept(text);
    for (char& c : kept) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') c = '?';
    }
    return XmlEscape(kept);
}

std::string Seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%.3f", s);
    return buf;
}

std::string CaseName(size_t number, const StepResult& r) {
    std::string name = std::to_string(number) + " - " + r.name;
    if (r.line > 0) name += " (line " + std::to_string(r.line) + ")";
    return name;
}

}  // namespace

std::string TapLine(size_t number, const StepResult& r) {
    std::string line = (r.status == StepResult::Status::Failed ? "not ok " : "ok ") +
                       std::to_string(number) + " - " + TapText(r.name);
    if (r.status == StepResult::Status::Failed && !r.reason.empty()) {
        line += " (" + TapText(r.reason) + ")";
    } else if (r.status == StepResult::Status::Skipped) {
        line += " # SKIP " + TapText(r.reason);
    }
    return line;
}

CScenarioReport::CScenarioReport(std::function<void(const std::string&)> write)
    : write_(std::move(write)) {}

void CScenarioReport::Add(StepResult result) {
    results_.push_back(std::move(result));
    const StepResult& r = results_.back();
    std::string text = TapLine(results_.size(), r) + "\n";
    if (r.status == StepResult::Status::Failed && r.line > 0) {
        text += "#   at line " + std::to_string(r.line) + "\n";
    }
    for (const auto& d : r.details) text += "#   " + TapText(d) + "\n";
    write_(text);
}

void CScenarioReport::Note(std::string_view text) {
    write_("# " + TapText(text) + "\n");
}

void CScenarioReport::BailOut(std::string_view reason) {
    write_("Bail out! " + TapText(reason) + "\n");
}

void CScenarioReport::Finish() {
    write_("1.." + std::to_string(results_.size()) + "\n");
}

bool CScenarioReport::AllPassed() const {
    return std::none_of(results_.begin(), results_.end(),
                        [](const StepResult& r) { return r.status == StepResult::Status::Failed; });
}

std::string CScenarioReport::JUnitXml(std::string_view suite, double seconds,
                                      std::string_view error) const {
    const auto count = [&](StepResult::Status s) {
        return std::count_if(results_.begin(), results_.end(),
                             [&](const StepResult& r) { return r.status == s; });
    };
    const std::string name = XmlText(suite);
    const size_t tests = results_.size() + (error.empty() ? 0 : 1);
    const std::string totals = " tests=\"" + std::to_string(tests) + "\" failures=\"" +
                               std::to_string(count(StepResult::Status::Failed)) + "\" errors=\"" +
                               (error.empty() ? "0" : "1") + "\" skipped=\"" +
                               std::to_string(count(StepResult::Status::Skipped)) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + name +
                      "\"" + totals + " time=\"" + Seconds(seconds) + "\">\n  <testsuite name=\"" +
                      name + "\"" + totals + " time=\"" + Seconds(seconds) + "\">\n";
    for (size_t i = 0; i < results_.size(); ++i) {
        const StepResult& r = results_[i];
        xml += "    <testcase classname=\"" + name + "\" name=\"" + XmlText(CaseName(i + 1, r)) +
               "\" time=\"" + Seconds(r.seconds) + "\"";
        if (r.status == StepResult::Status::Passed) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n";
        if (r.status == StepResult::Status::Skipped) {
            xml += "      <skipped message=\"" + XmlText(r.reason) + "\"/>\n";
        } else {
            std::string body;
            for (const auto& d : r.details) body += d + "\n";
            xml += "      <failure message=\"" + XmlText(r.reason) + "\">" + XmlText(body) +
                   "</failure>\n";
        }
        xml += "    </testcase>\n";
    }
    if (!error.empty()) {
        xml += "    <testcase classname=\"" + name + "\" name=\"scenario\" time=\"0.000\">\n" +
               "      <error message=\"" + XmlText(error) + "\"/>\n    </testcase>\n";
    }
    return xml + "  </testsuite>\n</testsuites>\n";
}

}  // namespace orva
