// `orvapanel-headless /NAME --list-backups` and `--restore N`: the instance's backups without
// connecting anything.
#pragma once

#include <string>
#include <vector>

#include "app/HeadlessOptions.h"
#include "core/InstanceBackups.h"

namespace orva {

// The listing as printed: a heading, each file's backups with their numbers, times and event
// counts, and how to restore one.
std::string BackupListingText(std::u16string_view instance, const CInstanceBackups& backups,
                              const std::vector<InstanceBackup>& list);

// When a backup was saved and what it holds, for the user: "2024-06-11 14:03:22 (42 events)".
std::u16string BackupDescription(const InstanceBackup& backup);

// Lists (0) or restores (0 done, 1 the instance runs or the file cannot be written, 2 no such
// instance or backup), printing to stdout and the mistakes to stderr.
int RunBackupsProgram(const HeadlessOptions& options);

}  // namespace orva
