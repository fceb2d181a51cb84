#include <gtest/gtest.h>

#include <regex>

#include "core/Configuration.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

class ConfigurationTest : public test::HomeTest {
protected:
    void SetUp() override { folder_ = home_.MakeUserFolder(); }

    void WriteEvents(std::u16string_view body) {
        test::WriteBytes(folder_ / "id001_vars.xml", "\xFF\xFE" + ToUtf16LeBytes(body));
    }

    std::filesystem::path folder_;
    CConfiguration config_{u"ID001"};
    CEventTable table_;
    CRecordingPrompt prompt_;
};

TEST_F(ConfigurationTest, DefaultsWithoutAnyFile) {
    std::filesystem::remove_all(folder_);
    table_[0].id = 5;
    config_.LoadConfiguration(table_, prompt_);
    EXPECT_TRUE(config_.servers.empty());
    EXPECT_FALSE(config_.autoConnect);
    EXPECT_FALSE(config_.autoHide);
    EXPECT_EQ(config_.ReadOption(u"AutoConnect"), -1);
    EXPECT_EQ(config_.cardSerial, u"UNK_000000");
    EXPECT_FALSE(config_.senseVcc);
    EXPECT_EQ(table_.UsedCount(), 0u);
    EXPECT_EQ(table_[0].lastValue.load(), -9999);
    EXPECT_EQ(table_[199].lastValue.load(), -9999);
    config_.LoadCardSettings();
    EXPECT_EQ(config_.card.cardName, u"ID001");
    EXPECT_EQ(config_.card.rows1, 8);
    EXPECT_FALSE(config_.card.matrix2);
}

TEST_F(ConfigurationTest, MissingKeysTrimmedAliasAndSense) {
    test::WriteBytes(folder_ / "id001_conf.cnf",
                     "[Iocp]\nServers=3\nAlias_000=  fsx  \nIpDir_000=127.0.0.1\nPort_000=9000\n"
                     "[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=OR-42\nSense=VCC\n");
    config_.LoadConfiguration(table_, prompt_);
    ASSERT_EQ(config_.servers.size(), 3u);
    EXPECT_EQ(config_.servers[0].alias, u"fsx");
    EXPECT_EQ(config_.servers[0].address, u"127.0.0.1");
    EXPECT_EQ(config_.servers[0].port, 9000);
    EXPECT_EQ(config_.servers[1].alias, u"P3D");
    EXPECT_EQ(config_.servers[1].address, u"255.255.255.255");
    EXPECT_TRUE(config_.servers[1].NeedsLookup());
    EXPECT_EQ(config_.servers[2].port, 8090);
    EXPECT_TRUE(config_.autoConnect);
    EXPECT_FALSE(config_.autoHide);
    EXPECT_EQ(config_.cardSerial, u"OR-42");
    EXPECT_TRUE(config_.senseVcc);

    test::WriteBytes(folder_ / "id001_conf.cnf", "[Orva]\nSense=5V\n");
    config_.LoadConfiguration(table_, prompt_);
    EXPECT_FALSE(config_.senseVcc);
}

TEST_F(ConfigurationTest, MoreThanTenServersAreKept) {
    std::string ini = "[Iocp]\nServers=12\n";
    for (int i = 0; i < 12; ++i)
        ini += "Alias_" + std::string(i < 10 ? "00" : "0") + std::to_string(i) + "=S" +
               std::to_string(i) + "\n";
    test::WriteBytes(folder_ / "id001_conf.cnf", ini);
    config_.LoadConfiguration(table_, prompt_);
    ASSERT_EQ(config_.servers.size(), 12u);
    EXPECT_EQ(config_.servers[11].alias, u"S11");
}

TEST_F(ConfigurationTest, SaveConfigurationWritesEveryKeyAndReadsBack) {
    config_.servers = {{u" Lead", u"10.0.0.2", 8091}, {u"FSX", u"", 8090}};
    config_.autoConnect = true;
    config_.cardSerial = u"OR-7";
    config_.senseVcc = true;
    ASSERT_TRUE(config_.SaveConfiguration(table_, prompt_));
    EXPECT_EQ(test::ReadBytes(folder_ / "id001_conf.cnf"),
              "[Iocp]\nServers=2\nAlias_000=\" Lead\"\nIpDir_000=10.0.0.2\nPort_000=8091\n"
              "Alias_001=FSX\nIpDir_001=\nPort_001=8090\n\n[Options]\nAutoConnect=1\nAutoHide=0\n\n"
              "[Orva]\nSerial=OR-7\nSense=Vcc\n");
    CConfiguration again(u"ID001");
    again.LoadConfiguration(table_, prompt_);
    EXPECT_EQ(again.servers[0].alias, u"Lead");  // aliases are trimmed when read
    EXPECT_EQ(again.servers[1].address, u"");
    EXPECT_TRUE(again.autoConnect);
    EXPECT_TRUE(again.SaveOption(u"AutoHide", true));
    EXPECT_EQ(again.ReadOption(u"AutoHide"), 1);
}

