// The scripting reference against the program: every function of its own is described once,
// every message described is the one its call raises, every example compiles, and the manual's
// generated parts hold a section for each.
#include <gtest/gtest.h>

#include <set>

#include "FunctionDocs.h"
#include "IocpSim.h"
#include "ManualSections.h"
#include "ManualText.h"
#include "iocp/IocpClient.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/Registration.h"
#include "scripting/ScriptGlobals.h"
#include "scripting/ScriptTestSupport.h"

namespace orva {
namespace {

using manual::FunctionDoc;
using manual::FunctionDocs;

// The functions the program registers, namespaces and globals.
std::set<std::string> RegisteredFunctions() {
    std::set<std::string> names;
    for (const auto& list : {IocpEntries(), OrvaEntries(), EventEntries(), ConvertEntries(),
                             GlobalFunctionEntries()}) {
        for (const LuaEntry& entry : list) {
            if (entry.function) names.insert(entry.name);
        }
    }
    return names;
}

class FunctionDocsTest : public test::ScriptTest {};

TEST_F(FunctionDocsTest, EveryFunctionOfTheProgramIsDescribedOnce) {
    std::set<std::string> described;
    for (const FunctionDoc& f : FunctionDocs()) {
        EXPECT_TRUE(described.insert(std::string(f.name)).second) << f.name << " twice";
        const auto groups = manual::FunctionGroups();
        EXPECT_NE(std::find(groups.begin(), groups.end(), f.group), groups.end()) << f.name;
        EXPECT_TRUE(f.call.starts_with(std::string(f.name) + "(")) << f.call;
    }
    EXPECT_EQ(described, RegisteredFunctions());
    // The catalogue's functions of the program's own are all registered ones.
    for (const std::string& name : manual::OwnCatalogueFunctions()) {
        EXPECT_TRUE(described.count(name)) << name;
    }
}

TEST_F(FunctionDocsTest, EachMessageIsTheOneItsCallRaises) {
    // The messages that need every server connected: a server on loopback, linked.
    sim::CIocpSim server({0, "P3D", 0});
    ASSERT_TRUE(server.Start());
    servers_ = {{u"P3D", u"127.0.0.1", server.Port()}};
    CIocpClient client;
    client.Connect("127.0.0.1", OffsetCells{{0, nullptr}}, server.Port());
    ASSERT_TRUE(client.IsConnected());
    std::vector<CIocpClient*> linked = {&client};
    ScriptServices linkedServices = services_;
    linkedServices.clients = &linked;
    const auto linkedState = CScriptState::Create(linkedServices);

    for (const FunctionDoc& f : FunctionDocs()) {
        for (const manual::MessageDoc& m : f.messages) {
            if (m.text.empty()) continue;
            if (m.linked) {
                ASSERT_FALSE(linkedState->Run(FromUtf8(m.trigger), 0, 0, true)) << m.trigger;
                const std::string error = linkedState->LastError();
                EXPECT_EQ(error.substr(error.find("Line  ") + 6), m.text) << m.trigger;
            } else {
                EXPECT_EQ(ErrorOf(FromUtf8(m.trigger)), m.text) << m.trigger;
            }
        }
        // Too many arguments: the count message described first, or none for print & co.
        const std::u16string call = FromUtf8(f.name) + u"(1, 2, 3, 4, 5, 6, 7, 8, 9)";
        if (f.messages[0].text.empty()) {
            EXPECT_TRUE(Run(call)) << f.name << ": " << Error();
        } else {
            EXPECT_EQ(ErrorOf(call), f.messages[0].text) << f.name;
        }
    }
}

TEST_F(FunctionDocsTest, EveryExampleCompiles) {
    for (const FunctionDoc& f : FunctionDocs()) {
        lua_State* L = state_->State();
        const std::string example(f.example);
        EXPECT_EQ(luaL_loadbuffer(L, example.data(), example.size(), "example"), LUA_OK)
            << f.name << ": " << lua_tostring(L, -1);
        lua_pop(L, 1);
    }
}

TEST_F(FunctionDocsTest, TheGeneratedPartsHoldEverySectionAndEveryEventType) {
    std::vector<std::string> errors;
    const auto reference = manual::GeneratedHtml("functions", errors);
    ASSERT_TRUE(reference);
    EXPECT_EQ(errors, std::vector<std::string>{});
    for (const FunctionDoc& f : FunctionDocs()) {
        EXPECT_NE(reference->find("id=\"" + std::string(f.name) + "\""), std::string::npos)
            << f.name;
    }
    const auto types = manual::GeneratedHtml("event-types", errors);
    ASSERT_TRUE(types);
    for (const EventGlobalsRow& row : EventGlobalsRows()) {
        EXPECT_NE(types->find(XmlEscape(ToUtf8(row.type))), std::string::npos);
    }
    // Lua's own names link to Lua's manual; the program's own never do.
    const auto lua = manual::GeneratedHtml("lua-standard", errors);
    ASSERT_TRUE(lua);
    EXPECT_NE(lua->find("manual.html#pdf-string.format\""), std::string::npos);
    EXPECT_EQ(lua->find("#pdf-print\""), std::string::npos);
    EXPECT_EQ(lua->find("pdf-orva."), std::string::npos);
    EXPECT_FALSE(manual::GeneratedHtml("nonsense", errors));
    EXPECT_FALSE(manual::GeneratedRoff("functions"));
}

TEST_F(FunctionDocsTest, IdAndValueAreDescribedForEveryEventType) {
    ASSERT_EQ(EventGlobalsRows().size(), 7u);  // six types and the servers' offsets
    for (const std::u16string_view name : {u"Id", u"Value"}) {
        const std::u16string meaning = ScriptGlobalMeaning(name);
        EXPECT_EQ(std::count(meaning.begin(), meaning.end(), u'\n'), 6) << ToUtf8(meaning);
    }
    EXPECT_NE(ScriptGlobalMeaning(u"Id").find(u"DIGITAL PIN: the pin that changed"),
              std::u16string::npos);
    EXPECT_EQ(ScriptGlobalMeaning(u"OrvaPanelPath"), u"");
}

}  // namespace
}  // namespace orva
