// Instances for the headless program, written the way a user leaves them in the user folder.
#pragma once

#include <filesystem>
#include <string>

#include "support/TestEnv.h"

namespace orva::test {

// "<name>_conf.cnf" linking board ORVA-12345 to one server P3D on port, without the connect
// questions when options is true (with them asked, and answered, at the first connect when it
// is false); "<name>_vars.xml" holding the offset elements given.
inline void WriteInstance(const std::filesystem::path& folder, const std::string& name, int port,
                          const std::string& offsets, bool options = true) {
    WriteBytes(
        folder / (name + "_conf.cnf"),
        "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" + std::to_string(port) +
            "\n" + (options ? "[Options]\nAutoConnect=1\nAutoHide=0\n" : "") +
            "[Orva]\nSerial=ORVA-12345\n");
    WriteBytes(folder / (name + "_vars.xml"),
               "<offsets_list version=\"1.0\">" + offsets + "</offsets_list>");
}

// One offset element of the events file.
inline std::string Offset(int type, const std::string& name, int id, const std::string& script) {
    return "<offset type=\"" + std::to_string(type) + "\" name=\"" + name + "\" id=\"" +
           std::to_string(id) + "\" script=\"" + script + "\"/>";
}

}  // namespace orva::test
