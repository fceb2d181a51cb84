#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/ConnectionController.h"
#include "app/DeviceWatcher.h"
#include "app/InstanceName.h"
#include "app/InstanceRegistry.h"
#include "card/VirtualBoard.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/Prompts.h"
#include "support/Pump.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

class TestView : public IControllerView {
public:
    void ShowStatus(const StatusInfo& s) override { statuses.push_back(s); }
    bool IsWindowVisible() const override { return visible; }
    void SetWindowVisible(bool v) override { visible = v; }
    void SetTitle(const std::u16string& t) override { title = t; }
    void SetConfigButtonsEnabled(bool e) override { buttonsEnabled = e; }
    void SetConnectCaption(const std::u16string& c) override { caption = c; }
    void SetOptionChecks(bool c, bool h) override { checks = {c, h}; }
    void EndDialog() override { ended = true; }

    std::vector<StatusInfo> statuses;
    bool visible = true;
    std::u16string title;
    bool buttonsEnabled = true;
    std::u16string caption = u"Connect";
    std::pair<bool, bool> checks;
    bool ended = false;
};

class TestDialogs : public IControllerDialogs {
public:
    bool SelectCard(CardChoice& c) override {
        ++selections;
        if (!choice) return false;
        c = *choice;
        return true;
    }
    bool EditServers(ServerList& servers) override {
        ++serverEdits;
        if (!edited) return false;
        servers = *edited;
        return true;
    }
    bool EditEvents(CEventTable& table, const CEventTypeNames& names) override {
        eventsTypeName = names.Name(kEventFirstIocp);
        if (!eventsScript) return false;
        table[0].type = kEventAfterConnect;
        table[0].id = 0;
        table[0].name = u"HELLO";
        table[0].script = *eventsScript;
        table[1].id = -1;
        return true;
    }
    std::optional<CardChoice> choice;
    std::optional<ServerList> edited;            // the list the user leaves with Ok; none: Cancel
    std::optional<std::u16string> eventsScript;  // saved by the events list; none: discarded
    std::u16string eventsTypeName;
    int selections = 0;
    int serverEdits = 0;
};

class ControllerTest : public test::HomeTest {
protected:
    void SetUp() override {
        folder_ = home_.MakeUserFolder();
        ASSERT_EQ(::chdir(home_.Root().c_str()), 0);
        notify_.SetHandler(
            [this](const Notification& n) { return controller_.HandleNotification(n) ? 0 : 1; });
    }

    // An instance configuration with these servers (address, port) and options.
    void WriteConfig(const std::vector<std::pair<std::string, int>>& servers, int autoConnect = 0,
                     int autoHide = 0, const std::string& serial = "ORVA-12345") {
        std::string ini = "[Iocp]\nServers=" + std::to_string(servers.size()) + "\n";
        for (size_t i = 0; i < servers.size(); ++i) {
            const std::string n = std::string(i < 10 ? "00" : "0") + std::to_string(i);
            ini += "Alias_" + n + "=" + (i == 0 ? "P3D" : "FSX") + "\nIpDir_" + n + "=" +
                   servers[i].first + "\nPort_" + n + "=" + std::to_string(servers[i].second) +
                   "\n";
        }
        if (autoConnect >= 0) {  // -1: the options were never asked
            ini += "[Options]\nAutoConnect=" + std::to_string(autoConnect) +
                   "\nAutoHide=" + std::to_string(autoHide) + "\n";
        }
        ini += "[Orva]\nSerial=" + serial + "\n";
        test::WriteBytes(folder_ / "id000_conf.cnf", ini);
    }
    void WriteEvents(std::u16string body) {
        test::WriteBytes(folder_ / "id000_vars.xml",
                         "\xFF\xFE" + ToUtf16LeBytes(u"<offsets_list version=\"1.0\">" + body +
                                                     u"</offsets_list>"));
    }
    void Initialise() {
        controller_.Initialise(u"ID000", home_.Root() / "no-quivr.mod");
        prompt_.ClearRecord();
    }
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }
    std::u16string LastStatus() const {
        return view_.statuses.empty() ? u"" : view_.statuses.back().text;
    }
    std::vector<std::u16string> Captions() const {
        std::vector<std::u16string> out;
        for (const auto& r : prompt_.Requests()) out.push_back(r.caption);
        return out;
    }

    std::filesystem::path folder_;
    CNotify notify_;
    CVirtualHidBackend backend_;
    CRecordingPrompt prompt_;
    TestView view_;
    TestDialogs dialogs_;
    CConnectionController controller_{notify_, backend_, prompt_, view_, dialogs_};
};

