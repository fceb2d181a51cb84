#include <gtest/gtest.h>

#include "app/HelpPages.h"

namespace orva {
namespace {

TEST(HelpPagesTest, TheMostRecentOpenWindowsPageElseTheHomePage) {
    CHelpPages pages;
    EXPECT_EQ(pages.Address(u"https://Help.Example/", u"OrvaPanel"),
              u"https://help.example/iocp/orva/orvapanel/help/");
    pages.Register(u"configurcion_de_los_eventos.htm");
    pages.Register(u"Editor_de_Scripts_de_LUA.htm");
    EXPECT_EQ(pages.Address(u"http://127.0.0.1:8000", u"orvapanel"),
              u"http://127.0.0.1:8000/iocp/orva/orvapanel/help/editor_de_scripts_de_lua.htm");
    // The editor closes: the list's page is current again.
    pages.Unregister(u"Editor_de_Scripts_de_LUA.htm");
    EXPECT_EQ(pages.Current(), u"configurcion_de_los_eventos.htm");
    // A page registered twice stays until both are taken back.
    pages.Register(u"helper.htm");
    pages.Register(u"helper.htm");
    pages.Unregister(u"helper.htm");
    EXPECT_EQ(pages.Current(), u"helper.htm");
    pages.Unregister(u"helper.htm");
    pages.Unregister(u"never.htm");  // nothing to take back
    EXPECT_EQ(pages.Current(), u"configurcion_de_los_eventos.htm");
    // No host: help is switched off.
    EXPECT_EQ(pages.Address(u"", u"orvapanel"), u"");
    {
        const CHelpPageScope scope(u"la_ventana__print_monitor__o_de_log.htm");
        EXPECT_EQ(CHelpPages::Shared().Current(), u"la_ventana__print_monitor__o_de_log.htm");
    }
    EXPECT_EQ(CHelpPages::Shared().Current(), u"");
}

}  // namespace
}  // namespace orva
