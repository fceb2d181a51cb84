// The headless program reconnecting by itself: the server killed and started again, then the
// board unplugged and plugged in again, fifty times each, under a connected instance with
// --reconnect. Every input made at a peer's return reaches the server, AFTER CONNECT runs once
// per server return, and nothing is asked or reported as an error.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "SoakSupport.h"
#include "support/Simulators.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr int kReturns = 50;

class ReconnectSoak : public test::HomeTest {
protected:
    std::unique_ptr<test::SimProcess> Board() {
        return std::make_unique<test::SimProcess>(std::vector<std::string>{
            "board", "--serial", "ORVA-12345", "--kind", "main", "--ext", "0"});
    }
    std::unique_ptr<test::SimProcess> Server(int port) {
        return std::make_unique<test::SimProcess>(std::vector<std::string>{
            "iocp", "--port", std::to_string(port), "--alias", "P3D", "--keepalive", "0"});
    }
    // How often the server has received line (its log is one line, " | " between lines).
    int Received(test::SimProcess& server, const std::string& line) {
        const std::string log = " | " + server.Command("log") + " | ";
        const std::string wanted = " | " + line + " | ";
        int n = 0;
        for (size_t at = log.find(wanted); at != std::string::npos; at = log.find(wanted, at + 1))
            ++n;
        return n;
    }
};

TEST_F(ReconnectSoak, FiftyServerAndFiftyBoardReturnsLoseNoInputAndAskNothing) {
    auto board = Board();
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    const int port = server->Port();
    test::WriteInstance(
        home_.MakeUserFolder(), "soak", port,
        test::Offset(0, "HELLO", 0, "iocp.offset.value.set('P3D', 999, 1)") +
            test::Offset(2, "SWITCH", 0, "iocp.offset.value.set('P3D', Id, Value)"));
    test::Process panel(test::BinPath("orvapanel-headless"),
                        std::vector<std::string>{"--reconnect", "/SOAK"},
                        std::vector<std::pair<std::string, std::string>>{{"ORVA_WEB_HOST", ""}});
    ASSERT_TRUE(panel.WaitForLine("Current status: Connected.", 10s).has_value());
    ASSERT_EQ(server->Command("wait-line Arn.Resp:999=1: 5000"), "ok");

    for (int i = 0; i < kReturns; ++i) {
        const std::string pin = std::to_string(16 + i);
        server->Kill();
        server = Server(port);
        ASSERT_TRUE(server->Ready()) << "return " << i;
        EXPECT_EQ(board->Command("set " + pin + " 1"), "ok");  // made as the server returns
        EXPECT_EQ(server->Command("wait-line Arn.Resp:" + pin + "=1: 30000"), "ok")
            << "return " << i;
        EXPECT_EQ(Received(*server, "Arn.Resp:999=1:"), 1) << "return " << i;
    }
    for (int i = 0; i < kReturns; ++i) {
        const std::string pin = std::to_string(16 + i);
        board->Kill();
        board = Board();
        ASSERT_TRUE(board->Ready()) << "board return " << i;
        EXPECT_EQ(board->Command("set " + pin + " 1"), "ok");
        EXPECT_EQ(server->Command("wait-line Arn.Resp:" + pin + "=1: 30000"), "ok")
            << "board return " << i;
    }
    // The board came back within the connection: no new connect, so no new AFTER CONNECT.
    EXPECT_EQ(Received(*server, "Arn.Resp:999=1:"), 1);

    panel.Signal(SIGTERM);
    EXPECT_EQ(panel.Wait(), 0);
    for (const std::string& line : panel.Lines()) {
        EXPECT_NE(line.rfind('[', 0), 0u) << "asked: " << line;  // a question is "[caption] ..."
        EXPECT_EQ(line.find("rror"), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace orva
