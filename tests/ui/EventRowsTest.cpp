// The events list's rows without widgets: what a table opens as, what a save leaves in the 200
// slots, the row moves and the delete walk, the cells' texts and colours, the Id field's rules.
#include "ui/text/EventRows.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orva {
namespace {

void Put(CEventTable& table, size_t slot, uint8_t type, const char16_t* name, int32_t id) {
    table[slot].type = type;
    table[slot].name = name;
    table[slot].script = u"print(1)";
    table[slot].id = id;
    table[slot].value = 1000 + static_cast<int32_t>(slot);
    table[slot].lastValue = 2000 + static_cast<int32_t>(slot);
}

std::u16string Names(const CEventRows& rows) {
    std::u16string names;
    for (size_t i = 0; i < rows.Count(); ++i) names += rows[i].name;
    return names;
}

CEventRows Lettered(const char16_t* letters) {
    CEventRows rows;
    for (const char16_t* c = letters; *c; ++c)
        rows.Append(EventRow{kEventDigitalPin, std::u16string(1, *c), {}, 16, false, false});
    return rows;
}

TEST(EventRowsTest, ATableWithANegativeFirstIdOpensEmptyAndItsSaveFreesEverySlot) {
    auto table = std::make_unique<CEventTable>();
    Put(*table, 0, kEventDigitalPin, u"GONE", -5);
    Put(*table, 1, kEventFirstIocp, u"HIDDEN", 100);
    const CEventRows rows(*table);
    EXPECT_TRUE(rows.Empty());
    EXPECT_FALSE(CEventRows::TableIsEmpty(*table));

    rows.SaveInto(*table);
    for (size_t slot : {0u, 1u}) {
        const EventRecord& r = (*table)[slot];
        EXPECT_EQ(r.id, -1);
        EXPECT_EQ(r.type, 0);
        EXPECT_TRUE(r.name.empty());
        EXPECT_TRUE(r.script.empty());
        EXPECT_EQ(r.value, 1000 + static_cast<int32_t>(slot));
        EXPECT_EQ(r.lastValue, 2000 + static_cast<int32_t>(slot));
    }
    EXPECT_TRUE(CEventRows::TableIsEmpty(*table));
    (*table)[199].id = -2;  // only a wholly free table is empty
    EXPECT_FALSE(CEventRows::TableIsEmpty(*table));
}

TEST(EventRowsTest, SaveWritesRowKIntoSlotKAndKeepsTheValueCells) {
    auto table = std::make_unique<CEventTable>();
    Put(*table, 0, kEventDigitalPin, u"A", 16);
    Put(*table, 1, kEventFirstIocp, u"B", 200);
    Put(*table, 2, kEventEncoder, u"C", 3);
    (*table)[1].errorMark = true;
    (*table)[2].disabled = true;

    CEventRows rows(*table);
    ASSERT_EQ(rows.Count(), 3u);
    EXPECT_EQ(rows[1], (EventRow{kEventFirstIocp, u"B", u"print(1)", 200, false, true}));
    ASSERT_TRUE(rows.MoveUp(1));
    rows.Remove(2);

    rows.SaveInto(*table);
    EXPECT_EQ(RowOf((*table)[0]),
              (EventRow{kEventFirstIocp, u"B", u"print(1)", 200, false, false}));
    EXPECT_EQ(RowOf((*table)[1]),
              (EventRow{kEventDigitalPin, u"A", u"print(1)", 16, false, false}));
    EXPECT_EQ((*table)[2].id, -1);
    EXPECT_EQ(table->UsedCount(), 2u);
    // The cells belong to the slots: a server writes a slot's value whatever event is in it.
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ((*table)[slot].value, 1000 + slot);
        EXPECT_EQ((*table)[slot].lastValue, 2000 + slot);
    }
}

TEST(EventRowsTest, MovesDoNothingAtTheEnds) {
    CEventRows rows = Lettered(u"ABC");
    EXPECT_FALSE(rows.MoveUp(0));
    EXPECT_FALSE(rows.MoveDown(2));
    EXPECT_EQ(Names(rows), u"ABC");
    EXPECT_TRUE(rows.MoveDown(0));
    EXPECT_EQ(Names(rows), u"BAC");
    EXPECT_TRUE(rows.MoveUp(2));
    EXPECT_EQ(Names(rows), u"BCA");
}

