#include "scripting/NamesList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ScriptTestSupport.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"
#include "platform/Notify.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"

namespace orva {
namespace {

// The list as "word:kind" texts, for readable failures.
std::vector<std::string> Words(const CNamesList& list) {
    std::vector<std::string> words;
    for (size_t i = 0; i < list.Size(); ++i) {
        words.push_back(ToUtf8(list.Word(i)) + ":" + std::to_string(list.Kind(i)));
    }
    return words;
}

bool Has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

size_t CountPrefix(const std::vector<std::string>& words, const std::string& prefix) {
    return std::count_if(words.begin(), words.end(),
                         [&](const std::string& w) { return w.rfind(prefix, 0) == 0; });
}

void ExpectKeywordsLast(const CNamesList& list) {
    const auto keywords = LuaKeywords();
    ASSERT_GE(list.Size(), keywords.size());
    const size_t first = list.Size() - keywords.size();
    for (size_t i = 0; i < keywords.size(); ++i) {
        EXPECT_EQ(list.Word(first + i), keywords[i]);
        EXPECT_EQ(list.Kind(first + i), kHelperFunction);
    }
    EXPECT_EQ(list.Word(list.Size() - 1), u"exit");
}

class NamesListTest : public test::ScriptTest {
protected:
    CNamesList Build() {
        lua_State* L = state_->State();
        const int top = lua_gettop(L);
        CNamesList list = BuildNamesList(L);
        EXPECT_EQ(lua_gettop(L), top);
        return list;
    }
    void Event(size_t at, uint8_t type, std::u16string name, int32_t id,
               std::u16string script = u"", bool disabled = false) {
        EventRecord& r = table_[at];
        r.type = type;
        r.name = std::move(name);
        r.id = id;
        r.script = std::move(script);
        r.disabled = disabled;
    }

