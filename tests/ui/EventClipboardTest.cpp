// The clipboard's formats without widgets: the private records byte for byte, the name cleaning
// of the "#define" export, the reading of "#define" lines and what an import adds.
#include "ui/text/EventClipboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"

namespace orva {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) bytes += static_cast<char>(v);
    return bytes;
}

// A record header as the format's table lays it out, for blocks made by hand.
std::string Header(int type, std::initializer_list<int> id, int disabled, uint32_t nameLength,
                   uint32_t scriptLength) {
    std::string header = Bytes({0xFA, type, 0, 0});
    header += Bytes(id);
    header += std::string(8, '\0');
    header += Bytes({disabled, 0, 0, 0});
    header += std::string(4, '\0');
    for (const uint32_t length : {nameLength, scriptLength}) {
        for (int i = 0; i < 4; ++i) header += static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    return header;
}

EventRow Offset(const char16_t* name, int32_t id, uint8_t type = kEventFirstIocp) {
    return EventRow{type, name, {}, id, false, false};
}

TEST(EventClipboardTest, RecordsAreWrittenByteForByte) {
    const std::vector<EventRow> rows{
        {6, u"AB", u"x=1", 1234, true, true},
        {2, u"\u00D1", {}, 37, false, false},
    };
    const std::string expected =
        Bytes({0xFA, 0x06, 0x00, 0x00, 0xD2, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 'A',
               0x00, 'B',  0x00, 'x',  0x00, '=',  0x00, '1',  0x00}) +
        Bytes({0xFA, 0x02, 0x00, 0x00, 0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD1, 0x00});
    EXPECT_EQ(EncodeEventRecords(rows), expected);

    std::vector<EventRow> carried = rows;
    carried[0].errorMark = false;  // the error mark stays at home
    EXPECT_EQ(DecodeEventRecords(expected), carried);

    // Empty names and scripts make records of 32 bytes.
    const std::vector<EventRow> empty{{0, {}, {}, 0, false, false},
                                      {5, {}, {}, 1, true, false},
                                      {15, {}, {}, 99999, false, false}};
    const std::string block = EncodeEventRecords(empty);
    EXPECT_EQ(block.size(), 96u);
    EXPECT_EQ(DecodeEventRecords(block), empty);
}

TEST(EventClipboardTest, ReservedBytesAreIgnoredAndAnyDisabledValueCounts) {
    std::string block = Header(3, {0xFF, 0xFF, 0xFF, 0x7F}, 7, 1, 0) + Bytes({'Z', 0});
    block[2] = 'r';
    block[9] = 'r';
    block[21] = 'r';
    const std::vector<EventRow> rows = DecodeEventRecords(block);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (EventRow{3, u"Z", {}, 0x7FFFFFFF, true, false}));
}

TEST(EventClipboardTest, ReadingStopsAtTheFirstRecordThatRunsPastTheBlockOrHasNoMarker) {
    const std::string two = EncodeEventRecords({Offset(u"ONE", 1), Offset(u"TWO", 2)});
    // One byte short: the second record's name would end past the block.
    std::vector<EventRow> rows = DecodeEventRecords(two.substr(0, two.size() - 1));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, u"ONE");
    // Fewer than 32 bytes left: not a record.
    EXPECT_EQ(DecodeEventRecords(two.substr(0, 38 + 20)).size(), 1u);

    const std::string first = EncodeEventRecords({Offset(u"ONE", 1)});
    for (const auto& [name, script] : {std::pair<uint32_t, uint32_t>{0xFFFFFFFF, 0},
                                       {0, 0xFFFFFFFF},
                                       {0x80000000, 0x80000000},
                                       {2, 0}}) {
        rows = DecodeEventRecords(first + Header(6, {9, 0, 0, 0}, 0, name, script) + "AB");
        ASSERT_EQ(rows.size(), 1u) << name << " " << script;
        EXPECT_EQ(rows[0].name, u"ONE");
    }

    // Data without the marker adds nothing.
    std::string block = EncodeEventRecords({Offset(u"ONE", 1)});
    block[0] = 0;
    EXPECT_TRUE(DecodeEventRecords(block).empty());
    EXPECT_TRUE(DecodeEventRecords({}).empty());
    EXPECT_TRUE(DecodeEventRecords(std::string(31, '\xFA')).empty());
}

