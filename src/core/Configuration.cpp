#include "core/Configuration.h"

#include <system_error>

#include "core/InstanceBackups.h"
#include "core/UnreadableEvents.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

std::u16string Indexed(std::u16string_view key, size_t index) {
    return Format(u"%s_%03d", key, index);
}

std::u16string AttributeText(const XmlElement& element, std::u16string_view name) {
    return GetAttribute(element, name).value_or(std::u16string());
}

XmlElement BuildEventsDocument(const CEventTable& table) {
    XmlElement declaration = CreateDeclaration();
    AddAttribute(declaration, u"version", u"1.0");
    AddAttribute(declaration, u"encoding", u"utf-16");
    XmlElement root = AddChild(declaration, CConfiguration::kEventsRoot);
    AddAttribute(root, u"xmlns", CConfiguration::kEventsNamespace);
    AddAttribute(root, u"version", u"1.0");
    const size_t used = table.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        const EventRecord& r = table[i];
        XmlElement offset = AddChild(root, u"offset");
        AddAttribute(offset, u"type", Widen(std::to_string(r.type)));
        AddAttribute(offset, u"name", r.name);
        AddAttribute(offset, u"id", Widen(std::to_string(r.id)));
        AddAttribute(offset, u"val", Widen(std::to_string(r.value.load())));
        AddAttribute(offset, u"script", r.script);
        AddAttribute(offset, u"disabled", r.disabled ? u"yes" : u"no");
    }
    return declaration;
}

}  // namespace

CConfiguration::CConfiguration(std::u16string instanceName) {
    SetInstanceName(std::move(instanceName));
}

void CConfiguration::SetInstanceName(std::u16string instanceName) {
    instanceName_ = std::move(instanceName);
    eventsPath_ = EventsFile(instanceName_);
    configPath_ = InstanceConfigFile(instanceName_);
    cardPath_ = CardSettingsFile();
}

std::filesystem::path CConfiguration::Folder() const {
    return UserFolder();
}

void CConfiguration::LoadConfiguration(CEventTable& table, IUserPrompt& prompt) {
    const CProfile ini(configPath_);
    servers.clear();
    const int32_t count = ini.ReadInt(u"Iocp", u"Servers", 0);
    for (int32_t i = 0; i < count; ++i) {
        ServerRecord server;
        server.alias = Trim(ini.ReadString(u"Iocp", Indexed(u"Alias", i), u"P3D"));
        server.address =
            ini.ReadString(u"Iocp", Indexed(u"IpDir", i), ServerRecord::kLookupAddress);
        server.port = ini.ReadInt(u"Iocp", Indexed(u"Port", i), ServerRecord::kDefaultPort);
        servers.push_back(std::move(server));
    }
    autoConnect = ini.ReadInt(u"Options", u"AutoConnect", -1) == 1;
    autoHide = ini.ReadInt(u"Options", u"AutoHide", -1) == 1;
    cardSerial = ini.ReadString(u"Orva", u"Serial", kDefaultSerial);
    senseVcc = EqualsNoCase(ini.ReadString(u"Orva", u"Sense", u"Gnd"), u"vcc");
    LoadEvents(table, prompt);
}

bool CConfiguration::SaveConfiguration(const CEventTable& table, IUserPrompt& prompt) const {
    std::vector<ProfileEntry> keys = {{u"Iocp", u"Servers", Widen(std::to_string(servers.size()))}};
    for (size_t i = 0; i < servers.size(); ++i) {
        keys.push_back({u"Iocp", Indexed(u"Alias", i), servers[i].alias});
        keys.push_back({u"Iocp", Indexed(u"IpDir", i), servers[i].address});
        keys.push_back({u"Iocp", Indexed(u"Port", i), Widen(std::to_string(servers[i].port))});
    }
    keys.push_back({u"Options", u"AutoConnect", autoConnect ? u"1" : u"0"});
    keys.push_back({u"Options", u"AutoHide", autoHide ? u"1" : u"0"});
    keys.push_back({u"Orva", u"Serial", cardSerial});
    keys.push_back({u"Orva", u"Sense", senseVcc ? u"Vcc" : u"Gnd"});
    // The keys as one replacement of the file: a save is whole, and one backup holds what it
    // replaced.
    SaveKeepingBackup(configPath_, CProfile(configPath_).BytesAfter(keys));
    return SaveEvents(table, prompt);
}

