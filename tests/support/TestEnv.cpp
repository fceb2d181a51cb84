#include "support/TestEnv.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orva::test {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvatest.XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("cannot create a temporary folder");
    root_ = made;
    std::filesystem::create_directories(root_ / "config");
    std::filesystem::create_directories(root_ / "runtime");
    // As a session's runtime folder is: private to its user (toolkits check it).
    std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(Documents());
    ::setenv("HOME", root_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root_ / "runtime").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", Documents().c_str(), 1);
}

TempHome::~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::filesystem::path TempHome::MakeUserFolder() const {
    const auto folder = Documents() / "Tessel.Works" / "OrvaPanel";
    std::filesystem::create_directories(folder);
    return folder;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* before = std::getenv(name_.c_str())) before_ = before;
    ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (before_) {
        ::setenv(name_.c_str(), before_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace orva::test
