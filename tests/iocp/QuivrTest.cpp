#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "RawServer.h"
#include "iocp/IocpClient.h"
#include "iocp/Quivr.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

class QuivrTest : public test::HomeTest {
protected:
    std::filesystem::path Module(const char* name) {
        return std::filesystem::path(std::getenv("ORVA_BUILD_DIR")) / "tests" / name;
    }
    CRecordingPrompt prompt_;
};

TEST_F(QuivrTest, FindsTheServerAtTheThirdCountAndTheClientConnects) {
    test::RawServer server;
    const auto log = home_.Root() / "calls.txt";
    ::setenv("ORVA_TEST_QUIVR_PORT", std::to_string(server.Port()).c_str(), 1);
    ::setenv("ORVA_TEST_QUIVR_LOG", log.c_str(), 1);
    CQuivr quivr;
    ASSERT_TRUE(quivr.Load(Module("quivr_test.mod"), prompt_));
    EXPECT_EQ(prompt_.Count(), 0u);
    std::vector<std::chrono::milliseconds> sleeps;
    const auto found = quivr.FindServer(
        u"P3D", nullptr, [&](std::chrono::milliseconds ms) { sleeps.push_back(ms); });
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->address, u"127.0.0.1");
    EXPECT_EQ(found->port, server.Port());
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>(2, std::chrono::milliseconds(1000))));
    EXPECT_EQ(
        test::ReadBytes(log),
        "Start OrvaPanel 1.04 P3D\nSetStatus Searching\n"
        "Count IOCPSERVER ANY P3D -1\nCount IOCPSERVER ANY P3D -1\nCount IOCPSERVER ANY P3D -1\n"
        "GetIpAndPortOf -1 1\nSetStatus Closing\nStop\n");
    CIocpClient client;
    std::atomic<int32_t> cell{0};
    client.Connect("127.0.0.1", {{330, &cell}, {0, nullptr}}, found->port);
    ASSERT_TRUE(server.Accept());
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(server.ReceiveUntil("\r\n"), "Arn.Inicio:330:\r\n");
}

TEST_F(QuivrTest, MissingOrIncompleteModuleIsReportedOnce) {
    CQuivr quivr;
    const auto missing = home_.Root() / "quivr.mod";
    EXPECT_FALSE(quivr.Load(missing, prompt_));
    EXPECT_FALSE(quivr.IsLoaded());
    ASSERT_EQ(prompt_.Count(), 1u);
    const PromptRequest r = prompt_.Requests()[0];
    EXPECT_EQ(r.caption, u"Error");
    EXPECT_EQ(r.icon, PromptIcon::Error);
    EXPECT_EQ(r.text,
              u"The Quivr protocol will be disabled.\r\n\r\nError n\u00BA 2 loading mod file:\r\n" +
                  FromUtf8(missing.string()));
    // Without a module nothing is found and nothing waits.
    bool slept = false;
    EXPECT_FALSE(quivr.FindServer(u"P3D", nullptr, [&](auto) { slept = true; }).has_value());
    EXPECT_FALSE(slept);

    prompt_.ClearRecord();
    EXPECT_FALSE(quivr.Load(Module("quivr_incomplete.mod"), prompt_));
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_NE(prompt_.Texts()[0].find(u"Error n\u00BA 127 loading"), std::u16string::npos);
}

TEST_F(QuivrTest, ReferenceModuleFindsAnnouncedServersAndTheHostsFile) {
    // The module shipped beside the programs reads the hosts file of the user's folder.
    const auto folder = home_.MakeUserFolder();
    test::WriteBytes(folder / "quivr-hosts.txt", "# alias address port\nFSX 127.0.0.1 9123\n");
    CQuivr quivr;
    ASSERT_TRUE(quivr.Load(
        std::filesystem::path(std::getenv("ORVA_BUILD_DIR")) / "bin" / "quivr.mod", prompt_));
    const auto found = quivr.FindServer(u"fsx", nullptr, [](auto) {});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->address, u"127.0.0.1");
    EXPECT_EQ(found->port, 9123);
    int sleeps = 0;
    EXPECT_FALSE(quivr.FindServer(u"NONE", nullptr, [&](auto) { ++sleeps; }).has_value());
    EXPECT_EQ(sleeps, 4);  // five counts, a pause between each two
}

TEST(DottedAddress, Validation) {
    EXPECT_TRUE(IsDottedAddress("127.0.0.1"));
    EXPECT_TRUE(IsDottedAddress("255.255.255.255"));
    EXPECT_FALSE(IsDottedAddress("256.0.0.1"));
    EXPECT_FALSE(IsDottedAddress("1.2.3"));
    EXPECT_FALSE(IsDottedAddress("1.2.3.4.5"));
    EXPECT_FALSE(IsDottedAddress("1..2.3"));
    EXPECT_FALSE(IsDottedAddress(""));
    EXPECT_FALSE(IsDottedAddress("0001.1.1.1"));
}

}  // namespace
}  // namespace orva
