#include <gtest/gtest.h>

#include "app/HelpPages.h"
#include "app/OrvaPanelApp.h"
#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

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
    // No host: no web address.
    EXPECT_EQ(pages.Address(u"", u"orvapanel"), u"");
    {
        const CHelpPageScope scope(u"la_ventana__print_monitor__o_de_log.htm");
        EXPECT_EQ(CHelpPages::Shared().Current(), u"la_ventana__print_monitor__o_de_log.htm");
    }
    EXPECT_EQ(CHelpPages::Shared().Current(), u"");
}

TEST(HelpPagesTest, EachPageHasItsPlaceInTheLocalManual) {
    const struct {
        std::u16string_view page;
        std::u16string_view local;
    } kCases[] = {
        {u"", u"index.html"},
        {u"configuracion_de_los_clientes_iocp.htm", u"servers.html"},
        {u"Anadir_y_Editar_Eventos.htm", u"events.html#event-definition"},  // any case
        {u"helper.htm", u"script-editor.html#helper"},
        {u"dout_state_set.htm", u"scripting.html#orva.dout.state.set"},
        {u"mapRange.htm", u"scripting.html#mapRange"},
        {u"value_get.htm", u"scripting.html#event.value.get"},
        {u"io-monitor.html", u"io-monitor.html"},
        {u"card-tools.html#pin-calculator", u"card-tools.html#pin-calculator"},
        {u"nowhere.htm", u"index.html"},
    };
    for (const auto& c : kCases) EXPECT_EQ(LocalHelpPage(c.page), c.local) << ToUtf8(c.page);
}

TEST(HelpPagesTest, TheWebHostWinsExceptForPagesOnlyTheManualHas) {
    const fs::path manual = "/usr/share/doc/orvapanel/html";
    EXPECT_EQ(HelpAddressOf(u"helper.htm", u"https://Help.Example", u"orvapanel", manual),
              u"https://help.example/iocp/orva/orvapanel/help/helper.htm");
    EXPECT_EQ(HelpAddressOf(u"io-monitor.html", u"https://help.example", u"orvapanel", manual),
              u"file:///usr/share/doc/orvapanel/html/io-monitor.html");
    EXPECT_EQ(HelpAddressOf(u"helper.htm", u"", u"orvapanel", manual),
              u"file:///usr/share/doc/orvapanel/html/script-editor.html#helper");
    EXPECT_EQ(HelpAddressOf(u"", u"", u"orvapanel", manual),
              u"file:///usr/share/doc/orvapanel/html/index.html");
    // Neither a host nor a manual: nothing to open.
    EXPECT_EQ(HelpAddressOf(u"helper.htm", u"", u"orvapanel", fs::path()), u"");
    // A path is written as an address: blanks and letters beyond ASCII percent-encoded.
    EXPECT_EQ(FileAddress(fs::path("/home/ana maría/m#1.html"), u"x"),
              u"file:///home/ana%20mar%C3%ADa/m%231.html#x");
}

TEST(HelpPagesTest, TheManualIsFoundBesideTheInstalledOrTheBuiltProgram) {
    const test::TempHome home;
    const fs::path tree = home.Root() / "usr";
    EXPECT_EQ(ManualFolder(tree / "lib" / "orvapanel"), fs::path());
    fs::create_directories(tree / "share/doc/orvapanel/html");
    test::WriteBytes(tree / "share/doc/orvapanel/html/index.html", "<html>");
    EXPECT_EQ(ManualFolder(tree / "lib" / "orvapanel"), tree / "share/doc/orvapanel/html");
    EXPECT_EQ(ManualFolder(tree / "bin"), tree / "share/doc/orvapanel/html");
}

// The built manual (beside this test, as beside the programs) has a place for every page a
// window registers and for every function page of the editor catalogue.
TEST(HelpPagesTest, TheBuiltManualHasEveryPageAndSection) {
    const fs::path manual = ManualFolder(COrvaPanelApp::ProgramFolder());
    ASSERT_FALSE(manual.empty()) << "no manual beside " << COrvaPanelApp::ProgramFolder();
    std::vector<std::u16string> pages;
    for (const HelpTopic& topic : HelpTopics()) pages.emplace_back(topic.page);
    for (const HelpPageRow& row : HelpPageRows()) pages.emplace_back(row.page);
    for (const std::u16string& page : pages) {
        const std::string local = ToUtf8(LocalHelpPage(page));
        const size_t hash = local.find('#');
        const std::string text = test::ReadBytes(manual / local.substr(0, hash));
        ASSERT_FALSE(text.empty()) << local;
        if (hash != std::string::npos) {
            EXPECT_NE(text.find("id=\"" + local.substr(hash + 1) + "\""), std::string::npos)
                << local;
        }
    }
}

}  // namespace
}  // namespace orva