TEST_F(ControllerTest, ConnectWithTheBoardMissing) {
    WriteConfig({});
    controller_.Initialise(u"ID000", home_.Root() / "no-quivr.mod");
    // Start-up asked about the missing board, and the missing module was reported.
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Card not found...", u"Error"}));
    prompt_.ClearRecord();
    prompt_.QueueAnswer(PromptAnswer::Yes);  // change the configuration: the card selection opens
    controller_.ToggleConnection();
    ASSERT_EQ(prompt_.Count(), 1u);
    const PromptRequest r = prompt_.Requests()[0];
    EXPECT_EQ(r.text,
              u"Could not connect to Orva Card.\r\nDo you want to change Orva Configuration?");
    EXPECT_EQ(r.caption, u"Card not connected..");
    EXPECT_EQ(r.icon, PromptIcon::Warning);
    EXPECT_EQ(dialogs_.selections, 1);
    EXPECT_EQ(LastStatus(), u"Current status: NOT connected.");
    bool sawConnecting = false;
    for (const auto& s : view_.statuses)
        sawConnecting = sawConnecting || s.text == u"Current status: Connecting....";
    EXPECT_TRUE(sawConnecting);
    EXPECT_EQ(view_.statuses.back().colour, 0xC80000u);
}

TEST_F(ControllerTest, SecondServerUnreachableLetsEverythingGo) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    ASSERT_TRUE(board->Ready() && server->Ready());
    WriteConfig({{"127.0.0.1", server->Port()}, {"127.0.0.1", 1}}, 0, 0);
    Initialise();
    controller_.ToggleConnection();
    EXPECT_EQ(server->Command("wait-line Arn.Fin: 3000"), "ok");  // the first client was let go
    EXPECT_EQ(server->Command("wait-clients 0 3000"), "ok");
    EXPECT_FALSE(controller_.Card().IsConnected());
    // The simulator sees the board closed a moment after the close returns.
    EXPECT_TRUE(
        PumpUntil([&] { return board->Command("info").find("clients=0") != std::string::npos; },
                  std::chrono::seconds(3)));
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Server not found..."}));
    EXPECT_EQ(prompt_.Texts()[0],
              u"Could not find the IOCPServer.\r\nDo you want to change IOCP Configuration?");
    EXPECT_FALSE(controller_.IsConnected());
    EXPECT_EQ(LastStatus(), u"Current status: NOT connected.");
}

TEST_F(ControllerTest, LookupAddressWithoutAModuleIsNotFound) {
    auto board = test::StartBoard("ORVA-12345");
    ASSERT_TRUE(board->Ready());
    WriteConfig({{"255.255.255.255", 8090}}, 0, 0);
    Initialise();
    prompt_.QueueAnswer(PromptAnswer::Yes);
    controller_.ToggleConnection();
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Server not found..."}));
    EXPECT_EQ(dialogs_.serverEdits, 1);
    EXPECT_FALSE(controller_.Card().IsConnected());
}

TEST_F(ControllerTest, TheModuleFindsTheServerForThisConnectOnly) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer("P3D");  // announces itself to the module
    ASSERT_TRUE(board->Ready() && server->Ready());
    WriteConfig({{"255.255.255.255", 8090}}, 0, 0);
    std::vector<std::chrono::milliseconds> pauses;
    controller_.SetSleeper([&](std::chrono::milliseconds ms) { pauses.push_back(ms); });
    controller_.Initialise(u"ID000", test::BinPath("quivr.mod"));
    EXPECT_EQ(prompt_.Count(), 0u);  // the module loaded
    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    EXPECT_EQ(server->Command("wait-clients 1 3000"), "ok");
    EXPECT_TRUE(pauses.empty());
    // The address found serves this connect only: the list still asks the module.
    ASSERT_EQ(controller_.Configuration().servers.size(), 1u);
    EXPECT_EQ(controller_.Configuration().servers[0].address, u"255.255.255.255");
    EXPECT_EQ(controller_.Configuration().servers[0].port, 8090);
    controller_.ToggleConnection();
    // Without the server the module counts nothing five times, a second apart.
    server->Kill();
    controller_.ToggleConnection();
    EXPECT_FALSE(controller_.IsConnected());
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(4, 1000ms));
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Server not found..."}));
    EXPECT_FALSE(controller_.Card().IsConnected());
}

