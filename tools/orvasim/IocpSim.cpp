#include "IocpSim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <utility>

#include "SimCommands.h"
#include "SimSupport.h"
#include "platform/Paths.h"

namespace orva::sim {
namespace {

// "o=v:o=v:" of one line, as far as it reads.
std::vector<std::pair<int, int>> ParsePairs(const std::string& items) {
    std::vector<std::pair<int, int>> pairs;
    std::istringstream in(items);
    std::string item;
    while (std::getline(in, item, ':')) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        const auto o = ParseNumber(item.substr(0, eq));
        const auto v = ParseNumber(item.substr(eq + 1));
        if (o && v) pairs.emplace_back(static_cast<int>(*o), static_cast<int>(*v));
    }
    return pairs;
}

}  // namespace

CIocpSim::Client::~Client() {
    ::close(fd);
}

CIocpSim::CIocpSim(IocpOptions options) : options_(std::move(options)) {}

CIocpSim::~CIocpSim() {
    Stop();
}

bool CIocpSim::Start() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
    addr.sin_port = htons(static_cast<uint16_t>(options_.port));
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listen_, 16) != 0) {
        return false;
    }
    socklen_t len = sizeof(addr);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    const auto folder = RuntimeFolder() / "iocp";
    std::filesystem::create_directories(folder);
    controlPath_ = (folder / ("iocp-" + std::to_string(port_) + ".ctl")).string();
    controlListen_ = ListenUnix(controlPath_, SOCK_STREAM);
    if (controlListen_ < 0) return false;
    Announce();
    running_ = true;
    acceptThreads_.emplace_back([this] { Accept(); });
    acceptThreads_.emplace_back([this] {
        AcceptEach(controlListen_, running_, [this](int fd) {
            std::lock_guard lock(mutex_);
            controlFds_.push_back(fd);
            threads_.emplace_back([this, fd] {
                ServeCommandLines(fd, [this](const std::string& line) { return Execute(line); });
                std::lock_guard guard(mutex_);
                controlFds_.erase(std::remove(controlFds_.begin(), controlFds_.end(), fd),
                                  controlFds_.end());
                ::close(fd);
            });
        });
    });
    if (options_.keepAliveMs > 0) acceptThreads_.emplace_back([this] { KeepAlive(); });
    return true;
}

// The plug-and-play module finds servers by these files: alias, address and port, held
// locked while the server runs.
void CIocpSim::Announce() {
    const auto folder = RuntimeFolder() / "iocp";
    announcePath_ = (folder / ("iocp-" + std::to_string(port_) + ".info")).string();
    const std::string tmp = announcePath_ + ".tmp";
    announceFd_ = ::open(tmp.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (announceFd_ < 0) return;
    ::flock(announceFd_, LOCK_EX);
    const std::string text =
        "alias=" + options_.alias + "\naddress=127.0.0.1\nport=" + std::to_string(port_) + "\n";
    if (::write(announceFd_, text.data(), text.size()) == static_cast<ssize_t>(text.size())) {
        ::rename(tmp.c_str(), announcePath_.c_str());
    }
}

void CIocpSim::Stop() {
    if (!running_.exchange(false)) return;
    ::unlink(announcePath_.c_str());
    ::unlink(controlPath_.c_str());
    ::shutdown(listen_, SHUT_RDWR);
    ::shutdown(controlListen_, SHUT_RDWR);
    {
        // Under the lock, so that the keep-alive thread cannot miss it between check and wait.
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
    for (auto& t : acceptThreads_) t.join();
    acceptThreads_.clear();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (const auto& c : clients_) ::shutdown(c->fd, SHUT_RDWR);
        for (int fd : controlFds_) ::shutdown(fd, SHUT_RDWR);
        threads.swap(threads_);
    }
    for (auto& t : threads) t.join();
    ::close(listen_);
    ::close(controlListen_);
    if (announceFd_ >= 0) ::close(announceFd_);
}

void CIocpSim::KeepAlive() {
    std::unique_lock lock(mutex_);
    while (running_) {
        // Once a period: the changes notified meanwhile (each line a client sends, its answers
        // to keep-alives included) must not each send one more.
        if (changed_.wait_for(lock, std::chrono::milliseconds(options_.keepAliveMs),
                              [&] { return !running_; })) {
            return;
        }
        lock.unlock();
        Broadcast("Arn.Vivo:");
        lock.lock();
    }
}

void CIocpSim::Accept() {
    AcceptEach(listen_, running_, [this](int fd) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        auto client = std::make_shared<Client>(fd);
        SendTo(*client, "Arn.TipoSer:" + options_.alias + ":");
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
        threads_.emplace_back([this, client] { Serve(client); });
        changed_.notify_all();
    });
}

