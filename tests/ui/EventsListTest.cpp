// The events list and the event definition dialog as the user sees them, under the offscreen
// platform with the real clipboard: rows, buttons, keys, questions, and what reaches the table.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "app/HelpPages.h"
#include "card/VirtualBoard.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/EditorServices.h"
#include "ui/EventsListDlg.h"
#include "ui/text/EventClipboard.h"

namespace orva {
namespace {

// What a test remembers of a slot to compare it after the dialog.
struct Slot {
    EventRow row;
    int32_t value;
    int32_t lastValue;
    bool operator==(const Slot&) const = default;
};

std::vector<Slot> Snapshot(const CEventTable& table) {
    std::vector<Slot> saved;
    for (size_t i = 0; i < CEventTable::kSize; ++i)
        saved.push_back({RowOf(table[i]), table[i].value.load(), table[i].lastValue.load()});
    return saved;
}

using test::Child;
using test::OnModal;

class EventsListTest : public test::HomeTest {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
    void TearDown() override {
        dialog_.reset();
        QGuiApplication::clipboard()->clear();
    }

    void Put(size_t slot, uint8_t type, const char16_t* name, int32_t id,
             const char16_t* script = u"x = 1") {
        EventRecord& r = (*table_)[slot];
        r.type = type;
        r.name = name;
        r.id = id;
        r.script = script;
        r.value = 500 + static_cast<int32_t>(slot);
        r.lastValue = -9999;
    }
    void PutLetters(const char16_t* letters) {
        for (size_t i = 0; letters[i]; ++i)
            Put(i, kEventDigitalPin, std::u16string(1, letters[i]).c_str(), 16 + int32_t(i));
    }
    void Open() {
        dialog_ = std::make_unique<CEventsListDlg>(*table_, typeNames_, services_);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    QTableView* List() { return Child<QTableView>(dialog_.get(), "events"); }
    int Rows() { return List()->model()->rowCount(); }
    QString Cell(int row, int column) {
        return List()->model()->index(row, column).data().toString();
    }
    QStringList Cells(int row) {
        QStringList cells;
        for (int column = 0; column < kColumnCount; ++column) cells << Cell(row, column);
        return cells;
    }
    QStringList Names() {
        QStringList names;
        for (int row = 0; row < Rows(); ++row) names << Cell(row, kColumnName);
        return names;
    }
    QPushButton* Button(const char* name) { return Child<QPushButton>(dialog_.get(), name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    QPoint CellCentre(int row, int column) {
        const QModelIndex index = List()->model()->index(row, column);
        List()->scrollTo(index);
        return List()->visualRect(index).center();
    }
    void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers, CellCentre(row, column));
    }
    void DoubleClickCell(int row, int column) {
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, CellCentre(row, column));
    }
    void SelectRows(int first, int last) {
        ClickCell(first, kColumnName);
        if (last != first) ClickCell(last, kColumnName, Qt::ShiftModifier);
    }
    std::vector<int> Selected() {
        std::vector<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void Key(Qt::Key key) { QTest::keyClick(List(), key); }

    std::unique_ptr<CEventTable> table_ = std::make_unique<CEventTable>();
    CEventTypeNames typeNames_;
    CRecordingPrompt prompt_;
    CNamesList names_;
    CVirtualHidBackend boards_;
    EditorServices services_{prompt_, &boards_, u"ORVA-12345", false, names_, {}};
    std::unique_ptr<CEventsListDlg> dialog_;
};

TEST_F(EventsListTest, TheListShowsTheUsedPartInSixColumns) {
    Put(0, kEventFirstIocp, u"FLAPS", 1234);
    Put(1, kEventEncoder, u"HDG BUG", 3, u"");
    (*table_)[1].disabled = true;
    Put(3, kEventDigitalPin, u"AFTER THE END", 5);
    ServerList servers{{u"p3d", u"127.0.0.1", 8090}};
    typeNames_.NameServers(servers);
    Open();
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Events list"));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"configurcion_de_los_eventos.htm");

    QStringList headers;
    for (int column = 0; column < kColumnCount; ++column) {
        headers << List()->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(List()->columnWidth(column), kEventColumns[column].width);
    }
    EXPECT_EQ(headers, QStringList({"Event", "Type", "Name", "Id", "LUA Script", "Disabled"}));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cells(1), QStringList({"1", "ENCODER", "HDG BUG", "3", "<empty>", "<disabled>"}));
    EXPECT_EQ(Cell(0, kColumnType), QStringLiteral("P3D OFFSET"));
    const QModelIndex id = List()->model()->index(0, kColumnId);
    EXPECT_EQ(id.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    const QImage header = List()->horizontalHeader()->grab().toImage();
    EXPECT_EQ(header.pixelColor(2, header.height() / 2), QColor(80, 80, 80));
}

TEST_F(EventsListTest, NewAndADoubleClickOutsideTheRowsStopAt200) {
    for (size_t i = 0; i < CEventTable::kSize; ++i) Put(i, kEventDigitalPin, u"PIN", 16);
    Open();
    dialog_->resize(1200, 500);
    QApplication::processEvents();
    ASSERT_EQ(Rows(), 200);

    Click("new");
    const QPoint outside(List()->viewport()->width() - 4, 4);
    ASSERT_FALSE(List()->indexAt(outside).isValid());
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, outside);
    ASSERT_EQ(prompt_.Count(), 2u);
    for (const PromptRequest& asked : prompt_.Requests()) {
        EXPECT_EQ(asked.text, u"Max number of events you can define is 200");
        EXPECT_EQ(asked.caption, u"Error");
        EXPECT_EQ(asked.icon, PromptIcon::Information);
    }