TEST_F(ControllerTest, EditedServersReplaceTheListAndRetargetTheirEvents) {
    auto board = test::StartBoard("ORVA-12345");
    auto first = test::StartServer("P3D");
    auto second = test::StartServer("FSX");
    ASSERT_TRUE(board->Ready() && first->Ready() && second->Ready());
    WriteConfig({{"127.0.0.1", first->Port()}, {"127.0.0.1", second->Port()}}, 0, 0);
    // Events follow their server by its place in the list.
    WriteEvents(
        u"<offset type=\"6\" name=\"HDG\" id=\"330\" script=\"hdg = Value\"/>"
        u"<offset type=\"7\" name=\"ALT\" id=\"331\" script=\"alt = Value\"/>");
    Initialise();
    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    EXPECT_EQ(first->Command("wait-line Arn.Inicio:330: 3000"), "ok");
    EXPECT_EQ(second->Command("wait-line Arn.Inicio:331: 3000"), "ok");
    controller_.ToggleConnection();

    // The second server moved up: Ok replaces the list and saves it.
    ServerList swapped = controller_.Configuration().servers;
    std::swap(swapped[0], swapped[1]);
    dialogs_.edited = swapped;
    controller_.EditServers();
    EXPECT_EQ(controller_.Configuration().servers, swapped);
    const CProfile ini(folder_ / "id000_conf.cnf");
    EXPECT_EQ(ini.ReadString(u"Iocp", u"Alias_000", u""), u"FSX");
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Port_000", 0), second->Port());
    EXPECT_EQ(ini.ReadString(u"Iocp", u"Alias_001", u""), u"P3D");
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Port_001", 0), first->Port());
    // Cancel keeps the list.
    dialogs_.edited.reset();
    controller_.EditServers();
    EXPECT_EQ(controller_.Configuration().servers, swapped);

    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    EXPECT_EQ(second->Command("wait-line Arn.Inicio:330: 3000"), "ok");
    EXPECT_EQ(first->Command("wait-line Arn.Inicio:331: 3000"), "ok");
    EXPECT_EQ(second->Command("set 330 45"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return controller_.Events()[0].lastValue.load() == 45; }));
}

TEST_F(ControllerTest, TheEventsListSavesWhatItSaved) {
    WriteConfig({{"127.0.0.1", 9000}}, 0, 0);
    Initialise();
    // Discarded: nothing is written.
    controller_.EditEvents();
    EXPECT_FALSE(std::filesystem::exists(folder_ / "id000_vars.xml"));
    // The list sees the server types named after the servers of now.
    EXPECT_EQ(dialogs_.eventsTypeName, u"P3D OFFSET");
    dialogs_.eventsScript = u"print('hi')";
    controller_.EditEvents();
    CEventTable stored;
    controller_.Configuration().LoadEvents(stored, prompt_);
    ASSERT_EQ(stored.UsedCount(), 1u);
    EXPECT_EQ(stored[0].script, u"print('hi')");
    EXPECT_EQ(CProfile(folder_ / "id000_conf.cnf").ReadInt(u"Iocp", u"Port_000", 0), 9000);
}