void CIocpSim::Serve(std::shared_ptr<Client> client) {
    std::string pending;
    while (const auto line = ReadLine(client->fd, pending)) HandleLine(client, *line);
    std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    changed_.notify_all();
}

void CIocpSim::HandleLine(const std::shared_ptr<Client>& client, const std::string& line) {
    const int64_t arrivedAt = std::chrono::steady_clock::now().time_since_epoch().count();
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = lineHook_;
    }
    if (hook) hook(line);
    std::printf("recv %s\n", line.c_str());
    std::fflush(stdout);
    if (line.rfind("Arn.Inicio:", 0) == 0) {
        std::string answer = "Arn.Resp:";
        bool drop = false;
        {
            std::lock_guard lock(mutex_);
            drop = std::exchange(dropAtRegistration_, false);
            std::istringstream in(line.substr(11));
            std::string item;
            while (std::getline(in, item, ':')) {
                const auto offset = ParseNumber(item);
                if (!offset) continue;
                client->offsets.insert(static_cast<int>(*offset));
                const auto it = values_.find(static_cast<int>(*offset));
                answer += item + "=" + std::to_string(it == values_.end() ? 0 : it->second) + ":";
            }
        }
        if (drop) {
            // Half an answer, then the link is gone: a server that ends in the middle.
            SendRaw(*client, std::string_view(answer).substr(0, answer.size() / 2));
            ::shutdown(client->fd, SHUT_RDWR);
        } else {
            SendTo(*client, answer);
        }
    } else if (line.rfind("Arn.Resp:", 0) == 0) {
        SetValues(ParsePairs(line.substr(9)));
    } else if (line.rfind("Arn.Fin:", 0) == 0) {
        ::shutdown(client->fd, SHUT_RDWR);
    }
    // Logged once handled, so that whoever waits for a line also sees what it did (a value
    // set, an answer sent).
    std::lock_guard lock(mutex_);
    lastIndex_[line] = received_.size();
    received_.push_back(line);
    receivedAt_.push_back(arrivedAt);
    changed_.notify_all();
}

void CIocpSim::SendRaw(Client& client, std::string_view bytes, bool bytewise) {
    std::lock_guard lock(client.sending);
    if (!bytewise) {
        WriteAll(client.fd, std::string(bytes));
        return;
    }
    for (const char byte : bytes) {
        if (::send(client.fd, &byte, 1, MSG_NOSIGNAL) != 1) return;
    }
}

void CIocpSim::SendTo(Client& client, const std::string& line) {
    SendRaw(client, line + "\r\n");
}

void CIocpSim::Broadcast(const std::string& line) {
    std::vector<std::shared_ptr<Client>> clients;
    {
        std::lock_guard lock(mutex_);
        clients = clients_;
    }
    for (const auto& c : clients) SendTo(*c, line);
}

void CIocpSim::SetValues(const std::vector<std::pair<int, int>>& values) {
    std::vector<std::pair<std::shared_ptr<Client>, std::string>> messages;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [o, v] : values) values_[o] = v;
        // Every client that registered a changed offset hears of it, the writer included.
        for (const auto& c : clients_) {
            std::string line = "Arn.Resp:";
            for (const auto& [o, v] : values) {
                if (c->offsets.count(o)) line += std::to_string(o) + "=" + std::to_string(v) + ":";
            }
            if (line.size() > 9) messages.emplace_back(c, line);
        }
        changed_.notify_all();
    }
    for (const auto& [client, line] : messages) SendTo(*client, line);
}

void CIocpSim::BurstValues(int count, int offset, int value, bool bytewise) {
    std::string lines;
    std::vector<std::shared_ptr<Client>> clients;
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < count; ++i) {
            values_[offset + i] = value + i;
            lines += "Arn.Resp:" + std::to_string(offset + i) + "=" + std::to_string(value + i) +
                     ":\r\n";
        }
        clients = clients_;
    }
    for (const auto& c : clients) SendRaw(*c, lines, bytewise);
}

int CIocpSim::Value(int offset) const {
    std::lock_guard lock(mutex_);
    const auto it = values_.find(offset);
    return it == values_.end() ? 0 : it->second;
}

void CIocpSim::SetLineHook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(mutex_);
    lineHook_ = std::move(hook);
}

std::vector<std::string> CIocpSim::ReceivedLines() const {
    std::lock_guard lock(mutex_);
    return received_;
}

