// The command line: the option table's parsing, the texts made from it, and the programs'
// answers to --help, --version and mistakes as real processes that touch no instance.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/InstanceName.h"
#include "support/Process.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A program with a switch and an option with a value, as the later ones declare theirs.
const CommandLineSyntax kSpec{
    "prog",
    "[OPTION]... [/NAME]",
    "Does things.\n",
    {{"check", "", "check and exit"}, {"junit", "OUT.xml", "write a report\nin JUnit's XML"}},
    "Exit status: 0.\n"};

TEST(CommandLine, ArgumentsTable) {
    using A = CommandAction;
    struct Case {
        std::vector<std::string> args;
        A action;
        std::vector<std::u16string> instance;
        std::map<std::string, std::string, std::less<>> values;
        std::string error;
    };
    const Case cases[] = {
        {{}, A::Run, {}, {}, ""},
        {{"/7"}, A::Run, {u"/7"}, {}, ""},
        {{"/-3"}, A::Run, {u"/-3"}, {}, ""},
        {{"-cockpit"}, A::Run, {u"-cockpit"}, {}, ""},
        {{"MYPIT"}, A::Run, {u"MYPIT"}, {}, ""},
        {{"/a", "/b"}, A::Run, {u"/a", u"/b"}, {}, ""},
        {{"--instance", "Pit"}, A::Run, {u"/Pit"}, {}, ""},
        {{"--instance=7"}, A::Run, {u"/7"}, {}, ""},
        {{"--help"}, A::Help, {}, {}, ""},
        {{"-h"}, A::Help, {}, {}, ""},
        {{"/X", "--version"}, A::Version, {}, {}, ""},
        {{"--help", "--bogus"}, A::Help, {}, {}, ""},  // the first one decides
        {{"--bogus", "--help"}, A::Error, {}, {}, "unknown option '--bogus'"},
        {{"--bogus=1"}, A::Error, {}, {}, "unknown option '--bogus'"},
        {{"--help=yes"}, A::Error, {}, {}, "option '--help' takes no value"},
        {{"--instance"}, A::Error, {}, {}, "option '--instance' needs NAME"},
        {{"--instance", "A", "B"}, A::Error, {}, {}, "the instance is named twice"},
        {{"--instance", "A", "--instance=B"}, A::Error, {}, {}, "the instance is named twice"},
        {{"--check", "--junit", "r.xml", "/P"},
         A::Run,
         {u"/P"},
         {{"check", ""}, {"junit", "r.xml"}},
         ""},
        {{"--junit=a=b.xml"}, A::Run, {}, {{"junit", "a=b.xml"}}, ""},
        {{"--junit", "--check"}, A::Run, {}, {{"junit", "--check"}}, ""},  // a value as given
        {{"--", "--help", "-h"}, A::Run, {u"--help", u"-h"}, {}, ""},
        {{"-"}, A::Run, {u"-"}, {}, ""},
        {{"-H"}, A::Run, {u"-H"}, {}, ""},  // only -h is the short help
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        const ParsedCommandLine parsed = ParseCommandLine(c.args, kSpec);
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.error, c.error);
        if (c.action == A::Run) {
            EXPECT_EQ(parsed.instanceParams, c.instance);
            EXPECT_EQ(parsed.values, c.values);
        }
    }
    // What ends the reading carries nothing read before it.
    const ParsedCommandLine help = ParseCommandLine({"--junit=a", "/P", "-h"}, kSpec);
    EXPECT_EQ(help.action, A::Help);
    EXPECT_TRUE(help.values.empty() && help.instanceParams.empty());
    const ParsedCommandLine parsed = ParseCommandLine({"--junit", "x.xml"}, kSpec);
    EXPECT_EQ(parsed.Value("junit"), "x.xml");
    EXPECT_FALSE(parsed.Has("check"));
    EXPECT_EQ(parsed.Value("check"), std::nullopt);
}

TEST(CommandLine, InstanceParametersNameTheInstanceByTheOldRules) {
    const std::pair<std::vector<std::string>, std::u16string> cases[] = {
        {{}, u"0"},           {{"/x1"}, u"x1"},
        {{"-x1"}, u"x1"},     {{"plain"}, u"plain"},
        {{"/a", "/b"}, u"0"}, {{"--instance", "7"}, u"7"},
        {{"/"}, u""},         {{"--instance="}, u""},
    };
    for (const auto& [args, name] : cases) {
        EXPECT_EQ(InstanceNameFromCommandLine(ParseCommandLine(args, kSpec).instanceParams), name)
            << args.size();
    }
}

