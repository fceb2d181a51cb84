#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "ScriptTestSupport.h"
#include "platform/Paths.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

class ScriptHostTest : public test::ScriptTest {};

TEST_F(ScriptHostTest, IdValueAndGlobalsLiveForTheState) {
    ASSERT_TRUE(Run(u"total = Id + Value", 7, 3));
    EXPECT_EQ(Eval(u"total"), "10");
    ASSERT_TRUE(Run(u"total = total * 2"));
    EXPECT_EQ(Eval(u"total"), "20");
    EXPECT_EQ(Eval(u"math.type(Id)"), "integer");
    // An empty script runs nothing and leaves Id and Value alone.
    ASSERT_TRUE(Run(u"", 99, 99));
    EXPECT_EQ(Eval(u"Id"), "0");
    // A fresh state starts from nothing.
    auto other = CScriptState::Create(services_);
    ASSERT_TRUE(other->Run(u"seen = total == nil", 0, 0, false));
    lua_getglobal(other->State(), "seen");
    EXPECT_TRUE(lua_toboolean(other->State(), -1));
}

TEST_F(ScriptHostTest, PrintSwitchAndTheTextPrinted) {
    ASSERT_TRUE(Run(u"print('a')", 0, 0, false));
    EXPECT_EQ(Monitor(), "");
    ASSERT_TRUE(Run(u"print('a')", 0, 0, true));
    EXPECT_EQ(Monitor(), "a");
    // Without a monitor print does nothing, even when on.
    services_.monitor = nullptr;
    auto quiet = CScriptState::Create(services_);
    EXPECT_TRUE(quiet->Run(u"print('b') printnl() cls()", 0, 0, true));
    EXPECT_EQ(Monitor(), "a");
    // Text crosses as Windows-1252: one byte a character, not UTF-8.
    ASSERT_TRUE(Run(u"s = 'caf\u00E9 \u20AC' n = #s print(s)"));
    EXPECT_EQ(Eval(u"n"), "6");
    EXPECT_EQ(monitor_.Content(), u"acaf\u00E9 \u20AC");
}

TEST_F(ScriptHostTest, EachRunKeepsItsOwnPrintSwitchAcrossThreads) {
    // Runs of one state from two threads: the switch of one never leaks into the other's run.
    std::thread quiet([&] {
        for (int i = 0; i < 200; ++i) EXPECT_TRUE(state_->Run(u"print('q')", 0, 0, false));
    });
    for (int i = 0; i < 200; ++i) EXPECT_TRUE(Run(u"print('p')", 0, 0, true));
    quiet.join();
    EXPECT_EQ(Monitor(), std::string(200, 'p'));
}

TEST_F(ScriptHostTest, ErrorMessagesNameTheLineCachedOrNotUpToTheBuffersSize) {
    EXPECT_FALSE(Run(u"x = 1\ny = 2\nz = = 3\n"));
    const std::string e = Error();
    EXPECT_EQ(e.find('\n'), e.find("\r\n\r\nLine ") + 1);  // the only line breaks are ours
    EXPECT_EQ(e.rfind("[string \"x = 1...\"]\r\n\r\nLine 3:", 0), 0u) << e;
    // Same message again: failed loads are not cached.
    EXPECT_FALSE(Run(u"x = 1\ny = 2\nz = = 3\n"));
    EXPECT_EQ(Error(), e);

    // Runtime errors keep their form when the chunk is cached.
    const std::u16string script = u"local t = nil\nif Value > 0 then\n  return t.x\nend";
    EXPECT_TRUE(Run(script, 0, 0));   // compiled and cached
    EXPECT_FALSE(Run(script, 0, 1));  // runs the cached chunk
    EXPECT_EQ(
        Error(),
        "[string \"local t = nil...\"]\r\n\r\nLine 3: attempt to index a nil value (local 't')");

    // The program's functions name the caller's line.
    EXPECT_FALSE(Run(u"a = 1\nb = 2\n\n\nevent.value.get(200)\n"));
    EXPECT_EQ(Error(), "[5]\r\n\r\nLine  event.value.get: wrong event ID.");
    EXPECT_FALSE(Run(u"error('plain')"));
    EXPECT_EQ(Error(), "[string \"error('plain')\"]\r\n\r\nLine 1: plain");
    EXPECT_FALSE(Run(u"error({})"));
    EXPECT_EQ(Error(), "(error object is a table value)");
    // The error buffer is the limit.
    EXPECT_FALSE(Run(u"error(string.rep('x', 10000), 0)"));
    EXPECT_EQ(Error().size(), 4095u);
}

int ThrowsForeign(lua_State*) {
    throw std::runtime_error("not a Lua error");
}

TEST_F(ScriptHostTest, ForeignFailureGivesTheInternalError) {
    lua_register(state_->State(), "boom", ThrowsForeign);
    EXPECT_FALSE(Run(u"boom()"));
    EXPECT_EQ(Error(), kInternalScriptError);
    EXPECT_EQ(lua_gettop(state_->State()), 0);
    EXPECT_TRUE(Run(u"ok = 1"));  // the state stays usable
}

