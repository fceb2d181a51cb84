// The start-up update check: a one-time announcement and the offer of a newer version.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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
// application profile's "Web"/"Host", else none. Without a host the check is off and help is
// local.
std::u16string WebHost();

// What an update document holds, read from its text alone.
struct UpdateAnnouncement {
    std::u16string text;  // the escapes \r and \n made line ends
    std::u16string caption;
    std::u16string url;
    int32_t id = 0;
    int32_t style = 0;  // a message-box style number: its button set and icon
};
struct UpdateOffer {
    std::u16string title;  // "New version" when the document gives none
    std::u16string text;   // the escapes made line ends; the default question when empty
    std::u16string url;    // never empty: without one the document offers nothing
    std::u16string mode;
    bool canSkip = false;
};
struct UpdateDocument {
    std::u16string version;  // the newest version, as the document writes it
    std::optional<UpdateAnnouncement> announcement;
    std::optional<UpdateOffer> offer;
};

// The update document in text: its root is named by the product key (without regard to case),
// else there is no document.
std::optional<UpdateDocument> ReadUpdateDocument(std::u16string_view text,
                                                 std::u16string_view productKey);

class CUpdateCheck {
public:
    static constexpr long kTimeoutMs = 4000;

    CUpdateCheck(IUserPrompt& prompt, IShellOpener& opener, std::u16string host);
    // Silent when anything fails; an offer the user takes opens its https address in the
    // browser, whatever its mode: nothing is downloaded and started here.
    void Run(std::u16string_view productKey, double version);

private:
    void Announce(const UpdateAnnouncement& message, double version);
    void Offer(const UpdateOffer& offer, std::u16string_view newest);

    IUserPrompt& prompt_;
    IShellOpener& opener_;
    std::u16string host_;
};

}  // namespace orva
