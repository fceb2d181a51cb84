#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "core/Configuration.h"
#include "core/InstanceBackups.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

class InstanceBackupsTest : public test::HomeTest {
protected:
    void SetUp() override { folder_ = home_.MakeUserFolder(); }

    void FillEvents(size_t count, const std::u16string& tag) {
        table_.ClearForLoad();
        for (size_t i = 0; i < count; ++i) {
            table_[i].type = kEventDigitalPin;
            table_[i].id = static_cast<int32_t>(16 + i);
            table_[i].name = tag + Widen(std::to_string(i));
        }
    }
    // The backups' numbers, kinds and event counts as one text: "1 E3 2 E2 3 C".
    std::string Listing() const {
        std::string text;
        for (const InstanceBackup& b : backups_.List()) {
            text += (text.empty() ? "" : " ") + std::to_string(b.number) + " ";
            if (b.kind == BackupKind::Configuration) {
                text += "C";
            } else {
                text += b.events ? "E" + std::to_string(*b.events) : "E?";
            }
        }
        return text;
    }

    fs::path folder_;
    CConfiguration config_{u"ID001"};
    CEventTable table_;
    CRecordingPrompt prompt_;
    CInstanceBackups backups_{config_.EventsPath(), config_.ConfigPath()};
};

// Each configuration dialog's save keeps the version it replaced of each file it changed;
// option check boxes and saves that change nothing keep none, so ten backups are ten edits.
TEST_F(InstanceBackupsTest, ElevenSavesLeaveTenBackupsOfEachFileNumberedInOneList) {
    config_.servers = {{u"S1", u"127.0.0.1", 8001}};
    FillEvents(1, u"A");
    ASSERT_TRUE(config_.SaveConfiguration(table_, prompt_));
    for (bool on : {true, false, true, false}) config_.SaveOption(u"AutoConnect", on);
    ASSERT_TRUE(config_.SaveConfiguration(table_, prompt_));
    EXPECT_EQ(Listing(), "");

    std::vector<std::string> conf{test::ReadBytes(config_.ConfigPath())};
    std::vector<std::string> events{test::ReadBytes(config_.EventsPath())};
    for (size_t save = 2; save <= 11; ++save) {
        config_.servers.push_back({u"S" + Widen(std::to_string(save)), u"127.0.0.1", 8000});
        FillEvents(save, u"V" + Widen(std::to_string(save)));
        ASSERT_TRUE(config_.SaveConfiguration(table_, prompt_));
        conf.push_back(test::ReadBytes(config_.ConfigPath()));
        events.push_back(test::ReadBytes(config_.EventsPath()));
    }
    EXPECT_EQ(Listing(),
              "1 E10 2 E9 3 E8 4 E7 5 E6 6 E5 7 E4 8 E3 9 E2 10 E1 11 C 12 C 13 C 14 C 15 C "
              "16 C 17 C 18 C 19 C 20 C");
    EXPECT_EQ(prompt_.Count(), 0u);

    // Backup 13 is the third newest configuration: the one of the eighth save, byte for byte,
    // and what was current is kept in its turn.
    const std::vector<InstanceBackup> list = backups_.List();
    std::optional<FileBackup> made;
    EXPECT_EQ(backups_.Restore(list[12], &made), RestoreResult::Restored);
    EXPECT_EQ(test::ReadBytes(config_.ConfigPath()), conf[7]);
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(test::ReadBytes(made->path), conf[10]);
    config_.LoadConfiguration(table_, prompt_);
    EXPECT_EQ(config_.servers.size(), 8u);
    // Backup 4 is the seventh save's events.
    EXPECT_EQ(backups_.Restore(list[3]), RestoreResult::Restored);
    EXPECT_EQ(test::ReadBytes(config_.EventsPath()), events[7 - 1]);
    config_.LoadEvents(table_, prompt_);
    EXPECT_EQ(table_.UsedCount(), 7u);
    EXPECT_EQ(Listing().substr(0, 9), "1 E11 2 E");
}

