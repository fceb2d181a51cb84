#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orva {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return buffer.str();
}

ReadResult ReadFileUpTo(const std::filesystem::path& path, size_t limit, std::string& bytes) {
    bytes.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return ReadResult::CannotRead;
    constexpr size_t kChunk = 64 * 1024;
    std::string chunk(kChunk, '\0');
    while (bytes.size() <= limit) {
        const size_t wanted = std::min(kChunk, limit + 1 - bytes.size());
        in.read(chunk.data(), static_cast<std::streamsize>(wanted));
        bytes.append(chunk, 0, static_cast<size_t>(in.gcount()));
        if (in.bad()) return ReadResult::CannotRead;
        if (!in) break;  // the end of the file
    }
    if (bytes.size() > limit) {
        bytes.clear();
        return ReadResult::TooLarge;
    }
    return ReadResult::Ok;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// "<name>.<pid>-<unique>.tmp": the writer's process is in the name, so a later write can tell
// the leftover of a writer that died from the file of one still at work.
std::filesystem::path TempName(const std::filesystem::path& path) {
    static std::atomic<uint64_t> counter{0};
    const auto now =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char unique[48];
    std::snprintf(unique, sizeof(unique), ".%ld-%llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(now ^ (++counter << 48)));
    return path.string() + unique;
}

// The pid in a temporary name of path's, or 0 when the name is not one.
long LeftoverOwner(const std::string& entry, const std::string& name) {
    if (entry.size() <= name.size() + 5 || entry.compare(0, name.size(), name) != 0 ||
        entry[name.size()] != '.' || entry.compare(entry.size() - 4, 4, ".tmp") != 0) {
        return 0;
    }
    const char* digits = entry.c_str() + name.size() + 1;
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    return end != digits && *end == '-' && pid > 0 ? pid : 0;
}

// Temporary files of this path left by writers that were killed before their rename.
void RemoveLeftovers(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    DIR* dir = ::opendir(FolderOf(path).c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const long pid = LeftoverOwner(e->d_name, name);
        if (pid == 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), e->d_name, 0);
        }
    }
    ::closedir(dir);
}

bool FillAndSync(int fd, mode_t mode, std::string_view bytes) {
    return ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
}

// The new content in an unnamed file of the folder, given a name only once it is complete, so
// a writer killed while writing or flushing leaves nothing behind. -1: not written this way
// (the file system has no unnamed files); 0 failed; 1 written to tmp.
int WriteUnnamed(const std::filesystem::path& folder, const std::filesystem::path& tmp, mode_t mode,
                 std::string_view bytes) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    bool ok = FillAndSync(fd, mode, bytes);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    int result = ok ? 1 : 0;
    if (ok && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        result = -1;  // no /proc to name it through: the named way below
    }
    if (::close(fd) != 0 && result == 1) {
        ::unlink(tmp.c_str());
        result = 0;
    }
    return result;
}

int WriteNamed(const std::filesystem::path& tmp, mode_t mode, std::string_view bytes) {
    const int fd = ::open(tmp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    bool ok = FillAndSync(fd, mode, bytes);
    ok = (::close(fd) == 0) && ok;
    if (!ok) ::unlink(tmp.c_str());
    return ok ? 1 : 0;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

WriteResult ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
    RemoveLeftovers(path);
    const std::filesystem::path folder = FolderOf(path);
    struct stat st {};
    const mode_t mode =
        ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    const std::filesystem::path tmp = TempName(path);
    int written = WriteUnnamed(folder, tmp, mode, bytes);
    if (written < 0) written = WriteNamed(tmp, mode, bytes);
    if (written < 0) return WriteResult::CannotCreate;
    if (written == 0) return WriteResult::CannotWrite;
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return WriteResult::CannotWrite;
    }
    // The rename itself reaches the disk only with its folder.
    SyncFolder(folder);
    return WriteResult::Ok;
}

}  // namespace orva
