// What a recording of a session hears from the connection controller while it is attached.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Notify.h"

namespace orva {

class ISessionObserver {
public:
    virtual ~ISessionObserver() = default;
    // A connect begins, and one has completed (its AFTER CONNECT events have run). A connect
    // that fails is followed by no OnConnected.
    virtual void OnConnecting() = 0;
    virtual void OnConnected() = 0;
    // A disconnect of a connected session begins (before its BEFORE DISCONNECT events), and
    // has ended (the board is closed).
    virtual void OnDisconnecting() = 0;
    virtual void OnDisconnected() = 0;
    // Around the handling of each notification of the owner thread.
    virtual void OnNotification(const Notification& n) = 0;
    virtual void OnNotificationHandled(const Notification& n) = 0;
    // A line the program sent to the server at position server of the list, without its line
    // end. Called on whichever thread sent it.
    virtual void OnSent(size_t server, std::string_view line) = 0;
};

}  // namespace orva
