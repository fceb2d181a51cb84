// The backups of an instance's events file and configuration as the user sees them: one
// numbered list with times and event counts, restoring by that number, and the saves that keep
// them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileBackups.h"

namespace orva {

class CEventTable;
class IUserPrompt;

enum class BackupKind { Events, Configuration };

struct InstanceBackup {
    size_t number = 0;  // the backup's number in the listing, from 1
    BackupKind kind = BackupKind::Events;
    FileBackup file;
    // For the events file: the events it holds; nothing when it is no readable events file.
    std::optional<size_t> events;
};

class CInstanceBackups {
public:
    CInstanceBackups(std::filesystem::path eventsFile, std::filesystem::path configFile)
        : events_(std::move(eventsFile)), config_(std::move(configFile)) {}

    // The events file's backups newest first, then the configuration's, numbered from 1 in
    // that order: the desktop window and the headless program give the same numbers.
    std::vector<InstanceBackup> List() const;
    const std::filesystem::path& FileOf(BackupKind kind) const;
    // made (optional) receives the backup that holds the replaced file, if one was made.
    RestoreResult Restore(const InstanceBackup& backup,
                          std::optional<FileBackup>* made = nullptr) const;

private:
    CFileBackups events_;
    CFileBackups config_;
};

// The "offset" elements of an events file of any version; nothing when the file is missing or
// no events file.
std::optional<size_t> CountEventsInFile(const std::filesystem::path& path);

// A backup's time as the user reads it: local time, "2024-06-11 14:03:22".
std::u16string BackupTimeText(int64_t savedAt);

// A save of the file that keeps the file it replaces as a backup; false when it failed.
bool SaveKeepingBackup(const std::filesystem::path& file, std::string_view bytes);

// Before an events save: true to go on. An empty table would replace a file that holds
// events, so the user is asked first; the question's safe answer, No, keeps the file.
bool ConfirmEventsSave(const CEventTable& table, const std::filesystem::path& eventsFile,
                       IUserPrompt& prompt);

}  // namespace orva
