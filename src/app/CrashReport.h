// The crash report: what a fatal signal or an uncaught exception prints before exit code 1.
#pragma once

#include <string_view>

namespace orva {

// Installs handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT and std::terminate.
void InstallCrashReport();
// The name the report gives; "NONE" until the instance name is settled.
void SetCrashInstanceName(std::u16string_view name);

}  // namespace orva