    CRecordingPrompt prompt_;
};

TEST_F(NamesListTest, WalksTheGlobalsByKind) {
    ASSERT_TRUE(Run(u"AGroup = {x = 1} Panel = {x = 1} Flag = true"));
    const auto list = Build();
    const auto words = Words(list);
    EXPECT_EQ(CountPrefix(words, "AGroup"), 0u);
    EXPECT_EQ(CountPrefix(words, "_G"), 0u);
    for (const char* w : {"Panel.:2", "Panel.x:2", "orva.:2", "orva.dout.:2",
                          "orva.dout.state.set:2", "print:1", "Id:4", "OrvaPanelPath:4", "Flag:4",
                          "_VERSION:4", "io.stdin:2", "package.:2", "package.loaded:2"}) {
        EXPECT_TRUE(Has(words, w)) << w;
    }
    // package's members are listed, not walked: package.loaded holds the globals again.
    EXPECT_EQ(CountPrefix(words, "package.loaded"), 1u);
    ExpectKeywordsLast(list);
}

TEST_F(NamesListTest, TablesMetAgainAreListedNotWalkedAndOnlyStringAndNumberKeysName) {
    ASSERT_TRUE(
        Run(u"Loop = {v = 1} Loop.self = Loop Loop.inner = {back = Loop}\n"
            u"Everything = {all = _G} dout = orva.dout"));
    const auto words = Words(Build());
    EXPECT_TRUE(Has(words, "Loop.self.:2"));
    EXPECT_TRUE(Has(words, "Loop.inner.back.:2"));
    EXPECT_EQ(CountPrefix(words, "Loop.self."), 1u);
    EXPECT_EQ(CountPrefix(words, "Loop.inner.back."), 1u);
    EXPECT_TRUE(Has(words, "Everything.all.:2"));
    EXPECT_EQ(CountPrefix(words, "Everything.all."), 1u);
    // A table under two names that do not contain each other is walked under both.
    EXPECT_TRUE(Has(words, "dout.state.set:2"));
    EXPECT_TRUE(Has(words, "orva.dout.state.set:2"));

    // Only string and number keys name anything.
    ASSERT_TRUE(
        Run(u"Keys = {[true] = {deep = 1}, [print] = 2, [7] = 3, [2.5] = 4, name = 5}\n"
            u"_G[12] = 'twelve' _G[false] = {inside = 1}"));
    const auto keys = Words(Build());
    EXPECT_EQ(CountPrefix(keys, "Keys."), 4u);
    for (const char* w : {"Keys.:2", "Keys.7:2", "Keys.2.5:2", "Keys.name:2", "12:4"}) {
        EXPECT_TRUE(Has(keys, w)) << w;
    }
    for (const std::string& w : keys) {
        EXPECT_EQ(w.find("inside"), std::string::npos) << w;
        EXPECT_EQ(w.find("deep"), std::string::npos) << w;
    }
}

TEST_F(NamesListTest, GrowsPastAThousandNamesButRunawayWalksAreBounded) {
    ASSERT_TRUE(Run(u"Big = {} for i = 1, 1500 do Big['k' .. i] = i end"));
    const auto big = Build();
    EXPECT_EQ(CountPrefix(Words(big), "Big.k"), 1500u);
    ExpectKeywordsLast(big);

    ASSERT_TRUE(Run(u"Big = nil local t = {} for i = 1, 100000 do t = {t} end Deep = t"));
    const auto deep = Words(Build());
    EXPECT_EQ(CountPrefix(deep, "Deep."), kMaxWalkDepth + 1);
    std::string deepest = "Deep";
    for (size_t i = 0; i < kMaxWalkDepth; ++i) deepest += ".1";
    EXPECT_TRUE(Has(deep, deepest + ".:2"));

    ASSERT_TRUE(Run(u"Deep = nil Huge = {} for i = 1, 70000 do Huge[i] = i end"));
    const auto list = Build();
    EXPECT_EQ(list.Size(), kMaxNames);
    ExpectKeywordsLast(list);
}

TEST_F(NamesListTest, RefreshPublishesEventsAndRunsAfterConnectScriptsQuietly) {
    Event(0, kEventAfterConnect, u"Start", 0,
          u"Gear = 3 function Flaps() end Panel = {x = 1}\n"
          u"print('hi') cls() orva.encoder.create(16, 17)");
    Event(1, kEventAfterConnect, u"Off", 0, u"Hidden = 1", true);
    Event(2, kEventAfterConnect, u"Broken", 0, u"Partial = 1 error('boom') NotReached = 1");
    Event(3, kEventAfterConnect, u"Later", 0, u"After = Pitot");
    Event(4, kEventDigitalPin, u"Pitot", 20, u"PinScript = 1");
    Event(5, kEventDigitalPin, u"Gear Lever", 21);
    Event(6, kEventEncoder, u"Ghost", 22, u"", true);
    Event(8, kEventDigitalPin, u"Beyond", 23);  // after the free slot 7: not in use
    monitor_.Append(u"kept");
    CVirtualHidBackend backend;
    CNotify notify;
    COrvaCard card(backend, &notify);
    services_.card = &card;

    CNamesList names;
    EXPECT_TRUE(names.Empty());
    ASSERT_TRUE(RefreshNamesList(names, table_, services_, prompt_));
    const auto words = Words(names);
    for (const char* w : {"Gear:4", "Flaps:1", "Panel.:2", "Panel.x:2", "Partial:4", "After:4",
                          "Pitot:4", "orva.dout.state.set:2"}) {
        EXPECT_TRUE(Has(words, w)) << w;
    }
    for (const char* w : {"NotReached", "Hidden", "PinScript", "Gear Lever", "Ghost", "Beyond"}) {
        EXPECT_EQ(CountPrefix(words, w), 0u) << w;
    }
    ExpectKeywordsLast(names);
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_FALSE(table_[2].errorMark);
    EXPECT_EQ(Monitor(), "kept");
    // The board was not the script's to touch; a state given it would have made an encoder.
    int32_t value = 0;
    EXPECT_FALSE(card.GetEncoderValue(1, value));
    auto withCard = CScriptState::Create(services_);
    ASSERT_TRUE(withCard->Run(u"orva.encoder.create(16, 17)", 0, 0, false));
    EXPECT_TRUE(card.GetEncoderValue(1, value));
}

TEST_F(NamesListTest, RefreshLeavesTheConnectionAndItsLockAlone) {
    // state_ stands for the connection, running on a thread of its own meanwhile.
    ASSERT_TRUE(Run(u"Conn = 1"));
    Event(0, kEventAfterConnect, u"Start", 0, u"Conn = 2 Gear = 1");
    std::recursive_mutex* lock = &ScriptLock();
    std::thread connection([&] {
        for (int i = 0; i < 200; ++i) EXPECT_TRUE(state_->Run(u"n = (n or 0) + 1", 0, 0, false));
    });
    CNamesList names;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(RefreshNamesList(names, table_, services_, prompt_));
    connection.join();
    EXPECT_EQ(&ScriptLock(), lock);
    EXPECT_EQ(Eval(u"n"), "200");
    EXPECT_EQ(Eval(u"Conn"), "1");
    EXPECT_EQ(Eval(u"Gear"), "nil");
}

// A script always has Id and Value, so the editor offers them before any script has run.
TEST_F(NamesListTest, TheRefreshOffersIdAndValueWithoutAnyScript) {
    CNamesList names;
    ASSERT_TRUE(RefreshNamesList(names, table_, services_, prompt_));
    const auto words = Words(names);
    EXPECT_TRUE(Has(words, "Id:4"));
    EXPECT_TRUE(Has(words, "Value:4"));
}

TEST_F(NamesListTest, NoStateShowsTheHelperErrorAndKeepsTheList) {
    CNamesList names;
    ASSERT_TRUE(RefreshNamesList(names, table_, services_, prompt_));
    const auto before = Words(names);
    EXPECT_FALSE(RefreshNamesListFrom(names, nullptr, table_, prompt_));
    EXPECT_EQ(prompt_.Requests(),
              (std::vector<PromptRequest>{
                  {u"Error loading LUA descriptors and reserved words.\r\nThere was an error "
                   u"triying to load the LUA global table for the Helper editor.\r\nYou can "
                   u"continue, but, the Helper on the Script editor will not work, so, you will "
                   u"not be able to use it, and no colors will be used for reserved words on the "
                   u"editor.",
                   u"Helper Error", PromptButtons::Ok, PromptIcon::Error}}));
    EXPECT_EQ(Words(names), before);
}

}  // namespace
}  // namespace orva
