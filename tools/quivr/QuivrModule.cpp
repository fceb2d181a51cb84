// The reference plug-and-play module. It finds IOCP servers in two places: the servers that
// `orvasim iocp` announces in the runtime folder (a locked file per server), and the lines
// "alias address port" of quivr-hosts.txt in the user's OrvaPanel folder. It is a component of
// its own, so it depends on nothing of the program.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Server {
    std::string alias;
    std::string address;
    int port = 0;
};

std::mutex g_lock;
std::string g_alias;
std::string g_status;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string RuntimeIocpFolder() {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/') return runtime + "/orvapanel/iocp";
    return "/tmp/orvapanel-" + std::to_string(::getuid()) + "/iocp";
}

std::string HostsFile() {
    std::string docs = Env("XDG_DOCUMENTS_DIR");
    if (docs.empty() || docs[0] != '/') docs = Env("HOME") + "/Documents";
    return docs + "/Tessel.Works/OrvaPanel/quivr-hosts.txt";
}

// An announcement counts only while its server holds the file's lock.
bool IsHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

void ReadAnnouncements(std::vector<Server>& servers) {
    const std::string folder = RuntimeIocpFolder();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".info") != 0) continue;
        const std::string path = folder + "/" + name;
        if (!IsHeld(path)) continue;
        std::ifstream in(path);
        Server s;
        std::string line;
        while (std::getline(in, line)) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq);
            const std::string value = line.substr(eq + 1);
            if (key == "alias") s.alias = value;
            if (key == "address") s.address = value;
            if (key == "port") s.port = std::atoi(value.c_str());
        }
        if (!s.address.empty() && s.port > 0) servers.push_back(s);
    }
    ::closedir(dir);
}

void ReadHostsFile(std::vector<Server>& servers) {
    std::ifstream in(HostsFile());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        Server s;
        if (words >> s.alias >> s.address >> s.port) servers.push_back(s);
    }
}

std::vector<Server> Matching(const char* alias) {
    std::vector<Server> all;
    ReadAnnouncements(all);
    ReadHostsFile(all);
    std::vector<Server> matching;
    for (const auto& s : all) {
        if (!alias || !*alias || ::strcasecmp(s.alias.c_str(), alias) == 0) matching.push_back(s);
    }
    return matching;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void Start(void*, const char*, const char*,
                                                  const char* alias, int) {
    std::lock_guard lock(g_lock);
    g_alias = alias ? alias : "";
}

__attribute__((visibility("default"))) void SetStatus(const char* text) {
    std::lock_guard lock(g_lock);
    g_status = text ? text : "";
}

__attribute__((visibility("default"))) int Count(const char*, const char*, const char* alias, int) {
    return static_cast<int>(Matching(alias).size());
}

__attribute__((visibility("default"))) void GetIpAndPortOf(const char*, const char*,
                                                           const char* alias, char* address,
                                                           int* port, int index) {
    const auto servers = Matching(alias);
    const size_t i = index >= 1 ? static_cast<size_t>(index - 1) : 0;
    if (i >= servers.size()) return;
    // The caller's buffer holds a dotted address and its end mark: 16 bytes.
    std::snprintf(address, 16, "%s", servers[i].address.c_str());
    if (port) *port = servers[i].port;
}

__attribute__((visibility("default"))) void Stop() {
    std::lock_guard lock(g_lock);
    g_alias.clear();
}

__attribute__((visibility("default"))) const char* GetStatusOf() {
    return g_status.c_str();
}

}  // extern "C"
