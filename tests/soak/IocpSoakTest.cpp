#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "SoakSupport.h"
#include "core/EventDispatcher.h"
#include "iocp/IocpClient.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"
#include "support/Pump.h"
#include "support/Simulators.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

struct NoDisconnect : IConnectionControl {
    void Disconnect() override {}
    void RefreshStatus() override {}
};

constexpr int kEvents = 150;
constexpr int kFirstOffset = 1000;
constexpr int kSpacing = 20;  // one offset in 20 has an event; the others are not registered
constexpr int kLines = 3000;
constexpr int kEcho = 9000;  // its event writes the value back to kEcho + 1

// orvasim iocp as a process; one client with the dispatch and the scripts here, on 150 offset
// events that print what they are run with.
class IocpSoak : public test::HomeTest {
protected:
    void SetUp() override {
        server_ = test::StartServer("P3D");
        ASSERT_TRUE(server_->Ready());
        for (int k = 0; k < kEvents; ++k) {
            AddEvent(kFirstOffset + kSpacing * k, u"print(Id .. '=' .. Value .. ';')");
        }
        AddEvent(kEcho, u"iocp.offset.value.set('P3D', Id + 1, Value)");
        table_.SetAllLastValues(CEventTable::kNotDispatched);
        servers_ = {{u"P3D", u"127.0.0.1", server_->Port()}};
        state_ = CScriptState::Create(
            ScriptServices{&table_, &servers_, &monitor_, nullptr, &clientList_});
        dispatcher_.SetScriptRunner(state_.get());
        notify_.SetHandler([this](const Notification& n) {
            if (n.message == WM_CLOSE || (n.message == WM_IOCP_NOTIFY && n.wParam != 0)) {
                ends_.push_back(n.message == WM_CLOSE ? -1 : n.wParam);
            }
            return dispatcher_.Dispatch(n) ? 0 : 1;
        });
    }
    void AddEvent(int offset, std::u16string script) {
        EventRecord& r = table_[used_++];
        r.type = kEventFirstIocp;
        r.id = offset;
        r.name = u"E" + Widen(std::to_string(offset));
        r.script = std::move(script);
    }
    void Connect() {
        client_.Connect("127.0.0.1", dispatcher_.BuildSubscriptionList(kEventFirstIocp),
                        server_->Port());
        ASSERT_TRUE(client_.IsConnected());
        client_.SetCloseOnEnd(true);
        client_.SetNotify(&notify_, WM_IOCP_NOTIFY, kEventFirstIocp);
    }
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(30000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }
    // The values each offset's event ran with, in order, from what the scripts printed.
    std::map<int, std::vector<int>> Runs() const {
        std::map<int, std::vector<int>> runs;
        const std::string shown = ToUtf8(monitor_.Content());
        static const std::regex kRun("(\\d+)=(-?\\d+);");
        for (auto it = std::sregex_iterator(shown.begin(), shown.end(), kRun);
             it != std::sregex_iterator(); ++it) {
            runs[std::stoi((*it)[1])].push_back(std::stoi((*it)[2]));
        }
        return runs;
    }
    // Whether every event has run round + 1 times, the last time with first + step * its index.
    bool EveryEventRan(int round, int first, int step = kSpacing) const {
        const auto runs = Runs();
        for (int k = 0; k < kEvents; ++k) {
            const auto it = runs.find(kFirstOffset + kSpacing * k);
            if (it == runs.end() || it->second.size() <= static_cast<size_t>(round) ||
                it->second.back() != first + step * k) {
                return false;
            }
        }
        return true;
    }
    // A value set on the server comes back through the echo event's script: the link works
    // both ways.
    bool Echoes(int value) {
        const EventRecord& echo = table_[used_ - 1];
        if (server_->Command("set " + std::to_string(kEcho) + " " + std::to_string(value)) !=
                "ok" ||
            !PumpUntil([&] { return echo.lastValue.load() == value; }, 10s)) {
            return false;
        }
        return server_->Command("wait-line Arn.Resp:" + std::to_string(kEcho + 1) + "=" +
                                std::to_string(value) + ": 10000") == "ok";
    }
    // Offsets the client logged as not registered, with how often each.
    std::map<int, int> Unregistered() const {
        std::map<int, int> offsets;
        const std::string log = test::ReadBytes(home_.State() / "orvapanel" / "iocpclient.log");
        static const std::regex kEntry("variable (\\d+) no solicitada");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), kEntry);
             it != std::sregex_iterator(); ++it) {
            ++offsets[std::stoi((*it)[1])];
        }
        return offsets;
    }

    std::unique_ptr<test::SimProcess> server_;
    CNotify notify_;  // outlives the client, whose threads post to it
    CEventTable table_;
    size_t used_ = 0;
    ServerList servers_;
    CPrintMonitor monitor_;
    CIocpClient client_;
    std::vector<CIocpClient*> clientList_{&client_};
    std::unique_ptr<CScriptState> state_;
    CEventTypeNames names_;
    CRecordingPrompt prompt_;
    NoDisconnect control_;
    CEventDispatcher dispatcher_{table_, names_, prompt_, control_};
    std::vector<int64_t> ends_;  // -1 for WM_CLOSE, else the notification code other than 0
};