// A broken events file is shown at start-up and at every connect (which then runs without events,
// as the user has been told), and neither the servers dialog, the events list nor a rename onto
// such a file saves over it unasked.
TEST_F(ControllerTest, ABrokenEventsFileIsShownAtEveryReadAndNothingSavesOverItUnasked) {
    auto board = test::StartBoard("ORVA-12345");
    ASSERT_TRUE(board->Ready());
    WriteConfig({}, 0, 0);
    const std::string broken =
        "\xFF\xFE" + ToUtf16LeBytes(
                         u"<offsets_list version=\"1.0\"><offset type=\"0\" id=\"0\" "
                         u"script=\"if Value < 1 then end\"/></offsets_list>");
    test::WriteBytes(folder_ / "id000_vars.xml", broken);
    controller_.Initialise(u"ID000", home_.Root() / "no-quivr.mod");
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"XML Parsing error", u"Error"}));
    prompt_.ClearRecord();
    controller_.ToggleConnection();
    EXPECT_TRUE(controller_.IsConnected());
    EXPECT_EQ(Captions(), std::vector<std::u16string>{u"XML Parsing error"});
    controller_.ToggleConnection();

    prompt_.ClearRecord();
    dialogs_.edited = ServerList{{u"P3D", u"127.0.0.1", 9000}};
    controller_.EditServers();  // the question's safe answer, No: the events are not saved
    EXPECT_EQ(Captions(), std::vector<std::u16string>{u"Events file not read"});
    EXPECT_EQ(test::ReadBytes(folder_ / "id000_vars.xml"), broken);
    EXPECT_EQ(CProfile(folder_ / "id000_conf.cnf").ReadInt(u"Iocp", u"Port_000", 0), 9000);
    dialogs_.eventsScript = u"print('hi')";
    prompt_.QueueAnswer(PromptAnswer::Yes);
    controller_.EditEvents();
    CEventTable stored;
    EXPECT_TRUE(controller_.Configuration().LoadEvents(stored, prompt_));
    EXPECT_EQ(stored[0].script, u"print('hi')");
    size_t kept = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder_)) {
        if (e.path().filename().string().starts_with("id000_vars.xml.broken-")) {
            EXPECT_EQ(test::ReadBytes(e.path()), broken);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1u);

    // Renamed onto an instance whose events file is broken, and that instance's files loaded.
    test::WriteBytes(folder_ / "cockpit_vars.xml", broken);
    dialogs_.choice = CardChoice{u"ORVA-12345", u"Cockpit", false};
    prompt_.ClearRecord();
    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::No);
    controller_.SelectCard();
    EXPECT_EQ(controller_.InstanceName(), u"Cockpit");
    EXPECT_EQ(Captions(),
              (std::vector<std::u16string>{u"Change name...", u"Overwrite config?",
                                           u"XML Parsing error", u"Events file not read"}));
    EXPECT_EQ(test::ReadBytes(folder_ / "cockpit_vars.xml"), broken);
}

TEST_F(ControllerTest, FirstConnectQuestionsAreAskedOnceAndStored) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    WriteConfig({{"127.0.0.1", server->Port()}}, -1);
    Initialise();
    controller_.Monitor().Append(u"old output");
    prompt_.QueueAnswer(PromptAnswer::Yes);  // auto connect
    prompt_.QueueAnswer(PromptAnswer::No);   // auto hide
    prompt_.QueueAnswer(PromptAnswer::Yes);  // reset the monitor
    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Auto connect...", u"Auto hide window...",
                                                       u"Reset monitor content"}));
    EXPECT_EQ(prompt_.Texts()[0], u"Try auto connection directly next time you run the App?");
    EXPECT_EQ(prompt_.Texts()[1],
              u"Hide these window directly after a succesfull connection next time?");
    EXPECT_TRUE(controller_.Monitor().Content().empty());
    const CProfile ini(folder_ / "id000_conf.cnf");
    EXPECT_EQ(ini.ReadInt(u"Options", u"AutoConnect", -1), 1);
    EXPECT_EQ(ini.ReadInt(u"Options", u"AutoHide", -1), 0);
    EXPECT_EQ(view_.checks, std::make_pair(true, false));
    EXPECT_FALSE(view_.buttonsEnabled);
    EXPECT_EQ(view_.caption, u"Disconnect");
    EXPECT_EQ(view_.statuses.back().colour, 0x008000u);
    controller_.ToggleConnection();
    EXPECT_FALSE(controller_.IsConnected());
    EXPECT_TRUE(view_.buttonsEnabled);
    EXPECT_EQ(view_.caption, u"Connect");
    prompt_.ClearRecord();
    controller_.ToggleConnection();
    EXPECT_TRUE(controller_.IsConnected());
    EXPECT_EQ(prompt_.Count(), 0u);
}

