// A script state whose scripts reach a board object opened on a simulated board in this process,
// for the card functions' tests. No link threads: the test replays the board's reports.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "BoardSim.h"
#include "ScriptTestSupport.h"
#include "card/CardShared.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"

namespace orva::test {

using Bytes = std::vector<uint8_t>;
using Steps = std::vector<std::pair<int64_t, int64_t>>;

class CardScriptTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        notify_.SetHandler([this](const Notification& n) {
            seen_.push_back(n);
            return int64_t{0};
        });
    }
    void TearDown() override {
        state_.reset();
        card_.Close();
        board_.reset();
    }

    // The simulated board, the card opened on it, and a state whose scripts reach that card.
    void Connect(sim::BoardKind kind = sim::BoardKind::Main) {
        const std::string serial = kind == sim::BoardKind::Main ? "ORVA-12345" : "SRV-00001";
        board_ = std::make_unique<sim::CBoardSim>(sim::BoardOptions{serial, kind, {}});
        ASSERT_TRUE(board_->Start());
        card_.Configure(-1, Widen(serial));
        ASSERT_TRUE(card_.Open());
        services_.card = &card_;
        state_ = CScriptState::Create(services_);
        ASSERT_TRUE(state_);
    }

    // The reports written since the last call: a marker written after them arrives last.
    std::vector<Bytes> Drain() {
        card_.SendCommand(CMD_INFO_DONE, 0x5A);
        std::vector<Bytes> out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!board_->WaitReceived(1, 100)) continue;
            for (auto& r : board_->TakeReceived()) {
                if (r[1] == CMD_INFO_DONE && r[2] == 0x5A) return out;
                out.push_back(std::move(r));
            }
        }
        ADD_FAILURE() << "the marker never arrived";
        return out;
    }

    // Replays an inputs report with exactly these pins set; answers the encoder steps it posted.
    Steps Replay(std::initializer_list<int> pins) {
        Report r{};
        r[1] = REPORT_INPUTS;
        for (int pin : pins)
            r[static_cast<size_t>(1 + pin / 8)] |= static_cast<uint8_t>(0x80u >> (pin % 8));
        seen_.clear();
        card_.HandleReport(r.data(), r.size());
        notify_.ProcessPending();
        Steps steps;
        for (const auto& n : seen_) {
            if (n.message == WM_CARD_ENCODER) steps.emplace_back(n.wParam, n.lParam);
        }
        return steps;
    }

    CVirtualHidBackend backend_;
    CNotify notify_;
    std::vector<Notification> seen_;
    std::unique_ptr<sim::CBoardSim> board_;
    COrvaCard card_{backend_, &notify_};
};

}  // namespace orva::test
