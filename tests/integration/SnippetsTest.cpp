// The snippet repository that ships with the program: every snippet runs in the headless
// program, attached to the event it says, against the simulated board and test servers, and
// does what its description promises on the wire and at the board.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "ui/text/Repository.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

// Printed when the instance has run its AFTER CONNECT events.
constexpr char kReady[] = "snippet test: connected";

// A pin no snippet uses, toggled until its event prints: the board's changes reach the panel.
constexpr int kProbePin = 511;
constexpr char kProbed[] = "snippet test: probe";

// Event types of the events file.
constexpr int kAfterConnect = 0;
constexpr int kBeforeDisconnect = 1;
constexpr int kDigitalPin = 2;
constexpr int kAnalog = 3;
constexpr int kEncoder = 4;
constexpr int kServer1 = 6;
constexpr int kServer2 = 7;

// Where a step goes: a simulator's control socket, the panel, or a file of the user folder.
enum class At { Board, Server, Server2, Panel, File };

struct Step {
    At at;
    std::string command;    // Panel: "print TEXT" or "restart"; File: the file's name
    std::string expect;     // the answer, the printed line or the file's content
    bool poll = false;      // ask again until the answer is the expected one
    bool contains = false;  // the answer holds the expected text
};

struct Event {
    int type;
    int id;
    std::string script;  // "snippet:" and a description takes that snippet's script
};

struct SnippetCase {
    std::string description;  // the snippet under test
    Event event;              // where the snippet goes (its script left empty)
    std::vector<Event> others;
    std::vector<Step> steps;
    bool servoBoard = false;
    bool twoServers = false;
    std::vector<std::pair<std::string, std::string>> files;  // in the user folder before start
};

Step B(std::string command, std::string expect = "ok") {
    return {At::Board, std::move(command), std::move(expect)};
}
Step BPoll(std::string command, std::string expect) {
    return {At::Board, std::move(command), std::move(expect), true};
}
// The board's servo positions, asked until they are these.
Step Servos(std::string positions) {
    return {At::Board, "servo", " positions=" + positions, true, true};
}
Step S(std::string command, std::string expect = "ok") {
    return {At::Server, std::move(command), std::move(expect)};
}
// The server has received this line.
Step Line(const std::string& line) {
    return S("wait-line " + line + " 5000");
}
Step Line2(const std::string& line) {
    return {At::Server2, "wait-line " + line + " 5000", "ok"};
}
Step Printed(std::string text) {
    return {At::Panel, "print", std::move(text)};
}

std::string SnippetScript(const char* description) {
    return std::string("snippet:") + description;
}

constexpr char kHeadingKnob[] = "Heading knob: create a cyclic encoder 0-359 (AFTER CONNECT)";
constexpr char kEncoderToOffset[] =
    "Encoder to offset: each encoder's value to offset 1300 + its id";
constexpr char kSpeedKnob[] =
    "Speed knob: an encoder that stops at 100 and 250, starting at 100 (AFTER CONNECT)";
constexpr char kHeadingDisplay[] =
    "Heading on a 3-digit display, with leading zeros (005, 090, 360 as 000)";
constexpr char kAnalogOn[] = "Analog channels: switch channels 1 and 2 on (AFTER CONNECT)";
constexpr char kDeadBand[] = "Analog channel to offset with a dead band (throttle, trim wheel)";
constexpr char kSaveOutputs[] =
    "Save the lit outputs to a file before disconnecting (BEFORE DISCONNECT)";
constexpr char kRestoreOutputs[] =
    "Light the outputs saved before the last disconnect (AFTER CONNECT)";
// Pin 506 toggles output 30 on each press, so a release or a start changes nothing.
const Event kToggle30{
    kDigitalPin, 506,
    "if Value == 1 then orva.dout.state.set(30, not orva.dout.state.get(30)) end"};

