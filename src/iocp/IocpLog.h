// The IOCP client's log: "iocpclient.log" in the working directory, Spanish, Windows-1252.
#pragma once

#include <string_view>

namespace orva {

// Appends one entry (the text as given, line end included).
void IocpLog(std::u16string_view entry);

}  // namespace orva