TEST(CommandLine, UsageListsEveryOptionAndMistakesGoToStandardError) {
    const std::string usage = UsageText(kSpec);
    EXPECT_EQ(usage.rfind("Usage: prog [OPTION]... [/NAME]\nDoes things.\n", 0), 0u) << usage;
    for (const char* line :
         {"  -h, --help           show this help and exit\n",
          "      --instance NAME  run the instance NAME, as /NAME does\n",
          "      --check          check and exit\n",
          "      --junit OUT.xml  write a report\n                       in JUnit's XML\n"}) {
        EXPECT_NE(usage.find(line), std::string::npos) << line << usage;
    }
    EXPECT_EQ(usage.substr(usage.size() - 18), "\n\nExit status: 0.\n");
    EXPECT_EQ(VersionText(kSpec), "prog (OrvaPanel) " + std::string(ProgramVersionText()) + "\n");
    EXPECT_EQ(ProgramVersionText(), ORVA_TEST_VERSION);

    // What each answer prints where.
    const auto answer = [](const std::vector<std::string>& args) {
        char* outText = nullptr;
        char* errText = nullptr;
        size_t outSize = 0;
        size_t errSize = 0;
        std::FILE* out = open_memstream(&outText, &outSize);
        std::FILE* err = open_memstream(&errText, &errSize);
        const auto code = AnswerCommandLine(ParseCommandLine(args, kSpec), kSpec, out, err);
        std::fclose(out);
        std::fclose(err);
        std::pair<std::string, std::string> texts{outText, errText};
        std::free(outText);
        std::free(errText);
        return std::make_tuple(code, texts.first, texts.second);
    };
    EXPECT_EQ(answer({"/P"}), std::make_tuple(std::optional<int>(), std::string(), std::string()));
    EXPECT_EQ(answer({"-h"}), std::make_tuple(std::optional<int>(0), usage, std::string()));
    EXPECT_EQ(answer({"--version"}),
              std::make_tuple(std::optional<int>(0), VersionText(kSpec), std::string()));
    EXPECT_EQ(answer({"--nope"}), std::make_tuple(std::optional<int>(2), std::string(),
                                                  "prog: unknown option '--nope'\n\n" + usage));
}

// Every file and folder under the private home.
std::vector<fs::path> Tree(const fs::path& root) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

class ProgramCommandLineTest : public test::HomeTest {
protected:
    struct Answer {
        int code;
        std::string out;
        std::string err;
    };
    // The program's answer, stdout and stderr apart; no display and no web host, so only an
    // answer given before the window or the connection can pass.
    Answer Run(const std::string& program, const std::string& args) {
        const fs::path err = home_.Root() / "stderr.txt";
        test::Process p("/bin/sh",
                        {"-c", "exec \"$0\" " + args + " 2>\"$1\"", program, err.string()},
                        {{"ORVA_WEB_HOST", ""},
                         {"DISPLAY", ""},
                         {"WAYLAND_DISPLAY", ""},
                         {"QT_QPA_PLATFORM", "xcb"}});
        Answer a{p.Wait(10s), "", ""};
        for (const auto& line : p.Lines()) a.out += line + "\n";
        a.err = test::ReadBytes(err);
        fs::remove(err);
        return a;
    }
};

TEST_F(ProgramCommandLineTest, HelpVersionAndMistakesTouchNoInstance) {
    std::vector<std::string> programs{test::BinPath("orvapanel-headless")};
    if (fs::exists(test::BinPath("orvapanel"))) programs.push_back(test::BinPath("orvapanel"));
    const auto before = Tree(home_.Root());
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const std::string name = fs::path(program).filename().string();
        for (const char* help : {"--help", "-h", "/X --help"}) {
            const Answer a = Run(program, help);
            EXPECT_EQ(a.code, 0);
            EXPECT_EQ(a.out.rfind("Usage: " + name + " [OPTION]... [/NAME]\n", 0), 0u) << a.out;
            EXPECT_NE(a.out.find("--version"), std::string::npos);
            EXPECT_EQ(a.err, "");
        }
        const Answer version = Run(program, "--version");
        EXPECT_EQ(version.code, 0);
        EXPECT_EQ(version.out, name + " (OrvaPanel) " ORVA_TEST_VERSION "\n");
        const Answer bogus = Run(program, "--bogus");
        EXPECT_EQ(bogus.code, 2);
        EXPECT_EQ(bogus.out, "");
        EXPECT_EQ(bogus.err.rfind(name + ": unknown option '--bogus'\n\nUsage: ", 0), 0u)
            << bogus.err;
        EXPECT_EQ(Tree(home_.Root()), before);  // no file, no folder, no lock
    }
}

}  // namespace
}  // namespace orva