const std::vector<SnippetCase>& Cases() {
    static const std::vector<SnippetCase> cases = {
        {"Switch to offset: 1 while the switch is closed, 0 while it is open",
         {kDigitalPin, 18, ""},
         {},
         {B("set 18 1"), Line("Arn.Resp:1101=1:"), B("set 18 0"), Line("Arn.Resp:1101=0:"),
          S("log", "Arn.Resp:1101=1: | Arn.Resp:1101=0:")}},
        {"Switch to offset, inverted: 0 while closed, 1 while open",
         {kDigitalPin, 19, ""},
         {},
         {B("set 19 1"), Line("Arn.Resp:1102=0:"), B("set 19 0"), Line("Arn.Resp:1102=1:"),
          S("log", "Arn.Resp:1102=0: | Arn.Resp:1102=1:")}},
        {"Push button toggles an offset between 0 and 1 on every press",
         {kDigitalPin, 20, ""},
         {},
         {B("set 20 1"), Line("Arn.Resp:1103=1:"), B("set 20 0"), B("set 20 1"),
          Line("Arn.Resp:1103=0:"), S("log", "Arn.Resp:1103=1: | Arn.Resp:1103=0:")}},
        {"Push button sends an event key (a command) when pressed",
         {kDigitalPin, 21, ""},
         {},
         {B("set 21 1"),
          B("set 21 0"),
          B("set 21 1"),
          Line("Arn.Key:3010=1:"),
          {At::Server, "log", "Arn.Key:3010=1: | Arn.Key:3010=1:", true}}},
        {"Rotary selector: one pin per position, the position to one offset",
         {kDigitalPin, 0, ""},
         {},
         {B("set 497 1"), Line("Arn.Resp:1105=1:"), B("set 497 0"), B("set 499 1"),
          Line("Arn.Resp:1105=3:"), B("set 30 1"), B("set 499 0"), B("set 496 1"),
          Line("Arn.Resp:1105=0:"),
          S("log", "Arn.Resp:1105=1: | Arn.Resp:1105=3: | Arn.Resp:1105=0:")}},
        {"Three-position switch on two pins: 1 up, 0 centre, 2 down",
         {kDigitalPin, 0, ""},
         {},
         {B("set 22 1"), Line("Arn.Resp:1106=1:"), B("set 22 0"), Line("Arn.Resp:1106=0:"),
          B("set 23 1"), Line("Arn.Resp:1106=2:"),
          S("log", "Arn.Resp:1106=1: | Arn.Resp:1106=0: | Arn.Resp:1106=2:")}},
        {"Guarded switch: acts only while its guard (cover) is open",
         {kDigitalPin, 24, ""},
         // The guard is read when the event runs: the switch's events are seen through before
         // the guard opens.
         {{kDigitalPin, 24, "print('switch ', Value) printnl()"}},
         {B("set 24 1"), B("set 24 0"), Printed("switch 0"), B("set 25 1"), B("set 24 1"),
          Line("Arn.Resp:1107=1:"), S("log", "Arn.Resp:1107=1:")}},
        {"Pin ids from card and contact numbers: a switch on an input card by ADDR",
         {kDigitalPin, 0, ""},
         {},
         {B("set 24 1"), B("set 25 1"), Line("Arn.Resp:1110=1:"), S("log", "Arn.Resp:1110=1:")}},
        {"Offset to lamp: the lamp is lit while the offset is not 0",
         {kServer1, 1201, ""},
         {},
         {S("set 1201 7"), B("wait-out 16 1"), S("set 1201 0"), B("wait-out 16 0")}},
        {"Offset bits to lamps: one lamp per bit (annunciator words)",
         {kServer1, 1202, ""},
         {},
         {S("set 1202 5"), B("wait-out 19 1"), B("outputs", "on: 17 19"), S("set 1202 2"),
          B("wait-out 19 0"), B("outputs", "on: 18")}},
        {"Gear lights: green when down and locked, red while in transit",
         {kServer1, 1203, ""},
         {},
         {S("set 1203 8000"), B("wait-out 21 1"), B("outputs", "on: 21"), S("set 1203 16383"),
          B("wait-out 21 0"), B("outputs", "on: 20"), S("set 1203 0"), B("wait-out 20 0"),
          B("outputs", "on:")}},
        {"Lamp test: every lamp lit while the test switch is held, then as before",
         {kDigitalPin, 500, ""},
         {{kAfterConnect, 0, "orva.dout.state.set(23, true)"}},
         {B("wait-out 23 1"), B("set 500 1"), B("wait-out 40 1"), B("wait-out 511 1"),
          B("set 500 0"), B("wait-out 40 0"), B("outputs", "on: 23")}},
        {"Warning lamp that blinks while the offset is set (stall, fire)",
         {kServer1, 1204, ""},
         {},
         {S("set 1204 1"), B("wait-out 24 1"), B("wait-out 24 0"), B("wait-out 24 1"),
          S("set 1204 0"), BPoll("outputs", "on:")}},
        {"Pulse an output for half a second when a button is pressed (horn, solenoid)",
         {kDigitalPin, 501, ""},
         {},
         {B("set 501 1"), B("wait-out 25 1"), B("wait-out 25 0")}},
        {kHeadingKnob,
         {kAfterConnect, 0, ""},
         {{kEncoder, 0, SnippetScript(kEncoderToOffset)}},
         {B("encoder 26 27 3"), Line("Arn.Resp:1301=12:"), B("encoder 26 27 -5"),
          Line("Arn.Resp:1301=352:")}},
        {kEncoderToOffset,
         {kEncoder, 0, ""},
         {{kAfterConnect, 0, SnippetScript(kHeadingKnob)},
          {kAfterConnect, 0, SnippetScript(kSpeedKnob)}},
         {B("encoder 26 27 2"), Line("Arn.Resp:1301=8:"), B("encoder 28 29 1"),
          Line("Arn.Resp:1302=104:")}},
        {kSpeedKnob,
         {kAfterConnect, 0, ""},
         {{kEncoder, 0, SnippetScript(kEncoderToOffset)}},
         {B("encoder 28 29 5"), Line("Arn.Resp:1301=120:"), B("encoder 28 29 -20"),
          Line("Arn.Resp:1301=100:"), B("encoder 28 29 200"), Line("Arn.Resp:1301=250:")}},
        {"Altitude knob: 100 feet a step with a click factor (AFTER CONNECT)",
         {kAfterConnect, 0, ""},
         {{kEncoder, 0, SnippetScript(kEncoderToOffset)}},
         {B("encoder 30 31 3"), Line("Arn.Resp:1301=1200:"), B("encoder 30 31 -5"),
          Line("Arn.Resp:1301=0:")}},
        {"Encoder sends increase and decrease keys instead of a value",
         {kEncoder, 0, ""},
         {{kAfterConnect, 0, SnippetScript(kHeadingKnob)}},
         {B("encoder 26 27 1"),
          Line("Arn.Key:4001=1:"),
          B("encoder 26 27 -1"),
          Line("Arn.Key:4002=1:"),
          {At::Server, "log",
           "Arn.Key:4001=1: | Arn.Key:4001=1: | Arn.Key:4001=1: | Arn.Key:4001=1: | "
           "Arn.Key:4002=1: | Arn.Key:4002=1: | Arn.Key:4002=1: | Arn.Key:4002=1:",
           true}}},
        {kHeadingDisplay,
         {kServer1, 1401, ""},
         {},
         {S("set 1401 365"), B("wait-digits 1 3 005"), S("set 1401 90"), B("wait-digits 1 3 090")}},
        {"Speed (IAS) on a 3-digit display, 0 to 999",
         {kServer1, 1402, ""},
         {},
         {S("set 1402 1500"), B("wait-digits 4 6 999"), S("set 1402 250"),
          B("wait-digits 4 6 250")}},
        {"Vertical speed in hundreds of feet per minute on a 2-digit display",
         {kServer1, 1403, ""},
         {},
         {S("set 1403 1500"), B("wait-digits 7 8 15"), S("set 1403 -2300"),
          B("wait-digits 7 8 23")}},
        {"Radio frequency on a 6-digit display (11802 shows 118.025)",
         {kServer1, 1404, ""},
         {},
         {S("set 1404 11802"), B("wait-digits 9 14 118.025"), S("set 1404 12197"),
          B("wait-digits 9 14 121.975")}},
        {"Transponder code on 4 digits with leading zeros (a format of your own)",
         {kServer1, 1405, ""},
         {},
         {S("set 1405 42"), B("wait-digits 15 18 0042"), S("set 1405 7700"),
          B("wait-digits 15 18 7700")}},
        {"Avionics master switch: every display dark while it is off",
         {kDigitalPin, 503, ""},
         {{kServer1, 1401, SnippetScript(kHeadingDisplay)}},
         {S("set 1401 90"), B("wait-digits 1 3 090"), B("set 503 1"), B("set 503 0"),
          BPoll("digits 1 3", "   "), B("set 503 1"), B("wait-digits 1 3 090")}},
        {"Display blinks while an offset is set (a value out of range, a failure flag)",
         {kServer1, 1406, ""},
         {{kServer1, 1401, SnippetScript(kHeadingDisplay)}},
         {S("set 1401 90"), B("wait-digits 1 3 090"), S("set 1406 1"), BPoll("digits 1 3", "   "),
          B("wait-digits 1 3 090"), BPoll("digits 1 3", "   "), S("set 1406 0"),
          B("wait-digits 1 3 090")}},
        {kAnalogOn,
         {kAfterConnect, 0, ""},
         {{kAnalog, 0, SnippetScript(kDeadBand)}},
         {BPoll("mask", "adc=3"), B("adc 2 512"), Line("Arn.Resp:1502=8199:")}},
        {kDeadBand,
         {kAnalog, 1, ""},
         {{kAfterConnect, 0, SnippetScript(kAnalogOn)}},
         {BPoll("mask", "adc=3"), B("adc 1 512"), Line("Arn.Resp:1501=8199:"), B("adc 1 515"),
          B("adc 1 530"), Line("Arn.Resp:1501=8487:"),
          S("log", "Arn.Resp:1501=8199: | Arn.Resp:1501=8487:")}},
        {"Servo gauge: an offset of 0-100 % moves a needle over the servo's range",
         {kServer1, 1601, ""},
         {},
         {S("set 1601 50"), Servos("127,0,0,0,0,0,0,0"), S("set 1601 100"),
          Servos("255,0,0,0,0,0,0,0")},
         true},
        {"Servos to their middle position when the panel connects (AFTER CONNECT)",
         {kAfterConnect, 0, ""},
         {},
         {Servos("128,128,128,128,128,128,128,128")},
         true},
        {"Read a value from another server and write it to this one",
         {kDigitalPin, 504, ""},
         {{kServer2, 2002, "print('2002=' .. Value) printnl()"}},
         {{At::Server2, "set 2002 777", "ok"},
          Printed("2002=777"),
          B("set 504 1"),
          Line("Arn.Resp:1702=777:")},
         false,
         true},
        {"Copy an offset from one server to another as it changes",
         {kServer1, 1703, ""},
         {},
         {S("set 1703 42"), Line2("Arn.Resp:2003=42:"), S("set 1703 -7"),
          Line2("Arn.Resp:2003=-7:")},
         false,
         true},
        {"Print every input change to the print monitor (to find a switch's pin)",
         {kDigitalPin, 0, ""},
         {},
         {B("set 505 1"), Printed("pin 505 = 1"), B("set 505 0"), Printed("pin 505 = 0")}},
        {kSaveOutputs,
         {kBeforeDisconnect, 0, ""},
         {kToggle30},
         {B("set 506 1"),
          B("wait-out 30 1"),
          B("set 506 0"),
          {At::Panel, "restart", ""},
          {At::File, "saved-outputs.txt", "30\n"},
          B("outputs", "on:")}},
        {kRestoreOutputs,
         {kAfterConnect, 0, ""},
         {kToggle30, {kBeforeDisconnect, 0, SnippetScript(kSaveOutputs)}},
         {BPoll("outputs", "on: 31 45"),
          B("set 506 1"),
          B("wait-out 30 1"),
          B("set 506 0"),
          {At::Panel, "restart", ""},
          BPoll("outputs", "on: 30 31 45")},
         false,
         false,
         {{"saved-outputs.txt", "31\n45\n"}}},
    };
    return cases;
}