TEST_F(InstanceBackupsTest, TheListingShowsWhenEachVersionWasSavedAndItsEvents) {
    const test::ScopedEnv utc("TZ", "UTC");
    ::tzset();
    const auto write = [&](const char* name, const std::string& bytes, time_t when) {
        test::WriteBytes(folder_ / name, bytes);
        const timespec times[2] = {{when, 0}, {when, 0}};
        ::utimensat(AT_FDCWD, (folder_ / name).c_str(), times, 0);
    };
    write("id001_vars.xml.~3~",
          "<offsets_list version=\"2.0\"><offset/><OFFSET/><other/><offset/></offsets_list>",
          1718114602);
    write("id001_vars.xml.~2~", "[Iocp]\nServers=1\n", 1718000000);
    write("id001_vars.xml.~1~", "<offsets_list/>", 1700000000);
    write("id001_conf.cnf.~7~", "[Iocp]\n", 1718114602);
    EXPECT_EQ(Listing(), "1 E3 2 E? 3 E0 4 C");
    const std::vector<InstanceBackup> list = backups_.List();
    EXPECT_EQ(BackupTimeText(list[0].file.savedAt), u"2024-06-11 14:03:22");
    EXPECT_EQ(BackupTimeText(list[2].file.savedAt), u"2023-11-14 22:13:20");
    EXPECT_EQ(list[3].file.path, folder_ / "id001_conf.cnf.~7~");
    EXPECT_EQ(backups_.FileOf(list[3].kind), config_.ConfigPath());
}

// An empty list over a file that holds events is saved only when the user says so; the
// configuration is saved either way.
TEST_F(InstanceBackupsTest, AnEmptyListOverAFileWithEventsAsksFirst) {
    const std::u16string question = u"The events list is empty. Save anyway?";
    const struct {
        const char* file;  // nullptr: no events file
        PromptAnswer answer;
        bool asked;
        bool saved;
    } cases[] = {
        {"<offsets_list><offset name=\"A\"/></offsets_list>", PromptAnswer::No, true, false},
        {"<offsets_list><offset name=\"A\"/></offsets_list>", PromptAnswer::Yes, true, true},
        {"<offsets_list></offsets_list>", PromptAnswer::No, false, true},
        {nullptr, PromptAnswer::No, false, true},
    };
    for (const auto& c : cases) {
        fs::remove(config_.EventsPath());
        fs::remove(config_.ConfigPath());
        if (c.file) test::WriteBytes(config_.EventsPath(), c.file);
        const std::string before = c.file ? c.file : "";
        prompt_.ClearRecord();
        prompt_.QueueAnswer(c.answer);
        config_.servers = {{u"NEW", u"127.0.0.1", 8090}};
        table_.ClearForLoad();
        EXPECT_EQ(config_.SaveConfiguration(table_, prompt_), c.saved) << before;
        EXPECT_EQ(CProfile(config_.ConfigPath()).ReadString(u"Iocp", u"Alias_000", u""), u"NEW");
        EXPECT_EQ(prompt_.Texts(),
                  c.asked ? std::vector<std::u16string>{question} : std::vector<std::u16string>{})
            << before;
        if (c.saved) {
            EXPECT_EQ(test::ReadBytes(config_.EventsPath()), EventsFileBytes(table_)) << before;
        } else {
            EXPECT_EQ(test::ReadBytes(config_.EventsPath()), before);
        }
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        prompt_.ClearRecord();
    }
    // The question as it is shown.
    test::WriteBytes(config_.EventsPath(), "<offsets_list><offset/></offsets_list>");
    EXPECT_FALSE(config_.SaveEvents(table_, prompt_));
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"Save events...");
    EXPECT_EQ(prompt_.Requests()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt_.Requests()[0].icon, PromptIcon::Warning);
}

}  // namespace
}  // namespace orva