TEST_F(ConfigurationTest, EventsFileVersions) {
    const std::u16string event =
        u"<offset type=\"2\" name=\"GEAR\" id=\"37\" val=\"1\" script=\"x=1\"/>";
    const std::vector<std::pair<std::u16string, bool>> cases = {{u" version=\"1.0\"", true},
                                                                {u" version=\"0.9\"", true},
                                                                {u"", true},
                                                                {u" version=\"1.1\"", false},
                                                                {u" version=\"2.0\"", false}};
    for (const auto& [version, read] : cases) {
        WriteEvents(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<offsets_list" + version + u">" +
                    event + u"</offsets_list>");
        config_.LoadEvents(table_, prompt_);
        EXPECT_EQ(table_.UsedCount(), read ? 1u : 0u) << ToUtf8(version);
    }
}

TEST_F(ConfigurationTest, EventAttributesAndTheEndOfTheTable) {
    WriteEvents(
        u"<offsets_list version=\"1.0\">"
        u"<offset TYPE=\"262\" name=\"A\" val=\"-5\" disabled=\"YES\"/>"
        u"<offset type=\"6\" name=\"B\" id=\"330\" disabled=\"true\"/>"
        u"<other/>"
        u"<offset type=\"2\" name=\"C\" id=\"-1\"/>"
        u"<offset type=\"2\" name=\"D\" id=\"40\"/>"
        u"</offsets_list>");
    config_.LoadEvents(table_, prompt_);
    EXPECT_EQ(table_.UsedCount(), 2u);
    EXPECT_EQ(table_[0].type, 6);  // kept in 8 bits
    EXPECT_EQ(table_[0].id, 0);    // a missing id reads as 0
    EXPECT_EQ(table_[0].value.load(), -5);
    EXPECT_TRUE(table_[0].disabled);
    EXPECT_EQ(table_[1].id, 330);
    EXPECT_FALSE(table_[1].disabled);
    EXPECT_EQ(table_[3].name, u"D");  // past the end, still loaded
    EXPECT_EQ(table_.PositionByName(u"d"), -1);
    EXPECT_EQ(table_.PositionByName(u"b"), 1);
}

TEST_F(ConfigurationTest, MoreThan200OffsetsReadTheFirst200) {
    std::u16string body = u"<offsets_list>";
    for (int i = 0; i < 250; ++i) {
        body += Format(u"<offset type=\"2\" name=\"E%d\" id=\"%d\"/>", i, i + 1);
    }
    WriteEvents(body + u"</offsets_list>");
    config_.LoadEvents(table_, prompt_);
    EXPECT_EQ(table_.UsedCount(), 200u);
    EXPECT_EQ(table_[199].name, u"E199");
}

TEST_F(ConfigurationTest, SavedEventsStartWithTheUtf16DeclarationAndLoadBack) {
    const std::u16string script =
        u"if a < b and c > d then\r\n  print(\"it's & done\")\r\nend -- caf\u00E9 \u20AC";
    table_[0].type = 2;
    table_[0].name = u"GEAR";
    table_[0].id = 37;
    table_[0].value = 1;
    table_[0].script = script;
    table_[1].type = 6;
    table_[1].name = u"FLAPS";
    table_[1].id = 3367;
    table_[1].disabled = true;
    table_[2].id = -1;
    table_[3].id = 9;  // beyond the used part: not saved
    ASSERT_TRUE(config_.SaveEvents(table_, prompt_));
    // Byte for byte the file written by hand: mark, declaration, root attributes in order, a
    // tab before each event, every attribute in order, escapes, the closing tag, line feeds.
    const std::string bytes = test::ReadBytes(folder_ / "id001_vars.xml");
    EXPECT_EQ(bytes,
              test::ReadBytes(std::filesystem::path(ORVA_TEST_DATA) / "events" / "id001_vars.xml"));

    CEventTable loaded;
    config_.LoadEvents(loaded, prompt_);
    ASSERT_EQ(loaded.UsedCount(), 2u);
    EXPECT_EQ(loaded[0].script, script);
    EXPECT_EQ(loaded[0].value.load(), 1);
    EXPECT_TRUE(loaded[1].disabled);
    EXPECT_EQ(loaded[1].type, 6);
    EXPECT_EQ(loaded[1].id, 3367);
    EXPECT_EQ(prompt_.Count(), 0u);
}

