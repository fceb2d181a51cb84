#include "platform/Paths.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/Text.h"

namespace orva {
namespace {

std::filesystem::path Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::filesystem::path(home) : std::filesystem::path("/");
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an absolute path.
std::filesystem::path DocumentsFromUserDirs() {
    std::ifstream in(ConfigHome() / "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) return Home().string() + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return {};
}

}  // namespace

std::filesystem::path ConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') return config;
    return Home() / ".config";
}

std::filesystem::path DocumentsFolder() {
    const char* docs = std::getenv("XDG_DOCUMENTS_DIR");
    if (docs && *docs == '/') return docs;
    std::filesystem::path fromFile = DocumentsFromUserDirs();
    if (!fromFile.empty()) return fromFile;
    return Home() / "Documents";
}

std::filesystem::path UserFolder() {
    return DocumentsFolder() / "Tessel.Works" / "OrvaPanel" / "";
}

std::u16string UserFolderText() {
    return PathText(UserFolder());
}

std::filesystem::path UserFile(std::u16string_view fileName) {
    return UserFolder() / PathFromText(ToLower(fileName));
}

std::filesystem::path EventsFile(std::u16string_view instanceName) {
    return UserFile(std::u16string(instanceName) + u"_vars.xml");
}

std::filesystem::path InstanceConfigFile(std::u16string_view instanceName) {
    return UserFile(std::u16string(instanceName) + u"_conf.cnf");
}

std::filesystem::path CardSettingsFile() {
    return UserFile(u"Orva.cnf");
}

std::filesystem::path RepositoryFile() {
    return UserFile(u"Repository.xml");
}

std::filesystem::path AppProfileFile() {
    return ConfigHome() / "Tessel.Works" / "OrvaPanel.ini";
}

std::filesystem::path StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::filesystem::path home =
        state && *state == '/' ? std::filesystem::path(state) : Home() / ".local" / "state";
    return home / "orvapanel";
}

std::filesystem::path RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path folder =
        runtime && *runtime == '/'
            ? std::filesystem::path(runtime) / "orvapanel"
            : std::filesystem::path("/tmp") / ("orvapanel-" + std::to_string(::getuid()));
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::filesystem::path PathFromText(std::u16string_view text) {
    return std::filesystem::path(ToUtf8(text));
}

std::u16string PathText(const std::filesystem::path& path) {
    return FromUtf8(path.string());
}

}  // namespace orva
