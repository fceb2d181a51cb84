#include "app/BackupsProgram.h"

#include <cstdio>

#include "app/InstanceName.h"
#include "app/InstanceRegistry.h"
#include "app/ScriptCheck.h"
#include "core/Configuration.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {
namespace {

std::string EventCountText(const std::optional<size_t>& events) {
    if (!events) return "not an events file";
    return std::to_string(*events) + (*events == 1 ? " event" : " events");
}

std::string Name(const std::filesystem::path& path) {
    return path.filename().string();
}

void Fail(const std::string& text) {
    std::fprintf(stderr, "orvapanel-headless: %s\n", text.c_str());
}

int Restore(std::u16string_view instance, const CInstanceBackups& backups, size_t number) {
    const std::vector<InstanceBackup> list = backups.List();
    if (number == 0 || number > list.size()) {
        Fail("instance " + ToUtf8(instance) + " has no backup " + std::to_string(number) +
             " (see --list-backups)");
        return 2;
    }
    const InstanceBackup& backup = list[number - 1];
    const std::filesystem::path& file = backups.FileOf(backup.kind);
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    std::optional<FileBackup> made;
    switch (backups.Restore(backup, &made)) {
        case RestoreResult::AlreadyCurrent:
            std::printf("%s holds that version already: nothing changed.\n", Name(file).c_str());
            return 0;
        case RestoreResult::CannotRead:
            Fail("backup " + std::to_string(number) +
                 " cannot be read: " + backup.file.path.string());
            return 1;
        case RestoreResult::CannotWrite:
            Fail(Name(file) + " cannot be written in " + file.parent_path().string());
            return 1;
        case RestoreResult::Restored:
            break;
    }
    std::string kept = "there was no file to replace";
    if (made) {
        kept = "the file it replaced is kept as " + Name(made->path);
    } else if (existed) {
        kept = "the file it replaced was kept as a backup already";
    }
    std::printf("Restored %s from backup %zu, %s, saved at %s; %s.\n", Name(file).c_str(), number,
                Name(backup.file.path).c_str(), ToUtf8(BackupDescription(backup)).c_str(),
                kept.c_str());
    return 0;
}

}  // namespace

std::u16string BackupDescription(const InstanceBackup& backup) {
    std::u16string text = BackupTimeText(backup.file.savedAt);
    if (backup.kind == BackupKind::Events) {
        text += u" (" + FromUtf8(EventCountText(backup.events)) + u")";
    }
    return text;
}

std::string BackupListingText(std::u16string_view instance, const CInstanceBackups& backups,
                              const std::vector<InstanceBackup>& list) {
    std::string text = "Backups of instance " + ToUtf8(instance) + " in " +
                       backups.FileOf(BackupKind::Events).parent_path().string() +
                       "/, newest first:\n";
    for (const auto& [kind, label] : {std::pair{BackupKind::Events, "events file "},
                                      std::pair{BackupKind::Configuration, "configuration "}}) {
        text += label + Name(backups.FileOf(kind)) + ":";
        size_t shown = 0;
        for (const InstanceBackup& b : list) {
            if (b.kind != kind) continue;
            char number[16];
            std::snprintf(number, sizeof(number), "%4zu", b.number);
            text += std::string(shown++ == 0 ? "\n" : "") + number + "  " +
                    ToUtf8(BackupTimeText(b.file.savedAt)) + "  " + Name(b.file.path);
            if (kind == BackupKind::Events) text += "  " + EventCountText(b.events);
            text += "\n";
        }
        if (shown == 0) text += " no backups\n";
    }
    if (!list.empty()) {
        text += "Restore one with: orvapanel-headless /" + ToUtf8(instance) + " --restore N\n";
    }
    return text;
}

int RunBackupsProgram(const HeadlessOptions& options) {
    const std::u16string name = ChosenInstanceName(options.instanceParams, u"", u"0");
    if (name.empty() || HasForbiddenNameCharacter(name)) {
        Fail("'" + ToUtf8(name) + "' cannot name an instance");
        return 2;
    }
    const CConfiguration config{name};
    const CInstanceBackups backups(config.EventsPath(), config.ConfigPath());
    const std::vector<InstanceBackup> list = backups.List();
    // Backups of files that are gone are what a user most wants to see.
    if (const std::string missing = MissingInstance(name); !missing.empty() && list.empty()) {
        Fail(missing);
        return 2;
    }
    if (options.mode == HeadlessOptions::Mode::ListBackups) {
        std::fputs(BackupListingText(name, backups, list).c_str(), stdout);
        return 0;
    }
    // The running instance would write its own files over the restored ones.
    CInstanceRegistry registry;
    if (!registry.Acquire(InstanceTitle(name))) {
        Fail("the instance " + ToUtf8(name) + " is running: stop it before restoring a backup");
        return 1;
    }
    return Restore(name, backups, options.restore);
}

}  // namespace orva
