// The servers dialog's list operations and field rules, without widgets.
#include "ui/text/ServerListEdit.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "platform/Text.h"

namespace orva {
namespace {

const AddressFields kBlank{};

ServerList Named(std::initializer_list<const char16_t*> aliases) {
    ServerList list;
    for (const char16_t* alias : aliases) list.push_back({alias, u"10.0.0.1", 9000});
    return list;
}

std::u16string Aliases(const CServerListEdit& edit) {
    std::u16string all;
    for (const ServerRecord& s : edit.Servers()) all += s.alias + u";";
    return all;
}

TEST(ServerListEditTest, LinesAreTrimmedAliasesWhileTheRecordsStayAsGiven) {
    const CServerListEdit edit(Named({u"  P3D ", u"X"}));
    EXPECT_EQ(edit.Selected(), 0u);
    EXPECT_EQ(edit.Line(0), u"P3D");
    EXPECT_EQ(edit.Current().alias, u"  P3D ");
}

TEST(ServerListEditTest, AddStopsAtTenAndSelectsTheNewServerRemoveSelectsTheOneBefore) {
    CServerListEdit edit(Named({u"A"}));
    for (size_t n = 2; n <= 10; ++n) {
        ASSERT_TRUE(edit.Add());
        EXPECT_EQ(edit.Selected(), n - 1);
    }
    EXPECT_FALSE(edit.CanAdd());
    EXPECT_FALSE(edit.Add());
    EXPECT_EQ(edit.Count(), 10u);

    // Remove selects the server before, or the first.
    CServerListEdit three(Named({u"A", u"B", u"C"}));
    three.Select(2);
    three.Remove();
    EXPECT_EQ(Aliases(three), u"A;B;");
    EXPECT_EQ(three.Selected(), 1u);
    three.Select(0);
    three.Remove();
    EXPECT_EQ(Aliases(three), u"B;");
    EXPECT_EQ(three.Selected(), 0u);
}

TEST(ServerListEditTest, AliasIsTrimmed) {
    CServerListEdit edit(Named({u"A"}));
    edit.SetAlias(u"  Cockpit two \t");
    EXPECT_EQ(edit.Current().alias, u"Cockpit two");
}

TEST(ServerListEditTest, APortIsANumberFrom1To65535InDigits) {
    const std::pair<const char16_t*, std::optional<int32_t>> ports[] = {
        {u"8091", 8091}, {u"1", 1},      {u"65535", 65535}, {u"08090", 8090}, {u"", {}},
        {u"0", {}},      {u"65536", {}}, {u"99999x", {}},   {u"99999", {}},   {u"-7", {}},
        {u"+80", {}},    {u" 80", {}},   {u"80 ", {}},      {u"000080", {}},  {u"4294967297", {}}};
    for (const auto& [text, port] : ports)
        EXPECT_EQ(CServerListEdit::ReadPort(text), port) << ToUtf8(text);
}

// What is typed stays with its server, the port taking only a valid one, so the first mistake
// can be shown when Ok finds it; a port read from the file is checked as well, and a
// plug-and-play server's not at all.
TEST(ServerListEditTest, TypedPortsStayWithTheirServerAndTheFirstBadOneIsFound) {
    CServerListEdit edit({{u"A", u"10.0.0.1", 9000},
                          {u"B", u"10.0.0.2", 99999},
                          {u"C", u"255.255.255.255", 0},
                          {u"D", u"10.0.0.4", 9003}});
    EXPECT_EQ(edit.PortText(), u"9000");
    EXPECT_EQ(edit.FirstBadPort(), 1u);
    edit.Select(1);
    EXPECT_EQ(edit.PortText(), u"99999");
    edit.SetPort(u"9001");
    EXPECT_EQ(edit.FirstBadPort(), std::nullopt);

    edit.Select(3);
    edit.SetPort(u"99999x");
    EXPECT_EQ(edit.Current().port, 9003);
    edit.Select(0);
    edit.Select(3);
    EXPECT_EQ(edit.PortText(), u"99999x");
    EXPECT_EQ(edit.FirstBadPort(), 3u);

    // Removing and adding servers keeps each text with its own server.
    edit.Select(0);
    edit.Remove();
    EXPECT_EQ(edit.FirstBadPort(), 2u);
    ASSERT_TRUE(edit.Add());
    EXPECT_EQ(edit.PortText(), u"8090");
    edit.Select(2);
    edit.SetPort(u"9003");
    EXPECT_EQ(edit.FirstBadPort(), std::nullopt);
    EXPECT_EQ(edit.Servers()[2].port, 9003);
}

TEST(ServerListEditTest, AddressTextAndBack) {
    EXPECT_EQ(CServerListEdit::AddressText({10, {}, 3, {}}), u"10.0.3.0");
    EXPECT_EQ(CServerListEdit::AddressText(kBlank), u"127.0.0.1");
    EXPECT_EQ(CServerListEdit::ReadAddress(u"192.168.1.5"), (AddressFields{192, 168, 1, 5}));
    EXPECT_EQ(CServerListEdit::ReadAddress(u" 1. 2.3.4 rest"), (AddressFields{1, 2, 3, 4}));
    for (const char16_t* bad : {u"", u"1.2.3", u"1.2..4", u"256.1.1.1", u"a.b.c.d", u"-1.0.0.0"})
        EXPECT_FALSE(CServerListEdit::ReadAddress(bad).has_value()) << ToUtf8(bad);
}

TEST(ServerListEditTest, SelectingShowsTheAddressAndItsMarkWhichFollowsTheFields) {
    CServerListEdit edit(
        {{u"A", u"192.168.1.5", 1}, {u"B", u"255.255.255.255", 2}, {u"C", u"", 3}});
    EXPECT_EQ(edit.Fields(), (AddressFields{192, 168, 1, 5}));
    EXPECT_FALSE(edit.Lookup());
    edit.Select(1);
    EXPECT_TRUE(edit.Lookup());
    edit.Select(2);  // an address that does not read: blank fields, no mark, record untouched
    EXPECT_EQ(edit.Fields(), kBlank);
    EXPECT_FALSE(edit.Lookup());
    EXPECT_EQ(edit.Current().address, u"");

    // A field change away from the lookup address clears the mark.
    edit.Select(1);
    edit.SetFields({255, 255, 255, {}});
    EXPECT_FALSE(edit.Lookup());
    EXPECT_EQ(edit.Current().address, u"255.255.255.0");
}

TEST(ServerListEditTest, ClearingTheMarkRestoresTheAddressTheDialogRememberedLast) {
    CServerListEdit edit(
        {{u"A", u"192.168.1.5", 1}, {u"B", u"255.255.255.255", 2}, {u"C", u"255.255.255.255", 3}});
    edit.Select(2);
    edit.SetLookup(false);  // nothing remembered yet
    EXPECT_EQ(edit.Current().address, u"127.0.0.1");
    edit.Select(0);
    edit.SetLookup(true);
    edit.Select(1);  // one memory for the dialog, not one per server
    edit.SetLookup(false);
    EXPECT_EQ(edit.Current().address, u"192.168.1.5");
    EXPECT_EQ(edit.Fields(), (AddressFields{192, 168, 1, 5}));
}

}  // namespace
}  // namespace orva
