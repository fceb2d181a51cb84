// The script editor's colouring, one line at a time, against the colouring of the whole text
// as the editor's rules state it.
#include "ui/text/Colouring.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using R = ColourRole;

// The rules as written for the whole text, kept here as the reference: CR LF becomes CR and a
// space is appended; every operator text is coloured wherever it occurs (each search one
// character after the last hit); then, word by word in list order, every whole occurrence.
std::vector<ColourRole> WholeTextColours(std::u16string_view text, const CNamesList& names,
                                         std::span<const std::u16string_view> operators) {
    std::u16string t;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        t += text[i];
    }
    t += u' ';
    std::vector<ColourRole> colours(t.size(), R::Text);
    const auto paint = [&](size_t at, size_t length, ColourRole role) {
        std::fill_n(colours.begin() + static_cast<std::ptrdiff_t>(at), length, role);
    };
    for (const std::u16string_view op : operators) {
        for (size_t at = t.find(op); at != std::u16string::npos; at = t.find(op, at + 1)) {
            paint(at, op.size(), R::Kind3);
        }
    }
    const auto breaks = [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'.';
    };
    for (size_t i = 0; i < names.Size(); ++i) {
        const std::u16string_view word = names.Word(i);
        if (word.empty()) continue;
        for (size_t at = t.find(word); at != std::u16string::npos; at = t.find(word, at + 1)) {
            const size_t end = at + word.size();
            if ((at == 0 || !breaks(t[at - 1])) && (end == t.size() || !breaks(t[end]))) {
                paint(at, word.size(), RoleOfKind(names.Kind(i)));
            }
        }
    }
    colours.pop_back();  // the appended space
    return colours;
}

// The editor's colours of a text whose lines end with CR LF, joined as in the whole text.
std::vector<ColourRole> LineByLineColours(std::u16string_view text,
                                          const CLineColouring& colouring) {
    std::vector<ColourRole> all, line;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(u"\r\n", start);
        colouring.Roles(text.substr(start, end == std::u16string_view::npos ? end : end - start),
                        line);
        all.insert(all.end(), line.begin(), line.end());
        if (end == std::u16string_view::npos) return all;
        all.push_back(R::Text);  // the CR that stood for the line end
        start = end + 2;
    }
}

CNamesList Names(std::initializer_list<std::pair<HelperKind, std::u16string_view>> words) {
    CNamesList names;
    for (const auto& [kind, word] : words) names.Add(kind, word);
    return names;
}

using Spans = std::vector<ColourSpan>;

Spans SpansOf(std::u16string_view line, const CNamesList& names) {
    return CLineColouring(names, OperatorTexts()).Spans(line);
}

TEST(Colouring, WholeWordsInListOrderAndOperatorTextsWhereverTheyOccur) {
    const CNamesList end = Names({{kHelperFunction, u"end"}, {kHelperValue, u"x"}});
    // A word inside another is not coloured but the standalone one is; underscores and digits
    // next to a word keep it whole; "." breaks a word like a letter does.
    EXPECT_EQ(SpansOf(u"vendor end", end), (Spans{{7, 3, R::Kind1}}));
    EXPECT_EQ(SpansOf(u"end_x", end), (Spans{{0, 3, R::Kind1}, {4, 1, R::Kind4}}));
    EXPECT_EQ(SpansOf(u"2x9", end), (Spans{{1, 1, R::Kind4}}));
    EXPECT_EQ(SpansOf(u"a.end", end), (Spans{{1, 1, R::Kind3}}));

    // A later word paints over an earlier one. The member is whole; "set" inside it follows a
    // dot and is not.
    EXPECT_EQ(SpansOf(u"orva.dout.state.set(1)",
                      Names({{kHelperTable, u"orva.dout.state.set"}, {kHelperFunction, u"set"}})),
              (Spans{{0, 19, R::Kind2}, {19, 1, R::Kind3}, {21, 1, R::Kind3}}));
    EXPECT_EQ(SpansOf(u"Gear_1", Names({{kHelperValue, u"Gear_1"}, {kHelperFunction, u"Gear"}})),
              (Spans{{0, 4, R::Kind1}, {4, 2, R::Kind4}}));
    EXPECT_EQ(SpansOf(u"Gear_1", Names({{kHelperFunction, u"Gear"}, {kHelperValue, u"Gear_1"}})),
              (Spans{{0, 6, R::Kind4}}));

    // Operator texts are coloured wherever they occur, and "+" is none of them.
    EXPECT_EQ(SpansOf(u"a+b-c", {}), (Spans{{3, 1, R::Kind3}}));
    EXPECT_EQ(SpansOf(u"x_VERSIONy", {}), (Spans{{1, 8, R::Kind3}}));
    // Comments, strings and numbers have no colour of their own.
    EXPECT_EQ(SpansOf(u"s = \"print\" 12 -- print", Names({{kHelperFunction, u"print"}})),
              (Spans{{2, 1, R::Kind3}, {5, 5, R::Kind1}, {15, 2, R::Kind3}, {18, 5, R::Kind1}}));
    // An empty names list colours only operators; the empty colouring nothing.
    EXPECT_EQ(SpansOf(u"if a(1) then", {}), (Spans{{4, 1, R::Kind3}, {6, 1, R::Kind3}}));
    EXPECT_EQ(CLineColouring().Spans(u"if a(1) then"), Spans{});
}

