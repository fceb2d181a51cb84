// The servers dialog's list operations and field rules on its own copy of the list, without
// widgets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ServerRecord.h"

namespace orva {

// The four fields of an IPv4 address editor, 0-255 each; an empty optional is a blank field.
using AddressFields = std::array<std::optional<int>, 4>;

// The list is never empty and one server is always selected. Every edit goes to the selected
// server of this copy at once; the caller decides whether to take the copy.
class CServerListEdit {
public:
    static constexpr size_t kMaxServers = 10;

    static ServerRecord NewServer();
    // "%d.%d.%d.%d", a blank field counting as 0; all four blank give 127.0.0.1.
    static std::u16string AddressText(const AddressFields& fields);
    // Four numbers 0-255 separated by dots (blanks before a number allowed, anything after the
    // fourth ignored); nothing when the text does not read so.
    static std::optional<AddressFields> ReadAddress(std::u16string_view text);

    explicit CServerListEdit(ServerList servers);

    const ServerList& Servers() const { return servers_; }
    size_t Count() const { return servers_.size(); }
    // The text of a line of the list: the alias without surrounding blanks.
    std::u16string Line(size_t index) const;

    size_t Selected() const { return selected_; }
    const ServerRecord& Current() const { return servers_[selected_]; }
    // Ignored for an index outside the list.
    void Select(size_t index);

    bool CanAdd() const { return servers_.size() < kMaxServers; }
    // Appends a new server and selects it; false when the list is full.
    bool Add();
    // Removes the selected server and selects the one before it (or the first); an emptied list
    // gets a new server.
    void Remove();

    void SetAlias(std::u16string_view text);
    // 1-65535 in digits only; nothing for any other text.
    static std::optional<int32_t> ReadPort(std::u16string_view text);
    // The port field's text for the selected server: what was typed last, else its port.
    std::u16string PortText() const { return PortText(selected_); }
    // Keeps the text as typed; the server's port takes it only when it is a port.
    void SetPort(std::u16string_view text);
    // The first server whose port field holds no port; plug-and-play servers, whose port the
    // module gives, are left out.
    std::optional<size_t> FirstBadPort() const;

    // What the address editor shows for the selected server.
    const AddressFields& Fields() const { return fields_; }
    // A user's change of the address editor; the plug-and-play mark follows the address.
    void SetFields(const AddressFields& fields);

    // The plug-and-play check box.
    bool Lookup() const { return lookup_; }
    // Checking keeps the editor's address to restore when the box is cleared again.
    void SetLookup(bool on);

private:
    void StoreAddress(const AddressFields& fields);
    std::u16string PortText(size_t index) const;

    ServerList servers_;
    // Per server, the port field's text when it was typed; it outlives a change of selection,
    // so a mistake is still there to be shown when Ok finds it.
    std::vector<std::optional<std::u16string>> typedPorts_;
    size_t selected_ = 0;
    AddressFields fields_;
    bool lookup_ = false;
    // One for the whole dialog, as the check box is one.
    std::u16string remembered_ = u"127.0.0.1";
};

}  // namespace orva
