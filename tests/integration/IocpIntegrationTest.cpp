#include <gtest/gtest.h>

#include <regex>

#include "core/EventDispatcher.h"
#include "iocp/IocpClient.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"
#include "support/Process.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

struct NoDisconnect : IConnectionControl {
    void Disconnect() override {}
    void RefreshStatus() override {}
};

// orvasim iocp as its own process; the client, the dispatch and the scripts here.
TEST(IocpIntegration, OffsetEventsRunAndScriptWritesReachTheServer) {
    test::TempHome home;
    test::Process server(test::BinPath("orvasim"), {"iocp", "--port", "0", "--keepalive", "0"});
    const auto ready = server.WaitForLine("ready on");
    ASSERT_TRUE(ready.has_value());
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(*ready, m, std::regex("127\\.0\\.0\\.1:(\\d+), control socket (\\S+)")));
    const int port = std::stoi(m[1]);
    test::ControlClient control(m[2]);
    ASSERT_TRUE(control.Connected());

    CEventTable table;
    table[0] = EventRecord();
    table[0].type = kEventFirstIocp;
    table[0].id = 330;
    table[0].name = u"HDG";
    table[0].script = u"print('HDG=', Value, ';')";
    table[1].type = kEventFirstIocp;
    table[1].id = 3367;
    table[1].name = u"GEAR";
    table[1].script = u"if Value > 0 then iocp.offset.value.set('p3d', 100, Value * 2) end";
    // A second event on the same offset gets every value too.
    table[2].type = kEventFirstIocp;
    table[2].id = 330;
    table[2].name = u"HDG_BUG";
    table[2].script = u"print('BUG=', Value, ';')";
    table.SetAllLastValues(CEventTable::kNotDispatched);
    ServerList servers = {{u"p3d", u"127.0.0.1", port}};
    CPrintMonitor monitor;
    CIocpClient client;
    std::vector<CIocpClient*> clients = {&client};
    ScriptServices services{&table, &servers, &monitor, nullptr, &clients};
    auto state = CScriptState::Create(services);
    CEventTypeNames names;
    CRecordingPrompt prompt;
    NoDisconnect control0;
    CEventDispatcher dispatcher(table, names, prompt, control0);
    dispatcher.SetScriptRunner(state.get());
    CNotify notify;
    notify.SetHandler([&](const Notification& n) { return dispatcher.Dispatch(n) ? 0 : 1; });

    client.Connect("127.0.0.1", dispatcher.BuildSubscriptionList(kEventFirstIocp), port);
    ASSERT_TRUE(client.IsConnected());
    client.SetNotify(&notify, WM_IOCP_NOTIFY, kEventFirstIocp);
    EXPECT_EQ(control.Command("wait-line Arn.Inicio:330:3367:330: 3000"), "ok");

    const auto pump = [&](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            notify.WaitAndProcess(std::chrono::milliseconds(10));
        }
        return done();
    };
    EXPECT_EQ(control.Command("set 330 90"), "ok");
    const auto count = [&](std::u16string_view text) {
        const std::u16string shown(monitor.Content());
        size_t n = 0;
        for (size_t at = shown.find(text); at != std::u16string::npos;
             at = shown.find(text, at + 1))
            ++n;
        return n;
    };
    // Both events of the offset get the value once. (The registration's answer may have run
    // them with 0 before, and one of them may already have seen the 90 then.)
    ASSERT_TRUE(pump([&] { return count(u"HDG=90;") > 0 && count(u"BUG=90;") > 0; }));
    EXPECT_EQ(count(u"HDG=90;"), 1u);
    EXPECT_EQ(count(u"BUG=90;"), 1u);
    EXPECT_EQ(control.Command("set 3367 21"), "ok");
    EXPECT_TRUE(pump([&] { return table[1].lastValue.load() == 21; }));
    EXPECT_EQ(control.Command("wait-line Arn.Resp:100=42: 3000"), "ok");
    EXPECT_EQ(control.Command("get 100"), "42");
    EXPECT_TRUE(prompt.Requests().empty());
    client.SetCloseOnEnd(false);
    client.Disconnect();
    EXPECT_EQ(control.Command("wait-line Arn.Fin: 3000"), "ok");
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0);
}

}  // namespace
}  // namespace orva
