// The print monitor's content: the newest lines kept whatever the line ends and however the text
// is cut into pieces, nothing kept where it is only passed on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PrintMonitor.h"
#include "platform/Text.h"

namespace orva {
namespace {

class PieceView final : public IPrintMonitorView {
public:
    bool IsShown() const override { return true; }
    void Show() override {}
    void Changed(std::u16string_view appended) override { pieces.emplace_back(appended); }
    std::vector<std::u16string> pieces;
};

TEST(PrintMonitorTest, KeepsTheNewestLinesWhateverTheirEndsAndPieces) {
    // "\r\n", a lone "\r" and a lone "\n" each end one line, also across pieces.
    const std::vector<std::u16string_view> pieces = {u"a\r", u"\nb\rc", u"\n", u"d\r", u"\n", u"e"};
    CPrintMonitor monitor;
    monitor.SetMaxLines(2);
    for (int round = 0; round < 200; ++round) {
        for (std::u16string_view piece : pieces) monitor.Append(piece);
        monitor.Append(u"\r\n");
    }
    // Each round ends five lines: a, b, c, d and e.
    EXPECT_EQ(monitor.Content(), u"d\r\ne\r\n");
    EXPECT_EQ(monitor.DroppedLines(), 200u * 5 - 2);
    monitor.Append(u"f");  // the unfinished line is kept besides them
    EXPECT_EQ(monitor.Content(), u"d\r\ne\r\nf");
    EXPECT_EQ(monitor.ContentEnd() - monitor.ContentStart(), monitor.Content().size());

    // Without a limit nothing goes; a clear starts the count again.
    monitor.SetMaxLines(0);
    for (int i = 0; i < 1000; ++i) monitor.Append(u"line\n");
    EXPECT_EQ(monitor.DroppedLines(), 200u * 5 - 2);
    monitor.Clear();
    EXPECT_EQ(monitor.Content(), u"");
    EXPECT_EQ(monitor.DroppedLines(), 0u);
    EXPECT_EQ(monitor.ContentStart(), 0u);
}

TEST(PrintMonitorTest, APassingViewGetsEveryPieceAndNothingIsKept) {
    CPrintMonitor monitor;
    PieceView view;
    monitor.SetKeepText(false);
    monitor.SetView(&view);
    for (int i = 0; i < 1000; ++i) monitor.Append(u"printed\r\n");
    EXPECT_EQ(view.pieces.size(), 1000u);
    EXPECT_EQ(view.pieces.back(), u"printed\r\n");
    EXPECT_EQ(monitor.Content(), u"");
    EXPECT_EQ(monitor.ContentEnd(), 0u);
    // Paused, the view hears nothing until the pause ends.
    monitor.SetPaused(true);
    monitor.Append(u"held");
    EXPECT_EQ(view.pieces.size(), 1000u);
    monitor.SetPaused(false);
    EXPECT_EQ(view.pieces.size(), 1001u);
    EXPECT_EQ(view.pieces.back(), u"");
}

}  // namespace
}  // namespace orva
