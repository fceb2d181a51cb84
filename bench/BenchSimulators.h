// The simulated board and IOCP server the process benchmarks run against, and an instance that
// connects to both at start-up.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva::bench {

struct Simulators {
    std::unique_ptr<test::SimProcess> board;   // main board ORVA-12345
    std::unique_ptr<test::SimProcess> server;  // alias P3D
};

// Nothing (and says why) when either did not start. Needs ORVA_BUILD_DIR defined.
inline std::optional<Simulators> StartSimulators() {
    ::setenv("ORVA_BUILD_DIR", ORVA_BUILD_DIR, 1);
    Simulators sims{test::StartBoard("ORVA-12345"), test::StartServer("P3D")};
    if (!sims.board->Ready() || !sims.server->Ready()) {
        std::fprintf(stderr, "the simulators did not start\n");
        return std::nullopt;
    }
    return sims;
}

// Instance `name` in folder: connects at start-up to the server on port and to the board, with
// the given <offset .../> elements as its events.
inline void WriteInstance(const std::filesystem::path& folder, const std::string& name, int port,
                          const std::string& offsets) {
    test::WriteBytes(
        folder / (name + "_conf.cnf"),
        "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" + std::to_string(port) +
            "\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
    test::WriteBytes(folder / (name + "_vars.xml"),
                     "<offsets_list version=\"1.0\">" + offsets + "</offsets_list>");
}

}  // namespace orva::bench
