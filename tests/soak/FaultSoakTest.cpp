#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "KilledWriter.h"
#include "SoakSupport.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"
#include "core/Configuration.h"
#include "platform/FileBackups.h"
#include "platform/Profile.h"
#include "platform/UserPrompt.h"
#include "support/Pump.h"
#include "support/Simulators.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

// Temporary files that writers left beside path.
std::vector<std::string> Leftovers(const std::filesystem::path& path) {
    std::vector<std::string> names;
    const std::string prefix = path.filename().string() + ".";
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path())) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".tmp") == 0) {
            names.push_back(name);
        }
    }
    return names;
}

class BoardFaults : public test::HomeTest {
protected:
    void SetUp() override {
        notify_.SetHandler([this](const Notification& n) {
            if (n.message == WM_CARD_IOERROR && n.wParam == 1) ++writeErrors_;
            if (n.message == WM_CARD_INPUT) inputs_.emplace_back(n.wParam, n.lParam);
            return 0;
        });
        card_.Configure(-1, u"ORVA-13579");
    }
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }

    CNotify notify_;
    CVirtualHidBackend backend_;
    COrvaCard card_{backend_, &notify_};
    int writeErrors_ = 0;
    std::vector<std::pair<int64_t, int64_t>> inputs_;
};

// The board is pulled out while outputs are being written (by the scripts' thread, the
// blinker and pulses ending on the timer thread), twenty times; each time the writes fail and
// say so, the board object lets go, and the board plugged back in works again.
TEST_F(BoardFaults, UnpluggedInTheMiddleOfOutputWritesTwentyTimesThenBackAgain) {
    std::mt19937 random(20240611);
    for (int round = 0; round <= 20; ++round) {
        auto board = test::StartBoard("ORVA-13579");
        ASSERT_TRUE(board->Ready());
        ASSERT_TRUE(card_.Open()) << "round " << round;
        card_.StartThreads();
        ASSERT_EQ(board->Command("wait-client 3000"), "ok");
        card_.SetOutput(20, true);
        EXPECT_EQ(board->Command("wait-out 20 1 3000"), "ok") << "round " << round;
        inputs_.clear();
        EXPECT_EQ(board->Command("set 21 1"), "ok");
        EXPECT_TRUE(PumpUntil([&] { return !inputs_.empty(); })) << "round " << round;
        EXPECT_EQ(inputs_, (std::vector<std::pair<int64_t, int64_t>>{{21, 1}}));
        if (round == 20) break;  // back again after the twentieth: done

        card_.SetOutputBlinking(40, true);
        for (int pin = 50; pin < 60; ++pin) {
            card_.SetOutput(pin, true);
            card_.SchedulePulseEnd(pin, false, pin - 49);
        }
        writeErrors_ = 0;
        const auto delay = std::chrono::microseconds(random() % 20000);
        std::thread unplug([&] {
            std::this_thread::sleep_for(delay);
            board->Kill();
        });
        // Writes one after the other, as a busy script does, until one fails.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        for (int i = 0; writeErrors_ == 0 && std::chrono::steady_clock::now() < deadline; ++i) {
            card_.SetOutput(100 + i % 300, (i & 1) == 0);
            notify_.ProcessPending();
        }
        const bool failed = writeErrors_ > 0;
        unplug.join();
        EXPECT_TRUE(failed) << "round " << round << ": no write failed";
        EXPECT_FALSE(card_.IsPresent());
        card_.Close();
        EXPECT_FALSE(card_.IsConnected());
        notify_.ProcessPending();
    }
    card_.Close();
}

