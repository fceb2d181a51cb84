#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orva::test {
namespace {

// False when the client has gone.
bool SendAll(int fd, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

HttpServer::HttpServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(listen_, 8);
    socklen_t len = sizeof(addr);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    ::shutdown(listen_, SHUT_RDWR);
    thread_.join();
    ::close(listen_);
}

void HttpServer::Set(std::string path, Answer answer, std::string body) {
    std::lock_guard lock(mutex_);
    path_ = std::move(path);
    answer_ = answer;
    body_ = std::move(body);
    released_ = false;
}

void HttpServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

std::vector<std::string> HttpServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpServer::WaitForRelease() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return released_ || stop_; });
}

void HttpServer::Serve() {
    for (;;) {
        const int fd = ::accept(listen_, nullptr, nullptr);
        if (fd < 0) {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            continue;
        }
        std::string request;
        char buf[2048];
        ssize_t n = 0;
        while (request.find("\r\n\r\n") == std::string::npos &&
               (n = ::recv(fd, buf, sizeof(buf), 0)) > 0) {
            request.append(buf, static_cast<size_t>(n));
        }
        const size_t space = request.find(' ');
        Respond(fd, space == std::string::npos
                        ? std::string()
                        : request.substr(space + 1, request.find(' ', space + 1) - space - 1));
        ::close(fd);
    }
}

void HttpServer::Respond(int fd, const std::string& path) {
    Answer answer;
    std::string body;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(path);
        answer = path == path_ ? answer_ : Answer::NotFound;
        body = body_;
    }
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\nConnection: close\r\n\r\n";
    const size_t half = body.size() / 2;
    switch (answer) {
        case Answer::Document:
            SendAll(fd, head + body);
            break;
        case Answer::NotFound:
            SendAll(fd,
                    "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
                    "Not found");
            break;
        case Answer::CutHalfWay:
            SendAll(fd, head + body.substr(0, half));
            break;
        case Answer::PauseHalfWay:
            SendAll(fd, head + body.substr(0, half));
            WaitForRelease();
            SendAll(fd, body.substr(half));
            break;
        case Answer::Silent:
            WaitForRelease();
            break;
        case Answer::Late:
            WaitForRelease();
            SendAll(fd, head + body);
            break;
        case Answer::Endless:
            // No length: the body again and again, until the client gives up.
            if (!SendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) break;
            while (SendAll(fd, body)) {
            }
            break;
    }
}

}  // namespace orva::test