TEST(EventRowsTest, TheDeleteWalkFollowsTheRowsAsTheyAreRemoved) {
    CEventRows rows = Lettered(u"ABCDEF");
    CDeleteWalk walk({4, 1, 2});
    std::u16string asked;
    const std::vector<bool> answers{true, false, true};
    for (bool yes : answers) {
        const std::optional<size_t> row = walk.Next();
        ASSERT_TRUE(row);
        asked += rows[*row].name;
        if (!yes) continue;
        rows.Remove(*row);
        walk.Removed();
    }
    EXPECT_FALSE(walk.Next());
    EXPECT_EQ(asked, u"BCE");
    EXPECT_EQ(Names(rows), u"ACDF");
}

TEST(EventRowsTest, CellsShowPositionTypeNameIdScriptAndFlag) {
    const CEventTypeNames names;
    const EventRow row{kEventAnalogChannel, u"THR", u"x=1", -7, true, false};
    std::u16string cells;
    for (int column = 0; column < kColumnCount; ++column)
        cells += CellText(row, 12, column, names) + u"|";
    EXPECT_EQ(cells, u"12|ANALOG CHNL|THR|-7|Yes|<disabled>|");
    const EventRow plain{kEventFirstIocp, u"X", {}, 5, false, false};
    EXPECT_EQ(CellText(plain, 0, kColumnScript, names), u"<empty>");
    EXPECT_EQ(CellText(plain, 0, kColumnDisabled, names), u"No");
    EXPECT_EQ(CellText(plain, 0, kColumnType, names), u"UNKNWN IOCP");
}

TEST(EventRowsTest, RowColoursFollowScriptFlagsAndName) {
    const EventRow normal{kEventDigitalPin, u"GEAR", u"x=1", 1, false, false};
    for (int column = 0; column < kColumnCount; ++column) {
        EXPECT_FALSE(CellColoursOf(normal, column).text) << column;
        EXPECT_EQ(CellColoursOf(normal, column).back, kWhite) << column;
    }
    const EventRow empty{kEventDigitalPin, u"GEAR", {}, 1, false, false};
    EXPECT_EQ(CellColoursOf(empty, kColumnEvent).text, (Rgb{250, 69, 10}));
    EventRow disabled = empty;
    disabled.disabled = true;  // wins over the empty script
    EXPECT_EQ(CellColoursOf(disabled, kColumnId).text, (Rgb{200, 0, 0}));

    const EventRow marked{kEventDigitalPin, u"GEAR UP", u"x=1", 1, false, false};
    EXPECT_EQ(CellColoursOf(marked, kColumnName).back, (Rgb{255, 240, 240}));
    EXPECT_EQ(CellColoursOf(marked, kColumnType).back, kWhite);

    EventRow failed = disabled;
    failed.errorMark = true;
    EXPECT_EQ(CellColoursOf(failed, kColumnDisabled).text, kWhite);
    EXPECT_EQ(CellColoursOf(failed, kColumnDisabled).back, (Rgb{200, 0, 0}));
    EXPECT_EQ(CellColoursOf(failed, kColumnName).text, (Rgb{200, 0, 0}));
}

TEST(EventRowsTest, TheDefinitionOffersTypesUpToTheFirstUnnamedServer) {
    CEventTypeNames names;
    EXPECT_EQ(DefinitionTypeNames(names).size(), 6u);
    names.NameServers({{u"p3d", u"127.0.0.1", 8090}, {u"xp", u"127.0.0.1", 8091}});
    const std::vector<std::u16string> offered = DefinitionTypeNames(names);
    ASSERT_EQ(offered.size(), 8u);
    EXPECT_EQ(offered[0], u"AFTER CONNECT");
    EXPECT_EQ(offered[7], u"XP OFFSET");
}

TEST(EventRowsTest, TheTypeDecidesWhetherIdAndLearningAreOpen) {
    // The card's inputs have an id to learn; offsets an id only; the others neither.
    const std::string expected = "-1:--, 0:--, 1:--, 2:IL, 3:IL, 4:IL, 5:--, 6:I-, 15:I-, ";
    std::string open;
    for (int type : {-1, 0, 1, 2, 3, 4, 5, 6, 15}) {
        const IdControls c = IdControlsFor(type);
        open += std::to_string(type) + ":" + (c.id ? "I" : "-") + (c.learn ? "L" : "-") + ", ";
    }
    EXPECT_EQ(open, expected);
}

TEST(EventRowsTest, AnIdIsAnIntegerFrom0To99999) {
    EXPECT_EQ(ReadEventId(u"0"), 0);
    EXPECT_EQ(ReadEventId(u" 99999 "), 99999);
    EXPECT_EQ(ReadEventId(u"+42"), 42);
    EXPECT_EQ(ReadEventId(u"-0"), 0);
    const std::vector<std::u16string> bad{u"100000",        u"-1", u"", u" ", u"12a", u"1 2",
                                          u"99999999999999"};
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(ReadEventId(bad[i])) << i;
}

}  // namespace
}  // namespace orva
