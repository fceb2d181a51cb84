// The code repository without windows: its document, the filter, the address and the cache rule.
#include "ui/text/Repository.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/TestEnv.h"
#include "xml/XmlElement.h"

namespace orva {

void PrintTo(const Snippet& s, std::ostream* os) {
    *os << '{' << ToUtf8(s.type) << " | " << ToUtf8(s.from) << " | " << ToUtf8(s.description)
        << " | " << ToUtf8(s.script) << '}';
}

namespace {

const std::string kThree =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<repository Version=\"1.0\">\n"
    "  <code type=\"Encoder\" from=\"Ana\" description=\"Heading bug knob\" "
    "script=\"print(&quot;hdg&quot;)\"/>\n"
    "  <CODE TYPE=\"Lamp\" From=\"BEN\" DESCRIPTION=\"Gear lights\" "
    "Script=\"orva.dout.state.set(1, "
    "1)\"/>\n"
    "  <code type=\"Display\" from=\"cleo\" script=\"(NULL)\"/>\n"
    "</repository>\n";

std::vector<Snippet> Read(const std::string& document) {
    const auto read = ReadRepositoryBytes(document);
    EXPECT_TRUE(read.has_value()) << document;
    return read.value_or(std::vector<Snippet>());
}

TEST(RepositoryDocument, ReadsCodeElementsInOrderWithAttributesInAnyCaseAndMissingOnes) {
    const std::vector<Snippet> snippets = Read(kThree);
    ASSERT_EQ(snippets.size(), 3u);
    EXPECT_EQ(snippets[0], (Snippet{u"Encoder", u"Ana", u"Heading bug knob", u"print(\"hdg\")"}));
    EXPECT_EQ(snippets[1],
              (Snippet{u"Lamp", u"BEN", u"Gear lights", u"orva.dout.state.set(1, 1)"}));
    // A missing description reads as "(null)"; a script "(null)" in any case is no script.
    EXPECT_EQ(snippets[2], (Snippet{u"Display", u"cleo", u"(null)", u""}));
    EXPECT_TRUE(snippets[0].CanInsert());
    EXPECT_FALSE(snippets[2].CanInsert());

    // Missing attributes and other content.
    const auto others = Read(
        "<repository version=\"1.0\" extra=\"x\">"
        "<code/>"
        "<snippet type=\"not a code element\" script=\"x\"/>"
        "<code type=\"(null)\" colour=\"red\" script=\"a\"><code type=\"nested\"/></code>"
        "<code description script=\"\"/>"
        "</repository>");
    // A text "(null)" outside the script is just text; an attribute without a value is missing.
    EXPECT_EQ(others, (std::vector<Snippet>{{u"(null)", u"(null)", u"(null)", u""},
                                            {u"(null)", u"(null)", u"(null)", u"a"},
                                            {u"(null)", u"(null)", u"(null)", u""}}));

    // Line breaks and entities in a script as the reader delivers them.
    const auto script = Read(
        "<repository Version=\"1.0\"><code type=\"t\" from=\"f\" description=\"d\" "
        "script=\"if a &lt; 1 then\r\n\tb = 2 &amp;&#65;\r\nend\"/></repository>");
    ASSERT_EQ(script.size(), 1u);
    EXPECT_EQ(script[0].script, u"if a < 1 then\r\n\tb = 2 &A\r\nend");
}

TEST(RepositoryDocument, OtherVersionsAndRootsAreNoRepository) {
    for (const char* document :
         {"<repository Version=\"1.1\"><code script=\"x\"/></repository>",
          "<repository Version=\"1.00\"/>", "<repository Version=\" 1.0\"/>",
          "<repository Version/>", "<repository><code script=\"x\"/></repository>",
          "<catalogue Version=\"1.0\"><code/></catalogue>", "<html><body>Not found</body></html>",
          "", "\xC3\x28 not UTF-8"}) {
        EXPECT_FALSE(ReadRepositoryBytes(document)) << document;
    }
    EXPECT_FALSE(ReadRepository(XmlElement()));
    // An empty catalogue is still a catalogue.
    const auto empty = ReadRepositoryBytes("<repository Version=\"1.0\"></repository>");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(RepositoryDocument, Utf16AndUtf8WithMarks) {
    const std::u16string text =
        u"<repository Version=\"1.0\"><code type=\"Ñandú\" from=\"ö\" description=\"€\" "
        u"script=\"x\"/></repository>";
    const auto utf16 = ReadRepositoryBytes("\xFF\xFE" + ToUtf16LeBytes(text));
    const auto utf8 = ReadRepositoryBytes("\xEF\xBB\xBF" + ToUtf8(text));
    ASSERT_TRUE(utf16 && utf8);
    ASSERT_EQ(utf16->size(), 1u);
    EXPECT_EQ((*utf16)[0], (Snippet{u"Ñandú", u"ö", u"€", u"x"}));
    EXPECT_EQ(*utf8, *utf16);
}

TEST(RepositoryFilter, LowerCasedOverTypeFromAndDescriptionOnly) {
    const std::vector<Snippet> snippets = Read(kThree);
    EXPECT_EQ(RepositoryFilterKey(u"GEAR Ñ"), u"gear ñ");
    // The descriptions a typed filter leaves.
    const auto found = [&](std::u16string_view typed) {
        std::u16string shown;
        for (const Snippet& s : FilterSnippets(snippets, RepositoryFilterKey(typed)))
            shown += s.description + u";";
        return shown;
    };
    // Capitals find small letters and small letters find capitals.
    EXPECT_EQ(found(u"HEADING"), u"Heading bug knob;");
    EXPECT_EQ(found(u"ben"), u"Gear lights;");
    EXPECT_EQ(found(u"dISPLAY"), u"(null);");
    // Text that is only in a script shows nothing.
    EXPECT_EQ(found(u"dout"), u"");
    EXPECT_EQ(found(u"hdg"), u"");
    // No filter shows everything; a filter matching every text shows everything.
    EXPECT_EQ(found(u""), u"Heading bug knob;Gear lights;(null);");
    EXPECT_EQ(found(u"E"), u"Heading bug knob;Gear lights;(null);");
    EXPECT_TRUE(SnippetMatches(snippets[2], u"(null)"));
    EXPECT_FALSE(SnippetMatches(snippets[0], u"ana heading"));
}

TEST(BundledRepository, FoundAboveTheBuildTreesProgramsOrTwoAboveTheInstalledOnes) {
    test::TempHome home;
    namespace fs = std::filesystem;
    const fs::path build = home.Root() / "build";
    const fs::path usr = home.Root() / "usr";
    for (const fs::path& folder : {build / "bin", build / "tests", usr / "lib" / "orvapanel"}) {
        fs::create_directories(folder);
    }
    EXPECT_EQ(FindBundledRepository(build / "bin"), fs::path());  // none yet
    for (const fs::path& share : {build / "share/orvapanel", usr / "share/orvapanel"}) {
        fs::create_directories(share);
        test::WriteBytes(share / "repository.xml", "<repository Version=\"1.0\"/>");
    }
    EXPECT_EQ(FindBundledRepository(build / "bin"), build / "share/orvapanel/repository.xml");
    EXPECT_EQ(FindBundledRepository(build / "tests"), build / "share/orvapanel/repository.xml");
    EXPECT_EQ(FindBundledRepository(usr / "lib" / "orvapanel"),
              usr / "share/orvapanel/repository.xml");
    // A folder of that name is no repository.
    fs::remove(build / "share/orvapanel/repository.xml");
    fs::create_directories(build / "share/orvapanel/repository.xml");
    EXPECT_EQ(FindBundledRepository(build / "bin"), fs::path());
}

TEST(RepositoryAddress, LowerCasedPathAfterTheHostAsWritten) {
    EXPECT_EQ(RepositoryAddress(u"https://Updates.Example.org", u"OrvaPanel"),
              u"https://Updates.Example.org/iocp/orva/orvapanel/repository/repository.xml");
    EXPECT_EQ(RepositoryAddress(u"http://127.0.0.1:8080//", u"orvapanel"),
              u"http://127.0.0.1:8080/iocp/orva/orvapanel/repository/repository.xml");
    EXPECT_EQ(RepositoryAddress(u"", u"orvapanel"), u"");
    EXPECT_EQ(RepositoryAddress(u"/", u"orvapanel"), u"");
}

class RepositoryFileTest : public test::HomeTest {
protected:
    static std::filesystem::path MakeFolders(const test::TempHome& home) {
        home.MakeUserFolder();
        std::filesystem::create_directories(home.Root() / "tmp");
        return home.Root() / "tmp";
    }
    std::filesystem::path Downloaded(const std::string& bytes) {
        const std::filesystem::path file = MakeRepositoryDownloadFile();
        EXPECT_FALSE(file.empty());
        test::WriteBytes(file, bytes);
        return file;
    }
    size_t FilesInTmp() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(tmp_)) ++n;
        return n;
    }

