#include "core/InstanceBackups.h"

#include <ctime>

#include "core/Configuration.h"
#include "core/EventTable.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "xml/XmlElement.h"

namespace orva {

std::vector<InstanceBackup> CInstanceBackups::List() const {
    std::vector<InstanceBackup> list;
    for (const auto& [kind, files] : {std::pair{BackupKind::Events, &events_},
                                      std::pair{BackupKind::Configuration, &config_}}) {
        for (FileBackup& file : files->List()) {
            InstanceBackup b{list.size() + 1, kind, std::move(file), std::nullopt};
            if (kind == BackupKind::Events) b.events = CountEventsInFile(b.file.path);
            list.push_back(std::move(b));
        }
    }
    return list;
}

const std::filesystem::path& CInstanceBackups::FileOf(BackupKind kind) const {
    return kind == BackupKind::Events ? events_.File() : config_.File();
}

RestoreResult CInstanceBackups::Restore(const InstanceBackup& backup,
                                        std::optional<FileBackup>* made) const {
    const CFileBackups& files = backup.kind == BackupKind::Events ? events_ : config_;
    return files.Restore(backup.file, made);
}

std::optional<size_t> CountEventsInFile(const std::filesystem::path& path) {
    XmlParseResult result;
    const XmlElement root = ReadXmlFile(path, CConfiguration::kEventsRoot, result);
    if (!root || result.error != kXmlNoError) return std::nullopt;
    return static_cast<size_t>(ChildCount(root, u"offset"));
}

std::u16string BackupTimeText(int64_t savedAt) {
    const auto seconds = static_cast<std::time_t>(savedAt);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&seconds, &local))
        std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return Widen(text);
}

bool SaveKeepingBackup(const std::filesystem::path& file, std::string_view bytes) {
    return CFileBackups(file).Save(bytes) == WriteResult::Ok;
}

bool ConfirmEventsSave(const CEventTable& table, const std::filesystem::path& eventsFile,
                       IUserPrompt& prompt) {
    if (table.UsedCount() > 0 || CountEventsInFile(eventsFile).value_or(0) == 0) return true;
    return prompt.AskQuestion(u"The events list is empty. Save anyway?", u"Save events...",
                              PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes;
}

}  // namespace orva