// A type no dispatch runs would be saved as a dead event with a blank type: the record is passed
// over by its lengths and the reading goes on; one that runs past the block still ends it.
TEST(EventClipboardTest, RecordsOfAnUnknownTypeAreSkippedAndTheReadingGoesOn) {
    const std::string one = EncodeEventRecords({Offset(u"ONE", 1)});
    const std::string last = EncodeEventRecords({Offset(u"LAST", 15, kEventLastIocp)});
    const std::string x16 = Header(16, {7, 0, 0, 0}, 0, 1, 2) + Bytes({'X', 0, 'a', 0, 'b', 0});
    const std::string xFF = Header(0xFF, {8, 0, 0, 0}, 1, 0, 0);
    const std::string xPast = Header(16, {9, 0, 0, 0}, 0, 4, 0) + Bytes({'Y', 0});
    const struct {
        const char* what;
        std::string block;
        std::vector<std::u16string> names;
    } cases[] = {
        {"16 between two", one + x16 + last, {u"ONE", u"LAST"}},
        {"255 first", xFF + one, {u"ONE"}},
        {"several in a row", x16 + xFF + x16 + last, {u"LAST"}},
        {"only unknown ones", x16 + xFF, {}},
        {"unknown and past the block", one + xPast, {u"ONE"}},
        {"15 is the last known type", last + one, {u"LAST", u"ONE"}},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> names;
        for (const EventRow& row : DecodeEventRecords(c.block)) {
            EXPECT_LE(row.type, kEventLastIocp) << c.what;
            names.push_back(row.name);
        }
        EXPECT_EQ(names, c.names) << c.what;
    }
}

TEST(EventClipboardTest, CleaningLeavesCapitalsDigitsAndUnderscores) {
    const CleanedName accented = CleanDefineName(u"V\u00E1lvula abierta");
    EXPECT_EQ(accented.text, "VALVULA_ABIERTA");
    EXPECT_TRUE(accented.changed);

    const CleanedName plain = CleanDefineName(u"  alt_sel2\t");
    EXPECT_EQ(plain.text, "ALT_SEL2");
    EXPECT_FALSE(plain.changed);  // upper-casing and trimming are no replacement

    EXPECT_EQ(CleanDefineName(u"\u00D1and\u00FA \u00DB\u00DC").text, "NANDU_UU");
    EXPECT_EQ(CleanDefineName(u"\u20ACuro-\u00C0").text, "_URO__");
}

TEST(EventClipboardTest, TheExportWritesTheHeaderAndOneLinePerOffsetEventAndReadsBack) {
    const DefinitionText text = OffsetDefinitionText(
        {Offset(u"alt_sel", 1234), Offset(u"GEAR", 5, kEventDigitalPin), Offset(u"FLAPS", 0, 15)});
    const std::string rule(49, '/');
    EXPECT_EQ(text.text, rule + "\r\n// OFFSETS DEFINITION GENERATED BY OrvaPanel\r\n" + rule +
                             "\r\n#define ALT_SEL \t1234 // Codification none\r\n"
                             "#define FLAPS \t0 // Codification none\r\n");
    EXPECT_FALSE(text.namesChanged);

    EXPECT_TRUE(OffsetDefinitionText({Offset(u"N\u00BA 1", 1)}).namesChanged);
    EXPECT_FALSE(OffsetDefinitionText({Offset(u"N\u00BA 1", 1, kEventEncoder)}).namesChanged);

    // The export reads back as its tokens.
    const std::vector<DefineTokens> lines = ReadDefines(FromAnsi(
        OffsetDefinitionText({Offset(u"alt_sel", 1234), Offset(u"Flaps \u00E1", 7)}).text));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, u"ALT_SEL");
    EXPECT_EQ(lines[0].value, u"1234");
    EXPECT_EQ(lines[0].code, u"none");
    EXPECT_EQ(lines[1].name, u"FLAPS_A");
    EXPECT_EQ(lines[1].value, u"7");
}