// Random words over a small alphabet, so that words overlap, nest and repeat; random lines
// made of those words, operators and filler. The words hold no line break and no blank: only
// such a word could reach across a line end (or into the appended space) in the whole text, and
// no script can write one as a name.
struct CGenerator {
    std::mt19937 random;

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    std::u16string Word() {
        std::u16string word(1 + Pick(5), u' ');
        for (char16_t& c : word) c = u"abeEnd1_9."[Pick(10)];
        return word;
    }

    CNamesList Names() {
        std::vector<std::u16string> made;
        for (size_t i = 1 + Pick(40); i > 0; --i) {
            // Now and then a word again, with another kind, or a table with its members.
            if (!made.empty() && Pick(5) == 0) {
                made.push_back(made[Pick(made.size())]);
            } else if (Pick(4) == 0) {
                made.push_back(Word() + u".");
                made.push_back(made.back() + Word());
            } else {
                made.push_back(Word());
            }
        }
        if (Pick(3) == 0) made.push_back(u"_VERSION");
        CNamesList names;
        for (const std::u16string& word : made)
            names.Add(static_cast<HelperKind>(1 + Pick(4)), word);
        return names;
    }

    std::u16string Text(const CNamesList& names) {
        static constexpr std::u16string_view kFiller[] = {
            u" ", u" ", u"\t", u"(", u")", u".", u"+", u"-", u"--", u"\"", u"x", u"Z",  u"_",
            u"0", u"7", u"=",  u"#", u"[", u"]", u",", u":", u"/",  u"~",  u"é", u"ab", u"end"};
        std::u16string text;
        for (size_t line = 1 + Pick(8); line > 0; --line) {
            for (size_t piece = Pick(16); piece > 0; --piece) {
                const bool word = names.Size() > 0 && Pick(2) == 0;
                text += word ? names.Word(Pick(names.Size())) : kFiller[Pick(std::size(kFiller))];
            }
            if (line > 1) text += u"\r\n";
        }
        return text;
    }
};

TEST(Colouring, LineByLineEqualsTheWholeTextOnGeneratedTexts) {
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        CGenerator generate{std::mt19937(seed)};
        const CNamesList names = generate.Names();
        const CLineColouring colouring(names, OperatorTexts());
        for (int text = 0; text < 5; ++text) {
            const std::u16string script = generate.Text(names);
            ASSERT_EQ(LineByLineColours(script, colouring),
                      WholeTextColours(script, names, OperatorTexts()))
                << "seed " << seed << ", text: " << ToUtf8(script);
        }
    }
}

class ColouringWithState : public test::HomeTest {};

TEST_F(ColouringWithState, LineByLineEqualsTheWholeTextWithTheNamesOfARealState) {
    ScriptServices services;
    const auto state = CScriptState::Create(services);
    ASSERT_TRUE(state);
    ASSERT_TRUE(
        state->Run(u"Panel = {lamp = 16, gear = {down = 17}}\nGearDown_1 = true\n"
                   u"function SetLamp(pin, on) orva.dout.state.set(pin, on) end",
                   0, 0, false));
    const CNamesList names = BuildNamesList(state->State());
    ASSERT_GT(names.Size(), 250u);
    const std::u16string script =
        u"-- gear lamps\r\nif Value == 1 and GearDown_1 then\r\n"
        u"\torva.dout.state.set(Panel.gear.down, true) -- end\r\n"
        u"elseif Panel.lamp_2 ~= nil then SetLamp(Panel.lamp, not orva.dout.state.get(16))\r\n"
        u"end\r\nlocal s = string.format(\"%d\", math.floor(Value / 2)) .. _VERSION\r\n"
        u"for k, v in pairs(Panel) do print(k, v) printnl() end";
    EXPECT_EQ(LineByLineColours(script, CLineColouring(names, OperatorTexts())),
              WholeTextColours(script, names, OperatorTexts()));
}

}  // namespace
}  // namespace orva
