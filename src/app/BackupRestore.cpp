#include "app/BackupRestore.h"

namespace orva {

CInstanceBackups BackupsOf(CConnectionController& controller) {
    const CConfiguration& config = controller.Configuration();
    return CInstanceBackups(config.EventsPath(), config.ConfigPath());
}

std::optional<RestoreResult> RestoreInstanceBackup(CConnectionController& controller,
                                                   IControllerView& view,
                                                   const InstanceBackup& backup,
                                                   std::optional<FileBackup>* made) {
    if (controller.HasSession() || controller.IsConnecting()) return std::nullopt;
    const RestoreResult result = BackupsOf(controller).Restore(backup, made);
    if (result != RestoreResult::Restored) return result;
    CConfiguration& config = controller.Configuration();
    if (backup.kind == BackupKind::Events) {
        config.LoadEvents(controller.Events(), controller.Prompt());
    } else {
        // The card and the option check boxes follow the restored configuration at once.
        config.LoadConfiguration(controller.Events(), controller.Prompt());
        controller.Card().Configure(-1, config.cardSerial);
        controller.Card().SetSense(config.senseVcc);
        view.SetOptionChecks(config.autoConnect, config.autoHide);
    }
    controller.RefreshStatus();
    return result;
}

}  // namespace orva
