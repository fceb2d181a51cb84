// The "IOCP Clients Config" dialog as the user sees it, driven by keys and clicks.
#include "ui/IocpConfig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"
#include "support/QtPrinters.h"
#include "support/Widgets.h"

namespace orva {
namespace {

constexpr char16_t kHelpPage[] = u"configuracion_de_los_clientes_iocp.htm";

ServerList TenServers() {
    ServerList list;
    for (int i = 0; i < 10; ++i) list.push_back({Format(u"S%d", i), u"10.0.0.1", 9000 + i});
    return list;
}

class IocpConfigTest : public ::testing::Test {
protected:
    void Open(ServerList servers) {
        dialog_ = std::make_unique<CIocpConfig>(std::move(servers), prompt_);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    }
    template <typename T>
    T* Child(const char* name) {
        return test::Child<T>(dialog_.get(), name);
    }
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(name); }
    QCheckBox* Box() { return Child<QCheckBox>("quivr"); }
    QString Address() {
        return QStringList{Edit("ip0")->text(), Edit("ip1")->text(), Edit("ip2")->text(),
                           Edit("ip3")->text()}
            .join(QLatin1Char('.'));
    }
    QStringList Lines() {
        QStringList lines;
        auto* list = Child<QListWidget>("servers");
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        return lines;
    }
    void Click(const char* button) {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    }
    // Keys go where the focus is, as they would from a keyboard.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) QTest::keyClick(QApplication::focusWidget(), *c);
    }
    QString Focus() { return QApplication::focusWidget()->objectName(); }
    // A line of the list chosen as by the keyboard, which leaves the focus in the list.
    void Select(int row) {
        auto* list = Child<QListWidget>("servers");
        list->setFocus();
        list->setCurrentRow(row);
    }

    CRecordingPrompt prompt_;
    std::unique_ptr<CIocpConfig> dialog_;
};