TEST_F(ControllerTest, AutoHideAndClosingTheWindow) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    WriteConfig({{"127.0.0.1", server->Port()}}, 1, 1);
    Initialise();
    // AutoConnect queued the connect as a notification.
    ASSERT_TRUE(PumpUntil([&] { return controller_.IsConnected(); }));
    EXPECT_FALSE(view_.visible);
    EXPECT_EQ(view_.statuses.back().trayTip, u"ID000: Connected.");
    EXPECT_EQ(view_.statuses.back().trayIcon, 130);
    view_.visible = true;
    controller_.CloseWindow();
    EXPECT_FALSE(view_.visible);  // only hidden while connected
    EXPECT_FALSE(view_.ended);
    controller_.ToggleConnection();
    EXPECT_EQ(view_.statuses.back().trayTip, u"ID000: NOT connected.");
    controller_.CloseWindow();
    EXPECT_TRUE(view_.ended);
}

TEST_F(ControllerTest, ConnectionWithoutServersTogglesOff) {
    auto board = test::StartBoard("ORVA-12345");
    WriteConfig({}, 0, 0);
    Initialise();
    controller_.ToggleConnection();
    EXPECT_TRUE(controller_.IsConnected());
    controller_.ToggleConnection();
    EXPECT_FALSE(controller_.IsConnected());
    EXPECT_FALSE(controller_.Card().IsConnected());
}

TEST_F(ControllerTest, RenameToTheCardName) {
    WriteConfig({}, 1, 0);
    Initialise();
    dialogs_.choice = CardChoice{u"ORVA-777", u"Cockpit", true};
    prompt_.QueueAnswer(PromptAnswer::Yes);
    controller_.SelectCard();
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(
        prompt_.Texts()[0],
        u"The Card Name you have selected (Cockpit) is diferent than this OrvaPanel instance name "
        u"(ID000).\r\n\r\nYou can change this instance name to that card name.\r\n\r\nChange the "
        u"current OrvaPanel instance name from ID000 to Cockpit?");
    EXPECT_EQ(controller_.InstanceName(), u"Cockpit");
    EXPECT_EQ(view_.title, u"OrvaPanel (Cockpit)");
    EXPECT_TRUE(std::filesystem::exists(folder_ / "cockpit_conf.cnf"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "cockpit_vars.xml"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "id000_conf.cnf"));  // the old files stay
    EXPECT_EQ(CProfile(folder_ / "cockpit_conf.cnf").ReadString(u"Orva", u"Serial", u""),
              u"ORVA-777");
    EXPECT_EQ(CProfile(folder_ / "orva.cnf").ReadString(u"ORVA-777", u"Alias", u""), u"Cockpit");
    EXPECT_EQ(CProfile(folder_ / "orva.cnf").ReadString(u"ORVA-777", u"Sense", u""), u"Vcc");
}

TEST_F(ControllerTest, RenameOntoExistingFiles) {
    WriteConfig({}, 1, 0, "ORVA-111");
    test::WriteBytes(folder_ / "cockpit_conf.cnf",
                     "[Orva]\nSerial=ORVA-999\n[Options]\nAutoConnect=0\n");
    Initialise();
    // Cancel: the old name comes back.
    dialogs_.choice = CardChoice{u"ORVA-222", u"Cockpit", false};
    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::Cancel);
    controller_.SelectCard();
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Change name...", u"Overwrite config?"}));
    EXPECT_EQ(prompt_.Requests()[1].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(controller_.InstanceName(), u"ID000");
    EXPECT_EQ(CProfile(folder_ / "id000_conf.cnf").ReadString(u"Orva", u"Serial", u""),
              u"ORVA-222");
    EXPECT_EQ(CProfile(folder_ / "cockpit_conf.cnf").ReadString(u"Orva", u"Serial", u""),
              u"ORVA-999");
    // No: the stored configuration of the new name is loaded (and saved back unchanged).
    prompt_.ClearRecord();
    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::No);
    controller_.SelectCard();
    EXPECT_EQ(controller_.InstanceName(), u"Cockpit");
    EXPECT_EQ(controller_.Configuration().cardSerial, u"ORVA-999");
    EXPECT_FALSE(controller_.Configuration().autoConnect);
    EXPECT_EQ(CProfile(folder_ / "cockpit_conf.cnf").ReadString(u"Orva", u"Serial", u""),
              u"ORVA-999");
    // Yes: the current configuration overwrites them.
    CConnectionController other(notify_, backend_, prompt_, view_, dialogs_);
    other.Initialise(u"ID000", home_.Root() / "no-quivr.mod");
    prompt_.ClearRecord();
    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    dialogs_.choice = CardChoice{u"ORVA-333", u"Cockpit", false};
    other.SelectCard();
    EXPECT_EQ(CProfile(folder_ / "cockpit_conf.cnf").ReadString(u"Orva", u"Serial", u""),
              u"ORVA-333");
}

