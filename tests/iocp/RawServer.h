// A plain TCP peer on loopback for the client tests: exact bytes in, exact bytes out.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace orva::test {

class RawServer {
public:
    RawServer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(listen_, 4);
        socklen_t len = sizeof(addr);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~RawServer() {
        CloseClient();
        ::close(listen_);
    }
    int Port() const { return port_; }
    bool Accept(int timeoutMs = 3000) {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return false;
        client_ = ::accept(listen_, nullptr, nullptr);
        return client_ >= 0;
    }
    void Send(const std::string& bytes) {
        ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    // Everything received until text has arrived (or the time is up).
    std::string ReceiveUntil(const std::string& text, int timeoutMs = 3000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (received_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{client_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
            char buf[4096];
            const ssize_t n = ::recv(client_, buf, sizeof(buf), 0);
            if (n <= 0) break;
            received_.append(buf, static_cast<size_t>(n));
        }
        return received_;
    }
    std::string Take() {
        std::string r;
        r.swap(received_);
        return r;
    }
    void CloseClient() {
        if (client_ >= 0) ::close(client_);
        client_ = -1;
    }

private:
    int listen_ = -1;
    int client_ = -1;
    int port_ = 0;
    std::string received_;
};

}  // namespace orva::test
