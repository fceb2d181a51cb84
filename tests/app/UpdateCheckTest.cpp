#include <gtest/gtest.h>

#include "app/UpdateCheck.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/HttpServer.h"
#include "support/Process.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

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
    void Check(double version = 1.04) {
        CUpdateCheck(prompt_, opener_, Widen(server_.Host())).Run(u"orvapanel", version);
    }
    void Serve(const std::string& body, const std::string& version = "1.04") {
        server_.Set("/iocp/orva/orvapanel32/versions/update_" + version + ".xml",
                    test::HttpServer::Answer::Document, body);
    }
    std::u16string Temp(std::u16string_view key) {
        return CProfile(AppProfileFile()).ReadString(u"temp", key, u"", 0);
    }

    test::HttpServer server_;
    CRecordingPrompt prompt_;
    RecordingOpener opener_;
};

TEST_F(UpdateCheckTest, NoOfferForTheSameVersionOrWithoutTheProductElement) {
    Serve("<orvapanel version=\"1.04\"><orvapanel url=\"https://x/y\"/></orvapanel>");
    Check();
    EXPECT_EQ(server_.Requests(),
              (std::vector<std::string>{"/iocp/orva/orvapanel32/versions/update_1.04.xml"}));
    Serve("<orvapanel version=\"1.05\"/>");
    Check();
    EXPECT_EQ(prompt_.Count(), 0u);
    // A missing document and another root are silent.
    Serve("<other version=\"9\"/>", "9.99");
    Check();
    Serve("<other version=\"9\"><orvapanel url=\"u\"/></other>");
    Check();
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
    Check();
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
    Check();
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

TEST_F(UpdateCheckTest, RunOpensTheInstallersAddressInTheBrowserAndDownloadsNothing) {
    const std::filesystem::path tmp = home_.Root() / "tmp";
    std::filesystem::create_directories(tmp);
    const test::ScopedEnv tmpEnv("TMPDIR", tmp.string());
    const std::string installer = server_.Host() + "/get/orvapanel-1.05.exe";
    server_.Set("/get/orvapanel-1.05.exe", test::HttpServer::Answer::Document, "MZ");
    Serve("<orvapanel version=\"1.05\"><orvapanel url=\"" + installer +
          "\" mode=\"RUN\"/></orvapanel>");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Check();
    // Over plain http the address is refused, as before.
    ASSERT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(prompt_.Requests()[1].icon, PromptIcon::Warning);
    EXPECT_TRUE(opener_.opened.empty());

    // Over https the browser gets the address itself: no file is fetched or handed over.
    const std::string secure = "https://127.0.0.1:1/get/orvapanel-1.05.exe";
    Serve("<orvapanel version=\"1.05\"><orvapanel url=\"" + secure +
          "\" mode=\"run\"/></orvapanel>");
    prompt_.ClearRecord();
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Check();
    EXPECT_EQ(prompt_.Count(), 1u);  // the offer; no message after it
    EXPECT_EQ(opener_.opened, std::vector<std::u16string>{Widen(secure)});
    for (const std::string& request : server_.Requests()) {
        EXPECT_EQ(request, "/iocp/orva/orvapanel32/versions/update_1.04.xml");
    }
    EXPECT_TRUE(std::filesystem::is_empty(tmp));  // not even the update document is left
}

TEST_F(UpdateCheckTest, UnreachableHostIsSilent) {
    CRecordingPrompt prompt;
    RecordingOpener opener;
    CUpdateCheck(prompt, opener, u"http://127.0.0.1:1").Run(u"orvapanel", 1.04);
    CUpdateCheck(prompt, opener, u"").Run(u"orvapanel", 1.04);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(UpdateCheckTest, TheWebHostIsTheEnvironmentsElseTheProfilesElseNone) {
    ::unsetenv("ORVA_WEB_HOST");
    EXPECT_EQ(WebHost(), u"");
    CProfile(AppProfileFile()).WriteString(u"Web", u"Host", u"https://help.example");
    EXPECT_EQ(WebHost(), u"https://help.example");
    const test::ScopedEnv empty("ORVA_WEB_HOST", "");
    EXPECT_EQ(WebHost(), u"");  // an empty variable switches a profile's host off
    const test::ScopedEnv named("ORVA_WEB_HOST", "http://127.0.0.1:9");
    EXPECT_EQ(WebHost(), u"http://127.0.0.1:9");
}

// Whatever the program asks of the network goes through libcurl, which takes the proxy from
// the environment: a proxy on loopback sees every address asked for, and here it sees nothing.
TEST_F(UpdateCheckTest, WithoutAHostTheProgramAsksNothingOfTheNetworkAtStart) {
    ::unsetenv("ORVA_WEB_HOST");
    const std::string proxy = server_.Host();
    const auto start = [&proxy](const std::string& instance) {
        test::Process panel(test::BinPath("orvapanel-headless"), {instance},
                            {{"http_proxy", proxy},
                             {"https_proxy", proxy},
                             {"HTTPS_PROXY", proxy},
                             {"ALL_PROXY", proxy},
                             {"no_proxy", ""},
                             {"NO_PROXY", ""}});
        return panel.Wait(std::chrono::seconds(30));  // no board here: the connect fails
    };
    EXPECT_EQ(start("/QUIET"), 2);
    EXPECT_EQ(server_.Requests(), std::vector<std::string>{});
    // The same start with a host in the profile asks for the update document through the proxy,
    // so the proxy would have seen a request made without one.
    CProfile(AppProfileFile()).WriteString(u"Web", u"Host", u"http://updates.example");
    EXPECT_EQ(start("/ASKING"), 2);
    EXPECT_EQ(server_.Requests(),
              std::vector<std::string>{
                  "http://updates.example/iocp/orva/orvapanel32/versions/update_1.04.xml"});
}

}  // namespace
}  // namespace orva
