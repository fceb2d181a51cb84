#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/FileBackups.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

class FileBackupsTest : public test::HomeTest {
protected:
    // Bytes no text conversion would keep: a NUL, a CR LF pair, a lone CR and a high byte.
    static std::string Version(int n) {
        return "version " + std::to_string(n) + std::string("\0\r\n\r\xFE", 5);
    }
    std::vector<std::string> Contents() const {
        std::vector<std::string> contents;
        for (const FileBackup& b : backups_.List()) contents.push_back(test::ReadBytes(b.path));
        return contents;
    }
    std::vector<uint64_t> Numbers() const {
        std::vector<uint64_t> numbers;
        for (const FileBackup& b : backups_.List()) numbers.push_back(b.number);
        return numbers;
    }

    fs::path file_ = home_.Root() / "id001_vars.xml";
    CFileBackups backups_{file_};
};

TEST_F(FileBackupsTest, ElevenSavesLeaveTenBackupsAndARestoreGivesTheEarlierFileByteForByte) {
    for (int n = 1; n <= 11; ++n) ASSERT_EQ(backups_.Save(Version(n)), WriteResult::Ok);
    // The first save had nothing to keep; each later one kept the file it replaced.
    std::vector<std::string> expected;
    for (int n = 10; n >= 1; --n) expected.push_back(Version(n));
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(Numbers(), (std::vector<uint64_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_TRUE(fs::exists(home_.Root() / "id001_vars.xml.~10~"));

    // A twelfth: still ten, the oldest gone.
    ASSERT_EQ(backups_.Save(Version(12)), WriteResult::Ok);
    EXPECT_EQ(Numbers(), (std::vector<uint64_t>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
    EXPECT_FALSE(fs::exists(home_.Root() / "id001_vars.xml.~1~"));

    // Restoring the fifth version: the file is that version again, and the one it replaced is
    // the newest backup.
    const FileBackup fifth = backups_.List()[6];
    ASSERT_EQ(test::ReadBytes(fifth.path), Version(5));
    std::optional<FileBackup> made;
    EXPECT_EQ(backups_.Restore(fifth, &made), RestoreResult::Restored);
    EXPECT_EQ(test::ReadBytes(file_), Version(5));
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(made->number, 12u);
    EXPECT_EQ(test::ReadBytes(made->path), Version(12));
    EXPECT_EQ(backups_.List().size(), 10u);
    EXPECT_EQ(Contents().front(), Version(12));
    EXPECT_EQ(backups_.Restore(backups_.List()[0], &made), RestoreResult::Restored);
    EXPECT_EQ(test::ReadBytes(file_), Version(12));
    // Restoring what the file holds changes nothing.
    const size_t before = backups_.List().size();
    ASSERT_EQ(test::ReadBytes(backups_.List()[1].path), Version(12));
    EXPECT_EQ(backups_.Restore(backups_.List()[1]), RestoreResult::AlreadyCurrent);
    EXPECT_EQ(backups_.List().size(), before);
}

// A save of the bytes the file holds keeps nothing; nor does one after a save that was killed
// between keeping the old file and replacing it (the newest backup holds the file already).
TEST_F(FileBackupsTest, OnlyAChangeKeepsABackup) {
    ASSERT_EQ(backups_.Save("A"), WriteResult::Ok);
    ASSERT_EQ(backups_.Save("A"), WriteResult::Ok);
    EXPECT_TRUE(backups_.List().empty());
    ASSERT_EQ(backups_.Save("B"), WriteResult::Ok);
    EXPECT_EQ(Contents(), std::vector<std::string>{"A"});
    ASSERT_EQ(::link(file_.c_str(), (home_.Root() / "id001_vars.xml.~2~").c_str()), 0);
    ASSERT_EQ(backups_.Save("C"), WriteResult::Ok);
    EXPECT_EQ(Contents(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(test::ReadBytes(file_), "C");
}

// Whatever else lies in the folder is no backup: not listed, not counted, never removed, and
// a name taken by something else is skipped.
TEST_F(FileBackupsTest, ForeignFilesAreNeitherListedNorRemoved) {
    const char* foreign[] = {
        "id001_vars.xml.~0~",
        "id001_vars.xml.~01~",
        "id001_vars.xml.~x1~",
        "id001_vars.xml.~1~.swp",
        "id001_vars.xml~",
        "id001_vars.xml.~~",
        "id001_vars.xml.~-1~",
        "xid001_vars.xml.~3~",
        "ID001_VARS.XML.~4~",
        "id001_vars.xml.bak",
        "id001_vars.xml.~1234567890123456789~",
    };
    for (const char* name : foreign) test::WriteBytes(home_.Root() / name, name);
    fs::create_directory(home_.Root() / "id001_vars.xml.~2~");
    fs::create_symlink(home_.Root() / "id001_vars.xml.bak", home_.Root() / "id001_vars.xml.~4~");
    for (int n = 1; n <= 14; ++n) ASSERT_EQ(backups_.Save(Version(n)), WriteResult::Ok);

    // Thirteen kept versions, the first three removed; 2 and 4 were never ours.
    EXPECT_EQ(Numbers(), (std::vector<uint64_t>{15, 14, 13, 12, 11, 10, 9, 8, 7, 6}));
    EXPECT_EQ(Contents().front(), Version(13));
    EXPECT_EQ(Contents().back(), Version(4));
    for (const char* name : foreign) EXPECT_EQ(test::ReadBytes(home_.Root() / name), name);
    EXPECT_TRUE(fs::is_directory(home_.Root() / "id001_vars.xml.~2~"));
    EXPECT_TRUE(fs::is_symlink(home_.Root() / "id001_vars.xml.~4~"));
    EXPECT_EQ(BackupNumber("id001_vars.xml.~17~", "id001_vars.xml"), 17u);
    EXPECT_EQ(BackupName("id001_vars.xml", 17), "id001_vars.xml.~17~");
}

// A backup keeps the version's time and mode. Where the file is a link to another file, the
// version is copied: a second name for the target would change with it.
TEST_F(FileBackupsTest, AVersionKeepsItsTimeAndModeAndIsNeverSharedWithAnotherFile) {
    ASSERT_EQ(backups_.Save("old"), WriteResult::Ok);
    ::chmod(file_.c_str(), 0640);
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(30);
    fs::last_write_time(file_, then);
    ASSERT_EQ(backups_.Save("new"), WriteResult::Ok);
    const FileBackup kept = backups_.List().at(0);
    struct stat st {};
    ASSERT_EQ(::stat(kept.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(kept.savedAt, static_cast<int64_t>(st.st_mtim.tv_sec));
    EXPECT_LT(kept.savedAt, static_cast<int64_t>(::time(nullptr)) - 29 * 3600);

    const fs::path target = home_.Root() / "elsewhere.xml";
    test::WriteBytes(target, "linked");
    fs::remove(file_);
    fs::create_symlink(target, file_);
    ASSERT_EQ(backups_.Save("replaced"), WriteResult::Ok);
    const FileBackup copy = backups_.List().at(0);
    EXPECT_FALSE(fs::is_symlink(copy.path));
    test::WriteBytes(target, "changed since");
    EXPECT_EQ(test::ReadBytes(copy.path), "linked");
    EXPECT_EQ(test::ReadBytes(file_), "replaced");
}

}  // namespace
}  // namespace orva