// A card name is a file name and the instance's name among the running ones: a name that is no
// file name, or that another instance runs under, is refused with the start-up's message, and
// nothing is written under it.
TEST_F(ControllerTest, ARenameToANameThatIsNoFileNameOrIsTakenIsRefused) {
    WriteConfig({}, 1, 0);
    CInstanceRegistry mine;
    ASSERT_TRUE(mine.Acquire(u"OrvaPanel (ID000)"));
    controller_.SetInstanceChanged(
        [&](const std::u16string& name) { return mine.Acquire(InstanceTitle(ToUpper(name))); });
    CInstanceRegistry other;
    ASSERT_TRUE(other.Acquire(u"OrvaPanel (COCKPIT)"));
    Initialise();
    const auto files = [&] {
        std::set<std::filesystem::path> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(home_.Root()))
            found.insert(e.path());
        return found;
    };
    const std::set<std::filesystem::path> before = files();
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"../../x", InvalidNameMessage(u"../../x")},
        {u"/tmp/x", InvalidNameMessage(u"/tmp/x")},
        {u".", InvalidNameMessage(u".")},
        {u"..", InvalidNameMessage(u"..")},
        {u"a:b", InvalidNameMessage(u"a:b")},
        {u"", InvalidNameMessage(u"")},
        {u"Cockpit", NameTakenMessage(u"COCKPIT")},
    };
    for (const auto& [name, message] : cases) {
        prompt_.ClearRecord();
        dialogs_.choice = CardChoice{u"ORVA-777", name, false};
        prompt_.QueueAnswer(PromptAnswer::Yes);  // change the name
        controller_.SelectCard();
        ASSERT_EQ(prompt_.Count(), 2u) << ToUtf8(name);
        EXPECT_EQ(prompt_.Requests()[1],
                  (PromptRequest{message, u"Error", PromptButtons::Ok, PromptIcon::Error, false}));
        EXPECT_EQ(controller_.InstanceName(), u"ID000");
        EXPECT_EQ(view_.title, u"OrvaPanel (ID000)");
    }
    // Only the old name's files (and their backups) and the card settings were written; the old
    // name is still ours.
    std::set<std::filesystem::path> added;
    for (const auto& p : files())
        if (!before.count(p)) added.insert(p);
    for (const auto& p : added) {
        EXPECT_TRUE(p.filename().string().starts_with("id000_") || p == folder_ / "orva.cnf") << p;
    }
    CInstanceRegistry third;
    EXPECT_FALSE(third.Acquire(u"OrvaPanel (ID000)"));
}

// A question box that runs a nested loop until answered or closed, as a modal box does.
class NestedPrompt : public CRecordingPrompt {
public:
    explicit NestedPrompt(CNotify& n) : notify(n) {}
    PromptAnswer Ask(const PromptRequest& r) override {
        CRecordingPrompt::Ask(r);
        if (r.caption != u"Card not found...") return SafeDefaultAnswer(r.buttons);
        open = true;
        onOpen();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (open && std::chrono::steady_clock::now() < deadline) notify.WaitAndProcess(10ms);
        const bool closedByProgram = !open;
        open = false;
        return closedByProgram ? PromptAnswer::No : PromptAnswer::Cancel;
    }
    void CloseQuestion(std::u16string_view prefix) override {
        CRecordingPrompt::CloseQuestion(prefix);
        open = false;
    }
    CNotify& notify;
    bool open = false;
    std::function<void()> onOpen = [] {};
};