    // Every row still opens.
    bool opened = false;
    OnModal([&](QWidget* definition) {
        opened = definition->windowTitle() == QStringLiteral("Event definition and config");
    });
    DoubleClickCell(199, kColumnName);
    EXPECT_TRUE(opened);
    EXPECT_EQ(Rows(), 200);
}

TEST_F(EventsListTest, TheDefinitionDialogFollowsTheTypeRefusesIdsOutOfRangeAndLearns) {
    Put(0, kEventFirstIocp, u"FLAPS", 1234);
    ServerList servers{{u"p3d", u"127.0.0.1", 8090}};
    typeNames_.NameServers(servers);
    Open();
    OnModal([&](QWidget* definition) {
        EXPECT_EQ(definition->windowTitle(), QStringLiteral("Event definition and config"));
        EXPECT_EQ(CHelpPages::Shared().Current(), u"anadir_y_editar_eventos.htm");
        auto* type = Child<QComboBox>(definition, "type");
        auto* id = Child<QLineEdit>(definition, "id");
        auto* learn = Child<QPushButton>(definition, "learn");
        ASSERT_EQ(type->count(), 7);
        EXPECT_EQ(type->itemText(6), QStringLiteral("P3D OFFSET"));
        EXPECT_EQ(type->currentIndex(), 0);
        EXPECT_EQ(Child<QLineEdit>(definition, "name")->text(), QStringLiteral("<New>"));
        EXPECT_EQ(id->text(), QStringLiteral("0"));
        EXPECT_FALSE(id->isEnabled());
        EXPECT_FALSE(learn->isEnabled());
        type->setCurrentIndex(kEventFirstIocp);
        EXPECT_TRUE(id->isEnabled());
        EXPECT_FALSE(learn->isEnabled());
        type->setCurrentIndex(kEventAnalogChannel);
        EXPECT_TRUE(id->isEnabled());
        EXPECT_TRUE(learn->isEnabled());

        id->setText(QStringLiteral("100000"));
        QTest::mouseClick(Child<QPushButton>(definition, "ok"), Qt::LeftButton);
        EXPECT_TRUE(definition->isVisible());
        ASSERT_EQ(prompt_.Count(), 1u);
        EXPECT_EQ(prompt_.Texts()[0], u"Please enter an integer between 0 and 99999.");

        id->setText(QStringLiteral("42"));
        Child<QLineEdit>(definition, "name")->setText(QStringLiteral("THROTTLE"));
        Child<QCheckBox>(definition, "disable")->setChecked(true);
        QTest::mouseClick(Child<QPushButton>(definition, "ok"), Qt::LeftButton);
        EXPECT_FALSE(definition->isVisible());
    });
    Click("new");
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cells(1),
              QStringList({"1", "ANALOG CHNL", "THROTTLE", "42", "<empty>", "<disabled>"}));
    EXPECT_TRUE(Button("copyOffsets")->isEnabled());
    // The names list was refreshed from the rows before the dialog opened.
    bool listed = false;
    for (size_t i = 0; i < names_.Size(); ++i) listed = listed || names_.Word(i) == u"FLAPS";
    EXPECT_TRUE(listed);

