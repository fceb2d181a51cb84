// `orvapanel-headless --scenario FILE [--junit OUT.xml]`: an instance's scripts tested against a
// simulated board and test servers, without touching the instance or any real device.
#pragma once

#include "app/HeadlessOptions.h"

namespace orva {

// Prints TAP to stdout (the reasons it cannot run to stderr); 0 when every step passed, 1 when
// one failed, 2 when the scenario cannot run. signalFd reads SIGINT and SIGTERM (blocked by the
// caller before any thread exists).
int RunScenarioProgram(const HeadlessOptions& options, int signalFd);

}  // namespace orva
