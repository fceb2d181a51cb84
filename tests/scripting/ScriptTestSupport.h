// A script state over a private event table and print monitor, for the scripting tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/EventTable.h"
#include "core/PrintMonitor.h"
#include "core/ServerRecord.h"
#include "platform/Text.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

namespace orva::test {

class ScriptTest : public HomeTest {
protected:
    void SetUp() override {
        services_.events = &table_;
        services_.servers = &servers_;
        services_.monitor = &monitor_;
        state_ = CScriptState::Create(services_);
        ASSERT_TRUE(state_);
    }

    // Runs a script; on failure the test sees the edited error as text.
    bool Run(std::u16string_view script, int32_t id = 0, int32_t value = 0, bool print = true) {
        return state_->Run(script, id, value, print);
    }
    std::string Error() const { return state_->LastError(); }
    // The error a script raises, with the "[line]..." head removed.
    std::string ErrorOf(std::u16string_view script) {
        EXPECT_FALSE(Run(script)) << ToUtf8(script);
        const std::string e = Error();
        const size_t at = e.find("Line  ");
        return at == std::string::npos ? e : e.substr(at + 6);
    }
    // The value of a global after running "return <expression>" stored into it.
    std::string Eval(std::u16string_view expression) {
        const std::u16string script = u"__r = tostring(" + std::u16string(expression) + u")";
        if (!Run(script)) return "error: " + Error();
        lua_getglobal(state_->State(), "__r");
        std::string r =
            lua_tostring(state_->State(), -1) ? lua_tostring(state_->State(), -1) : "nil";
        lua_pop(state_->State(), 1);
        return r;
    }
    std::string Monitor() const { return ToUtf8(monitor_.Content()); }

    CEventTable table_;
    ServerList servers_;
    CPrintMonitor monitor_;
    ScriptServices services_;
    std::unique_ptr<CScriptState> state_;
};

}  // namespace orva::test
