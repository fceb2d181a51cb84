// The script editor's text operations: re-indent, lead-ins, script files, error lines.
#include "ui/text/ScriptText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

TEST(Reindent, OneTabPerOpenBlockElseAndEndOneLevelOutAndTheFirstLineLeftAlone) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"if a then\r\nb()\r\nend", u"if a then\n\tb()\nend"},
        // No tabs where more blocks ended than began.
        {u"end\r\nend\r\nx = 1\r\nif a then\r\nb()\r\nend\r\ny = 2",
         u"end\nend\nx = 1\nif a then\nb()\nend\ny = 2"},
        {u"function f(x)\nfor i = 1, x do\nif i > 2 then\nprint(i)\nelseif i then\n"
         u"while false do\nend\nelse\nx = 0\nend\nend\nend\nf(3)",
         u"function f(x)\n\tfor i = 1, x do\n\t\tif i > 2 then\n\t\t\tprint(i)\n"
         u"\t\telseif i then\n\t\t\twhile false do\n\t\t\tend\n\t\telse\n\t\t\tx = 0\n"
         u"\t\tend\n\tend\nend\nf(3)"},
        // The old indentation is replaced, so a second run changes nothing.
        {u"if a then\r\n    if b then\r\n\t\t  c()\r\n  end\r\nend",
         u"if a then\n\tif b then\n\t\tc()\n\tend\nend"},
        {u"if a then\n\tif b then\n\t\tc()\n\tend\nend",
         u"if a then\n\tif b then\n\t\tc()\n\tend\nend"},
        // A tab between two words stays, and so does a word that only begins with "end".
        {u"if a then x = y\tend\nz = 1", u"if a then x = y\tend\nz = 1"},
        {u"if a then\nx = 1\nendpoint = 1\nend", u"if a then\n\tx = 1\n\tendpoint = 1\nend"},
        // A selection may start in the middle of a line.
        {u"  \tif a then\nb()", u"  \tif a then\n\tb()"},
    };
    for (const auto& [text, indented] : cases) EXPECT_EQ(Reindent(text), indented) << ToUtf8(text);
}

std::optional<size_t> LeadIn(std::u16string_view before, const std::vector<std::u16string>& words) {
    return FindLeadIn(before, OperatorTexts().first(kLeadInOperatorCount), words.size(),
                      [&words](size_t i) { return std::u16string_view(words[i]); });
}

TEST(LeadIn, ADotAfterAKnownTableFindsItAndAfterAnUnknownWordNothing) {
    const std::vector<std::u16string> names{u"print", u"orva.", u"orva.dout.", u"io."};
    EXPECT_EQ(LeadIn(u"x = 1\rorva.", names), 1u);
    EXPECT_EQ(LeadIn(u"if (orva.", names), 1u);
    EXPECT_EQ(LeadIn(u"  orva.dout.", names), 2u);
    EXPECT_EQ(LeadIn(u"io.", names), 3u);  // shorter than the shortest stretch, at the start
    EXPECT_EQ(LeadIn(u"x = myorva.", names), std::nullopt);
    EXPECT_EQ(LeadIn(u"x = t.orva.", names), std::nullopt);
    EXPECT_EQ(LeadIn(u"x = Orva.", names), std::nullopt);  // with case
    EXPECT_EQ(LeadIn(u"print.", names), std::nullopt);
    EXPECT_EQ(LeadIn(u".", names), std::nullopt);  // the caret before position 2
    // A stretch that loses characters inside the word finds nothing: selecting "orva."'s
    // length before the caret would select "r va." and replace it.
    EXPECT_EQ(LeadIn(u"x = or va.", names), std::nullopt);
    EXPECT_EQ(LeadIn(u"x = or(va.", names), std::nullopt);
    // The longest stretch wins before the list order.
    EXPECT_EQ(LeadIn(u"x = a.b.", {u"b.", u"a.b."}), 1u);
}

