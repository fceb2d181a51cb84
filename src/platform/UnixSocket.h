// A stream connection to a Unix socket: the simulators' control sockets.
#pragma once

#include <string>

namespace orva {

// The connected socket (close-on-exec), or -1 when the path is too long or nobody listens.
int ConnectUnixSocket(const std::string& path);

}  // namespace orva
