#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/TestEnv.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

std::string Utf16File(std::u16string_view text) {
    return "\xFF\xFE" + ToUtf16LeBytes(text);
}

XmlElement Parse(std::u16string_view text, XmlParseResult& result, std::u16string_view tag = u"") {
    return ParseXmlText(text, tag, result);
}

class XmlFileTest : public test::HomeTest {
protected:
    std::filesystem::path file_ = home_.Root() / "doc.xml";
};

TEST_F(XmlFileTest, DeclarationTreeIsWrittenByteForByteAndReadBack) {
    XmlElement declaration = CreateDeclaration();
    XmlElement a = AddChild(declaration, u"a");
    AddAttribute(a, u"n", u"1");
    AddText(a, u"x&y");
    ASSERT_EQ(WriteXmlFile(declaration, file_), 0);
    EXPECT_EQ(test::ReadBytes(file_), Utf16File(u"<?xml?>\n<a n=\"1\">\n\tx&amp;y\n</a>\n"));

    XmlParseResult result;
    XmlElement back = ReadXmlFile(file_, u"", result);
    ASSERT_EQ(result.error, 0);
    EXPECT_TRUE(back.IsDeclaration());
    EXPECT_EQ(back.Name(), u"xml");
    XmlElement a2 = FindChild(back, u"A");
    ASSERT_TRUE(a2);
    EXPECT_EQ(GetAttribute(a2, u"N"), u"1");
    ASSERT_EQ(a2.Record()->texts.size(), 1u);
    EXPECT_EQ(a2.Record()->texts[0], u"x&y");
    EXPECT_EQ(a2.Parent(), back);
    EXPECT_EQ(ToXmlText(back), ToXmlText(declaration));
}

TEST_F(XmlFileTest, ElementsGetTheDefaultDeclarationAndEmptyTagsShortForm) {
    XmlElement root = CreateElement(u"root");
    AddAttribute(root, u"flag", std::nullopt);
    AddChild(root, u"empty");
    ASSERT_EQ(WriteXmlFile(root, file_), 0);
    EXPECT_EQ(test::ReadBytes(file_),
              Utf16File(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root flag>\n\t<empty/>\n"
                        u"</root>\n"));
    XmlParseResult result;
    XmlElement back = ReadXmlFile(file_, u"root", result);
    ASSERT_EQ(result.error, 0);
    EXPECT_EQ(back.Name(), u"root");
    EXPECT_EQ(ChildCount(back, u"EMPTY"), 1);
    ASSERT_EQ(back.Record()->attributes.size(), 1u);
    EXPECT_FALSE(back.Record()->attributes[0].value.has_value());
}

TEST(Xml, EntitiesNamedNumericAndUnknown) {
    XmlParseResult result;
    XmlElement e = Parse(u"<t a='&QUOT;&apos;&lt;&gt;&amp;'>&#65;&#x42;&#X43;</t>", result);
    ASSERT_EQ(result.error, 0);
    EXPECT_EQ(GetAttribute(e, u"a"), u"\"'<>&");
    EXPECT_EQ(e.Record()->texts[0], u"ABC");

    e = Parse(u"<t>\n  x &nbsp; y</t>", result);
    EXPECT_FALSE(e);
    EXPECT_EQ(result.error, kXmlUnknownEntity);
    EXPECT_EQ(result.line, 2);
    EXPECT_EQ(result.column, 5);
    EXPECT_EQ(XmlErrorText(result.error), u"Error: Unknown character entity");
    Parse(u"<t>&#xZZ;</t>", result);
    EXPECT_EQ(result.error, kXmlUnknownEntity);
    Parse(u"<t>a & b</t>", result);
    EXPECT_EQ(result.error, kXmlUnknownEntity);
}

