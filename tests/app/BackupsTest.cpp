// orvapanel-headless --list-backups and --restore N: the options, and the program as a user runs
// it on an instance whose files were saved for real.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "app/HeadlessOptions.h"
#include "app/InstanceName.h"
#include "app/InstanceRegistry.h"
#include "core/Configuration.h"
#include "core/InstanceBackups.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Process.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(HeadlessOptions, BackupsAreListedOrRestoredByNumberAndAlone) {
    const auto list = ParseHeadlessOptions({"/PIT", "--list-backups"});
    EXPECT_EQ(list.mode, HeadlessOptions::Mode::ListBackups);
    EXPECT_EQ(list.instanceParams, std::vector<std::u16string>{u"/PIT"});
    const auto restore = ParseHeadlessOptions({"--restore", "12", "/PIT"});
    EXPECT_EQ(restore.mode, HeadlessOptions::Mode::RestoreBackup);
    EXPECT_EQ(restore.restore, 12u);
    EXPECT_TRUE(restore.error.empty());

    const std::string alone = "--list-backups and --restore go with nothing but the instance";
    const struct {
        std::vector<std::string> args;
        std::string error;
    } wrong[] = {
        {{"--restore", "0"}, "--restore needs a backup number from --list-backups, not '0'"},
        {{"--restore=-1"}, "--restore needs a backup number from --list-backups, not '-1'"},
        {{"--restore", "07"}, "--restore needs a backup number from --list-backups, not '07'"},
        {{"--restore", "2x"}, "--restore needs a backup number from --list-backups, not '2x'"},
        {{"--restore", "1234567890"},
         "--restore needs a backup number from --list-backups, not '1234567890'"},
        {{"--restore="}, "--restore needs a backup number from --list-backups, not ''"},
        {{"--list-backups", "--check"}, alone},
        {{"--list-backups", "--restore", "1"}, alone},
        {{"--restore", "1", "--record", "s.scenario"}, alone},
        {{"--scenario", "a", "--list-backups"}, alone},
        {{"--list-backups", "/A", "/B"}, "one instance at most"},
    };
    for (const auto& w : wrong) EXPECT_EQ(ParseHeadlessOptions(w.args).error, w.error) << w.args[0];
}

class HeadlessBackupsTest : public test::HomeTest {
protected:
    void SetUp() override {
        folder_ = home_.MakeUserFolder();
        // Three saves of the instance PIT, as the desktop program's dialogs make them.
        CConfiguration config(u"PIT");
        CRecordingPrompt prompt;
        for (int save = 1; save <= 3; ++save) {
            config.servers.push_back({u"S" + Widen(std::to_string(save)), u"127.0.0.1", 8000});
            EventRecord& added = table_[static_cast<size_t>(save - 1)];
            added.type = kEventDigitalPin;
            added.id = 16 + save;
            added.name = u"PIN" + Widen(std::to_string(added.id));
            ASSERT_TRUE(config.SaveConfiguration(table_, prompt));
            events_.push_back(test::ReadBytes(folder_ / "pit_vars.xml"));
        }
        SetTime("pit_vars.xml.~2~", 1718114602);  // 2024-06-11 14:03:22 UTC
        SetTime("pit_vars.xml.~1~", 1718114400);
        SetTime("pit_conf.cnf.~2~", 1718114602);
        SetTime("pit_conf.cnf.~1~", 1718114400);
    }
    void SetTime(const char* name, time_t when) {
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder_ / name).c_str(), times, 0), 0) << name;
    }
    struct Run {
        int code;
        std::vector<std::string> out;
        std::string err;
    };
    Run Headless(const std::string& args) {
        const fs::path err = home_.Root() / "stderr.txt";
        test::Process p("/bin/sh",
                        {"-c", "exec \"$0\" " + args + " 2>\"$1\"",
                         test::BinPath("orvapanel-headless"), err.string()},
                        {{"ORVA_WEB_HOST", ""}, {"TZ", "UTC"}});
        Run r{p.Wait(20s), p.Lines(), test::ReadBytes(err)};
        fs::remove(err);
        return r;
    }

    fs::path folder_;
    CEventTable table_;
    std::vector<std::string> events_;
};