TEST(EventClipboardTest, LinesNeedTheLowerCaseDirectiveAndThreeTokensAndEndAnyWay) {
    // Considered (the directive matches without regard to case) but no token opens.
    EXPECT_FALSE(ReadDefineLine(u"#DEFINE ALT_SEL \t1234 // Codification none"));
    EXPECT_FALSE(ReadDefineLine(u"#define ALT_SEL 1234"));
    EXPECT_FALSE(ReadDefineLine(u"#define  ALT_SEL 1234 // Codification none"));
    EXPECT_FALSE(ReadDefineLine(u"  #define ALT_SEL 1234 // Codification none"));

    const auto other = ReadDefineLine(u"#define\tX 1 // x");
    EXPECT_FALSE(other);  // the directive needs its space
    const auto comment = ReadDefineLine(u"#define SPD\t\t 250 // Knots AND more");
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->name, u"SPD");
    EXPECT_EQ(comment->value, u"250");
    EXPECT_EQ(comment->code, u"//");

    // Lines may end in CR LF, CR or LF.
    const std::u16string text =
        u"#define A 1 // Codification none\r\n#define B 2 // Codification none\r"
        u"#define C 3 // Codification none\n#define D 4 // Codification none";
    std::u16string names;
    for (const DefineTokens& line : ReadDefines(text)) names += line.name;
    EXPECT_EQ(names, u"ABCD");
}

TEST(EventClipboardTest, ValuesGiveTheirLeadingNumberAndNoNegativeId) {
    const std::pair<const char16_t*, std::optional<int32_t>> values[] = {
        {u"1234", 1234}, {u"12abc", 12},     {u"0x10", 0},
        {u"abc", 0},     {u"+7", 7},         {u"2147483647", 2147483647},
        {u"-1", {}},     {u"2147483648", {}}};
    for (const auto& [text, id] : values) EXPECT_EQ(DefineValueId(text), id) << ToUtf8(text);
}

TEST(EventClipboardTest, TheSameTextImportedTwiceAddsOnce) {
    const std::u16string text = FromAnsi(
        OffsetDefinitionText({Offset(u"ALT_SEL", 1234), Offset(u"FLAPS", 7)}).text +
        "#define alt_sel \t1234 // Codification none\r\n#define FLAPS -3 // Codification none\r\n");
    CEventRows rows;
    const std::vector<EventRow> first = DefinesToAdd(text, rows, nullptr);
    ASSERT_EQ(first.size(), 2u);  // the lower-case repeat and the negative id add nothing
    EXPECT_EQ(first[0], (EventRow{kEventFirstIocp, u"ALT_SEL", {}, 1234, false, false}));
    EXPECT_EQ(first[1], (EventRow{kEventFirstIocp, u"FLAPS", {}, 7, false, false}));
    for (const EventRow& row : first) rows.Append(row);

    EXPECT_TRUE(DefinesToAdd(text, rows, nullptr).empty());
}

TEST(EventClipboardTest, TheImportStopsAtTheLimit) {
    CEventRows rows;
    for (int i = 0; i < 199; ++i) rows.Append(Offset(u"E", i));
    const std::vector<EventRow> added = DefinesToAdd(
        u"#define X 1 // Codification none\r\n#define Y 2 // Codification none", rows, nullptr);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].name, u"X");
}

TEST(EventClipboardTest, TheOfferIsAskedOnceAndItsNoEndsTheImport) {
    const std::u16string text =
        u"int x;\r\n#define A 1 // Codification none\r\n#define B 2 // Codification none";
    CRecordingPrompt prompt;
    prompt.QueueAnswer(PromptAnswer::No);
    EXPECT_TRUE(DefinesToAdd(text, CEventRows(), &prompt).empty());
    EXPECT_EQ(prompt.Requests(),
              (std::vector<PromptRequest>{
                  {u"Your Offsets List is empty but i found some Offsets #defines on the "
                   u"ClipBoard.\r\n\r\nWould you like import that offsets definition from your "
                   u"clipboard?",
                   u"#define found on ClipBoard", PromptButtons::YesNo, PromptIcon::Warning}}));

    prompt.QueueAnswer(PromptAnswer::Yes);
    EXPECT_EQ(DefinesToAdd(text, CEventRows(), &prompt).size(), 2u);
    EXPECT_EQ(prompt.Count(), 2u);

    EXPECT_TRUE(DefinesToAdd(u"int x;", CEventRows(), &prompt).empty());
    EXPECT_EQ(prompt.Count(), 2u);  // nothing to import, nothing asked
}

