// A plug-and-play module for the tests: Count finds the server at the third call; the address
// and port come from ORVA_TEST_QUIVR_PORT. Every call is appended to ORVA_TEST_QUIVR_LOG.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
int g_counts = 0;

void Record(const std::string& call) {
    if (const char* log = std::getenv("ORVA_TEST_QUIVR_LOG")) {
        if (FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s\n", call.c_str());
            std::fclose(f);
        }
    }
}
}  // namespace

extern "C" {
__attribute__((visibility("default"))) void Start(void*, const char* program, const char* version,
                                                  const char* alias, int) {
    g_counts = 0;
    Record(std::string("Start ") + program + " " + version + " " + alias);
}
__attribute__((visibility("default"))) void SetStatus(const char* text) {
    Record(std::string("SetStatus ") + text);
}
__attribute__((visibility("default"))) int Count(const char* kind, const char* scope,
                                                 const char* alias, int flags) {
    Record(std::string("Count ") + kind + " " + scope + " " + alias + " " + std::to_string(flags));
    return ++g_counts >= 3 ? 1 : 0;
}
__attribute__((visibility("default"))) void GetIpAndPortOf(const char*, const char*, const char*,
                                                           char* address, int* port, int index) {
    Record("GetIpAndPortOf " + std::to_string(*port) + " " + std::to_string(index));
    std::snprintf(address, 16, "127.0.0.1");
    const char* p = std::getenv("ORVA_TEST_QUIVR_PORT");
    *port = p ? std::atoi(p) : 0;
}
__attribute__((visibility("default"))) void Stop() {
    Record("Stop");
}
__attribute__((visibility("default"))) void* GetStatusOf() {
    return nullptr;
}
}