std::vector<Snippet> Shipped() {
    const auto snippets = ReadRepositoryBytes(test::ReadBytes(ORVA_BUNDLED_REPOSITORY));
    return snippets.value_or(std::vector<Snippet>());
}

// The registration line the panel sends a server: the offsets of its events in table order.
std::string Registration(const SnippetCase& c, int type) {
    std::vector<int> offsets;
    if (c.event.type == type) offsets.push_back(c.event.id);
    for (const Event& e : c.others) {
        if (e.type == type) offsets.push_back(e.id);
    }
    if (offsets.empty()) return "";
    std::string line = "Arn.Inicio:";
    for (int offset : offsets) line += std::to_string(offset) + ":";
    return line;
}

TEST(Snippets, TheShippedRepositoryHoldsEveryTestedSnippetAndNoOther) {
    const std::vector<Snippet> shipped = Shipped();
    EXPECT_GE(shipped.size(), 25u);
    std::set<std::string> tested;
    for (const SnippetCase& c : Cases()) tested.insert(c.description);
    EXPECT_EQ(tested.size(), Cases().size()) << "a snippet tested twice";
    std::set<std::string> names;
    for (const Snippet& s : shipped) {
        const std::string description = ToUtf8(s.description);
        SCOPED_TRACE(description);
        EXPECT_TRUE(names.insert(description).second) << "two snippets with one description";
        EXPECT_TRUE(tested.count(description)) << "no test runs this snippet";
        EXPECT_TRUE(s.CanInsert());
        EXPECT_NE(s.type, u"(null)");
        EXPECT_EQ(s.from, u"OrvaPanel");
        // Line ends survive the document: the first line is the comment saying the event.
        EXPECT_EQ(ToUtf8(s.script).rfind("-- Event: ", 0), 0u) << ToUtf8(s.script);
    }
    for (const std::string& description : tested) {
        EXPECT_TRUE(names.count(description)) << "not shipped: " << description;
    }
}