class DuplicateTest : public ::testing::Test {
protected:
    void SetUp() override {
        rows_.Append(Offset(u"Other", 1));
        rows_.Append(EventRow{kEventFirstIocp, u"alt_sel", u"x=1", 1234, true, false});
    }
    CEventRows rows_;
    CEventTypeNames names_;
    CRecordingPrompt prompt_;
};

TEST_F(DuplicateTest, AnEventOfANewTypeAndIdIsAppendedWithoutAQuestion) {
    EventRow incoming{kEventDigitalPin, u"ALT_SEL", {}, 1234, false, true};
    const AddStep step = DecideAdd(rows_, incoming, prompt_, names_);
    EXPECT_EQ(step.kind, AddStep::Append);
    incoming.errorMark = false;
    EXPECT_EQ(step.row, incoming);
    EXPECT_EQ(prompt_.Count(), 0u);
}

TEST_F(DuplicateTest, YesAppendsACopyNoOverwritesCancelDrops) {
    const EventRow incoming = Offset(u"ALT_SEL", 1234);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    AddStep step = DecideAdd(rows_, incoming, prompt_, names_);
    EXPECT_EQ(step.kind, AddStep::Append);
    EXPECT_EQ(step.row.name, u"ALT_SEL(Copy)");
    EXPECT_EQ(prompt_.Requests(),
              (std::vector<PromptRequest>{
                  {u"Allready exists an event type UNKNWN IOCP for the ID 1234, and with the same "
                   u"name, 'ALT_SEL'.\r\n\r\nWould you want...\r\n\ta copy?\t\tClick YES\r\n\t"
                   u"overwrite?\tClick NO\r\n\tor nothing?\tClick CANCEL",
                   u"Duplicate event", PromptButtons::YesNoCancel, PromptIcon::Question}}));

    prompt_.QueueAnswer(PromptAnswer::No);
    step = DecideAdd(rows_, incoming, prompt_, names_);
    EXPECT_EQ(step.kind, AddStep::Replace);
    EXPECT_EQ(step.position, 1u);
    ApplyAddStep(rows_, step);
    EXPECT_EQ(rows_[1], incoming);

    prompt_.QueueAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(DecideAdd(rows_, incoming, prompt_, names_).kind, AddStep::Drop);
}

TEST_F(DuplicateTest, TheQuestionNamesBothWhenTheNamesDiffer) {
    ServerList servers{{u"p3d", u"127.0.0.1", 8090}};
    names_.NameServers(servers);
    DecideAdd(rows_, Offset(u"FLAPS", 1234), prompt_, names_);
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Texts()[0],
              u"Allready exists an event type P3D OFFSET for the ID 1234, with diferents names."
              u"\r\nActual name is 'alt_sel', and in clipboard is 'FLAPS'.\r\n\r\nWould you "
              u"want...\r\n\ta copy?\t\tClick YES\r\n\toverwrite?\tClick NO\r\n\tor "
              u"nothing?\tClick CANCEL");
}

TEST_F(DuplicateTest, AFullListAndANegativeIdTakeNothing) {
    EXPECT_EQ(DecideAdd(rows_, Offset(u"NEG", -1), prompt_, names_).kind, AddStep::Drop);
    for (int i = 2; i < 200; ++i) rows_.Append(Offset(u"E", 5000 + i));
    EXPECT_EQ(DecideAdd(rows_, Offset(u"NEW", 9), prompt_, names_).kind, AddStep::Drop);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    EXPECT_EQ(DecideAdd(rows_, Offset(u"ALT_SEL", 1234), prompt_, names_).kind, AddStep::Drop);
    prompt_.QueueAnswer(PromptAnswer::No);
    EXPECT_EQ(DecideAdd(rows_, Offset(u"ALT_SEL", 1234), prompt_, names_).kind, AddStep::Replace);
    EXPECT_EQ(prompt_.Count(), 2u);
}

}  // namespace
}  // namespace orva