size_t CIocpSim::ClientCount() const {
    std::lock_guard lock(mutex_);
    return clients_.size();
}

bool CIocpSim::WaitFor(const std::function<bool()>& ready, long long timeoutMs) {
    return WaitUntil(mutex_, changed_, running_, ready, timeoutMs);
}

bool CIocpSim::WaitForLine(const std::string& line, long long timeoutMs) {
    return WaitFor(
        [&] {
            std::lock_guard lock(mutex_);
            return lastIndex_.count(line) > 0;
        },
        timeoutMs);
}

std::string CIocpSim::Execute(const std::string& line) {
    const std::vector<std::string> w = SplitWords(line);
    if (w.empty()) return "";
    const std::string& c = w[0];
    if ((c == "set" && w.size() == 3) || (c == "setmany" && w.size() >= 2)) {
        std::vector<std::pair<int, int>> values;
        if (c == "set") {
            const auto o = ParseNumber(w[1]);
            const auto v = ParseNumber(w[2]);
            if (!o || !v) return "error: set OFFSET VALUE";
            values.emplace_back(static_cast<int>(*o), static_cast<int>(*v));
        } else {
            for (size_t i = 1; i < w.size(); ++i) {
                auto pairs = ParsePairs(w[i]);
                values.insert(values.end(), pairs.begin(), pairs.end());
            }
        }
        SetValues(values);
        return "ok";
    }
    if (c == "get" && w.size() == 2) {
        const auto o = ParseNumber(w[1]);
        return o ? std::to_string(Value(static_cast<int>(*o))) : "error: get OFFSET";
    }
    if (c == "fin") {
        Broadcast("Arn.Fin:");
        return "ok";
    }
    if (c == "again") {
        Broadcast("Arn.Reinicio:");
        return "ok";
    }
    if (c == "send" && w.size() >= 2) {
        Broadcast(line.substr(line.find(w[1])));
        return "ok";
    }
    if (c == "burst" && (w.size() == 4 || (w.size() == 5 && w[4] == "bytes"))) {
        const auto count = ParseNumber(w[1]);
        const auto offset = ParseNumber(w[2]);
        const auto value = ParseNumber(w[3]);
        if (!count || !offset || !value || *count < 0 || *count > 100000) {
            return "error: burst COUNT OFFSET VALUE [bytes]";
        }
        BurstValues(static_cast<int>(*count), static_cast<int>(*offset), static_cast<int>(*value),
                    w.size() == 5);
        return "ok";
    }
    if (c == "drop-at-registration") {
        std::lock_guard lock(mutex_);
        dropAtRegistration_ = true;
        return "ok";
    }
    if (c == "drop") {
        std::lock_guard lock(mutex_);
        for (const auto& client : clients_) ::shutdown(client->fd, SHUT_RDWR);
        return "ok";
    }
    if (c == "log") {
        std::string text;
        for (const auto& l : ReceivedLines()) text += (text.empty() ? "" : "\n") + l;
        return text.empty() ? "(nothing received)" : text;
    }
    if (c == "clients") return std::to_string(ClientCount());
    if (c == "wait-line-time" && w.size() >= 2) {
        // When (steady clock, ns) the line arrived; for measurements across processes.
        const long long ms = w.size() > 2 ? ParseNumber(w[2]).value_or(5000) : 5000;
        if (!WaitForLine(w[1], ms)) return "timeout";
        std::lock_guard lock(mutex_);
        return std::to_string(receivedAt_[lastIndex_.at(w[1])]);
    }
    if (c == "wait-line" && w.size() >= 2) {
        const long long ms = w.size() > 2 ? ParseNumber(w[2]).value_or(5000) : 5000;
        return WaitForLine(w[1], ms) ? "ok" : "timeout";
    }
    if (c == "wait-clients" && w.size() >= 2) {
        const auto n = ParseNumber(w[1]);
        const long long ms = w.size() > 2 ? ParseNumber(w[2]).value_or(5000) : 5000;
        if (!n) return "error: wait-clients N [MS]";
        return WaitFor([&] { return ClientCount() == static_cast<size_t>(*n); }, ms) ? "ok"
                                                                                     : "timeout";
    }
    if (c == "info") {
        return "alias=" + options_.alias + " port=" + std::to_string(port_) +
               " clients=" + std::to_string(ClientCount()) + " control=" + controlPath_;
    }
    if (c == "quit") return "bye";
    return UnknownCommandAnswer("iocp");
}

}  // namespace orva::sim
