// The main window's "Restore a previous version...": the backups that the instance's saves
// kept, listed and restored from the keyboard, with the simulated board and server running.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/InstanceBackups.h"
#include "platform/UserPrompt.h"
#include "support/QtPrinters.h"
#include "support/Widgets.h"
#include "ui/MainWindowFixture.h"
#include "ui/RestoreDlg.h"

namespace orva {
namespace {

class RestoreDlgTest : public MainWindowTest {
protected:
    QAction* RestoreItem() {
        for (const QMenu* menu : Window().findChildren<QMenu*>()) {
            for (QAction* a : menu->actions()) {
                if (a->objectName() == QStringLiteral("restoreBackup")) return a;
            }
        }
        return nullptr;
    }
    // One save of the events list's or the servers dialog's kind.
    void Save(const std::u16string& event, const std::u16string& alias) {
        CEventTable& table = program_->Controller().Events();
        const size_t used = table.UsedCount();
        table[used].type = kEventDigitalPin;
        table[used].id = 20 + static_cast<int32_t>(used);
        table[used].name = event;
        program_->Controller().Configuration().servers[0].alias = alias;
        CRecordingPrompt quiet;
        ASSERT_TRUE(program_->Controller().Configuration().SaveConfiguration(table, quiet));
    }
    static QStringList Row(const QTreeWidgetItem* item) {
        QStringList texts;
        for (int c = 0; c < item->columnCount(); ++c) texts << item->text(c);
        return texts;
    }
    static QString Saved(const std::filesystem::path& backup) {
        for (const FileBackup& b : CFileBackups(backup.parent_path() / backup.stem()).List()) {
            if (b.path == backup) return QString::fromStdU16String(BackupTimeText(b.savedAt));
        }
        return {};
    }
    // Answers the next question (asked from within current) and keeps its text.
    void Answer(QWidget* current, QMessageBox::StandardButton button) {
        test::OnModal(
            [this, button](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                asked_ << box->windowTitle() + QStringLiteral(": ") + box->text();
                box->button(button)->click();
            },
            current);
    }

    QStringList asked_;
};

TEST_F(RestoreDlgTest, ListsTheBackupsAndRestoresOneFromTheKeyboardWhileDisconnected) {
    StartAll();
    Save(u"GEAR", u"P3D");
    const std::string first = test::ReadBytes(folder_ / "id000_vars.xml");
    const std::string firstConfig = test::ReadBytes(folder_ / "id000_conf.cnf");
    Save(u"FLAPS", u"FSX");
    const std::string second = test::ReadBytes(folder_ / "id000_vars.xml");
    QTest::keyClick(Child<QCheckBox>("autoConnect"), Qt::Key_Space);  // written at once
    ASSERT_TRUE(Child<QCheckBox>("autoConnect")->isChecked());

    QAction* item = RestoreItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Restore a &previous version..."));
    EXPECT_TRUE(item->isEnabled());
    Click("connect");
    ASSERT_TRUE(program_->Controller().IsConnected());
    EXPECT_FALSE(item->isEnabled());
    Click("connect");
    ASSERT_FALSE(program_->Controller().HasSession());
    EXPECT_TRUE(item->isEnabled());

    bool shown = false;
    test::OnModal([&](QWidget* modal) {
        shown = true;
        auto* dialog = qobject_cast<CRestoreDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Restore a previous version (ID000)"));
        auto* list = test::Child<QTreeWidget>(dialog, "backups");
        auto* restore = test::Child<QPushButton>(dialog, "restore");
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(Row(list->headerItem()),
                  (QStringList{"No.", "File", "Saved", "Events", "Backup file"}));
        EXPECT_EQ(Row(list->topLevelItem(0)),
                  (QStringList{"1", "Events", Saved(folder_ / "id000_vars.xml.~1~"), "1",
                               "id000_vars.xml.~1~"}));
        EXPECT_EQ(Row(list->topLevelItem(1)),
                  (QStringList{"2", "Configuration", Saved(folder_ / "id000_conf.cnf.~2~"), "",
                               "id000_conf.cnf.~2~"}));
        EXPECT_EQ(list->topLevelItem(2)->text(4), QStringLiteral("id000_conf.cnf.~1~"));
        EXPECT_FALSE(restore->isEnabled());  // nothing chosen yet

        // From the keyboard: the list has the focus, Space chooses, Enter restores.
        EXPECT_EQ(dialog->focusWidget(), list);  // the window's, active or not yet
        QTest::keyClick(list, Qt::Key_Space);
        EXPECT_TRUE(restore->isEnabled());
        Answer(dialog, QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(test::ReadBytes(folder_ / "id000_vars.xml"), second);
        Answer(dialog, QMessageBox::Yes);
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(test::ReadBytes(folder_ / "id000_vars.xml"), first);
        const CEventTable& events = program_->Controller().Events();
        EXPECT_EQ(events.UsedCount(), 1u);
        EXPECT_EQ(events[0].name, u"GEAR");
        ASSERT_EQ(list->topLevelItemCount(), 4);
        EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("2"));
        EXPECT_EQ(test::Child<QLabel>(dialog, "result")->text(),
                  QStringLiteral("Restored id000_vars.xml as saved at %1 (1 event). The file it "
                                 "replaced is kept as id000_vars.xml.~2~.")
                      .arg(Saved(folder_ / "id000_vars.xml.~1~")));

        // The configuration of the first save (the second replaced it), chosen by its row and
        // restored with Alt+R: the servers and the option check boxes are the restored ones.
        list->setCurrentItem(list->topLevelItem(2));
        dialog->activateWindow();  // the offscreen platform gives it back to nobody
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        Answer(dialog, QMessageBox::Yes);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);
        // A mnemonic presses its button as a click would look: released a moment later.
        EXPECT_TRUE(QTest::qWaitFor([&] { return asked_.size() == 3; }, 5000));
        EXPECT_EQ(test::ReadBytes(folder_ / "id000_conf.cnf"), firstConfig);
        EXPECT_EQ(program_->Controller().Configuration().servers[0].alias, u"P3D");
        EXPECT_FALSE(Child<QCheckBox>("autoConnect")->isChecked());
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
    });
    item->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(asked_, (QStringList{
                          "Restore a previous version: Restore id000_vars.xml as saved at " +
                              Saved(folder_ / "id000_vars.xml.~1~") +
                              " (1 event)?\n\nThe current file is kept as a backup.",
                          "Restore a previous version: Restore id000_vars.xml as saved at " +
                              Saved(folder_ / "id000_vars.xml.~1~") +
                              " (1 event)?\n\nThe current file is kept as a backup.",
                          "Restore a previous version: Restore id000_conf.cnf as saved at " +
                              Saved(folder_ / "id000_conf.cnf.~2~") +
                              "?\n\nThe current file is kept as a backup.",
                      }));
    // What a connect reads now is what was restored.
    Click("connect");
    ASSERT_TRUE(program_->Controller().IsConnected());
    EXPECT_EQ(program_->Controller().Events().UsedCount(), 1u);
}

}  // namespace
}  // namespace orva