bool CConfiguration::LoadEvents(CEventTable& table, IUserPrompt& prompt) const {
    table.ClearForLoad();
    bool read = true;
    std::error_code ec;
    if (std::filesystem::exists(eventsPath_, ec)) {
        // A file that does not parse is shown with its line and column, not taken for no events.
        const XmlElement root = ParseXmlFile(eventsPath_, kEventsRoot, prompt);
        read = root && IsReadableEventsVersion(AttributeText(root, u"version"));
        if (read) {
            int index = 0;
            // More offsets than the table holds are ignored.
            for (size_t slot = 0; slot < CEventTable::kSize; ++slot) {
                const XmlElement offset = FindChild(root, u"offset", &index);
                if (!offset) break;
                EventRecord& r = table[slot];
                r.type = static_cast<uint8_t>(ParseLeadingInt(AttributeText(offset, u"type")));
                r.name = AttributeText(offset, u"name");
                r.id = ParseLeadingInt(AttributeText(offset, u"id"));
                r.value = ParseLeadingInt(AttributeText(offset, u"val"));
                r.script = AttributeText(offset, u"script");
                r.disabled = EqualsNoCase(AttributeText(offset, u"disabled"), u"yes");
            }
        }
    }
    table.SetAllLastValues(CEventTable::kNotDispatched);
    return read;
}

std::string EventsFileBytes(const CEventTable& table) {
    return ToXmlFileBytes(BuildEventsDocument(table));
}

bool CConfiguration::SaveEvents(const CEventTable& table, IUserPrompt& prompt) const {
    if (!KeepUnreadableEvents(eventsPath_, prompt)) return false;
    if (!ConfirmEventsSave(table, eventsPath_, prompt)) return false;
    const bool saved = SaveKeepingBackup(eventsPath_, EventsFileBytes(table));
    std::error_code ec;
    if (saved && std::filesystem::exists(eventsPath_, ec)) return true;
    prompt.ShowMessage(Format(u"Error saving Offsets Configuration File.\r\n\r\nPlease check that "
                              u"exists the Folder:\r\n%s.",
                              PathText(Folder())),
                       u"Error saving File.", PromptIcon::Warning);
    return false;
}

void CConfiguration::LoadCardSettings() {
    const CProfile ini(cardPath_);
    card.cardName = ini.ReadString(cardSerial, u"Alias", instanceName_);
    card.matrix1 = ini.ReadInt(cardSerial, u"Matrix_1", 0) == 1;
    card.rows1 = ini.ReadInt(cardSerial, u"Rows_1", 8);
    card.cols1 = ini.ReadInt(cardSerial, u"Cols_1", 8);
    card.matrix2 = ini.ReadInt(cardSerial, u"Matrix_2", 0) == 1;
    card.rows2 = ini.ReadInt(cardSerial, u"Rows_2", 8);
    card.cols2 = ini.ReadInt(cardSerial, u"Cols_2", 8);
}

bool CConfiguration::SaveOption(std::u16string_view key, bool flag) const {
    return CProfile(configPath_).WriteInt(u"Options", key, flag ? 1 : 0);
}

int32_t CConfiguration::ReadOption(std::u16string_view key) const {
    return CProfile(configPath_).ReadInt(u"Options", key, -1);
}

std::u16string CConfiguration::ReadConfigText(std::u16string_view section, std::u16string_view key,
                                              std::u16string_view def) const {
    return CProfile(configPath_).ReadString(section, key, def);
}

std::u16string CConfiguration::ReadCardText(std::u16string_view section, std::u16string_view key,
                                            std::u16string_view def) const {
    return CProfile(cardPath_).ReadString(section, key, def);
}

}  // namespace orva