    // A double click opens a row's definition with its type; "?" learns for that type.
    QString learning;
    OnModal([&](QWidget* definition) {
        EXPECT_EQ(Child<QComboBox>(definition, "type")->currentIndex(), kEventAnalogChannel);
        OnModal([&](QWidget* tool) { learning = tool->windowTitle(); }, definition);
        QTest::mouseClick(Child<QPushButton>(definition, "learn"), Qt::LeftButton);
        EXPECT_EQ(Child<QLineEdit>(definition, "id")->text(), QStringLiteral("42"));
    });
    DoubleClickCell(1, kColumnId);
    EXPECT_EQ(learning, QStringLiteral("Looking for ID"));
}

TEST_F(EventsListTest, DeleteAsksForEachSelectedRowAndANoKeepsThatRow) {
    PutLetters(u"ABCD");
    Open();
    SelectRows(1, 3);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::No);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Click("del");
    const std::vector<std::u16string> asked = prompt_.Texts();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], u"Are you sure you want to delete the event DIGITAL PIN named 'B'?");
    EXPECT_EQ(asked[1], u"Are you sure you want to delete the event DIGITAL PIN named 'C'?");
    EXPECT_EQ(prompt_.Requests()[2],
              (PromptRequest{u"Are you sure you want to delete the event DIGITAL PIN named 'D'?",
                             u"Remove Event", PromptButtons::YesNo, PromptIcon::Question}));
    EXPECT_EQ(Names(), QStringList({"A", "C"}));
    EXPECT_EQ(Cell(1, kColumnEvent), QStringLiteral("1"));
    EXPECT_TRUE(Button("copyOffsets")->isEnabled());
}