// Unplugged while connected: the question, closed by the board's return; the scripts go on
// meanwhile, and the board comes back open with what they set and its inputs reaching them.
TEST_F(ControllerTest, AnUnpluggedBoardIsAskedForAndReopenedWithWhatTheScriptsSet) {
    const std::vector<std::string> boardArgs{"board", "--serial", "ORVA-12345", "--kind",
                                             "main",  "--ext",    "0,5,15"};
    auto board = std::make_unique<test::SimProcess>(boardArgs);
    auto server = test::StartServer();
    WriteConfig({{"127.0.0.1", server->Port()}}, 0, 0);
    WriteEvents(
        u"<offset type=\"0\" name=\"SETUP\" id=\"0\" script=\"HDG = orva.display.create(1, "
        u"3)\"/><offset type=\"2\" name=\"SWITCH\" id=\"20\" script=\"iocp.offset.value.set('P3D', "
        u"330, Value)\"/><offset type=\"6\" name=\"LAMP\" id=\"330\" "
        u"script=\"orva.dout.state.set(30, Value) orva.display.show.hdg(HDG, 90 * Value)\"/>");
    NestedPrompt prompt(notify_);
    CConnectionController controller(notify_, backend_, prompt, view_, dialogs_);
    notify_.SetHandler(
        [&](const Notification& n) { return controller.HandleNotification(n) ? 0 : 1; });
    controller.Initialise(u"ID000", home_.Root() / "no-quivr.mod");
    CDeviceWatcher watcher(notify_);
    controller.ToggleConnection();
    ASSERT_TRUE(controller.IsConnected());
    ASSERT_EQ(server->Command("wait-clients 1 3000"), "ok");
    std::unique_ptr<test::SimProcess> back;
    StatusInfo away;
    prompt.onOpen = [&] {
        server->Command("set 330 1");
        EXPECT_TRUE(PumpUntil([&] { return controller.Card().OutputState(30); }));
        away = controller.Status();
        back = std::make_unique<test::SimProcess>(boardArgs);  // plugged in again
    };
    board->Kill();
    ASSERT_TRUE(PumpUntil([&] { return !prompt.Closed().empty(); }, std::chrono::seconds(8)));
    EXPECT_EQ(prompt.Closed()[0], u"Card not found..");
    EXPECT_EQ(
        prompt.Requests().back(),
        (PromptRequest{
            u"Your selected Orva Card is not present.\r\nDo you want to change the Orva Card?",
            u"Card not found...", PromptButtons::YesNo, PromptIcon::Warning, false}));
    EXPECT_EQ(dialogs_.selections, 0);  // answered No by the program
    EXPECT_EQ(away.text, u"Current status: Connected, but the Orva card is missing.");
    EXPECT_EQ(away.trayTip, u"ID000: Connected, but the Orva card is missing.");
    EXPECT_EQ(away.trayIcon, 129);
    EXPECT_EQ(controller.CardQuestionState(), CConnectionController::CardQuestion::None);
    ASSERT_TRUE(controller.Card().IsConnected());
    EXPECT_EQ(back->Command("wait-out 30 1 3000"), "ok");
    EXPECT_EQ(back->Command("wait-digits 1 3 090 3000"), "ok");
    EXPECT_EQ(LastStatus(), u"Current status: Connected.");
    back->Command("set 20 1");
    EXPECT_TRUE(PumpUntil([&] { return server->Command("wait-line Arn.Resp:330=1: 0") == "ok"; }));
    controller.Destroy();
}

TEST_F(ControllerTest, FailingAfterConnectScriptDisconnects) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    WriteConfig({{"127.0.0.1", server->Port()}}, 0, 0);
    WriteEvents(
        u"<offset type=\"0\" name=\"HELLO\" id=\"0\" script=\"orva.adc.value.get(9)\"/>"
        u"<offset type=\"1\" name=\"BYE\" id=\"0\" script=\"orva.dout.state.set(20, true)\"/>");
    Initialise();
    controller_.ToggleConnection();
    EXPECT_FALSE(controller_.IsConnected());
    EXPECT_EQ(server->Command("wait-line Arn.Fin: 3000"), "ok");
    const auto requests = prompt_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text,
              u"Error at AFTER CONNECT event: HELLO.\r\n[1]\r\n\r\nLine  "
              u"orva.adc.value.get: the channel parm is out of range. (1-8)");
    EXPECT_TRUE(controller_.Events()[0].errorMark);
    // The disconnect ran the BEFORE DISCONNECT events, then switched every output off.
    EXPECT_EQ(board->Command("outputs"), "on:");
}

