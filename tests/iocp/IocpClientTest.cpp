#include <gtest/gtest.h>

#include <regex>

#include <pthread.h>
#include <unistd.h>

#include <thread>

#include "RawServer.h"
#include "iocp/IocpClient.h"
#include "iocp/IocpLog.h"
#include "support/Pump.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

class IocpClientTest : public test::HomeTest {
protected:
    void SetUp() override {
        // The log goes to the state folder, never to the working directory.
        ASSERT_EQ(::chdir(home_.Root().c_str()), 0);
        notify_.SetHandler([this](const Notification& n) {
            seen_.push_back(n);
            return 0;
        });
        offsets_ = {{330, &a_}, {3367, &b_}, {0, nullptr}};
    }

    // Connects to the raw server and takes the registration line.
    void ConnectClient() {
        client_.Connect("127.0.0.1", offsets_, server_.Port());
        ASSERT_TRUE(server_.Accept());
        ASSERT_TRUE(client_.IsConnected());
        client_.SetCloseOnEnd(true);
        client_.SetNotify(&notify_, WM_IOCP_NOTIFY, 6);
        EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Inicio:330:3367:\r\n");
        server_.Take();
    }
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }
    std::vector<std::pair<uint32_t, int64_t>> Codes() const {
        std::vector<std::pair<uint32_t, int64_t>> out;
        for (const auto& n : seen_)
            out.emplace_back(n.message, n.message == WM_CLOSE ? n.lParam : n.wParam);
        return out;
    }
    // The log's entries without their time stamps, each of which must have the stamp's form.
    std::string Log() const {
        EXPECT_FALSE(std::filesystem::exists(home_.Root() / "iocpclient.log"));
        static const std::regex kStamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ");
        const std::string bytes = test::ReadBytes(home_.State() / "orvapanel" / "iocpclient.log");
        std::string entries;
        for (size_t at = 0; at < bytes.size();) {
            const size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
            const std::string line = bytes.substr(at, end - at);
            EXPECT_TRUE(std::regex_search(line, kStamp, std::regex_constants::match_continuous))
                << line;
            entries += line.substr(std::min<size_t>(20, line.size()));
            at = end;
        }
        return entries;
    }

    test::RawServer server_;
    CNotify notify_;
    std::vector<Notification> seen_;
    std::atomic<int32_t> a_{0};
    std::atomic<int32_t> b_{0};
    OffsetCells offsets_;
    CIocpClient client_;
};

TEST_F(IocpClientTest, ValuesArriveInTheirCellsAndNotifyOnce) {
    ConnectClient();
    server_.Send("Arn.Resp:330=1:3367=-5:\r\n");
    ASSERT_TRUE(PumpUntil([&] { return !seen_.empty(); }));
    EXPECT_EQ(a_.load(), 1);
    EXPECT_EQ(b_.load(), -5);
    server_.Send("Arn.Resp:331=7:\r\n");  // not registered: logged, still notified
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    EXPECT_EQ(Codes(), (std::vector<std::pair<uint32_t, int64_t>>{{WM_IOCP_NOTIFY, 0},
                                                                  {WM_IOCP_NOTIFY, 0}}));
    EXPECT_EQ(seen_[0].lParam, 6);
    EXPECT_EQ(Log(), "ERROR: Se ha recibido la variable 331 no solicitada.\n");
    server_.Send("Arn.Resp:10000=3:-1=4:330=2:\r\n");  // outside the table: logged, never stored
    ASSERT_TRUE(PumpUntil([&] { return a_.load() == 2; }));
    EXPECT_NE(Log().find("variable 10000 no solicitada"), std::string::npos);
    EXPECT_NE(Log().find("variable -1 no solicitada"), std::string::npos);
}

