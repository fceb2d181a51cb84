// Where the program keeps its files: the documents folder, the per-user folder, runtime files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orva {

// The user's documents folder by the XDG rules: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR
// line of user-dirs.dirs, else ~/Documents.
std::filesystem::path DocumentsFolder();

// "<documents>/Tessel.Works/OrvaPanel/", with the trailing separator.
std::filesystem::path UserFolder();
// The user folder as text to show the user (trailing separator included).
std::u16string UserFolderText();

// A file of the user folder; only the file name is lower-cased, because Linux file systems keep
// case and the folder must stay as the user has it.
std::filesystem::path UserFile(std::u16string_view fileName);
std::filesystem::path EventsFile(std::u16string_view instanceName);
std::filesystem::path InstanceConfigFile(std::u16string_view instanceName);
std::filesystem::path CardSettingsFile();
std::filesystem::path RepositoryFile();

// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path ConfigHome();
// The application profile: $XDG_CONFIG_HOME (or ~/.config)/Tessel.Works/OrvaPanel.ini.
std::filesystem::path AppProfileFile();

// Files the program keeps about its runs (the IOCP log): $XDG_STATE_HOME/orvapanel, else
// ~/.local/state/orvapanel. Not created here.
std::filesystem::path StateFolder();

// Runtime files (instance locks, virtual boards): $XDG_RUNTIME_DIR/orvapanel, else
// /tmp/orvapanel-<uid>. Created on first use.
std::filesystem::path RuntimeFolder();

std::filesystem::path PathFromText(std::u16string_view text);
std::u16string PathText(const std::filesystem::path& path);

}  // namespace orva