// A writer that saves the events file over and over is killed at a random moment, 200 times:
// the file is always whole, one save or the other, and loads as such; every backup the saves
// kept is whole too, and there are never more than one beyond the ten kept (a writer killed
// after its save and before it removed the oldest).
TEST(FileFaults, KilledWhileSavingTheEventsFileLeavesTheOldOrTheNewFile) {
    test::TempHome home;
    home.MakeUserFolder();
    const CConfiguration config(test::kKilledInstance);
    CEventTable tables[2];
    test::FillKilledWriterTable(tables[0], 0);
    test::FillKilledWriterTable(tables[1], 1);
    const std::string bytes[2] = {EventsFileBytes(tables[0]), EventsFileBytes(tables[1])};
    CRecordingPrompt prompt;
    ASSERT_TRUE(config.SaveEvents(tables[0], prompt));
    const CFileBackups backups(config.EventsPath());

    std::mt19937 random(7);
    int found[2] = {0, 0};
    for (int round = 0; round < 200; ++round) {
        test::Process writer(ORVA_KILLED_WRITER, {});
        ASSERT_TRUE(writer.WaitForLine("writing", 10s).has_value());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        writer.Signal(SIGKILL);
        writer.Wait();
        const std::string now = test::ReadBytes(config.EventsPath());
        const int which = now == bytes[0] ? 0 : (now == bytes[1] ? 1 : -1);
        ASSERT_NE(which, -1) << "round " << round << ": " << now.size() << " bytes of neither";
        ++found[which];
        CEventTable loaded;
        config.LoadEvents(loaded, prompt);
        ASSERT_EQ(loaded.UsedCount(), 150u);
        EXPECT_EQ(loaded[149].script, tables[which][149].script);
        const std::vector<FileBackup> kept = backups.List();
        EXPECT_LE(kept.size(), CFileBackups::kKept + 1) << "round " << round;
        for (const FileBackup& b : kept) {
            const std::string version = test::ReadBytes(b.path);
            ASSERT_TRUE(version == bytes[0] || version == bytes[1])
                << "round " << round << ": " << b.path << " holds " << version.size() << " bytes";
        }
    }
    std::printf("killed 200 times: the first save %d times, the second %d times\n", found[0],
                found[1]);
    // What a killed writer left beside the file goes with the next save.
    ASSERT_TRUE(config.SaveEvents(tables[0], prompt));
    EXPECT_EQ(Leftovers(config.EventsPath()), std::vector<std::string>{});
    EXPECT_LE(backups.List().size(), CFileBackups::kKept);
}

// The headless program answers the connect questions of an instance that never had them and
// stores each answer in its configuration: killed at a random moment around those writes, 200
// times, it leaves the file as it was, with one answer, or with both.
TEST(FileFaults, HeadlessKilledWhileWritingItsConfigurationLeavesAWholeFile) {
    test::TempHome home;
    const auto folder = home.MakeUserFolder();
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    test::WriteInstance(folder, "asked", server->Port(), "", false);
    const auto conf = folder / "asked_conf.cnf";
    // The three files it may leave, made by the same writes.
    std::string states[3];
    states[0] = test::ReadBytes(conf);
    const auto copy = folder / "expected.cnf";
    test::WriteBytes(copy, states[0]);
    ASSERT_TRUE(CProfile(copy).WriteInt(u"Options", u"AutoConnect", 0));
    states[1] = test::ReadBytes(copy);
    ASSERT_TRUE(CProfile(copy).WriteInt(u"Options", u"AutoHide", 0));
    states[2] = test::ReadBytes(copy);
    std::filesystem::remove(copy);

    std::mt19937 random(11);
    int found[3] = {0, 0, 0};
    for (int round = 0; round < 200; ++round) {
        test::WriteBytes(conf, states[0]);
        test::Process panel(test::BinPath("orvapanel-headless"), {"/ASKED"},
                            {{"ORVA_WEB_HOST", ""}});
        ASSERT_TRUE(panel.WaitForLine("[Auto connect...]", 10s).has_value()) << "round " << round;
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 8000));
        panel.Signal(SIGKILL);
        panel.Wait();
        const std::string now = test::ReadBytes(conf);
        int which = -1;
        for (int s = 0; s < 3; ++s) which = now == states[s] ? s : which;
        ASSERT_NE(which, -1) << "round " << round << ":\n" << now;
        ++found[which];
        EXPECT_EQ(CProfile(conf).ReadInt(u"Iocp", u"Port_000", 0), server->Port());
    }
    std::printf("killed 200 times: no answer stored %d times, one %d times, both %d times\n",
                found[0], found[1], found[2]);
    ASSERT_TRUE(CProfile(conf).WriteInt(u"Options", u"AutoConnect", 1));
    EXPECT_EQ(Leftovers(conf), std::vector<std::string>{});
}

}  // namespace
}  // namespace orva