TEST_F(IocpSoak, BurstsOfLinesWholeAndByteByByteReachEveryEventOnceAndTheLinkStays) {
    Connect();
    // The registration's answer runs every event once with 0.
    ASSERT_TRUE(PumpUntil([&] { return EveryEventRan(0, 0, 0); }));

    // 3 000 lines in one write, then 3 000 more one byte per segment: every registered offset
    // changes once in each, and every other line is logged once as not registered.
    EXPECT_EQ(server_->Command("burst " + std::to_string(kLines) + " " +
                               std::to_string(kFirstOffset) + " 1"),
              "ok");
    ASSERT_TRUE(PumpUntil([&] { return EveryEventRan(1, 1); }));
    EXPECT_EQ(server_->Command("burst " + std::to_string(kLines) + " " +
                               std::to_string(kFirstOffset) + " 10001 bytes"),
              "ok");
    ASSERT_TRUE(PumpUntil([&] { return EveryEventRan(2, 10001); }));

    // The link is still up and carries a write both ways.
    EXPECT_TRUE(Echoes(77));
    for (const auto& [offset, values] : Runs()) {
        const int k = (offset - kFirstOffset) / kSpacing;
        EXPECT_EQ(values, (std::vector<int>{0, 1 + kSpacing * k, 10001 + kSpacing * k}))
            << "offset " << offset;
    }
    EXPECT_EQ(Runs().size(), static_cast<size_t>(kEvents));
    const auto unregistered = Unregistered();
    EXPECT_EQ(unregistered.size(), static_cast<size_t>(kLines - kEvents));
    for (const auto& [offset, times] : unregistered) {
        EXPECT_NE((offset - kFirstOffset) % kSpacing, 0) << offset;
        EXPECT_EQ(times, 2) << "offset " << offset;
    }
    EXPECT_TRUE(client_.IsConnected());
    EXPECT_TRUE(ends_.empty());
    EXPECT_EQ(server_->Command("clients"), "1");
    EXPECT_TRUE(prompt_.Requests().empty());
}

// The server cuts the link halfway through its answer to a registration, first to the one
// of the connect, then to one it asked for again; each time the client lets the link go
// without a word of the half line, and the next connect works.
TEST_F(IocpSoak, ALinkDroppedInTheMiddleOfARegistrationEndsCleanlyAndConnectsAgain) {
    EXPECT_EQ(server_->Command("set " + std::to_string(kFirstOffset) + " 123456"), "ok");
    for (int round = 0; round < 10; ++round) {
        EXPECT_EQ(server_->Command("drop-at-registration"), "ok");
        client_.Connect("127.0.0.1", dispatcher_.BuildSubscriptionList(kEventFirstIocp),
                        server_->Port());
        client_.SetCloseOnEnd(true);
        client_.SetNotify(&notify_, WM_IOCP_NOTIFY, kEventFirstIocp);
        ASSERT_TRUE(PumpUntil([&] { return !client_.IsConnected(); }, 10s));
        client_.Close();
        EXPECT_EQ(table_[0].value.load(), 0) << "a value from the half answer";
    }
    notify_.ProcessPending();  // what the last cut link said, its threads now joined
    EXPECT_TRUE(Runs().empty());

    ends_.clear();
    Connect();
    // The first event's offset has a value on the server, the others none.
    ASSERT_TRUE(PumpUntil([&] { return Runs().size() == static_cast<size_t>(kEvents); }));
    for (const auto& [offset, values] : Runs()) {
        EXPECT_EQ(values, std::vector<int>{offset == kFirstOffset ? 123456 : 0}) << offset;
    }
    EXPECT_EQ(server_->Command("drop-at-registration"), "ok");
    EXPECT_EQ(server_->Command("again"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return !client_.IsConnected() && ends_.size() >= 3; }, 10s));
    // Asked to register again, then the end: the close request and the link gone.
    EXPECT_EQ(ends_, (std::vector<int64_t>{1, -1, CIocpClient::kLinkGone}));
    client_.Close();
    Connect();
    EXPECT_TRUE(Echoes(5));
    EXPECT_TRUE(prompt_.Requests().empty());
}

// The same through the headless program: a link cut in its first registration ends the
// program with the exit code of a lost link or a failed connect, never a hang.
TEST_F(IocpSoak, TheHeadlessProgramEndsWhenTheLinkIsCutInItsRegistration) {
    auto board = test::StartBoard("ORVA-12345");
    ASSERT_TRUE(board->Ready());
    test::WriteInstance(home_.MakeUserFolder(), "cut", server_->Port(),
                        test::Offset(6, "HDG", 330, "print(Value)"));
    EXPECT_EQ(server_->Command("drop-at-registration"), "ok");
    test::Process panel(test::BinPath("orvapanel-headless"), {"/CUT"}, {{"ORVA_WEB_HOST", ""}});
    const int code = panel.Wait(20s);
    EXPECT_TRUE(code == 2 || code == 3) << code;
}

}  // namespace
}  // namespace orva
