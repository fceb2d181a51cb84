#include <gtest/gtest.h>

#include "app/Autostart.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

class AutostartTest : public test::HomeTest {};

TEST_F(AutostartTest, AnEntryPerInstanceThatStartsIt) {
    const auto file = home_.Root() / "config" / "autostart" / "orvapanel-COCKPIT.desktop";
    EXPECT_EQ(AutostartFile(u"COCKPIT"), file);
    EXPECT_FALSE(IsAutostartOn(u"COCKPIT"));
    ASSERT_TRUE(SetAutostart(u"COCKPIT", true, "/usr/lib/orvapanel/orvapanel"));
    EXPECT_TRUE(IsAutostartOn(u"COCKPIT"));
    EXPECT_EQ(test::ReadBytes(file),
              "[Desktop Entry]\nType=Application\nName=OrvaPanel (COCKPIT)\n"
              "Comment=Starts the OrvaPanel instance COCKPIT with the desktop session\n"
              "Exec=/usr/lib/orvapanel/orvapanel /COCKPIT\nIcon=orvapanel\nTerminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    ASSERT_TRUE(SetAutostart(u"COCKPIT", false, "/usr/lib/orvapanel/orvapanel"));
    EXPECT_FALSE(IsAutostartOn(u"COCKPIT"));
    EXPECT_TRUE(SetAutostart(u"COCKPIT", false, "/x"));  // already off
}

TEST_F(AutostartTest, NamesAndPathsAreQuotedWhereTheyMustBe) {
    EXPECT_EQ(AutostartFile(u"MY PIT\u00D1").filename(), "orvapanel-MY_PIT__.desktop");
    const std::string entry = AutostartEntry(u"MY PIT", "/opt/Orva Panel/orvapanel");
    EXPECT_NE(entry.find("Exec=\"/opt/Orva Panel/orvapanel\" \"/MY PIT\"\n"), std::string::npos)
        << entry;
    EXPECT_NE(AutostartEntry(u"A$B", "/p").find("Exec=/p \"/A\\$B\"\n"), std::string::npos);
}

}  // namespace
}  // namespace orva