TEST_F(EventsListTest, MovesFollowTheFirstSelectedRowAndStopAtTheEnds) {
    PutLetters(u"ABC");
    Open();
    ClickCell(0, kColumnName);
    EXPECT_FALSE(Button("moveUp")->isEnabled());
    EXPECT_TRUE(Button("moveDown")->isEnabled());
    Click("moveDown");
    EXPECT_EQ(Names(), QStringList({"B", "A", "C"}));
    EXPECT_EQ(Selected(), std::vector<int>{1});
    Click("moveDown");
    EXPECT_EQ(Names(), QStringList({"B", "C", "A"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_FALSE(Button("moveDown")->isEnabled());
    EXPECT_TRUE(Button("moveUp")->isEnabled());
    EXPECT_EQ(Cell(2, kColumnEvent), QStringLiteral("2"));
}

TEST_F(EventsListTest, AnErrorMarkShowsUntilTheRowIsSelectedAndASaveClearsThemAll) {
    PutLetters(u"ABC");
    (*table_)[1].errorMark = true;
    (*table_)[2].errorMark = true;
    Open();
    const auto colours = [&](int row) {
        const QModelIndex cell = List()->model()->index(row, kColumnDisabled);
        return std::pair(cell.data(Qt::ForegroundRole).value<QColor>(),
                         cell.data(Qt::BackgroundRole).value<QColor>());
    };
    EXPECT_EQ(colours(1), std::pair(QColor(Qt::white), QColor(200, 0, 0)));
    ClickCell(1, kColumnName);
    EXPECT_EQ(colours(1).second, QColor(Qt::white));
    EXPECT_EQ(colours(2).second, QColor(200, 0, 0));

    Click("save");
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    for (size_t i = 0; i < 3; ++i) EXPECT_FALSE((*table_)[i].errorMark) << i;
}

TEST_F(EventsListTest, KeysClicksAndTheScriptCell) {
    PutLetters(u"AB");
    Open();
    SelectRows(0, 1);
    Key(Qt::Key_D);
    EXPECT_EQ(Cell(0, kColumnDisabled), QStringLiteral("<disabled>"));
    EXPECT_EQ(Cell(1, kColumnDisabled), QStringLiteral("<disabled>"));
    ClickCell(1, kColumnDisabled);
    EXPECT_EQ(Cell(1, kColumnDisabled), QStringLiteral("No"));

    // S edits the first selected row's script.
    SelectRows(0, 1);
    OnModal([](QWidget* editor) {
        editor->findChild<QPlainTextEdit*>()->setPlainText(QString());
        qobject_cast<QDialog*>(editor)->accept();
    });
    Key(Qt::Key_S);
    EXPECT_EQ(Cell(0, kColumnScript), QStringLiteral("<empty>"));
    // A double click on the script cell edits that script; Cancel keeps it.
    OnModal([](QWidget* editor) { editor->findChild<QPlainTextEdit*>()->clear(); });
    DoubleClickCell(1, kColumnScript);
    EXPECT_EQ(Cell(1, kColumnScript), QStringLiteral("Yes"));

    Click("save");
    EXPECT_TRUE((*table_)[0].disabled);
    EXPECT_TRUE((*table_)[0].script.empty());
    EXPECT_FALSE((*table_)[1].disabled);
    EXPECT_EQ((*table_)[1].script, u"x = 1");
}

// Discard, Esc and the close box's No leave the table exactly as it was; Yes saves.
TEST_F(EventsListTest, OnlySaveOrTheCloseBoxsYesReachTheTable) {
    PutLetters(u"ABCD");
    (*table_)[2].errorMark = true;
    (*table_)[3].disabled = true;
    const std::vector<Slot> before = Snapshot(*table_);
    Open();
    OnModal([](QWidget* definition) {
        Child<QLineEdit>(definition, "name")->setText(QStringLiteral("NEW"));
        qobject_cast<QDialog*>(definition)->accept();
    });
    Click("new");
    SelectRows(2, 3);
    Key(Qt::Key_D);
    Click("moveUp");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    ClickCell(0, kColumnName);
    Click("del");
    ASSERT_EQ(Names(), QStringList({"C", "B", "D", "NEW"}));
    Click("discard");
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_TRUE(Snapshot(*table_) == before);

    Open();
    ClickCell(0, kColumnName);
    Key(Qt::Key_D);
    prompt_.QueueAnswer(PromptAnswer::Cancel);
    dialog_->close();
    EXPECT_TRUE(dialog_->isVisible());
    ASSERT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(prompt_.Requests()[1],
              (PromptRequest{
                  u"Save changes before close this dialog.\r\nDo you want to save before exit?",
                  u"Save befor exit?", PromptButtons::YesNoCancel, PromptIcon::Question}));
    prompt_.QueueAnswer(PromptAnswer::No);
    dialog_->close();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_TRUE(Snapshot(*table_) == before);

    // Esc discards without asking.
    Open();
    ClickCell(0, kColumnName);
    Key(Qt::Key_D);
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(prompt_.Count(), 3u);
    EXPECT_TRUE(Snapshot(*table_) == before);

    Open();
    ClickCell(0, kColumnName);
    Key(Qt::Key_D);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    dialog_->close();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE((*table_)[0].disabled);
}

TEST_F(EventsListTest, TwoCopiedEventsAddedBackAskTwiceAndYesAppendsCopies) {
    Put(0, kEventFirstIocp, u"FLAPS", 1234);
    Put(1, kEventDigitalPin, u"GEAR", 37);
    Open();
    EXPECT_FALSE(Button("addEvents")->isEnabled());
    EXPECT_FALSE(Button("clearClipboard")->isEnabled());
    EXPECT_FALSE(Button("copyEvents")->isEnabled());
    SelectRows(0, 1);
    Click("copyEvents");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    // Under our type and under the name a Windows build registers, which is its X11 target
    // under Wine.
    EXPECT_EQ(data->formats(), (QStringList{kEventsMimeType, kEventsFormatName}));
    const std::string expected = EncodeEventRecords({RowOf((*table_)[0]), RowOf((*table_)[1])});
    EXPECT_EQ(data->data(kEventsMimeType).toStdString(), expected);
    EXPECT_EQ(data->data(kEventsFormatName).toStdString(), expected);
    EXPECT_TRUE(Button("addEvents")->isEnabled());
    EXPECT_TRUE(Button("clearClipboard")->isEnabled());
    EXPECT_FALSE(Button("addOffsets")->isEnabled());

    prompt_.QueueAnswer(PromptAnswer::Yes);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Click("addEvents");
    EXPECT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(Names(), QStringList({"FLAPS", "GEAR", "FLAPS(Copy)", "GEAR(Copy)"}));
    EXPECT_EQ(Cell(3, kColumnId), QStringLiteral("37"));

    Click("clearClipboard");
    EXPECT_FALSE(Button("addEvents")->isEnabled());
    EXPECT_FALSE(Button("clearClipboard")->isEnabled());
}

// Events a Windows build put on the clipboard (under Wine) come under its format name alone;
// offered under both names, ours is read.
TEST_F(EventsListTest, EventsUnderEitherFormatNameAreAddedAndOursWinsWhenBothAreOffered) {
    Put(0, kEventDigitalPin, u"GEAR", 37);
    Open();
    const auto offer =
        [](std::initializer_list<std::pair<const char*, std::vector<EventRow>>> blocks) {
            auto* data = new QMimeData;
            for (const auto& [format, rows] : blocks) {
                const std::string block = EncodeEventRecords(rows);
                data->setData(QString::fromLatin1(format),
                              QByteArray(block.data(), qsizetype(block.size())));
            }
            QGuiApplication::clipboard()->setMimeData(data);
        };
    const EventRow flaps{kEventFirstIocp, u"FLAPS", u"x = 2", 1234, true, false};
    const EventRow spoiler{kEventFirstIocp, u"SPOILER", {}, 77, false, false};

    offer({{kEventsFormatName, {flaps}}});
    EXPECT_TRUE(Button("addEvents")->isEnabled());
    EXPECT_TRUE(Button("clearClipboard")->isEnabled());
    Click("addEvents");
    EXPECT_EQ(Names(), QStringList({"GEAR", "FLAPS"}));
    EXPECT_EQ(Cells(1), QStringList({"1", "UNKNWN IOCP", "FLAPS", "1234", "Yes", "<disabled>"}));

    offer({{kEventsFormatName, {flaps}}, {kEventsMimeType, {spoiler}}});
    Click("addEvents");
    offer({{kEventsMimeType, {spoiler}}, {kEventsFormatName, {flaps}}});
    prompt_.QueueAnswer(PromptAnswer::Cancel);
    Click("addEvents");
    EXPECT_EQ(Names(), QStringList({"GEAR", "FLAPS", "SPOILER"}));
    EXPECT_EQ(prompt_.Count(), 1u);  // the second SPOILER is a duplicate; no FLAPS came again

    Click("clearClipboard");
    EXPECT_FALSE(Button("addEvents")->isEnabled());
}

TEST_F(EventsListTest, OffsetDefinitionsGoOutAsTextAndComeBackAsOffsetEvents) {
    Put(0, kEventFirstIocp, u"V\u00E1lvula abierta", 10);
    Put(1, kEventDigitalPin, u"GEAR", 37);
    Open();
    SelectRows(0, 1);
    Click("copyOffsets");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              OffsetDefinitionText({RowOf((*table_)[0]), RowOf((*table_)[1])}).text);
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"Found illegal chars.");
    EXPECT_EQ(prompt_.Requests()[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(Button("addOffsets")->isEnabled());
    EXPECT_FALSE(Button("addEvents")->isEnabled());

    Click("addOffsets");
    Click("addOffsets");
    EXPECT_EQ(Names(), QStringList({"V\u00E1lvula abierta", "GEAR", "VALVULA_ABIERTA"}));
    EXPECT_EQ(Cell(2, kColumnType), QStringLiteral("UNKNWN IOCP"));
    EXPECT_EQ(Cell(2, kColumnId), QStringLiteral("10"));
    EXPECT_EQ(prompt_.Count(), 1u);  // no offer: the list was not empty when it opened
}

TEST_F(EventsListTest, AnEmptyTableOffersTheDefinesOnTheClipboardOnce) {
    QGuiApplication::clipboard()->setText(QStringLiteral(
        "#define ALT_SEL 1234 // Codification none\n#define FLAPS 7 // Codification none\n"));
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Open();
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"#define found on ClipBoard");
    EXPECT_EQ(Names(), QStringList({"ALT_SEL", "FLAPS"}));

    QGuiApplication::clipboard()->setText(QStringLiteral("#define SPEED 9 // Codification none"));
    Click("addOffsets");
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(Names(), QStringList({"ALT_SEL", "FLAPS", "SPEED"}));
}

}  // namespace
}  // namespace orva
