// The notification numbers of the program; they keep the window-message names and values.
#pragma once

#include <cstdint>

namespace orva {

inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_TRAY_NOTIFY = WM_USER + 4;
inline constexpr uint32_t WM_CARD_INPUT = WM_USER + 200;
inline constexpr uint32_t WM_CARD_ADC = WM_USER + 201;
inline constexpr uint32_t WM_CARD_ENCODER = WM_USER + 202;
inline constexpr uint32_t WM_CARD_IOERROR = WM_USER + 254;
inline constexpr uint32_t WM_CARD_INFO = WM_USER + 255;
inline constexpr uint32_t WM_IOCP_NOTIFY = WM_USER + 256;
// Ours, not the system's: a command the program posts to itself (connect at start-up).
inline constexpr uint32_t WM_APP_CONNECT = WM_USER + 300;
// Another: the servers asked while waiting to reconnect (wParam: the first silent one, or -1).
inline constexpr uint32_t WM_APP_SERVERS = WM_USER + 301;

}  // namespace orva