TEST_F(ConfigurationTest, FailedEventsSaveIsReportedAndKeepsTheOldFile) {
    CConfiguration elsewhere(u"ID001");
    std::filesystem::remove_all(folder_);
    EXPECT_FALSE(elsewhere.SaveEvents(table_, prompt_));
    ASSERT_EQ(prompt_.Count(), 1u);
    const PromptRequest r = prompt_.Requests()[0];
    EXPECT_EQ(r.caption, u"Error saving File.");
    EXPECT_EQ(r.icon, PromptIcon::Warning);
    EXPECT_EQ(r.text,
              u"Error saving Offsets Configuration File.\r\n\r\nPlease check that exists the "
              u"Folder:\r\n" +
                  FromUtf8(folder_.string()) + u"/.");
}

// An events file as a user leaves it after editing a script by hand: a raw "<" in a script.
constexpr char16_t kBrokenEvents[] =
    u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<offsets_list version=\"1.0\">\n\t<offset "
    u"type=\"2\" name=\"GEAR\" id=\"37\" val=\"0\" script=\"if Value < 1 then print('up') "
    u"end\" disabled=\"no\"/>\n</offsets_list>\n";

TEST_F(ConfigurationTest, ABrokenEventsFileIsShownWithItsLineAndColumnAndReadsAsNoEvents) {
    WriteEvents(kBrokenEvents);
    table_[0].id = 5;
    EXPECT_FALSE(config_.LoadEvents(table_, prompt_));
    EXPECT_EQ(table_.UsedCount(), 0u);
    const std::u16string message = u"XML Parsing error inside file '" +
                                   FromUtf8((folder_ / "id001_vars.xml").string()) +
                                   u"'.\nError: Unexpected token found\nAt line 3, column 64.\n";
    EXPECT_EQ(prompt_.Requests(),
              (std::vector<PromptRequest>{
                  {message, u"XML Parsing error", PromptButtons::Ok, PromptIcon::Error, true}}));

    // Loading the configuration shows it once more; an intact or a missing file shows nothing.
    config_.LoadConfiguration(table_, prompt_);
    EXPECT_EQ(prompt_.Texts(), (std::vector<std::u16string>{message, message}));
    WriteEvents(u"<offsets_list version=\"1.0\"><offset type=\"2\" id=\"37\"/></offsets_list>");
    EXPECT_TRUE(config_.LoadEvents(table_, prompt_));
    EXPECT_EQ(table_.UsedCount(), 1u);
    std::filesystem::remove(folder_ / "id001_vars.xml");
    EXPECT_TRUE(config_.LoadEvents(table_, prompt_));
    EXPECT_EQ(prompt_.Count(), 2u);
}

class UnreadableEventsTest : public ConfigurationTest {
protected:
    void SetUp() override {
        ConfigurationTest::SetUp();
        table_[0].type = 2;
        table_[0].name = u"NEW";
        table_[0].id = 40;
        config_.servers = {{u"P3D", u"127.0.0.1", 9000}};
    }
    // The files beside the events file that keep an unreadable one.
    std::vector<std::filesystem::path> Kept() const {
        std::vector<std::filesystem::path> kept;
        const std::regex name(R"(id001_vars\.xml\.broken-\d{8}-\d{6}(-\d+)?)");
        for (const auto& e : std::filesystem::directory_iterator(folder_)) {
            if (std::regex_match(e.path().filename().string(), name)) kept.push_back(e.path());
        }
        std::sort(kept.begin(), kept.end());
        return kept;
    }
    std::filesystem::path Events() const { return folder_ / "id001_vars.xml"; }
    std::u16string Question(std::u16string_view reason, const std::filesystem::path& kept) const {
        return u"The events file\r\n" + FromUtf8(Events().string()) + u"\r\n" +
               std::u16string(reason) +
               u" The events in it were not loaded.\r\n\r\nSave the current events in its "
               u"place? The file as it is now is kept as\r\n" +
               FromUtf8(kept.string()) +
               u"\r\n\r\nNo leaves the file as it is and saves no events.";
    }
    // The name the question offers, read back from it.
    static std::filesystem::path Offered(const std::u16string& question) {
        const std::u16string before = u"kept as\r\n";
        const size_t start = question.find(before) + before.size();
        return ToUtf8(question.substr(start, question.find(u"\r\n", start) - start));
    }
};

