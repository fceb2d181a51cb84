// Numbered backups that a save keeps beside the file it replaces, and their restoring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"

namespace orva {

// One kept version: "<name>.~N~" beside the file, the higher N the newer (as GNU cp and Emacs
// number their backups).
struct FileBackup {
    std::filesystem::path path;
    uint64_t number = 0;
    // When this version was written, in seconds since the epoch: a backup keeps the time of
    // the save that made the version, not of the save that replaced it.
    int64_t savedAt = 0;
};

enum class RestoreResult { Restored, AlreadyCurrent, CannotRead, CannotWrite };

class CFileBackups {
public:
    static constexpr size_t kKept = 10;

    explicit CFileBackups(std::filesystem::path file, size_t kept = kKept)
        : file_(std::move(file)), kept_(kept) {}

    const std::filesystem::path& File() const { return file_; }

    // The backups, newest first. Only regular files named exactly as backups of this file
    // count; whatever else lies in the folder is neither listed nor ever removed.
    std::vector<FileBackup> List() const;

    // Replaces the file as ReplaceFile does, keeping the file it replaces as the newest backup
    // first and removing backups beyond the kept number once the new file is in place. Nothing
    // is kept when the file holds these bytes already, or when its newest backup does (a save
    // killed between the two steps), so identical saves leave the history alone. A writer
    // killed at any point leaves the old file or the new one, every version kept so far, and at
    // most one backup beyond the kept number (removed by the next save).
    WriteResult Save(std::string_view bytes) const;

    // Saves the backup's bytes as the file: the current file becomes a backup in its turn.
    // made (optional) receives the backup that now holds the replaced file, if one was made.
    RestoreResult Restore(const FileBackup& backup,
                          std::optional<FileBackup>* made = nullptr) const;

private:
    WriteResult SaveKeeping(std::string_view bytes, std::optional<FileBackup>* made) const;
    // The current file as the next backup; nothing when no backup was needed or possible.
    std::optional<FileBackup> KeepCurrent(std::string_view newBytes) const;
    void RemoveBeyondKept() const;

    std::filesystem::path file_;
    size_t kept_;
};

// The backup number in a file name of the folder, when the name is a backup of fileName's.
std::optional<uint64_t> BackupNumber(std::string_view entryName, std::string_view fileName);
// "<fileName>.~N~"
std::string BackupName(std::string_view fileName, uint64_t number);

}  // namespace orva