// The answer to the registration can beat the application's SetNotify: its notification is
// held until there is somewhere to post it.
TEST_F(IocpClientTest, ValuesThatArriveBeforeSetNotifyAreToldThen) {
    client_.Connect("127.0.0.1", offsets_, server_.Port());
    ASSERT_TRUE(server_.Accept());
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Inicio:330:3367:\r\n");
    server_.Send("Arn.Resp:330=7:3367=8:\r\nArn.Resp:330=9:\r\n");
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (a_.load() != 9 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(a_.load(), 9);
    client_.SetNotify(&notify_, WM_IOCP_NOTIFY, 6);
    notify_.ProcessPending();
    EXPECT_EQ(Codes(), (std::vector<std::pair<uint32_t, int64_t>>{{WM_IOCP_NOTIFY, 0}}));
    EXPECT_EQ(seen_[0].lParam, 6);
    server_.Send("Arn.Resp:3367=1:\r\n");  // and from now on as they come
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    EXPECT_EQ(b_.load(), 1);
}

TEST_F(IocpClientTest, WritesAndKeysAreExactLines) {
    ConnectClient();
    EXPECT_EQ(client_.QueueValue(330, 5), 1);
    EXPECT_EQ(client_.QueueValue(331, 6), 1);
    EXPECT_EQ(client_.Flush(), 1);
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Resp:330=5:331=6:\r\n");
    server_.Take();
    EXPECT_EQ(client_.SendKey(65537, 1, true), 1);
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Key:1=1:\r\n");
    server_.Take();
    EXPECT_EQ(client_.SendKey(1000, -2, true), 1);
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Key:1000=-2:\r\n");
    server_.Take();
    EXPECT_EQ(client_.Flush(), 0);
    EXPECT_EQ(client_.GetLastError(), CIocpClient::kNothingToSend);
    EXPECT_EQ(client_.Disconnect(), 1);
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Fin:\r\n");
    EXPECT_FALSE(client_.IsConnected());
    EXPECT_EQ(client_.QueueValue(1, 1), 0);
    EXPECT_EQ(client_.GetLastError(), CIocpClient::kNotConnected);
    EXPECT_EQ(client_.Disconnect(), 0);
}

TEST_F(IocpClientTest, ItemsGreetingKeepAliveAndRegistrationAgain) {
    ConnectClient();
    server_.Send("Arn.TipoSer:FSX:\r\nArn.Vivo:\r\n");
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Vivo:\r\n");  // a reply, nothing else
    server_.Take();
    server_.Send("Arn.TipoSer:F:Arn.Resp:330=9:\r\n");  // the F inside the text is not the end
    ASSERT_TRUE(PumpUntil([&] { return a_.load() == 9; }));
    server_.Send("Arn.Reinicio:\r\n");
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Inicio:330:3367:\r\n");
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    EXPECT_EQ(Codes(), (std::vector<std::pair<uint32_t, int64_t>>{{WM_IOCP_NOTIFY, 0},
                                                                  {WM_IOCP_NOTIFY, 1}}));
}

TEST_F(IocpClientTest, LinesAcrossSegments) {
    ConnectClient();
    server_.Send("Arn.Resp:330=1:\r\nArn.Resp:3367=2:\r\n");
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    EXPECT_EQ(b_.load(), 2);
    server_.Send("Arn.Re");
    std::this_thread::sleep_for(20ms);
    server_.Send("sp:330=4");
    std::this_thread::sleep_for(20ms);
    server_.Send("2:\r\n\r\n\n");  // empty lines are skipped
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 3; }));
    EXPECT_EQ(a_.load(), 42);
    std::this_thread::sleep_for(50ms);
    notify_.ProcessPending();
    EXPECT_EQ(seen_.size(), 3u);
}

TEST_F(IocpClientTest, ServerEndsTheLink) {
    ConnectClient();
    server_.Send("Arn.Fin:\r\n");
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    EXPECT_EQ(Codes(),
              (std::vector<std::pair<uint32_t, int64_t>>{{WM_IOCP_NOTIFY, 2}, {WM_CLOSE, 6}}));
    EXPECT_TRUE(client_.IsConnected());  // the socket stays until the server closes it
    seen_.clear();
    server_.CloseClient();
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 2; }));
    // Closed first (the window is asked to close), then the code that says the link is gone.
    EXPECT_EQ(Codes(),
              (std::vector<std::pair<uint32_t, int64_t>>{{WM_CLOSE, 6}, {WM_IOCP_NOTIFY, 9999}}));
    EXPECT_FALSE(client_.IsConnected());
    // A new connect after the link ended by itself works.
    client_.Connect("127.0.0.1", offsets_, server_.Port());
    ASSERT_TRUE(server_.Accept());
    EXPECT_TRUE(client_.IsConnected());
}