class SnippetTest : public test::HomeTest, public ::testing::WithParamInterface<size_t> {
protected:
    std::string ScriptOf(const std::string& description) {
        for (const Snippet& s : shipped_) {
            if (ToUtf8(s.description) == description) return ToUtf8(s.script);
        }
        ADD_FAILURE() << "no snippet " << description;
        return "";
    }
    std::string Resolve(const std::string& script) {
        return script.rfind("snippet:", 0) == 0 ? ScriptOf(script.substr(8)) : script;
    }

    void WriteInstance(const SnippetCase& c) {
        std::string conf =
            "[Iocp]\nServers=" + std::to_string(server2_ ? 2 : 1) +
            "\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" + std::to_string(server_->Port()) +
            "\n";
        if (server2_) {
            conf += "Alias_001=SIM2\nIpDir_001=127.0.0.1\nPort_001=" +
                    std::to_string(server2_->Port()) + "\n";
        }
        conf += "[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=" + serial_ + "\n";
        test::WriteBytes(folder_ / "snip_conf.cnf", conf);
        std::vector<Event> events{c.event};
        events.front().script = ScriptOf(c.description);
        events.insert(events.end(), c.others.begin(), c.others.end());
        // AFTER CONNECT events run in table order after the status says connected: this one
        // tells that the others (encoders, channels) are set up.
        events.push_back({kAfterConnect, 0, "print('" + std::string(kReady) + "') printnl()"});
        if (!c.servoBoard) {
            events.push_back(
                {kDigitalPin, kProbePin, "print('" + std::string(kProbed) + "') printnl()"});
        }
        std::string xml = "<offsets_list version=\"1.0\">\n";
        for (size_t i = 0; i < events.size(); ++i) {
            xml += "<offset type=\"" + std::to_string(events[i].type) + "\" name=\"EVENT" +
                   std::to_string(i) + "\" id=\"" + std::to_string(events[i].id) + "\" script=\"" +
                   XmlEscape(Resolve(events[i].script)) + "\"/>\n";
        }
        test::WriteBytes(folder_ / "snip_vars.xml", xml + "</offsets_list>\n");
        for (const auto& [name, content] : c.files) test::WriteBytes(folder_ / name, content);
    }