// Reconnecting: a lost link waits for the server without a question or an end, its scripts'
// goodbye dropped quietly, and connects again in full when the server is back; a board unplugged
// meanwhile is waited for too; the user's disconnect ends the waiting at once.
TEST_F(ControllerTest, AReconnectingInstanceWaitsForItsServerAndBoardAndConnectsAgain) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    const int port = server->Port();
    const auto serverOn = [port] {
        return std::make_unique<test::SimProcess>(std::vector<std::string>{
            "iocp", "--port", std::to_string(port), "--alias", "P3D", "--keepalive", "0"});
    };
    WriteConfig({{"127.0.0.1", port}}, 0, 0);
    controller_.SetAutoReconnect(true);
    EXPECT_EQ(CProfile(folder_ / "id000_conf.cnf").ReadInt(u"Options", u"AutoReconnect", -1), 1);
    WriteEvents(
        u"<offset type=\"0\" name=\"HELLO\" id=\"0\" script=\"iocp.offset.value.set('P3D', 999, "
        u"1)\"/><offset type=\"1\" name=\"BYE\" id=\"0\" script=\"iocp.offset.value.set('P3D', "
        u"998, 1)\"/><offset type=\"2\" name=\"SWITCH\" id=\"0\" "
        u"script=\"iocp.offset.value.set('P3D', Id, Value)\"/>");
    Initialise();
    CDeviceWatcher watcher(notify_);
    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    ASSERT_EQ(server->Command("wait-line Arn.Resp:999=1: 3000"), "ok");

    server->Kill();
    ASSERT_TRUE(PumpUntil([&] { return controller_.IsWaiting(); }));
    EXPECT_FALSE(view_.ended);
    EXPECT_EQ(LastStatus(), u"Current status: Waiting for the server P3D...");
    EXPECT_EQ(view_.statuses.back().trayTip, u"ID000: Waiting for the server P3D...");
    EXPECT_EQ(view_.caption, u"Disconnect");
    EXPECT_FALSE(view_.buttonsEnabled);
    // The board goes too while the server is away: both are waited for.
    board->Kill();
    ASSERT_TRUE(
        PumpUntil([&] { return LastStatus() == u"Current status: Waiting for the Orva card..."; }));
    server = serverOn();
    board = test::StartBoard("ORVA-12345");
    board->Command("set 497 1");  // made before the program is back: it still counts
    ASSERT_TRUE(PumpUntil([&] { return controller_.IsConnected(); }, std::chrono::seconds(10)));
    EXPECT_EQ(server->Command("wait-line Arn.Resp:999=1: 3000"), "ok");  // AFTER CONNECT again
    EXPECT_TRUE(PumpUntil([&] { return server->Command("wait-line Arn.Resp:497=1: 0") == "ok"; }));
    EXPECT_EQ(LastStatus(), u"Current status: Connected.");
    EXPECT_EQ(prompt_.Count(), 0u);  // nothing asked, no script error shown

    // Unplugged while connected: no question; back, it is open again.
    board->Kill();
    ASSERT_TRUE(PumpUntil([&] { return view_.statuses.back().cardMissing; }));
    board = test::StartBoard("ORVA-12345");
    ASSERT_TRUE(PumpUntil([&] { return controller_.Card().IsConnected(); }));
    EXPECT_EQ(prompt_.Count(), 0u);

    // The user's disconnect ends the waiting at once; a connect without the server then waits.
    server->Kill();
    ASSERT_TRUE(PumpUntil([&] { return controller_.IsWaiting(); }));
    controller_.ToggleConnection();
    EXPECT_FALSE(controller_.IsWaiting());
    EXPECT_EQ(LastStatus(), u"Current status: NOT connected.");
    EXPECT_EQ(view_.caption, u"Connect");
    controller_.ToggleConnection();
    EXPECT_TRUE(controller_.IsWaiting());
    EXPECT_EQ(prompt_.Count(), 0u);
    controller_.Destroy();
    EXPECT_FALSE(controller_.IsWaiting());
}

TEST_F(ControllerTest, LostLinkEndsTheInstance) {
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer();
    WriteConfig({{"127.0.0.1", server->Port()}}, 0, 0);
    Initialise();
    controller_.ToggleConnection();
    ASSERT_TRUE(controller_.IsConnected());
    // The server must have taken the link before it can drop it.
    ASSERT_EQ(server->Command("wait-clients 1 3000"), "ok");
    server->Command("drop");
    ASSERT_TRUE(PumpUntil([&] { return view_.ended; }));
    EXPECT_FALSE(controller_.IsConnected());
}

}  // namespace
}  // namespace orva