TEST_F(ScriptHostTest, StateSetUp) {
    const std::string folder = (home_.Documents() / "Tessel.Works" / "OrvaPanel").string() + "/";
    EXPECT_EQ(Eval(u"OrvaPanelPath"), folder);
    const std::string path = Eval(u"package.path");
    const std::string tail = ";" + folder + "?.lua;" + folder + "lua/?.lua;" + folder + "lib/?.lua";
    ASSERT_GE(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
    // The program's print replaced the base library's.
    lua_getglobal(state_->State(), "print");
    EXPECT_EQ(lua_tocfunction(state_->State(), -1), GlobalFunctionEntries()[0].function);
    lua_pop(state_->State(), 1);
    for (const char* lib :
         {"package", "coroutine", "table", "io", "os", "string", "math", "utf8", "debug"}) {
        EXPECT_EQ(Eval(std::u16string(u"type(") + Widen(lib) + u")"), "table") << lib;
    }
    EXPECT_EQ(Eval(u"type(bit32)"), "nil");  // the ten libraries, no more
}

TEST_F(ScriptHostTest, ScriptsReachTheUserFolderByItsOwnBytes) {
    // A documents folder whose name is not plain ASCII: Lua must be handed the bytes that the
    // file system takes.
    const auto documents = home_.Root() / "Documentos de Jos\xC3\xA9 y Mu\xC3\xB1oz";
    ::setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
    const auto folder = documents / "Tessel.Works" / "OrvaPanel";
    std::filesystem::create_directories(folder / "lua");
    test::WriteBytes(folder / "lua" / "gauges.lua", "return { scale = 7 }\n");
    auto state = CScriptState::Create(services_);
    ASSERT_TRUE(
        state->Run(u"scale = require('gauges').scale\n"
                   u"local f = assert(io.open(OrvaPanelPath .. 'data.txt', 'w'))\n"
                   u"f:write('x') f:close()",
                   2, 1, false))
        << state->LastError();
    lua_getglobal(state->State(), "scale");
    EXPECT_EQ(lua_tointeger(state->State(), -1), 7);
    EXPECT_EQ(test::ReadBytes(folder / "data.txt"), "x");
}

TEST_F(ScriptHostTest, EveryRunStartsFromTheGlobalsTable) {
    // A script that swaps its environment must not keep the swapped one on its next run.
    const std::u16string script = u"counter = (counter or 0) + 1\n_ENV = { counter = 100 }";
    ASSERT_TRUE(Run(script));
    ASSERT_TRUE(Run(script));
    EXPECT_EQ(Eval(u"counter"), "2");
    // Within one state, an event whose text changed runs the new text, memo or not.
    ScriptMemo memo;
    std::u16string text = u"seen = 'old'";
    ASSERT_TRUE(state_->Run(text, 0, 0, false, &memo));
    text = u"seen = 'new'";
    ASSERT_TRUE(state_->Run(text, 0, 0, false, &memo));
    EXPECT_EQ(Eval(u"seen"), "new");
}

TEST_F(ScriptHostTest, NamespacesAreNestedTablesOfTheirFunctionsRegisteredDepthFirst) {
    EXPECT_EQ(Eval(u"type(event.value.get)"), "function");
    EXPECT_EQ(Eval(u"type(convert.int2bcd)"), "function");
    EXPECT_EQ(Eval(u"type(iocp.offset.value)"), "table");
    ASSERT_TRUE(
        Run(u"keys = {} for k in pairs(event) do keys[#keys + 1] = k end "
            u"table.sort(keys) keys = table.concat(keys, ',')"));
    EXPECT_EQ(Eval(u"keys"), "getpos,reset,value");
    ASSERT_TRUE(
        Run(u"keys = {} for k in pairs(event.value) do keys[#keys + 1] = k end "
            u"keys = table.concat(keys, ',')"));
    EXPECT_EQ(Eval(u"keys"), "get");

    // Registration follows the list depth first.
    static constexpr LuaEntry kList[] = {
        {"ns.f", ThrowsForeign},     {"ns.a", nullptr},         {"ns.a.b", nullptr},
        {"ns.a.b.g", ThrowsForeign}, {"ns.a.bs", nullptr},      {"ns.a.bs.h", ThrowsForeign},
        {"ns.c", nullptr},           {"ns.c.i", ThrowsForeign},
    };
    lua_State* L = state_->State();
    lua_newtable(L);
    size_t index = 0;
    RegisterNamespace(L, index, kList, "ns");
    lua_setglobal(L, "ns");
    EXPECT_EQ(index, std::size(kList));
    EXPECT_EQ(Eval(u"type(ns.f)"), "function");
    EXPECT_EQ(Eval(u"type(ns.a.b.g)"), "function");
    EXPECT_EQ(Eval(u"type(ns.a.bs.h)"), "function");
    EXPECT_EQ(Eval(u"type(ns.c.i)"), "function");
    EXPECT_EQ(Eval(u"ns.a.b.bs"), "nil");
}

TEST_F(ScriptHostTest, TestScriptShowsItsTwoMessages) {
    CRecordingPrompt prompt;
    EXPECT_TRUE(TestScript(services_, u"print(Id)", 12, prompt));
    EXPECT_FALSE(TestScript(services_, u"x = = 1", 0, prompt));
    const auto requests = prompt.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, u"Test OK.\r\nNo errors detected");
    EXPECT_EQ(requests[0].caption, u"LUA Script Test");
    EXPECT_EQ(requests[0].icon, PromptIcon::Information);
    EXPECT_EQ(requests[1].caption, u"LUA Script Error");
    EXPECT_EQ(requests[1].icon, PromptIcon::Error);
    EXPECT_TRUE(requests[1].systemModal);
    EXPECT_NE(requests[1].text.find(u"\r\n\r\nLine 1:"), std::u16string::npos);
    EXPECT_EQ(Monitor(), "12");
}

}  // namespace
}  // namespace orva
