// The board link: how fast input reports are parsed, and how long an input change takes from
// the simulated board to its notification handled on the owner thread.
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "BoardSim.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"
#include "support/TestEnv.h"

using namespace orva;
using bench::Clock;

namespace {

double ParseRatio(COrvaCard& card, CNotify& notify) {
    constexpr int kReports = 200000;
    Report a{};
    Report b{};
    b[3] = 0x80;  // pin 16 set: each report changes one bit
    std::vector<const Report*> reports = {&a, &b};
    const double parse = bench::BestSeconds(5, [&] {
        for (int i = 0; i < kReports; ++i) {
            card.HandleReport(reports[i & 1]->data(), kReportSize);
            if ((i & 1023) == 0) notify.ProcessPending();
        }
        notify.ProcessPending();
    });
    Report shadow{};
    volatile int differing = 0;
    const double baseline = bench::BestSeconds(5, [&] {
        for (int i = 0; i < kReports; ++i) {
            const Report& r = *reports[i & 1];
            if (std::memcmp(shadow.data(), r.data(), kReportSize) != 0) differing = differing + 1;
            std::memcpy(shadow.data(), r.data(), kReportSize);
        }
    });
    std::printf("inputs report parsed and posted: %.1f ns; copy and compare only: %.1f ns\n",
                parse / kReports * 1e9, baseline / kReports * 1e9);
    return parse / baseline;
}

// A 65-byte message there and back over the same kind of socket the board uses.
double RoundTripMicros(int rounds) {
    int sv[2];
    ::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sv);
    std::thread echo([&] {
        uint8_t buf[65];
        while (::recv(sv[1], buf, sizeof(buf), 0) > 0) ::send(sv[1], buf, sizeof(buf), 0);
    });
    std::vector<double> samples;
    uint8_t buf[65] = {};
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        ::send(sv[0], buf, sizeof(buf), 0);
        ::recv(sv[0], buf, sizeof(buf), 0);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    ::shutdown(sv[0], SHUT_RDWR);
    echo.join();
    ::close(sv[0]);
    ::close(sv[1]);
    return bench::Quantile(samples, 0.5);
}

// Display refreshes and encoder decoding, each beside the rate at which plain 65-byte reports
// can be written to the board: that rate is the limit a refresh works against.
void DisplaysAndEncoders(COrvaCard& card, CNotify& notify) {
    constexpr int kWrites = 20000;
    Report report{};
    report[1] = CMD_SET_OUTPUTS;
    const double writes = kWrites / bench::BestSeconds(3, [&] {
                              for (int i = 0; i < kWrites; ++i)
                                  card.WriteReport(report.data(), report.size());
                          });
    const int display = card.CreateDisplay(1, 6);
    const double refreshes = kWrites / bench::BestSeconds(3, [&] {
                                 for (int i = 0; i < kWrites; ++i) {
                                     card.WithDisplay(display, [i](CCardDisplay& d) {
                                         d.ShowFrequency(11800 + i % 100);
                                     });
                                 }
                             });
    card.CreateEncoder(100, 101, 1);
    // The quadrature cycle on pins 100 (byte 13, bit 0x08) and 101 (bit 0x04): one step a report.
    std::array<Report, 4> cycle{};
    const uint8_t levels[4] = {0x00, 0x08, 0x0C, 0x04};
    for (size_t i = 0; i < 4; ++i) cycle[i][1 + 100 / 8] = levels[i];
    constexpr int kSteps = 200000;
    const double steps =
        kSteps / bench::BestSeconds(3, [&] {
            for (int i = 0; i < kSteps; ++i) {
                card.HandleReport(cycle[static_cast<size_t>(i) % 4].data(), kReportSize);
                if ((i & 1023) == 0) notify.ProcessPending();
            }
            notify.ProcessPending();
        });
    std::printf(
        "65-byte report writes: %.0f/s; 6-digit frequency refreshes: %.0f/s; encoder steps "
        "decoded: %.0f/s\n",
        writes, refreshes, steps);
    bench::Figure("display_refresh_vs_write", refreshes / writes, "x");
    bench::Figure("encoder_steps_vs_reports", steps / writes, "x");
}

}  // namespace

int main() {
    test::TempHome home;  // a private runtime folder for the simulated board
    sim::CBoardSim board({"ORVA-12345", sim::BoardKind::Main, {}});
    if (!board.Start()) return 1;
    CVirtualHidBackend backend;
    CNotify notify;
    std::atomic<int64_t> handledAt{0};
    notify.SetHandler([&](const Notification& n) {
        if (n.message == WM_CARD_INPUT) {
            handledAt = Clock::now().time_since_epoch().count();
        }
        return 0;
    });

    {
        COrvaCard card(backend, &notify);
        card.Configure(-1, u"ORVA-12345");
        if (!card.Open()) return 1;
        bench::Figure("card_parse_vs_memcmp", ParseRatio(card, notify), "x");
        DisplaysAndEncoders(card, notify);
    }

    COrvaCard card(backend, &notify);
    card.Configure(-1, u"ORVA-12345");
    if (!card.Open()) return 1;
    card.StartThreads();
    while (!board.HasClient()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // the reader settles
    notify.ProcessPending();

    std::atomic<int64_t> writtenAt{0};
    board.SetReportHook([&] { writtenAt = Clock::now().time_since_epoch().count(); });
    constexpr int kChanges = 10000;
    std::vector<double> latencies;
    for (int i = 0; i < kChanges; ++i) {
        handledAt = 0;
        board.SetInputs({{16, (i & 1) == 0}});
        while (handledAt == 0) notify.WaitAndProcess(std::chrono::milliseconds(100));
        latencies.push_back(static_cast<double>(handledAt - writtenAt) / 1000.0);
    }
    board.SetReportHook(nullptr);
    const double rtt = RoundTripMicros(kChanges);
    const double median = bench::Quantile(latencies, 0.5);
    const double p99 = bench::Quantile(latencies, 0.99);
    std::printf(
        "input change to handled notification: median %.1f us, p99 %.1f us; "
        "65-byte socket round trip median %.1f us\n",
        median, p99, rtt);
    bench::Figure("card_input_latency_vs_rtt", median / rtt, "x");
    bench::Figure("card_input_p99_us", p99, "us");
    card.Close();
    board.Stop();
    return 0;
}
