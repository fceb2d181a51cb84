#include "scripting/EditorCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ScriptTestSupport.h"
#include "platform/Text.h"

namespace orva {
namespace {

std::string U8(std::u16string_view text) {
    return ToUtf8(text);
}

TEST(EditorCatalogueTables, CountsAndTheRowsAsTheProgramHasThem) {
    const auto rows = DescriptorRows();
    ASSERT_EQ(rows.size(), 202u);
    EXPECT_TRUE(rows.back().name.empty() && rows.back().params.empty());
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(),
                      [](const DescriptorRow& r) { return r.params == u"(not documented yet)"; }),
        161);
    const auto row = [&](size_t number) {
        return U8(rows[number - 1].name) + " " + U8(rows[number - 1].params);
    };
    EXPECT_EQ(row(42), "event.getpos (\"event_name\")");
    EXPECT_EQ(row(67), "iocp.eventkey.send (\"server name\", eventKey, valuet)");
    EXPECT_EQ(row(103), "math.type (not documented yet");
    EXPECT_EQ(row(156), "orva.display.create (first digit ID, lasy digit ID)");
    EXPECT_EQ(row(201), "exit (not documented yet)");

    const auto pages = HelpPageRows();
    ASSERT_EQ(pages.size(), 41u);
    EXPECT_TRUE(pages.back().name.empty() && pages.back().page.empty());

    const auto keywords = LuaKeywords();
    ASSERT_EQ(keywords.size(), 23u);
    EXPECT_EQ(keywords[21], u"nextdpairs");
    EXPECT_EQ(keywords.back(), u"exit");

    const auto operators = OperatorTexts();
    ASSERT_EQ(operators.size(), 24u);
    EXPECT_EQ(operators[2], u"/");
    EXPECT_EQ(operators[11], u"/");
    EXPECT_EQ(operators.back(), u"_VERSION");
    EXPECT_EQ(std::find(operators.begin(), operators.end(), u"+"), operators.end());
}

class EditorCatalogueTest : public test::ScriptTest {};

TEST_F(EditorCatalogueTest, FilledByTheFirstStateWithHintsAndPagesLaterStatesLeaveIt) {
    const auto catalogue = EditorCatalogue();
    ASSERT_EQ(catalogue.size(), 202u);
    EXPECT_TRUE(std::all_of(catalogue.begin(), catalogue.end(),
                            [](const CatalogueEntry& e) { return e.kind == kHelperFunction; }));

    const CatalogueHints encoder = FindCatalogueHints(u"orva.encoder.create");
    ASSERT_EQ(encoder.entries.size(), 2u);
    EXPECT_EQ(U8(catalogue[encoder.entries[0]].params), "(pin A id, pin B id)");
    EXPECT_EQ(U8(catalogue[encoder.entries[1]].params), "(pin A id, pin B id, click factor)");
    EXPECT_EQ(U8(encoder.helpPage), "encoder_create.htm");

    EXPECT_EQ(U8(FindCatalogueHints(u"print").helpPage), "print.htm");
    const CatalogueHints time = FindCatalogueHints(u"os.time");
    EXPECT_EQ(time.entries.size(), 1u);
    EXPECT_EQ(U8(time.helpPage), "");
    // Exact names only.
    EXPECT_TRUE(FindCatalogueHints(u"Print").entries.empty());

    // Later states leave it as it is.
    const CatalogueEntry* first = EditorCatalogue().data();
    ASSERT_TRUE(CScriptState::Create(services_));
    EXPECT_EQ(EditorCatalogue().data(), first);
    EXPECT_EQ(EditorCatalogue().size(), 202u);
}

}  // namespace
}  // namespace orva
