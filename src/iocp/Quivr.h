// The plug-and-play module "quivr.mod" that finds IOCP servers on the network.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orva {

class IUserPrompt;

struct FoundServer {
    std::u16string address;
    int port = -1;
};

class CQuivr {
public:
    using StartFn = void (*)(void* window, const char* program, const char* version,
                             const char* alias, int reserved);
    using SetStatusFn = void (*)(const char* text);
    using CountFn = int (*)(const char* kind, const char* scope, const char* alias, int flags);
    using GetIpAndPortOfFn = void (*)(const char* kind, const char* scope, const char* alias,
                                      char* address, int* port, int index);
    using StopFn = void (*)();
    using GetStatusOfFn = void* (*)();

    static constexpr const char* kFileName = "quivr.mod";

    CQuivr() = default;
    virtual ~CQuivr();
    CQuivr(const CQuivr&) = delete;
    CQuivr& operator=(const CQuivr&) = delete;

    // Loads the module (an empty path reloads the last one); on failure tells the user and
    // stays empty.
    bool Load(const std::filesystem::path& path, IUserPrompt& prompt);
    void Unload();
    bool IsLoaded() const { return start_ != nullptr && stop_ != nullptr; }

    // Asks the module for the server with that alias: up to five counts a second apart.
    // The sleeper waits between the counts (the tests shorten nothing; the headless loop may
    // keep serving its notifications).
    std::optional<FoundServer> FindServer(
        std::u16string_view alias, void* window,
        const std::function<void(std::chrono::milliseconds)>& sleeper);

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    StartFn start_ = nullptr;
    SetStatusFn setStatus_ = nullptr;
    CountFn count_ = nullptr;
    GetIpAndPortOfFn getIpAndPortOf_ = nullptr;
    StopFn stop_ = nullptr;
    GetStatusOfFn getStatusOf_ = nullptr;
};

// Whether text is a dotted IPv4 address "a.b.c.d" with parts 0-255.
bool IsDottedAddress(std::string_view text);

}  // namespace orva
