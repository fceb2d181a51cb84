#include "BenchSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace orva::bench {

void Figure(std::string_view name, double value, std::string_view unit) {
    std::printf("FIGURE %.*s=%.3f %.*s\n", static_cast<int>(name.size()), name.data(), value,
                static_cast<int>(unit.size()), unit.data());
    std::fflush(stdout);
}

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
        if (i == 15) break;
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

namespace {

double StatusMb(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
    }
    return 0;
}

}  // namespace

double PeakRssMb(pid_t pid) {
    return StatusMb(pid, "VmHWM:");
}

double RssMb(pid_t pid) {
    return StatusMb(pid, "VmRSS:");
}

double Quantile(std::vector<double>& samples, double q) {
    if (samples.empty()) return 0.0;
    std::sort(samples.begin(), samples.end());
    const size_t at =
        std::min(samples.size() - 1, static_cast<size_t>(q * (samples.size() - 1) + 0.5));
    return samples[at];
}

namespace {
const std::string kEchoLine = "Arn.Resp:330=1:\r\n";
}  // namespace

CLoopbackEcho::CLoopbackEcho() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(listener_, 1);
    socklen_t len = sizeof(addr);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    echo_ = std::thread([this] {
        const int one = 1;
        const int fd = ::accept(listener_, nullptr, nullptr);
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        char buf[64];
        ssize_t n = 0;
        while ((n = ::recv(fd, buf, sizeof(buf), 0)) > 0)
            ::send(fd, buf, static_cast<size_t>(n), 0);
        ::close(fd);
    });
    const int one = 1;
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

CLoopbackEcho::~CLoopbackEcho() {
    ::close(fd_);  // the echo's receive ends
    echo_.join();
    ::close(listener_);
}

double CLoopbackEcho::RoundTripMicros() {
    char buf[64];
    const auto start = Clock::now();
    ::send(fd_, kEchoLine.data(), kEchoLine.size(), 0);
    size_t got = 0;
    while (got < kEchoLine.size()) {
        const ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double LoopbackRoundTripMicros(int rounds) {
    CLoopbackEcho echo;
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) samples.push_back(echo.RoundTripMicros());
    return Quantile(samples, 0.5);
}

}  // namespace orva::bench
