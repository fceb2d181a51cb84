// The IOCP link: how fast value lines are parsed and stored, and how long an offset change on
// the test server takes to run its event's script.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "IocpSim.h"
#include "core/EventDispatcher.h"
#include "iocp/IocpClient.h"
#include "iocp/IocpLineParser.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

using namespace orva;
using bench::Clock;

namespace {

// Stores into a table of cells as the client does.
class Cells final : public IIocpLineActions {
public:
    Cells() {
        for (int i = 0; i < 10000; ++i)
            table_[static_cast<size_t>(i)] = &values_[static_cast<size_t>(i)];
    }
    void OnValue(int64_t offset, int32_t value) override {
        if (offset >= 0 && offset < 10000)
            table_[static_cast<size_t>(offset)].load()->store(value, std::memory_order_relaxed);
    }
    void OnValuesArrived() override { ++arrived; }
    void OnServerEnd() override {}
    void OnRegistrationRequested() override {}
    void OnKeepAlive() override {}
    int arrived = 0;

private:
    std::array<std::atomic<int32_t>, 10000> values_{};
    std::array<std::atomic<std::atomic<int32_t>*>, 10000> table_{};
};

double ParseRatio() {
    std::vector<std::string> lines;
    for (int l = 0; l < 1000; ++l) {
        std::string line = "Arn.Resp:";
        for (int p = 0; p < 10; ++p)
            line +=
                std::to_string(100 + (l * 10 + p) % 9000) + "=" + std::to_string(l * p - 500) + ":";
        lines.push_back(line);
    }
    Cells cells;
    constexpr int kRounds = 200;
    const double parse = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds; ++r) {
            for (const auto& line : lines) ParseIocpLine(line, cells);
        }
    });
    volatile size_t marks = 0;
    const double scan = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds; ++r) {
            for (const auto& line : lines) {
                size_t n = 0;
                for (char c : line) n += (c == ':') + (c == '=');
                marks = marks + n;
            }
        }
    });
    const double pairs = 10.0 * lines.size() * kRounds;
    std::printf(
        "Resp pairs parsed and stored: %.1f M/s; bytes scanned for ':' and '=': %.1f M pairs/s\n",
        pairs / parse / 1e6, pairs / scan / 1e6);
    return parse / scan;
}

struct NoControl : IConnectionControl {
    void Disconnect() override {}
    void RefreshStatus() override {}
};

}  // namespace

int main() {
    bench::Figure("iocp_parse_vs_scan", ParseRatio(), "x");

    test::TempHome home;
    ::chdir(home.Root().c_str());  // the client's log stays in the temporary folder
    sim::CIocpSim server({0, "P3D", 0});
    if (!server.Start()) return 1;
    CEventTable table;
    table[0].type = kEventFirstIocp;
    table[0].id = 330;
    table[0].script = u"last = Value";
    table[1].id = -1;
    table.SetAllLastValues(CEventTable::kNotDispatched);
    std::atomic<int64_t> ranAt{0};
    std::atomic<int32_t> ranWith{0};
    CEventTypeNames names;
    CRecordingPrompt prompt;
    NoControl control;
    ScriptServices services;
    services.events = &table;
    auto state = CScriptState::Create(services);
    CEventDispatcher dispatcher(table, names, prompt, control);
    dispatcher.SetScriptRunner(state.get());
    CNotify notify;
    notify.SetHandler([&](const Notification& n) {
        dispatcher.Dispatch(n);
        // The script has run when the dispatch returns.
        ranAt = Clock::now().time_since_epoch().count();
        ranWith = table[0].lastValue.load();
        return 0;
    });
    CIocpClient client;
    client.Connect("127.0.0.1", dispatcher.BuildSubscriptionList(kEventFirstIocp), server.Port());
    client.SetNotify(&notify, WM_IOCP_NOTIFY, kEventFirstIocp);
    const auto settle = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < settle) notify.WaitAndProcess(std::chrono::milliseconds(10));

    constexpr int kChanges = 10000;
    std::vector<double> latencies;
    for (int i = 1; i <= kChanges; ++i) {
        ranWith = 0;
        const auto start = Clock::now();
        server.SetValues({{330, i}});
        while (ranWith != i) notify.WaitAndProcess(std::chrono::milliseconds(100));
        latencies.push_back(std::chrono::duration<double, std::micro>(
                                Clock::duration(ranAt - start.time_since_epoch().count()))
                                .count());
    }
    const double rtt = bench::LoopbackRoundTripMicros(kChanges);
    const double median = bench::Quantile(latencies, 0.5);
    const double p99 = bench::Quantile(latencies, 0.99);
    std::printf(
        "offset set on the server to its script run: median %.1f us, p99 %.1f us; "
        "loopback line round trip median %.1f us\n",
        median, p99, rtt);
    bench::Figure("iocp_offset_latency_vs_rtt", median / rtt, "x");
    bench::Figure("iocp_offset_p99_us", p99, "us");
    client.Disconnect();
    server.Stop();
    return 0;
}