TEST(Xml, ClearSectionsAreKeptUnparsed) {
    XmlParseResult result;
    XmlElement e = Parse(
        u"<t><Script>if a<b && c>d then</Script><![CDATA[<&>]]><!-- note --><pre>x<y</PRE></t>",
        result);
    ASSERT_EQ(result.error, 0);
    const auto& clears = e.Record()->clears;
    ASSERT_EQ(clears.size(), 4u);
    EXPECT_EQ(clears[0].value, u"if a<b && c>d then");
    EXPECT_EQ(clears[1].value, u"<&>");
    EXPECT_EQ(clears[2].value, u" note ");
    EXPECT_EQ(clears[3].value, u"x<y");
    EXPECT_EQ(ToXmlText(e),
              u"<t>\n\t<Script>if a<b && c>d then</Script>\n\t<![CDATA[<&>]]>\n\t<!-- note -->\n"
              u"\t<PRE>x<y</PRE>\n</t>\n");
    Parse(u"<t><!-- open", result);
    EXPECT_EQ(result.error, kXmlUnmatchedClearTagEnd);
}

TEST(Xml, UnmatchedEndTagIsAWarningWhenAnEnclosingElementMatches) {
    XmlParseResult result;
    XmlElement a = Parse(u"<a><b></a>", result);
    EXPECT_EQ(result.error, kXmlWarnUnmatchedEndTag);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.Name(), u"a");
    EXPECT_EQ(ChildCount(a, u"b"), 1);
    EXPECT_EQ(XmlErrorText(1), u"Warning: Unmatched end tag");

    Parse(u"<a></b>", result);
    EXPECT_EQ(result.error, kXmlUnmatchedEndTag);
    Parse(u"<a></>", result);
    EXPECT_EQ(result.error, kXmlMissingEndTagName);
    Parse(u"< a/>", result);
    EXPECT_EQ(result.error, kXmlMissingStartTagName);
    Parse(u"text first <a/>", result);
    EXPECT_EQ(result.error, kXmlFirstNotStartTag);
    Parse(u"<a = 1/>", result);
    EXPECT_EQ(result.error, kXmlUnexpectedToken);
    Parse(u"", result);
    EXPECT_EQ(result.error, kXmlNoElements);
}

TEST(Xml, TagSearchGoesThroughDeclarations) {
    XmlParseResult result;
    XmlElement e = Parse(u"<?xml version=\"1.0\"?>\n<other/>\n<Offsets_List version=\"1.0\"/>",
                         result, u"offsets_list");
    ASSERT_EQ(result.error, 0);
    EXPECT_EQ(e.Name(), u"Offsets_List");

    e = Parse(u"\n\n<root><x/></root>", result, u"offsets_list");
    EXPECT_FALSE(e);
    EXPECT_EQ(result.error, kXmlFirstTagNotFound);
    EXPECT_EQ(result.line, 0);
    EXPECT_EQ(result.column, 0);
}

TEST(Xml, LookupWalksChildrenByName) {
    XmlParseResult result;
    XmlElement root = Parse(u"<r><offset i='0'/><x/><OFFSET i='1'/><offset i='2'/></r>", result);
    ASSERT_EQ(result.error, 0);
    EXPECT_EQ(ChildCount(root), 4);
    EXPECT_EQ(ChildCount(root, u"Offset"), 3);
    int index = 0;
    std::vector<std::u16string> seen;
    while (XmlElement o = FindChild(root, u"offset", &index))
        seen.push_back(*GetAttribute(o, u"i"));
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"0", u"1", u"2"}));
    EXPECT_EQ(ChildAt(root, 1).Name(), u"x");
    EXPECT_FALSE(ChildAt(root, 4));
    EXPECT_FALSE(ChildAt(root, -1));
    EXPECT_FALSE(GetAttribute(root, u"missing").has_value());
    EXPECT_FALSE(FindChild(XmlElement(), u"x"));
}

TEST(Xml, QuotesAndBareValues) {
    XmlParseResult result;
    XmlElement e = Parse(u"<t a=\"x'y\" b='p\"q' c=bare d=\"open/>", result);
    ASSERT_EQ(result.error, 0) << result.error;
    EXPECT_EQ(GetAttribute(e, u"a"), u"x'y");
    EXPECT_EQ(GetAttribute(e, u"b"), u"p\"q");
    EXPECT_EQ(GetAttribute(e, u"c"), u"bare");
    // Without its closing quote the opening quote is an ordinary character.
    EXPECT_EQ(GetAttribute(e, u"d"), u"\"open");
    // So is it with a '<' before the closing quote; the '<' then ends the value and is a
    // token out of place.
    Parse(u"<t d=\"it<s\"/>", result);
    EXPECT_EQ(result.error, kXmlUnexpectedToken);
}

