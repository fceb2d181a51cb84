// The IOCP client's log: "iocpclient.log" in the state folder, Spanish, Windows-1252, each entry
// after its local date and time.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace orva {

// <state folder>/iocpclient.log (see StateFolder).
std::filesystem::path IocpLogFile();

// One entry as it is written: "YYYY-MM-DD HH:MM:SS " in local time, then the entry's bytes.
std::string IocpLogLine(std::u16string_view entry, std::time_t when);

// Appends one entry (the text as given, line end included); creates the folder when missing.
void IocpLog(std::u16string_view entry);

}  // namespace orva