    void StartPanel() {
        panel_ = std::make_unique<test::Process>(
            test::BinPath("orvapanel-headless"), std::vector<std::string>{"/SNIP"},
            std::vector<std::pair<std::string, std::string>>{{"ORVA_WEB_HOST", ""}});
        ASSERT_TRUE(panel_->WaitForLine(kReady, 20s).has_value());
    }
    void StopPanel() {
        panel_->Signal(SIGTERM);
        EXPECT_EQ(panel_->Wait(10s), 0) << "the instance did not stop cleanly (a script failed?)";
    }

    std::string PanelText() const {
        std::string text;
        for (const std::string& line : panel_->Lines()) text += line + " | ";
        return text;
    }
    std::string Ask(At at, const std::string& command) {
        switch (at) {
            case At::Board:
                return board_->Command(command);
            case At::Server:
                return server_->Command(command);
            case At::Server2:
                return server2_ ? server2_->Command(command) : "no second server";
            default:
                return "";
        }
    }

    void Run(const Step& step) {
        SCOPED_TRACE(step.command);
        if (step.at == At::Panel) {
            if (step.command == "restart") {
                StopPanel();
                StartPanel();
            } else {
                EXPECT_TRUE(panel_->WaitForLine(step.expect, 5s).has_value()) << step.expect;
            }
            return;
        }
        if (step.at == At::File) {
            EXPECT_EQ(test::ReadBytes(folder_ / step.command), step.expect);
            return;
        }
        const auto holds = [&](const std::string& answer) {
            return step.contains ? answer.find(step.expect) != std::string::npos
                                 : answer == step.expect;
        };
        std::string answer = Ask(step.at, step.command);
        // A condition, not a time: asked again until it holds, for at most a few seconds.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (step.poll && !holds(answer) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
            answer = Ask(step.at, step.command);
        }
        EXPECT_TRUE(holds(answer))
            << "answer: " << answer << "\nexpected: " << step.expect
            << "\nserver log: " << Ask(At::Server, "log")
            << "\nboard outputs: " << Ask(At::Board, "outputs") << "\npanel: " << PanelText();
    }

    const std::vector<Snippet> shipped_ = Shipped();
    std::filesystem::path folder_ = home_.MakeUserFolder();
    std::string serial_;
    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<test::SimProcess> server2_;
    std::unique_ptr<test::Process> panel_;
};

