// The start-up update check: a one-time announcement and the offer of a newer version.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orva {

class IUserPrompt;

// Opens an address or a file with the desktop's own handler.
class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    virtual bool Open(std::u16string_view target) = 0;
};

// xdg-open, detached.
class CDesktopOpener final : public IShellOpener {
public:
    bool Open(std::u16string_view target) override;
};

// The web host of help pages, the repository and updates: $ORVA_WEB_HOST, else the
// application profile's "Web"/"Host", else the maker's. An empty host switches the check off.
std::u16string WebHost();

class CUpdateCheck {
public:
    static constexpr long kTimeoutMs = 4000;

    CUpdateCheck(IUserPrompt& prompt, IShellOpener& opener, std::u16string host);
    // True when the program should end now (a downloaded installer was handed over).
    bool Run(std::u16string_view productKey, double version);

private:
    void Announce(const class XmlElement& message, double version);
    bool Offer(const class XmlElement& root, std::u16string_view productKey,
               std::u16string_view newest, const std::filesystem::path& tempFile);

    IUserPrompt& prompt_;
    IShellOpener& opener_;
    std::u16string host_;
};

}  // namespace orva
