// Every window's keyboard mnemonics: one letter each, so Alt and a letter always reach its
// control instead of only moving the focus between two that share it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <map>

#include "card/VirtualBoard.h"
#include "core/EventTable.h"
#include "platform/UserPrompt.h"
#include "support/QtPrinters.h"
#include "ui/AboutDlg.h"
#include "ui/CalcPinIdDlg.h"
#include "ui/DebugMonitor.h"
#include "ui/EditorServices.h"
#include "ui/EventDefinitionDlg.h"
#include "ui/EventsListDlg.h"
#include "ui/IoMonitor.h"
#include "ui/IocpConfig.h"
#include "ui/LookingForIdDlg.h"
#include "ui/MainWindowFixture.h"
#include "ui/OrvaConfigDlg.h"
#include "ui/QtShellOpener.h"
#include "ui/RepositoryDlg.h"
#include "ui/RestoreDlg.h"
#include "ui/ScriptEditor.h"

namespace orva {
namespace {

// The letter after a single '&' ("&&" is an ampersand), or none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return {};
}

// The texts that share a mnemonic within one scope.
QStringList Shared(const QStringList& texts) {
    std::map<QChar, QStringList> owners;
    for (const QString& text : texts)
        if (const QChar m = Mnemonic(text); !m.isNull()) owners[m] << text;
    QStringList shared;
    for (const auto& [letter, owning] : owners)
        if (owning.size() > 1) shared << owning.join(QStringLiteral(" / "));
    return shared;
}

// Mnemonics shared within a window (its buttons and boxes, the labels that lead to a control,
// group titles, tabs and the menu bar's menus) or within one of its menus.
QStringList Clashes(const QWidget* window) {
    QStringList texts;
    for (const auto* b : window->findChildren<QAbstractButton*>()) texts << b->text();
    for (const auto* l : window->findChildren<QLabel*>())
        if (l->buddy()) texts << l->text();
    for (const auto* g : window->findChildren<QGroupBox*>()) texts << g->title();
    for (const auto* t : window->findChildren<QTabBar*>())
        for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
    for (const auto* bar : window->findChildren<QMenuBar*>())
        for (const QAction* a : bar->actions()) texts << a->text();
    QStringList clashes = Shared(texts);
    for (const auto* menu : window->findChildren<QMenu*>()) {
        QStringList items;
        for (const QAction* a : menu->actions()) items << a->text();
        clashes << Shared(items);
    }
    return clashes;
}

TEST_F(MainWindowTest, EveryWindowGivesEachMnemonicOneControl) {
    StartAll();
    CRecordingPrompt prompt;
    CVirtualHidBackend boards;
    CEventTable table;
    CEventTypeNames typeNames;
    CNamesList names;
    CPrintMonitor printed;
    EditorServices services{prompt, &boards, u"ORVA-12345",
                            false,  names,   ScriptServices{.monitor = &printed}};
    CQtShellOpener opener;
    const std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> windows = [&] {
        std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> w;
        w.emplace_back("print monitor", std::make_unique<CDebugMonitor>(printed, prompt));
        w.emplace_back("I/O monitor", std::make_unique<CIoMonitor>(program_->Controller(), boards));
        w.emplace_back("servers", std::make_unique<CIocpConfig>(ServerList{}, prompt));
        w.emplace_back("card selection", std::make_unique<COrvaConfigDlg>(boards, CardChoice{}));
        w.emplace_back("learning", std::make_unique<CLookingForIdDlg>(boards, u"X", false, 2));
        w.emplace_back("calculator", std::make_unique<CCalcPinIdDlg>(boards, u"X"));
        w.emplace_back("events list", std::make_unique<CEventsListDlg>(table, typeNames, services));
        w.emplace_back("event definition",
                       std::make_unique<CEventDefinitionDlg>(EventRow{}, typeNames, services));
        w.emplace_back("script editor", std::make_unique<CScriptEditor>(services, u"GEAR"));
        w.emplace_back("repository", std::make_unique<CRepositoryDlg>(prompt));
        w.emplace_back("about", std::make_unique<CAboutDlg>(u"ID000", folder_, opener));
        w.emplace_back("restore",
                       std::make_unique<CRestoreDlg>(program_->Controller(), Window(), prompt));
        return w;
    }();
    EXPECT_EQ(Clashes(&Window()), QStringList()) << "main window";
    for (const auto& [name, window] : windows)
        EXPECT_EQ(Clashes(window.get()), QStringList()) << name;
}

}  // namespace
}  // namespace orva