TEST_F(IocpConfigTest, AnEmptyListOrDeletingTheOnlyServerLeavesOneNewServer) {
    Open({});
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("IOCP Clients Config"));
    EXPECT_EQ(CHelpPages::Shared().Current(), kHelpPage);
    EXPECT_EQ(Lines(), QStringList{"<new server>"});
    EXPECT_EQ(Edit("alias")->text(), QStringLiteral("<new server>"));
    EXPECT_EQ(Address(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Edit("port")->text(), QStringLiteral("8090"));
    EXPECT_FALSE(Box()->isChecked());
    dialog_.reset();
    EXPECT_NE(CHelpPages::Shared().Current(), kHelpPage);

    Open({{u"P3D", u"192.168.1.5", 9000}});
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Click("del");
    EXPECT_EQ(Lines(), QStringList{"<new server>"});
    EXPECT_EQ(Address(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Edit("port")->text(), QStringLiteral("8090"));
}

TEST_F(IocpConfigTest, NewStopsAtTenAndDelAsksBeforeRemoving) {
    Open(TenServers());
    EXPECT_FALSE(Child<QPushButton>("new")->isEnabled());

    prompt_.QueueAnswer(PromptAnswer::No);
    Click("del");
    EXPECT_EQ(prompt_.Requests(),
              (std::vector<PromptRequest>{
                  {u"Remove the server alias 'S0'\r\nfrom the list of servers?",
                   u"Remove server...", PromptButtons::YesNo, PromptIcon::Question}}));
    EXPECT_EQ(Lines().size(), 10);

    prompt_.QueueAnswer(PromptAnswer::Yes);
    Click("del");
    EXPECT_EQ(Lines().size(), 9);
    EXPECT_FALSE(Lines().contains(QStringLiteral("S0")));
    EXPECT_TRUE(Child<QPushButton>("new")->isEnabled());
}

TEST_F(IocpConfigTest, TheQuivrBoxSwapsTheAddressAndLocksAddressAndPortAndTheFieldsByKeys) {
    Open({{u"P3D", u"192.168.1.5", 8090}, {u"FS", u"192.168.1.6", 8091}});
    Box()->setFocus();
    Key(Qt::Key_Space);
    EXPECT_TRUE(Box()->isChecked());
    EXPECT_EQ(Address(), QStringLiteral("255.255.255.255"));
    EXPECT_FALSE(Edit("ip0")->isEnabled());
    EXPECT_FALSE(Edit("port")->isEnabled());

    Key(Qt::Key_Space);
    EXPECT_FALSE(Box()->isChecked());
    EXPECT_EQ(Address(), QStringLiteral("192.168.1.5"));
    EXPECT_TRUE(Edit("ip0")->isEnabled());
    EXPECT_TRUE(Edit("port")->isEnabled());

    // Digits, dots and Backspace move between the address fields.
    Key(Qt::Key_I, Qt::AltModifier);
    Type("255255255255");  // each third digit moves on to the next field
    EXPECT_EQ(Address(), QStringLiteral("255.255.255.255"));
    EXPECT_TRUE(Box()->isChecked());  // the plug-and-play address checks the box
    EXPECT_FALSE(Edit("port")->isEnabled());

    Child<QListWidget>("servers")->setCurrentRow(1);
    Key(Qt::Key_I, Qt::AltModifier);
    Type("10.0.0.7");
    EXPECT_EQ(Address(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(Focus(), QStringLiteral("ip3"));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Focus(), QStringLiteral("ip2"));
    EXPECT_EQ(Address(), QStringLiteral("10.0.0."));
}

TEST_F(IocpConfigTest, CancelKeepsTheCallersListAndOkReturnsTheEditedOne) {
    const ServerList before = {{u"P3D", u"192.168.1.5", 9000}, {u"FS", u"10.0.0.2", 9001}};
    ServerList servers = before;  // as the main window calls it
    Open(servers);
    Key(Qt::Key_A, Qt::AltModifier);
    Type("Changed");
    Key(Qt::Key_P, Qt::AltModifier);
    Type("1");
    Click("new");
    Click("cancel");
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    if (dialog_->result() == QDialog::Accepted) servers = dialog_->Servers();
    EXPECT_EQ(servers, before);

    Open({{u"P3D", u"10.0.0.1", 9000}});
    Key(Qt::Key_A, Qt::AltModifier);  // the mnemonic selects the whole alias
    Type("  Cockpit  ");
    EXPECT_EQ(Lines(), QStringList{"Cockpit"});  // the line follows the typing
    Key(Qt::Key_P, Qt::AltModifier);
    Type("9100");
    Click("ok");
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Servers(), (ServerList{{u"Cockpit", u"10.0.0.1", 9100}}));
}

// A port the client cannot reach as typed ("99999x" would be 99999, then another port on the
// wire) keeps the dialog open with a message and the server's field as typed, until it is mended.
TEST_F(IocpConfigTest, OkRefusesAPortThatIsNotANumberFrom1To65535) {
    Open({{u"P3D", u"10.0.0.1", 9000}, {u"FS", u"10.0.0.2", 9001}});
    for (const char* typed : {"99999x", "99999", "65536", "0", "", "-1", "+80", " 80", "8O90"}) {
        prompt_.ClearRecord();
        Select(0);
        Key(Qt::Key_P, Qt::AltModifier);
        Key(Qt::Key_Backspace);
        Type(typed);
        Key(Qt::Key_Return);  // the default button, Ok
        EXPECT_TRUE(dialog_->isVisible()) << typed;
        EXPECT_EQ(prompt_.Requests(),
                  (std::vector<PromptRequest>{
                      {u"The port of the server 'P3D' is '" + FromUtf8(typed) +
                           u"'.\r\nA port is a number from 1 to 65535, in digits only.",
                       u"IOCP Clients Config", PromptButtons::Ok, PromptIcon::Warning}}))
            << typed;
        EXPECT_EQ(Focus(), QStringLiteral("port"));
        EXPECT_EQ(Edit("port")->selectedText(), QString::fromLatin1(typed));
    }
    // What was typed stays with its server while another one is shown, and Ok finds it there.
    Select(1);
    EXPECT_EQ(Edit("port")->text(), QStringLiteral("9001"));
    prompt_.ClearRecord();
    Click("ok");
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(Child<QListWidget>("servers")->currentRow(), 0);
    EXPECT_EQ(Edit("port")->text(), QStringLiteral("8O90"));

    Type("65535");
    Select(1);
    Key(Qt::Key_P, Qt::AltModifier);
    Type("1");
    Click("ok");
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Servers(),
              (ServerList{{u"P3D", u"10.0.0.1", 65535}, {u"FS", u"10.0.0.2", 1}}));
}

// Each address field holds a number from 0 to 255 in digits, whatever is pasted into it, so
// what the fields show is what the server gets.
TEST_F(IocpConfigTest, TheAddressFieldsHoldOnlyNumbersFrom0To255) {
    Open({{u"P3D", u"10.0.0.1", 9000}});
    const struct {
        const char* pasted;
        const char* shown;
    } cases[] = {{"7", "7"},  {"255", "255"}, {"256", ""},         {"999", ""},
                 {"-1", ""},  {"1x", ""},     {" 7", ""},          {"+7", ""},
                 {"1,0", ""}, {"0x1", ""},    {"\u0661\u0662", ""}};
    for (const auto& c : cases) {
        auto* field = Edit("ip3");
        field->setFocus();
        field->selectAll();
        Key(Qt::Key_Backspace);
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.pasted));
        field->paste();
        EXPECT_EQ(field->text(), QString::fromLatin1(c.shown)) << c.pasted;
        EXPECT_EQ(dialog_->Servers()[0].address, u"10.0.0." + FromUtf8(*c.shown ? c.shown : "0"))
            << c.pasted;
    }
}

TEST_F(IocpConfigTest, TabFollowsTheReadingOrder) {
    Open({});
    QStringList order{Focus()};
    for (int i = 0; i < 12; ++i) {
        Key(Qt::Key_Tab);
        order << Focus();
    }
    EXPECT_EQ(order, (QStringList{"servers", "new", "del", "alias", "ip0", "ip1", "ip2", "ip3",
                                  "port", "quivr", "ok", "cancel", "servers"}));
}

}  // namespace
}  // namespace orva