TEST(Xml, DeepNestingNeitherOverflowsNorLeaks) {
    std::u16string text;
    for (int i = 0; i < 200000; ++i) text += u"<a>";
    XmlParseResult result;
    XmlElement e = Parse(text, result);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(ChildCount(e), 1);
}

TEST_F(XmlFileTest, ReadsAllThreeInputEncodings) {
    const std::u16string doc = u"<r v=\"caf\u00E9\"/>";
    const std::vector<std::string> files = {Utf16File(doc), "\xEF\xBB\xBF" + ToUtf8(doc),
                                            ToUtf8(doc), ToUtf16LeBytes(doc)};
    for (const auto& bytes : files) {
        test::WriteBytes(file_, bytes);
        XmlParseResult result;
        XmlElement e = ReadXmlFile(file_, u"r", result);
        ASSERT_EQ(result.error, 0);
        EXPECT_EQ(GetAttribute(e, u"v"), u"caf\u00E9");
    }
    test::WriteBytes(file_, "<r v=\"plain ascii\"/>");
    XmlParseResult result;
    EXPECT_EQ(GetAttribute(ReadXmlFile(file_, u"r", result), u"v"), u"plain ascii");
    test::WriteBytes(file_, "<r v=\"caf\xE9\"/>");  // not UTF-8
    EXPECT_FALSE(ReadXmlFile(file_, u"r", result));
    EXPECT_EQ(result.error, kXmlCharConversion);
    test::WriteBytes(file_, "");
    ReadXmlFile(file_, u"r", result);
    EXPECT_EQ(result.error, kXmlNoData);
}

TEST_F(XmlFileTest, ParseXmlFileShowsItsMessage) {
    CRecordingPrompt prompt;
    XmlElement e = ParseXmlFile(home_.Root() / "missing.xml", u"offsets_list", prompt);
    EXPECT_FALSE(e);
    ASSERT_EQ(prompt.Count(), 1u);
    const PromptRequest r = prompt.Requests()[0];
    EXPECT_EQ(r.caption, u"XML Parsing error");
    EXPECT_EQ(r.icon, PromptIcon::Error);
    EXPECT_EQ(r.text, u"XML Parsing error inside file '" +
                          FromUtf8((home_.Root() / "missing.xml").string()) +
                          u"'.\nError: File not found\nAt line 0, column 0.\n");

    test::WriteBytes(file_, "<root/>");
    prompt.ClearRecord();
    ParseXmlFile(file_, u"offsets_list", prompt);
    ASSERT_EQ(prompt.Count(), 1u);
    const std::u16string text = prompt.Requests()[0].text;
    EXPECT_NE(text.find(u"Error: First Tag not found\nAt line 0, column 0.\n"),
              std::u16string::npos);
    EXPECT_TRUE(text.ends_with(u"First Tag should be 'offsets_list'.\n"));

    // A warning still returns the usable tree.
    test::WriteBytes(file_, "<a><b></a>");
    prompt.ClearRecord();
    EXPECT_TRUE(ParseXmlFile(file_, u"a", prompt));
    EXPECT_EQ(prompt.Count(), 1u);
}

TEST(Xml, ErrorTextsCoverEveryCode) {
    EXPECT_EQ(XmlErrorText(0), u"No error");
    EXPECT_EQ(XmlErrorText(12), u"Error: File not found");
    EXPECT_EQ(XmlErrorText(15), u"Error: unable to convert between UNICODE and MultiByte chars");
    EXPECT_EQ(XmlErrorText(21), u"Error: Base64 decode output buffer is too small");
    EXPECT_EQ(XmlErrorText(22), u"Unknown");
    EXPECT_EQ(XmlErrorText(-1), u"Unknown");
}

}  // namespace
}  // namespace orva
