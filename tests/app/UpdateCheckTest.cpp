#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/UpdateCheck.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

// A small HTTP server on loopback: one document for one path, 404 for anything else.
class HttpServer {
public:
    HttpServer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(listen_, 8);
        socklen_t len = sizeof(addr);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~HttpServer() {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    std::u16string Host() const { return Widen("http://127.0.0.1:" + std::to_string(port_)); }
    void SetDocument(std::string path, std::string body) {
        std::lock_guard lock(mutex_);
        path_ = std::move(path);
        body_ = std::move(body);
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            std::string request;
            char buf[2048];
            ssize_t n = 0;
            while (request.find("\r\n\r\n") == std::string::npos &&
                   (n = ::recv(fd, buf, sizeof(buf), 0)) > 0) {
                request.append(buf, static_cast<size_t>(n));
            }
            const std::string path = request.substr(4, request.find(' ', 4) - 4);
            std::string response;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(path);
                response =
                    path == path_
                        ? "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                              "\r\nConnection: close\r\n\r\n" + body_
                        : "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: "
                          "close\r\n\r\n";
            }
            ::send(fd, response.data(), response.size(), MSG_NOSIGNAL);
            ::close(fd);
        }
    }
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string path_;
    std::string body_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

class RecordingOpener : public IShellOpener {
public:
    bool Open(std::u16string_view target) override {
        opened.emplace_back(target);
        return true;
    }
    std::vector<std::u16string> opened;
};

class UpdateCheckTest : public test::HomeTest {
protected:
    void SetUp() override { std::filesystem::create_directories(AppProfileFile().parent_path()); }
    bool Check(double version = 1.04) {
        return CUpdateCheck(prompt_, opener_, server_.Host()).Run(u"orvapanel", version);
    }
    void Serve(const std::string& body, const std::string& version = "1.04") {
        server_.SetDocument("/iocp/orva/orvapanel32/versions/update_" + version + ".xml", body);
    }
    std::u16string Temp(std::u16string_view key) {
        return CProfile(AppProfileFile()).ReadString(u"temp", key, u"", 0);
    }

    HttpServer server_;
    CRecordingPrompt prompt_;
    RecordingOpener opener_;
};

TEST_F(UpdateCheckTest, NoOfferForTheSameVersionOrWithoutTheProductElement) {
    Serve("<orvapanel version=\"1.04\"><orvapanel url=\"https://x/y\"/></orvapanel>");
    EXPECT_FALSE(Check());
    EXPECT_EQ(server_.Requests(),
              (std::vector<std::string>{"/iocp/orva/orvapanel32/versions/update_1.04.xml"}));
    Serve("<orvapanel version=\"1.05\"/>");
    EXPECT_FALSE(Check());
    EXPECT_EQ(prompt_.Count(), 0u);
    // A missing document and another root are silent.
    Serve("<other version=\"9\"/>", "9.99");
    EXPECT_FALSE(Check());
    Serve("<other version=\"9\"><orvapanel url=\"u\"/></other>");
    EXPECT_FALSE(Check());
    EXPECT_EQ(prompt_.Count(), 0u);
}

TEST_F(UpdateCheckTest, AnnouncementShownOncePerVersion) {
    Serve(
        "<orvapanel version=\"1.04\"><message txt=\"first\\r\\nsecond\" cap=\"News\" "
        "url=\"https://n\" "
        "id=\"7\" mb=\"36\"/></orvapanel>");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Check();
    ASSERT_EQ(prompt_.Count(), 1u);
    const PromptRequest r = prompt_.Requests()[0];
    EXPECT_EQ(r.text, u"first\r\nsecond");
    EXPECT_EQ(r.caption, u"News");
    EXPECT_EQ(r.buttons, PromptButtons::YesNo);
    EXPECT_EQ(r.icon, PromptIcon::Question);
    EXPECT_EQ(opener_.opened, (std::vector<std::u16string>{u"https://n"}));
    EXPECT_EQ(Temp(u"messages"), u"%7%");
    EXPECT_EQ(Temp(u"version"), u"1.04");
    Check();
    EXPECT_EQ(prompt_.Count(), 1u);  // not again
    Serve(
        "<orvapanel version=\"1.04\"><message txt=\"t\" cap=\"c\" id=\"7\" mb=\"0\"/></orvapanel>",
        "1.05");
    Check(1.05);  // another program version: shown once more
    EXPECT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(Temp(u"version"), u"1.05");
}

TEST_F(UpdateCheckTest, OfferOpenSkipAndRun) {
    Serve(
        "<orvapanel version=\"1.05\"><orvapanel url=\"https://get/1.05\" "
        "canskip=\"YES\"/></orvapanel>");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    EXPECT_FALSE(Check());
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"New version");
    EXPECT_EQ(prompt_.Requests()[0].text,
              u"A new version of the Travent has been found.\r\nWould you like to download it?");
    EXPECT_EQ(opener_.opened, (std::vector<std::u16string>{u"https://get/1.05"}));
    // No, then skip: never offered again.
    prompt_.QueueAnswer(PromptAnswer::No);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Check();
    EXPECT_EQ(prompt_.Requests().back().caption, u"Skip this update?");
    EXPECT_EQ(Temp(u"skipedversions"), u"1.05|");
    prompt_.ClearRecord();
    Check();
    EXPECT_EQ(prompt_.Count(), 0u);
    // A newer one is offered again; "run" over plain http downloads and starts nothing.
    Serve(
        "<orvapanel version=\"1.06\"><orvapanel title=\"T\" txt=\"a\\nb\" "
        "url=\"http://127.0.0.1/x.exe\" "
        "mode=\"run\"/></orvapanel>");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    opener_.opened.clear();
    EXPECT_FALSE(Check());
    const auto asked = prompt_.Requests();
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[asked.size() - 2].text, u"a\nb");
    // The user is told why nothing happens after the Yes.
    EXPECT_EQ(asked.back().text,
              u"The new version can't be downloaded: its address does not use a secure (https) "
              u"connection.\r\n\r\nPlease get it from the maker's web site.");
    EXPECT_EQ(asked.back().caption, u"T");
    EXPECT_EQ(asked.back().buttons, PromptButtons::Ok);
    EXPECT_EQ(asked.back().icon, PromptIcon::Warning);
    EXPECT_TRUE(opener_.opened.empty());
}

TEST_F(UpdateCheckTest, UnreachableHostIsSilent) {
    CRecordingPrompt prompt;
    RecordingOpener opener;
    EXPECT_FALSE(CUpdateCheck(prompt, opener, u"http://127.0.0.1:1").Run(u"orvapanel", 1.04));
    EXPECT_FALSE(CUpdateCheck(prompt, opener, u"").Run(u"orvapanel", 1.04));
    EXPECT_EQ(prompt.Count(), 0u);
}

}  // namespace
}  // namespace orva