    const std::filesystem::path tmp_ = MakeFolders(home_);
    const test::ScopedEnv tmpEnv_{"TMPDIR", tmp_.string()};
};

TEST_F(RepositoryFileTest, LoadTellsAMissingFileFromAnEmptyRepository) {
    const auto cache = RepositoryFile();
    EXPECT_EQ(cache.filename(), "repository.xml");
    EXPECT_FALSE(LoadRepositoryFile(cache));

    test::WriteBytes(cache, "<repository Version=\"1.1\"><code script=\"x\"/></repository>");
    CRecordingPrompt prompt;
    auto loaded = LoadRepositoryFile(cache, &prompt);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->empty());
    EXPECT_EQ(prompt.Count(), 0u);  // a version we do not read is not a broken file

    test::WriteBytes(cache, kThree);
    loaded = LoadRepositoryFile(cache, &prompt);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size(), 3u);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(RepositoryFileTest, ABrokenCacheReadsAsEmptyAndIsReportedWithAPrompt) {
    const auto cache = RepositoryFile();
    test::WriteBytes(cache, "<other Version=\"1.0\"><code script=\"x\"/></other>");
    CRecordingPrompt prompt;
    const auto loaded = LoadRepositoryFile(cache, &prompt);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->empty());
    ASSERT_EQ(prompt.Count(), 1u);
    const PromptRequest shown = prompt.Requests()[0];
    EXPECT_EQ(shown.caption, u"XML Parsing error");
    EXPECT_NE(shown.text.find(u"First Tag should be 'repository'"), std::u16string::npos);
    EXPECT_EQ(shown.icon, PromptIcon::Error);
    // Without a prompt the same file is read silently.
    EXPECT_TRUE(LoadRepositoryFile(cache)->empty());
}