TEST_P(SnippetTest, RunsAgainstTheSimulators) {
    const SnippetCase& c = Cases()[GetParam()];
    SCOPED_TRACE(c.description);
    serial_ = c.servoBoard ? "SRV-00001" : "ORVA-12345";
    board_ = std::make_unique<test::SimProcess>(
        std::vector<std::string>{"board", "--serial", serial_, "--kind",
                                 c.servoBoard ? "servo" : "main", "--ext", "0,5,15,16"});
    server_ = test::StartServer("P3D");
    if (c.twoServers) server2_ = test::StartServer("SIM2");
    ASSERT_TRUE(board_->Ready() && server_->Ready() && (!server2_ || server2_->Ready()));
    WriteInstance(c);
    StartPanel();
    // The board takes the panel's link on a thread of its own, after the panel counts as
    // connected (and after the presence check's link has come and gone): changes made before
    // reach nobody. A probe pin is toggled until its event runs.
    if (!c.servoBoard) {
        bool seen = false;
        for (int i = 0; i < 40 && !seen; ++i) {
            ASSERT_EQ(board_->Command("toggle " + std::to_string(kProbePin)), "ok");
            seen = panel_->WaitForLine(kProbed, 250ms).has_value();
        }
        ASSERT_TRUE(seen) << "the board's changes never reached the panel";
    }
    // The server's answer to the registration is logged once sent: a value set before it could
    // reach the panel after the answer's older one.
    for (const auto& [server, type] :
         {std::pair{server_.get(), kServer1}, std::pair{server2_.get(), kServer2}}) {
        const std::string registration = Registration(c, type);
        if (server && !registration.empty()) {
            ASSERT_EQ(server->Command("wait-line " + registration + " 5000"), "ok") << registration;
        }
    }
    for (const Step& step : c.steps) {
        Run(step);
        if (HasFatalFailure()) return;
    }
    StopPanel();
}

INSTANTIATE_TEST_SUITE_P(Shipped, SnippetTest, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return "Snippet" + std::to_string(info.param + 1);
                         });

}  // namespace
}  // namespace orva
