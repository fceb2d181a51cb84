#include "app/InstanceRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {
namespace {

// A title may hold any character; its file name is its UTF-8 bytes in hexadecimal.
std::string Encode(std::u16string_view title) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name;
    for (unsigned char c : ToUtf8(title)) {
        name.push_back(kHex[c >> 4]);
        name.push_back(kHex[c & 15]);
    }
    return name + ".lock";
}

std::u16string Decode(const std::string& name) {
    std::string bytes;
    for (size_t i = 0; i + 1 < name.size() && name[i] != '.'; i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(name.substr(i, 2), nullptr, 16)));
    }
    return FromUtf8(bytes);
}

std::filesystem::path Folder() {
    auto folder = RuntimeFolder() / "instances";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

bool HeldByOther(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace

CInstanceRegistry::CInstanceRegistry() = default;

CInstanceRegistry::~CInstanceRegistry() {
    Release();
}

bool CInstanceRegistry::Acquire(std::u16string_view title) {
    const auto path = Folder() / Encode(title);
    const int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    Release();
    fd_ = fd;
    title_ = title;
    return true;
}

void CInstanceRegistry::Release() {
    if (fd_ < 0) return;
    // Removed while still locked, so nobody can take a stale file for a live instance.
    std::error_code ec;
    std::filesystem::remove(Folder() / Encode(title_), ec);
    ::close(fd_);
    fd_ = -1;
    title_.clear();
}

int CInstanceRegistry::CountOthers(std::u16string_view prefix) const {
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 5 || name.substr(name.size() - 5) != ".lock") continue;
        const std::u16string title = Decode(name);
        if (fd_ >= 0 && title == title_) continue;
        if (title.rfind(prefix, 0) == 0 && HeldByOther(entry.path())) ++count;
    }
    return count;
}

}  // namespace orva
