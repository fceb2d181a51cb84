// A board object linked to a simulated board in the same process, with its notifications
// recorded on the test's thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "BoardSim.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"
#include "support/Pump.h"
#include "support/TestEnv.h"

namespace orva::test {

class CardTest : public HomeTest {
protected:
    void SetUp() override {
        notify_.SetHandler([this](const Notification& n) {
            seen_.push_back(n);
            return 0;
        });
    }
    void TearDown() override {
        card_.Close();
        boards_.clear();
    }

    sim::CBoardSim& AddBoard(const std::string& serial, sim::BoardKind kind = sim::BoardKind::Main,
                             std::vector<int> ext = {}) {
        boards_.push_back(std::make_unique<sim::CBoardSim>(sim::BoardOptions{serial, kind, ext}));
        EXPECT_TRUE(boards_.back()->Start());
        return *boards_.back();
    }

    // Opens card_ on the board with that serial, its threads running.
    void OpenCard(const std::u16string& serial, int32_t product = -1) {
        card_.Configure(product, serial);
        ASSERT_TRUE(card_.Open());
        card_.StartThreads();
        ASSERT_EQ(board().Execute("wait-client 2000"), "ok");
    }
    sim::CBoardSim& board() { return *boards_.front(); }

    // Handles notifications until pred holds (or a few seconds pass).
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }
    std::vector<Notification> Seen(uint32_t message) const {
        std::vector<Notification> out;
        for (const auto& n : seen_) {
            if (n.message == message) out.push_back(n);
        }
        return out;
    }

    CVirtualHidBackend backend_;
    CNotify notify_;
    std::vector<Notification> seen_;
    std::vector<std::unique_ptr<sim::CBoardSim>> boards_;
    COrvaCard card_{backend_, &notify_};
};

inline std::vector<std::pair<int64_t, int64_t>> Pairs(const std::vector<Notification>& ns) {
    std::vector<std::pair<int64_t, int64_t>> out;
    for (const auto& n : ns) out.emplace_back(n.wParam, n.lParam);
    return out;
}

}  // namespace orva::test