TEST(LeadIn, AnOpeningParenthesisFindsTheFunctionBeforeIt) {
    InitEditorCatalogue();
    const auto catalogue = EditorCatalogue();
    const auto find = [&](std::u16string_view before) -> std::u16string_view {
        const auto hit = FindLeadIn(before, OperatorTexts().first(kLeadInOperatorCount),
                                    catalogue.size(), [&](size_t i) { return catalogue[i].name; });
        return hit ? catalogue[*hit].name : u"(none)";
    };
    EXPECT_EQ(find(u"x = orva.dout.state.set("), u"orva.dout.state.set");
    EXPECT_EQ(find(u"  print ("), u"print");
    EXPECT_EQ(find(u"myprint("), u"(none)");
    // The catalogue's empty last row is no function.
    EXPECT_EQ(find(u"x = ( ( ("), u"(none)");
}

TEST(ScriptFile, HoldsTheTextAsUtf16LeWithoutByteOrderMarkOrAnOddLastByte) {
    const std::u16string script = u"print(\"é\")\r\nx = 1";
    const std::string bytes = ScriptFileBytes(script);
    EXPECT_EQ(bytes, std::string("p\0r\0i\0n\0t\0(\0\"\0\xE9\0\"\0)\0\r\0\n\0x\0 \0=\0 \0"
                                 "1\0",
                                 34));
    EXPECT_EQ(ScriptFromFileBytes(bytes), script);
    // An odd last byte is no character; a leading byte order mark is not part of the script.
    EXPECT_EQ(ScriptFromFileBytes(std::string("a\0b\0c", 5)), u"ab");
    EXPECT_EQ(ScriptFromFileBytes(std::string("\xFF\xFEx\0", 4)), u"x");
    EXPECT_EQ(ScriptFromFileBytes(std::string("x\0\xFF\xFE", 4)), u"x\uFEFF");
}

TEST(LineEnds, TheFirstLineBreakDecidesAndCrLfIsTheDefault) {
    EXPECT_EQ(LineEndOf(u"a\r\nb\nc"), u"\r\n");
    EXPECT_EQ(LineEndOf(u"a\nb\r\nc"), u"\n");
    EXPECT_EQ(LineEndOf(u"a\rb"), u"\r");
    EXPECT_EQ(LineEndOf(u"a"), u"\r\n");
    EXPECT_EQ(WithLineEnds(u"a\nb\n", u"\r\n"), u"a\r\nb\r\n");
}

// The messages of real test runs.
class ErrorLine : public test::HomeTest {
protected:
    std::u16string ErrorOf(std::u16string_view script) {
        ScriptServices services;
        const auto state = CScriptState::Create(services);
        EXPECT_FALSE(state->Run(script, 0, 0, false));
        return FromAnsi(state->LastError());
    }
};

TEST_F(ErrorLine, IsTheLineLuaNamesOrTheBracketedLineOfTheProgramsFunctions) {
    EXPECT_EQ(ScriptErrorLine(ErrorOf(u"x = 1\r\ny = 2\r\nz = = 3")), 3);
    EXPECT_EQ(ScriptErrorLine(ErrorOf(u"x = 1\n\n\n\nerror('stop')")), 5);
    // A first line with "]:" of its own, which the message's editing also changes.
    EXPECT_EQ(ScriptErrorLine(ErrorOf(u"t = {} t[1] = {} x = t[1]:y()\nz = 1")), 1);
    EXPECT_EQ(ScriptErrorLine(ErrorOf(u"x = 1\n\n\n\nv = orva.adc.value.get(9)")), 5);
}

TEST(ErrorLineText, IsNothingWithoutALine) {
    EXPECT_EQ(ScriptErrorLine(u"not enough memory"), std::nullopt);
    EXPECT_EQ(ScriptErrorLine(u"[string \"x\"]\r\n\r\nLine x: y"), std::nullopt);
}

}  // namespace
}  // namespace orva
