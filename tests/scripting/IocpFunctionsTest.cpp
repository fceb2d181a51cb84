#include <gtest/gtest.h>

#include "IocpSim.h"
#include "ScriptTestSupport.h"
#include "iocp/IocpClient.h"

namespace orva {
namespace {

// The iocp functions against test servers on loopback.
class IocpFunctionsTest : public test::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        servers_ = {{u"P3D", u"127.0.0.1", 0}, {u"FSX", u"127.0.0.1", 0}};
        services_.clients = &clients_;
        state_ = CScriptState::Create(services_);
    }

    void ConnectBoth() {
        for (auto* sim : {&p3d_, &fsx_}) ASSERT_TRUE(sim->Start());
        p3d.Connect("127.0.0.1", OffsetCells{{330, &table_[0].value}, {0, nullptr}}, p3d_.Port());
        fsx.Connect("127.0.0.1", OffsetCells{{0, nullptr}}, fsx_.Port());
        ASSERT_TRUE(p3d.IsConnected() && fsx.IsConnected());
        clients_ = {&p3d, &fsx};
    }

    sim::CIocpSim p3d_{{0, "P3D", 0}};
    sim::CIocpSim fsx_{{0, "FSX", 0}};
    CIocpClient p3d;
    CIocpClient fsx;
    std::vector<CIocpClient*> clients_;
};

TEST_F(IocpFunctionsTest, OffsetValueGetReadsTheEventsOfThatServer) {
    table_[0].type = kEventFirstIocp;
    table_[0].id = 330;
    table_[0].value = 7;
    table_[1].type = kEventFirstIocp + 1;
    table_[1].id = 331;
    table_[1].value = 8;
    table_[2].id = -1;
    EXPECT_EQ(Eval(u"iocp.offset.value.get('p3d', 330)"), "7");
    EXPECT_EQ(Eval(u"select('#', iocp.offset.value.get('p3d', 331))"), "0");  // no result at all
    EXPECT_EQ(Eval(u"iocp.offset.value.get('FSX', 331)"), "8");
    // The offset is tested before the name.
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.get('nobody', 10000)"),
              "iocp.offset.value.get: wrong offset ID.");
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.get('nobody', -1)"),
              "iocp.offset.value.get: wrong offset ID.");
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.get('nobody', 1)"),
              "iocp.offset.value.get: IOCP client index error.");
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.get('p3d')"),
              "iocp.offset.value.get: incorrect number of arguments.");
}

TEST_F(IocpFunctionsTest, SendingNeedsEveryClientConnectedBeforeTheNameAndReachesTheNamedServer) {
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.set('p3d', 1, 2)"),
              "iocp.offset.value.set: IOCP client not connected.");
    EXPECT_EQ(ErrorOf(u"iocp.eventkey.send('p3d', 1, 2)"),
              "iocp.eventkey.send: some IOCP client is not connected.");
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.set('p3d', 1)"),
              "iocp.offset.value.set: incorrect number of arguments.");
    EXPECT_EQ(ErrorOf(u"iocp.eventkey.send('p3d', 1, 2, 3)"),
              "iocp.eventkey.send: incorrect number of arguments.");
    ConnectBoth();
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.set('nobody', 1, 2)"),
              "iocp.offset.value.set: IOCP client index error.");
    EXPECT_EQ(ErrorOf(u"iocp.eventkey.send('nobody', 1, 2)"),
              "iocp.eventkey.send: IOCP client index error.");
    fsx.Disconnect();
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.set('p3d', 1, 2)"),
              "iocp.offset.value.set: IOCP client not connected.");
    EXPECT_EQ(ErrorOf(u"iocp.offset.value.set('nobody', 1, 2)"),
              "iocp.offset.value.set: IOCP client not connected.");

    // With both connected again, writes and keys reach the named server.
    fsx.Connect("127.0.0.1", OffsetCells{{0, nullptr}}, fsx_.Port());
    ASSERT_TRUE(fsx.IsConnected());
    EXPECT_EQ(Eval(u"iocp.offset.value.set('fsx', 3367, -12)"), "1");
    EXPECT_TRUE(fsx_.WaitForLine("Arn.Resp:3367=-12:", 3000));
    EXPECT_EQ(Eval(u"iocp.eventkey.send('P3D', 65537, 1)"), "1");
    EXPECT_TRUE(p3d_.WaitForLine("Arn.Key:1=1:", 3000));
    // The server's answer to the registration reached the event's cell.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    p3d_.Execute("set 330 44");
    while (table_[0].value.load() != 44 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(table_[0].value.load(), 44);
}

}  // namespace
}  // namespace orva
