#include "platform/FileBackups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace orva {
namespace {

// More digits than this are no number of ours (and would not fit).
constexpr size_t kMaxDigits = 18;
// Names taken by something that is no backup of ours are skipped, this many at most.
constexpr int kNameAttempts = 100;

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// A copy where a hard link cannot stand for the version: the file is a symbolic link (its
// target would change under the backup), has other names already, or the file system has no
// hard links. Written whole before it gets its name, with the original's mode and time.
bool CopyInto(const std::filesystem::path& backup, std::string_view bytes,
              const struct stat& original) {
    if (ReplaceFile(backup, bytes) != WriteResult::Ok) return false;
    ::chmod(backup.c_str(), original.st_mode & 07777);
    const timespec times[2] = {original.st_atim, original.st_mtim};
    ::utimensat(AT_FDCWD, backup.c_str(), times, 0);
    return true;
}

}  // namespace

std::optional<uint64_t> BackupNumber(std::string_view entryName, std::string_view fileName) {
    if (entryName.size() < fileName.size() + 4 || entryName.substr(0, fileName.size()) != fileName)
        return std::nullopt;
    std::string_view rest = entryName.substr(fileName.size());
    if (rest.substr(0, 2) != ".~" || rest.back() != '~') return std::nullopt;
    const std::string_view digits = rest.substr(2, rest.size() - 3);
    // One spelling per number, so a number always names one file.
    if (digits.empty() || digits.size() > kMaxDigits || digits[0] == '0') return std::nullopt;
    uint64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    return number;
}

std::string BackupName(std::string_view fileName, uint64_t number) {
    return std::string(fileName) + ".~" + std::to_string(number) + "~";
}

std::vector<FileBackup> CFileBackups::List() const {
    std::vector<FileBackup> backups;
    const std::string name = file_.filename().string();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FolderOf(file_), ec), end; !ec && it != end;
         it.increment(ec)) {
        const auto number = BackupNumber(it->path().filename().string(), name);
        if (!number) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        backups.push_back({it->path(), *number, static_cast<int64_t>(st.st_mtim.tv_sec)});
    }
    std::sort(backups.begin(), backups.end(),
              [](const FileBackup& a, const FileBackup& b) { return a.number > b.number; });
    return backups;
}

std::optional<FileBackup> CFileBackups::KeepCurrent(std::string_view newBytes) const {
    struct stat link {};
    struct stat st {};
    if (::lstat(file_.c_str(), &link) != 0 || ::stat(file_.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        return std::nullopt;  // nothing there to keep
    }
    const auto current = ReadWholeFile(file_);
    if (current && *current == newBytes) return std::nullopt;
    const std::vector<FileBackup> backups = List();
    if (current && !backups.empty() && ReadWholeFile(backups.front().path) == current) {
        return std::nullopt;
    }
    // Left over by a writer killed before it removed them: never more than one beyond kept.
    for (size_t i = kept_; i < backups.size(); ++i) ::unlink(backups[i].path.c_str());
    const bool linkable = S_ISREG(link.st_mode) && st.st_nlink == 1;
    uint64_t number = backups.empty() ? 1 : backups.front().number + 1;
    const std::string name = file_.filename().string();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt, ++number) {
        const std::filesystem::path backup = FolderOf(file_) / BackupName(name, number);
        const FileBackup made{backup, number, static_cast<int64_t>(st.st_mtim.tv_sec)};
        // A second name for the old file: one atomic step, and the file keeps its time.
        if (linkable) {
            if (::link(file_.c_str(), backup.c_str()) == 0) return made;
            if (errno == EEXIST) continue;
        }
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(backup, ec))) continue;
        if (current && CopyInto(backup, *current, st)) return made;
        return std::nullopt;
    }
    return std::nullopt;
}

void CFileBackups::RemoveBeyondKept() const {
    const std::vector<FileBackup> backups = List();
    for (size_t i = kept_; i < backups.size(); ++i) ::unlink(backups[i].path.c_str());
}

WriteResult CFileBackups::Save(std::string_view bytes) const {
    return SaveKeeping(bytes, nullptr);
}

WriteResult CFileBackups::SaveKeeping(std::string_view bytes,
                                      std::optional<FileBackup>* made) const {
    const std::optional<FileBackup> kept = KeepCurrent(bytes);
    const WriteResult result = ReplaceFile(file_, bytes);
    if (result != WriteResult::Ok) {
        // The file did not change: there is no replaced version to keep.
        if (kept) ::unlink(kept->path.c_str());
        return result;
    }
    RemoveBeyondKept();
    if (made) *made = kept;
    return result;
}

RestoreResult CFileBackups::Restore(const FileBackup& backup,
                                    std::optional<FileBackup>* made) const {
    const auto bytes = ReadWholeFile(backup.path);
    if (!bytes) return RestoreResult::CannotRead;
    if (ReadWholeFile(file_) == bytes) return RestoreResult::AlreadyCurrent;
    return SaveKeeping(*bytes, made) == WriteResult::Ok ? RestoreResult::Restored
                                                        : RestoreResult::CannotWrite;
}

}  // namespace orva
