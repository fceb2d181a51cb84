// Restoring a backup inside a running instance: only while it is disconnected, and the restored
// file is read again at once, as if the instance had just started with it.
#pragma once

#include <optional>

#include "app/ConnectionController.h"
#include "core/InstanceBackups.h"

namespace orva {

// The backups of the controller's instance, under its current name.
CInstanceBackups BackupsOf(CConnectionController& controller);

// Nothing while a session or a connect runs (the restored files would be written over or half
// used); otherwise what the restore did. view shows the restored options.
std::optional<RestoreResult> RestoreInstanceBackup(CConnectionController& controller,
                                                   IControllerView& view,
                                                   const InstanceBackup& backup,
                                                   std::optional<FileBackup>* made = nullptr);

}  // namespace orva