TEST_F(IocpClientTest, ServerEndWithoutATargetClosesTheLinkNotTheProgram) {
    client_.Connect("127.0.0.1", offsets_, server_.Port());
    ASSERT_TRUE(server_.Accept());
    client_.SetCloseOnEnd(true);
    server_.Send("Arn.Fin:\r\n");
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (client_.IsConnected() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_FALSE(client_.IsConnected());
}

TEST_F(IocpClientTest, ALineTooLongIsDroppedAndTheLinkKept) {
    ConnectClient();
    server_.Send(std::string(20000, 'x') + "\r\nArn.Resp:330=8:\r\n");
    ASSERT_TRUE(PumpUntil([&] { return a_.load() == 8; }));
    EXPECT_TRUE(client_.IsConnected());
    EXPECT_NE(Log().find("demasiado larga"), std::string::npos);
    // 8191 bytes before the "\n" fill the line buffer exactly and are parsed, even with the
    // "\n" in a later segment; one byte more is too long.
    const std::string head = "Arn.Resp:330=9:";
    server_.Send(head + std::string(8191 - head.size() - 1, 'x') + "\r");
    std::this_thread::sleep_for(20ms);
    server_.Send("\n");
    ASSERT_TRUE(PumpUntil([&] { return a_.load() == 9; }));
    server_.Send("Arn.Resp:330=10:" + std::string(8192 - 16, 'x') + "\nArn.Resp:3367=11:\n");
    ASSERT_TRUE(PumpUntil([&] { return b_.load() == 11; }));
    EXPECT_EQ(a_.load(), 9);
}

TEST_F(IocpClientTest, AFullQueueHoldsTheReaderBackAndLosesNothing) {
    ConnectClient();
    // The repeated registration keeps the parser busy for half a second while the lines pile up.
    std::string burst = "Arn.Reinicio:\r\n";
    for (int i = 1; i <= 5000; ++i) burst += "Arn.Resp:330=" + std::to_string(i) + ":\r\n";
    std::thread sender([&] { server_.Send(burst); });
    // The tiny socket buffers make this take seconds; slow builds under load need the margin.
    ASSERT_TRUE(PumpUntil([&] { return seen_.size() == 5001; }, std::chrono::seconds(60)));
    sender.join();
    EXPECT_EQ(a_.load(), 5000);
}

TEST(IocpLog, EntriesStartWithTheirLocalDateAndTime) {
    const test::ScopedEnv tz("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(IocpLogLine(u"ERROR: Host inv\u00E1lido: x\n", 1767225600 + 3723),
              "2026-01-01 01:02:03 ERROR: Host inv\xE1lido: x\n");
    test::TempHome home;
    EXPECT_EQ(IocpLogFile(), home.State() / "orvapanel" / "iocpclient.log");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(IocpLogFile(), home.Root() / ".local" / "state" / "orvapanel" / "iocpclient.log");
}

TEST_F(IocpClientTest, ConnectFailuresAreLogged) {
    CIocpClient refused;
    refused.Connect("127.0.0.1", offsets_, 1);  // nobody listens on port 1
    EXPECT_FALSE(refused.IsConnected());
    EXPECT_EQ(refused.GetLastError(), CIocpClient::kCannotConnect);
    EXPECT_EQ(Log(), "ERROR: Imposible conectar con el server 1.\n");
    refused.Connect("no.such.host.invalid", offsets_, server_.Port());
    EXPECT_FALSE(refused.IsConnected());
    EXPECT_EQ(refused.GetLastError(), CIocpClient::kCannotConnect);
    EXPECT_EQ(Log(),
              "ERROR: Imposible conectar con el server 1.\n"
              "ERROR: Host inv\xE1lido: no.such.host.invalid\n");
    EXPECT_EQ(refused.SetCloseOnEnd(true), 0);
    EXPECT_EQ(refused.GetLastError(), CIocpClient::kNotConnected);
}

TEST_F(IocpClientTest, AThreadThatCannotStartFailsTheConnect) {
    // A default stack no machine can map makes every new thread fail to start.
    pthread_attr_t saved;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t{1} << 46);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    client_.Connect("127.0.0.1", offsets_, server_.Port());
    ASSERT_EQ(pthread_setattr_default_np(&saved), 0);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
    EXPECT_FALSE(client_.IsConnected());
    EXPECT_EQ(client_.GetLastError(), CIocpClient::kCannotConnect);
    EXPECT_EQ(Log(), "ERROR: Imposible crear el Thread de recepci\xF3n.\n");
    // Nothing half-made is left: the socket was closed and the next connect works.
    ASSERT_TRUE(server_.Accept());
    EXPECT_EQ(server_.ReceiveUntil("never", 200), "");
    server_.CloseClient();
    ConnectClient();
}

TEST_F(IocpClientTest, SecondConnectAndEmptyRegistration) {
    client_.Connect("127.0.0.1", OffsetCells{{0, nullptr}}, server_.Port());
    ASSERT_TRUE(server_.Accept());
    EXPECT_EQ(client_.Connect("127.0.0.1", offsets_, server_.Port()), 1);
    EXPECT_EQ(client_.GetLastError(), CIocpClient::kAlreadyConnected);
    client_.SendKey(5, 5, true);
    EXPECT_EQ(server_.ReceiveUntil("\r\n"), "Arn.Key:5=5:\r\n");  // no registration was sent
}

TEST_F(IocpClientTest, ConcurrentMessagesNeverInterleave) {
    ConnectClient();
    // The parser repeats the registration while this thread writes values.
    for (int i = 0; i < 3; ++i) server_.Send("Arn.Reinicio:\r\n");
    for (int i = 0; i < 200; ++i) {
        client_.QueueValue(330, i);
        client_.Flush();
    }
    const std::string all = server_.ReceiveUntil("Arn.Resp:330=199:\r\n", 15000);
    size_t lines = 0;
    for (size_t at = 0; at < all.size();) {
        const size_t end = all.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = all.substr(at, end - at);
        EXPECT_TRUE(line == "Arn.Inicio:330:3367:" || line.rfind("Arn.Resp:330=", 0) == 0) << line;
        at = end + 2;
        ++lines;
    }
    EXPECT_GE(lines, 200u);
}

}  // namespace
}  // namespace orva
