#include "ui/text/MonitorText.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

TEST(MonitorTextTest, EveryLineEndIsOneBreak) {
    EXPECT_EQ(MonitorDisplayText(u"a\r\nb\rc\nd\n\re\r\r\nf"), u"a\nb\nc\nd\n\ne\n\nf");
    EXPECT_EQ(MonitorDisplayText(u"x\ty\u00e9\u20ac"), u"x\ty\u00e9\u20ac");
    // A piece ending in CR swallows only the next leading LF.
    MonitorTextState state;
    EXPECT_EQ(MonitorDisplayText(u"a\r", state), u"a\n");
    EXPECT_EQ(MonitorDisplayText(u"", state), u"");
    EXPECT_EQ(MonitorDisplayText(u"\nb", state), u"b");
    EXPECT_EQ(MonitorDisplayText(u"\n", state), u"\n");
}

TEST(MonitorTextTest, PiecesSplitAnywhereGiveTheWholeText) {
    const std::u16string whole = u"one\r\ntwo\rthree\n\r\n\r\rfour\n\nfive\r";
    const std::u16string expected = MonitorDisplayText(whole);
    for (size_t i = 0; i <= whole.size(); ++i) {
        for (size_t j = i; j <= whole.size(); ++j) {
            MonitorTextState state;
            std::u16string shown = MonitorDisplayText(whole.substr(0, i), state);
            shown += MonitorDisplayText(whole.substr(i, j - i), state);
            shown += MonitorDisplayText(whole.substr(j), state);
            EXPECT_EQ(shown, expected) << "split at " << i << " and " << j;
        }
    }
}

}  // namespace
}  // namespace orva
