// The files of an instance: its configuration, its events file and the shared card settings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/EventTable.h"
#include "core/ServerRecord.h"

namespace orva {

class IUserPrompt;

struct CardSettings {
    std::u16string cardName;
    bool matrix1 = false;
    int32_t rows1 = 8;
    int32_t cols1 = 8;
    bool matrix2 = false;
    int32_t rows2 = 8;
    int32_t cols2 = 8;
};

class CConfiguration {
public:
    static constexpr std::u16string_view kDefaultSerial = u"UNK_000000";
    static constexpr std::u16string_view kEventsRoot = u"offsets_list";
    static constexpr std::u16string_view kEventsNamespace =
        u"https://tessel.works/schemas/orvapanel/offsets_list";

    explicit CConfiguration(std::u16string instanceName = u"ID000");

    // Forms the file paths anew; the next save writes the new files, the old ones stay.
    void SetInstanceName(std::u16string instanceName);
    const std::u16string& InstanceName() const { return instanceName_; }
    std::filesystem::path Folder() const;
    const std::filesystem::path& EventsPath() const { return eventsPath_; }
    const std::filesystem::path& ConfigPath() const { return configPath_; }
    const std::filesystem::path& CardSettingsPath() const { return cardPath_; }

    void LoadConfiguration(CEventTable& table, IUserPrompt& prompt);
    // Writes the configuration, then the events; false when the events file was not saved.
    // Each file replaced keeps its previous content as a backup (InstanceBackups.h).
    bool SaveConfiguration(const CEventTable& table, IUserPrompt& prompt) const;
    // Fills the table from the events file. A file that does not parse is shown to the user with
    // its line and column; false when the file is there but its events were not read (it does
    // not parse, or its format is newer).
    bool LoadEvents(CEventTable& table, IUserPrompt& prompt) const;
    // Replaces the events file; a failure is shown to the user and leaves the old file intact. A
    // file that does not read is replaced only when the user agrees (KeepUnreadableEvents); an
    // empty table over a file that holds events only when the user says so.
    bool SaveEvents(const CEventTable& table, IUserPrompt& prompt) const;
    void LoadCardSettings();
    // One option, as a check box or a question sets it: no backup, so that clicking check
    // boxes never pushes real edits out of the kept versions.
    bool SaveOption(std::u16string_view key, bool flag) const;
    // The stored option: -1 when not yet asked.
    int32_t ReadOption(std::u16string_view key) const;

    std::u16string ReadConfigText(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view def) const;
    std::u16string ReadCardText(std::u16string_view section, std::u16string_view key,
                                std::u16string_view def) const;

    ServerList servers;
    bool autoConnect = false;
    bool autoHide = false;
    std::u16string cardSerial = std::u16string(kDefaultSerial);
    bool senseVcc = false;
    CardSettings card;

private:
    std::u16string instanceName_;
    std::filesystem::path eventsPath_;
    std::filesystem::path configPath_;
    std::filesystem::path cardPath_;
};

// The events document as written to the events file.
std::string EventsFileBytes(const CEventTable& table);

}  // namespace orva