// Whatever saves the events (the events list, the servers dialog, the card selection, a rename)
// goes through the one save: over a file that does not read it asks first, and keeps the file.
TEST_F(UnreadableEventsTest, NoSaveReplacesAFileThatDoesNotReadUnasked) {
    const struct {
        const char* what;
        std::u16string file;
        std::u16string reason;
    } cases[] = {
        {"broken", kBrokenEvents,
         u"could not be read (Error: Unexpected token found at line 3, column 64)."},
        {"newer", u"<offsets_list version=\"1.1\"><offset type=\"2\" id=\"9\"/></offsets_list>",
         u"is of a newer format (version 1.1) than this program reads."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteEvents(c.file);
        const std::string bytes = test::ReadBytes(Events());
        prompt_.ClearRecord();
        EXPECT_FALSE(config_.SaveConfiguration(table_, prompt_));  // No, the safe answer
        ASSERT_EQ(prompt_.Count(), 1u);
        const PromptRequest asked = prompt_.Requests()[0];
        EXPECT_EQ(asked,
                  (PromptRequest{Question(c.reason, Offered(asked.text)), u"Events file not read",
                                 PromptButtons::YesNo, PromptIcon::Warning}));
        EXPECT_EQ(test::ReadBytes(Events()), bytes);
        EXPECT_TRUE(Kept().empty());
        EXPECT_NE(test::ReadBytes(folder_ / "id001_conf.cnf").find("Port_000=9000"),
                  std::string::npos);  // the configuration is saved all the same

        prompt_.ClearRecord();
        prompt_.QueueAnswer(PromptAnswer::Yes);
        EXPECT_TRUE(config_.SaveEvents(table_, prompt_));
        ASSERT_EQ(Kept().size(), 1u);
        EXPECT_EQ(Kept()[0], Offered(prompt_.Texts()[0]));
        EXPECT_EQ(test::ReadBytes(Kept()[0]), bytes);
        EXPECT_EQ(test::ReadBytes(Events()), EventsFileBytes(table_));
        std::filesystem::remove(Kept()[0]);
    }
}

TEST_F(UnreadableEventsTest, EachKeptFileHasANameOfItsOwnAndAReadableFileIsReplacedUnasked) {
    const std::string first = "\xFF\xFE" + ToUtf16LeBytes(kBrokenEvents);
    const std::string second = first + std::string("<\0", 2);
    for (const std::string& bytes : {first, second}) {
        test::WriteBytes(Events(), bytes);
        prompt_.QueueAnswer(PromptAnswer::Yes);
        EXPECT_TRUE(config_.SaveEvents(table_, prompt_));
    }
    const std::vector<std::filesystem::path> kept = Kept();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(test::ReadBytes(kept[0]) + test::ReadBytes(kept[1]), first + second);

    // A file that reads, an empty one and none at all hold nothing to lose.
    prompt_.ClearRecord();
    for (const std::string& bytes : {EventsFileBytes(CEventTable()), std::string()}) {
        test::WriteBytes(Events(), bytes);
        EXPECT_TRUE(config_.SaveEvents(table_, prompt_));
    }
    std::filesystem::remove(Events());
    EXPECT_TRUE(config_.SaveEvents(table_, prompt_));
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(Kept().size(), 2u);
}

TEST_F(ConfigurationTest, RenamingFormsNewPaths) {
    config_.SetInstanceName(u"COCKPIT");
    EXPECT_EQ(config_.EventsPath(), folder_ / "cockpit_vars.xml");
    EXPECT_EQ(config_.ConfigPath(), folder_ / "cockpit_conf.cnf");
    test::WriteBytes(folder_ / "orva.cnf", "[OR-1]\nAlias=Main panel\nMatrix_1=1\nRows_1=4\n");
    config_.cardSerial = u"or-1";
    config_.LoadCardSettings();
    EXPECT_EQ(config_.card.cardName, u"Main panel");
    EXPECT_TRUE(config_.card.matrix1);
    EXPECT_EQ(config_.card.rows1, 4);
    EXPECT_EQ(config_.ReadCardText(u"OR-1", u"Sense", u"Gnd"), u"Gnd");
}

}  // namespace
}  // namespace orva
