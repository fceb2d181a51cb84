#include <gtest/gtest.h>

#include "ScriptTestSupport.h"
#include "scripting/ScriptArena.h"

namespace orva {
namespace {

class ScriptArenaTest : public test::ScriptTest {};

TEST_F(ScriptArenaTest, ATemporaryStateRunsAndGrowsPastItsArena) {
    auto state = CScriptState::CreateTemporary(services_);
    ASSERT_TRUE(state);
    // Tables and strings that grow, shrink and grow again: every reallocation keeps its bytes.
    ASSERT_TRUE(
        state->Run(u"t = {} for i = 1, 5000 do t[i] = string.rep('x', i % 97) .. i end "
                   u"t[1] = nil collectgarbage() s = table.concat(t, ',', 2)",
                   0, 0, false))
        << state->LastError();
    lua_getglobal(state->State(), "s");
    EXPECT_EQ(std::string(lua_tostring(state->State(), -1)).substr(0, 6), "xx2,xx");
    lua_pop(state->State(), 1);
    // Past the arena's room the heap serves, and those blocks are freed as usual (ASan checks).
    ASSERT_TRUE(
        state->Run(u"big = {} for i = 1, 40 do big[i] = string.rep('y', 1 << 20) end "
                   u"big = nil collectgarbage()",
                   0, 0, false))
        << state->LastError();
    // A failing script reports as in any state.
    EXPECT_FALSE(state->Run(u"error('x')", 0, 0, false));
    EXPECT_EQ(state->LastError(), "[string \"error('x')\"]\r\n\r\nLine 1: x");
}

}  // namespace
}  // namespace orva
