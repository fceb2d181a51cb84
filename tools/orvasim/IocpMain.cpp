// The IOCP test server's command line (the server arrives with the IOCP client).
#include <cstdio>

int RunIocp(int, char**) {
    std::fprintf(stderr, "orvasim iocp: not available yet\n");
    return 2;
}