TEST_F(RepositoryFileTest, DownloadFilesAreUniqueAndEmpty) {
    const auto a = MakeRepositoryDownloadFile();
    const auto b = MakeRepositoryDownloadFile();
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.parent_path(), tmp_);
    EXPECT_EQ(std::filesystem::file_size(a), 0u);
    EXPECT_TRUE(std::filesystem::exists(b));
}

TEST_F(RepositoryFileTest, OnlyAWholeRepositoryReplacesTheCache) {
    const auto cache = RepositoryFile();
    test::WriteBytes(cache, "<repository Version=\"1.0\"/>");
    EXPECT_EQ(InstallRepositoryDownload(Downloaded(kThree), cache), CacheUpdate::Replaced);
    EXPECT_EQ(test::ReadBytes(cache), kThree);
    EXPECT_EQ(FilesInTmp(), 0u);

    for (const std::string& bytes :
         {std::string(), std::string("<html><body>Service unavailable</body></html>"),
          std::string("<repository Version=\"1.1\"><code script=\"y\"/></repository>"),
          std::string("\xC3\x28\xC3\x28")}) {
        EXPECT_EQ(InstallRepositoryDownload(Downloaded(bytes), cache), CacheUpdate::NotRepository)
            << bytes;
        EXPECT_EQ(test::ReadBytes(cache), kThree);
        EXPECT_EQ(FilesInTmp(), 0u);
    }
    EXPECT_EQ(InstallRepositoryDownload(tmp_ / "never-made", cache), CacheUpdate::NotRepository);
    EXPECT_EQ(test::ReadBytes(cache), kThree);
}

TEST_F(RepositoryFileTest, TheFolderIsMadeWhenMissingAndAnUnwritableCacheIsReported) {
    std::filesystem::remove_all(UserFolder());
    EXPECT_EQ(InstallRepositoryDownload(Downloaded(kThree), RepositoryFile()),
              CacheUpdate::Replaced);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kThree);

    // A cache whose folder is a file cannot be written; nothing is left behind.
    const auto blocked = home_.Root() / "file";
    test::WriteBytes(blocked, "x");
    EXPECT_EQ(InstallRepositoryDownload(Downloaded(kThree), blocked / "repository.xml"),
              CacheUpdate::CannotWrite);
    EXPECT_EQ(test::ReadBytes(blocked), "x");
    EXPECT_EQ(FilesInTmp(), 0u);
}

}  // namespace
}  // namespace orva