TEST_F(HeadlessBackupsTest, ListsAndRestoresWithoutConnectingAndNeverUnderARunningInstance) {
    const std::string heading =
        "Backups of instance PIT in " + (folder_ / "x").parent_path().string() + "/, newest first:";
    const Run list = Headless("/pit --list-backups");
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(list.out, (std::vector<std::string>{
                            heading,
                            "events file pit_vars.xml:",
                            "   1  2024-06-11 14:03:22  pit_vars.xml.~2~  2 events",
                            "   2  2024-06-11 14:00:00  pit_vars.xml.~1~  1 event",
                            "configuration pit_conf.cnf:",
                            "   3  2024-06-11 14:03:22  pit_conf.cnf.~2~",
                            "   4  2024-06-11 14:00:00  pit_conf.cnf.~1~",
                            "Restore one with: orvapanel-headless /PIT --restore N",
                        }));

    // While the instance runs, its backups are listed but not restored.
    {
        CInstanceRegistry running;
        ASSERT_TRUE(running.Acquire(InstanceTitle(u"PIT")));
        EXPECT_EQ(Headless("--instance PIT --list-backups").out, list.out);
        const Run refused = Headless("/PIT --restore 2");
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.err,
                  "orvapanel-headless: the instance PIT is running: stop it before restoring a "
                  "backup\n");
        EXPECT_EQ(test::ReadBytes(folder_ / "pit_vars.xml"), events_[2]);
    }

    const Run restored = Headless("/PIT --restore 2");
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(restored.out, std::vector<std::string>{
                                "Restored pit_vars.xml from backup 2, pit_vars.xml.~1~, saved at "
                                "2024-06-11 14:00:00 (1 event); the file it replaced is kept as "
                                "pit_vars.xml.~3~."});
    EXPECT_EQ(test::ReadBytes(folder_ / "pit_vars.xml"), events_[0]);
    EXPECT_EQ(test::ReadBytes(folder_ / "pit_vars.xml.~3~"), events_[2]);
    const Run again = Headless("/PIT --list-backups");
    ASSERT_GE(again.out.size(), 3u);
    EXPECT_EQ(again.out[2].substr(0, 4), "   1");
    EXPECT_EQ(again.out[2].substr(again.out[2].size() - 26), "pit_vars.xml.~3~  3 events");

    // The newest configuration backup is now number 4; restoring what the file holds (the
    // oldest events backup) does nothing; a number past the list and an instance without files
    // are mistakes.
    const Run config = Headless("/PIT --restore 4");
    EXPECT_EQ(config.code, 0);
    ASSERT_EQ(config.out.size(), 1u);
    EXPECT_EQ(config.out[0].rfind("Restored pit_conf.cnf from backup 4, pit_conf.cnf.~2~", 0), 0u);
    EXPECT_EQ(CConfiguration(u"PIT").ReadConfigText(u"Iocp", u"Servers", u""), u"2");
    const Run same = Headless("/PIT --restore 3");
    EXPECT_EQ(same.out, std::vector<std::string>{"pit_vars.xml holds that version already: "
                                                 "nothing changed."});
    const Run past = Headless("/PIT --restore 9");
    EXPECT_EQ(past.code, 2);
    EXPECT_EQ(past.err, "orvapanel-headless: instance PIT has no backup 9 (see --list-backups)\n");
    EXPECT_EQ(Headless("/NOPE --list-backups").code, 2);
    const Run mistake = Headless("/PIT --restore first");
    EXPECT_EQ(mistake.code, 2);
    EXPECT_EQ(mistake.err.rfind("orvapanel-headless: --restore needs a backup number", 0), 0u);
}

}  // namespace
}  // namespace orva
