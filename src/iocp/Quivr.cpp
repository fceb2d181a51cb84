#include "iocp/Quivr.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstring>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

constexpr int kProcNotFound = 127;  // the code the platform gives for a missing entry point
constexpr int kCountTries = 5;
constexpr std::chrono::milliseconds kCountPause{1000};

template <typename Fn>
Fn Resolve(void* handle, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

bool IsDottedAddress(std::string_view text) {
    int parts = 0;
    size_t i = 0;
    while (i <= text.size()) {
        size_t digits = 0;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        ++parts;
        if (i == text.size()) break;
        if (text[i] != '.' || parts == 4) return false;
        ++i;
    }
    return parts == 4;
}

CQuivr::~CQuivr() {
    Unload();
}

void CQuivr::Unload() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
    start_ = nullptr;
    setStatus_ = nullptr;
    count_ = nullptr;
    getIpAndPortOf_ = nullptr;
    stop_ = nullptr;
    getStatusOf_ = nullptr;
}

bool CQuivr::Load(const std::filesystem::path& path, IUserPrompt& prompt) {
    Unload();
    if (!path.empty()) path_ = path;
    errno = 0;
    handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    int error = handle_ ? 0 : (errno ? errno : ENOENT);
    if (handle_) {
        start_ = Resolve<StartFn>(handle_, "Start");
        setStatus_ = Resolve<SetStatusFn>(handle_, "SetStatus");
        count_ = Resolve<CountFn>(handle_, "Count");
        getIpAndPortOf_ = Resolve<GetIpAndPortOfFn>(handle_, "GetIpAndPortOf");
        stop_ = Resolve<StopFn>(handle_, "Stop");
        getStatusOf_ = Resolve<GetStatusOfFn>(handle_, "GetStatusOf");
        if (!start_ || !setStatus_ || !count_ || !getIpAndPortOf_ || !stop_ || !getStatusOf_) {
            error = kProcNotFound;
        }
    }
    if (error != 0) {
        prompt.ShowMessage(Format(u"The Quivr protocol will be disabled.\r\n\r\nError n\u00BA %d "
                                  u"loading mod file:\r\n%s",
                                  error, PathText(path_)),
                           u"Error", PromptIcon::Error);
        Unload();
        return false;
    }
    return true;
}

std::optional<FoundServer> CQuivr::FindServer(
    std::u16string_view alias, void* window,
    const std::function<void(std::chrono::milliseconds)>& sleeper) {
    if (!IsLoaded()) return std::nullopt;
    const std::string name = ToAnsi(alias);
    start_(window, "OrvaPanel", "1.04", name.c_str(), 0);
    setStatus_("Searching");
    int found = 0;
    for (int i = 0; i < kCountTries; ++i) {
        found = count_("IOCPSERVER", "ANY", name.c_str(), -1);
        if (found != 0) break;
        if (i + 1 < kCountTries) sleeper(kCountPause);
    }
    std::optional<FoundServer> result;
    if (found != 0) {
        // Far more room than a dotted address needs, and always terminated: a module that
        // writes too much cannot run over our stack.
        char address[64] = {};
        int port = -1;
        getIpAndPortOf_("IOCPSERVER", "ANY", name.c_str(), address, &port, 1);
        address[sizeof(address) - 1] = '\0';
        const std::string text(address);
        if (IsDottedAddress(text) && text != "255.255.255.255") {
            result = FoundServer{Widen(text), port};
        }
    }
    setStatus_("Closing");
    stop_();
    return result;
}

}  // namespace orva
