#include <gtest/gtest.h>

#include <signal.h>

#include "platform/Text.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

// The whole chain as processes: board simulator, headless program, test server.
TEST(EndToEnd, SwitchToServerAndBackThenACleanStop) {
    test::TempHome home;
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    const auto folder = home.MakeUserFolder();
    test::WriteBytes(folder / "e2e_conf.cnf",
                     "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                         std::to_string(server->Port()) +
                         "\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
    test::WriteBytes(
        folder / "e2e_vars.xml",
        "<offsets_list version=\"1.0\">"
        "<offset type=\"2\" name=\"SWITCH\" id=\"20\" script=\"iocp.offset.value.set('p3d', 330, "
        "Value)\"/>"
        "<offset type=\"6\" name=\"LAMP\" id=\"330\" script=\"orva.dout.state.set(30, Value)\"/>"
        "<offset type=\"0\" name=\"ON\" id=\"0\" script=\"orva.dout.state.set(40, true)\"/>"
        "<offset type=\"1\" name=\"OFF\" id=\"0\" script=\"print('bye')\"/>"
        "</offsets_list>");
    test::Process panel(test::BinPath("orvapanel-headless"), {"/E2E"}, {{"ORVA_WEB_HOST", ""}});
    ASSERT_TRUE(panel.WaitForLine("Current status: Connected.", 10s).has_value());
    EXPECT_EQ(board->Command("wait-out 40 1 3000"), "ok");

    EXPECT_EQ(board->Command("set 20 1"), "ok");
    EXPECT_EQ(server->Command("wait-line Arn.Resp:330=1: 3000"), "ok");
    EXPECT_EQ(board->Command("wait-out 30 1 3000"), "ok");  // the server's answer lit the lamp

    panel.Signal(SIGTERM);
    EXPECT_TRUE(panel.WaitForLine("bye", 5s).has_value());
    EXPECT_EQ(panel.Wait(), 0);
    EXPECT_EQ(server->Command("wait-line Arn.Fin: 3000"), "ok");
    EXPECT_EQ(board->Command("outputs"), "on:");  // every output off
    EXPECT_EQ(server->Command("log"), "Arn.Inicio:330: | Arn.Resp:330=1: | Arn.Fin:");
}

}  // namespace
}  // namespace orva
