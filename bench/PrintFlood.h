// A flood of printing inputs from the simulated board into a running instance: one 60-character
// line printed per input, and the time until the last input's script has run.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchSimulators.h"
#include "support/Simulators.h"

namespace orva::bench {

// The pins of the flood instance: each change of kPrintPin prints one line, of kSilentPin only
// counts; a change of kTellPin sends the count to the server.
inline constexpr int kPrintPin = 20;
inline constexpr int kTellPin = 21;
inline constexpr int kSilentPin = 22;
inline constexpr size_t kLineLength = 60;

// The flood instance `name` in folder. Its scripts send their lines to offsets from `base` on
// (base: connected, base + 1 and base + 2: the count), so that no line of an earlier instance
// on the same server is taken for one of this one.
inline void WriteFloodInstance(const std::filesystem::path& folder, const std::string& name,
                               int port, int base) {
    const std::string start = "input 20 changed to ";  // then the value, then the padding
    const std::string line = std::string(kLineLength - start.size() - 1, '.');
    const std::string b = std::to_string(base);
    WriteInstance(
        folder, name, port,
        "<offset type=\"0\" name=\"READY\" id=\"0\" script=\"n = 0 iocp.offset.value.set('P3D', " +
            b +
            ", 1)\"/>"
            "<offset type=\"2\" name=\"PRINTED\" id=\"20\" script=\"n = n + 1 print('" +
            start + "', Value, '" + line +
            "') printnl()\"/>"
            "<offset type=\"2\" name=\"SILENT\" id=\"22\" script=\"n = n + 1\"/>"
            "<offset type=\"2\" name=\"TELL\" id=\"21\" script=\"iocp.offset.value.set('P3D', " +
            b + " + 1 + Value, n)\"/>");
}

// The flood instance as it runs: what its scripts have counted so far.
class CFlood {
public:
    CFlood(Simulators& sims, int base) : sims_(sims), base_(base) {}

    // Waits until the instance has connected and run its start-up script.
    bool WaitReady(int timeoutMs = 30000) {
        return sims_.server->Command("wait-line Arn.Resp:" + std::to_string(base_) +
                                     "=1: " + std::to_string(timeoutMs)) == "ok";
    }

    // Changes pin `count` times, then the tell pin; the seconds from the first change until
    // the count reached the server (every script before it has run), negative on a timeout.
    double Feed(int pin, long long count, int timeoutMs = 600000) {
        const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
        sims_.board->Command("burst " + std::to_string(pin) + " " + std::to_string(count));
        const int level = ++tells_ & 1;
        sims_.board->Command("set " + std::to_string(kTellPin) + " " + std::to_string(level));
        counted_ += count;
        const std::string at = sims_.server->Command(
            "wait-line-time Arn.Resp:" + std::to_string(base_ + 1 + level) + "=" +
            std::to_string(counted_) + ": " + std::to_string(timeoutMs));
        if (at == "timeout") {
            std::fprintf(stderr, "the count never reached %lld: %s\n", counted_,
                         sims_.server->Command("get " + std::to_string(base_ + 1 + level)).c_str());
            return -1;
        }
        return static_cast<double>(std::stoll(at) - start) / 1e9;
    }

private:
    Simulators& sims_;
    int base_;
    long long counted_ = 0;
    int tells_ = 0;
};

}  // namespace orva::bench
