#include "app/SessionRecorder.h"

#include <algorithm>
#include <charconv>

#include "app/ConnectionController.h"
#include "card/PinIds.h"
#include "card/SegmentText.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace orva {
namespace {

// A server that does not send written values back must not make the list grow without end.
constexpr size_t kEchoesKept = 64;

ScenarioStep Step(StepKind kind) {
    ScenarioStep s;
    s.kind = kind;
    if (kind >= StepKind::ExpectServer) s.ms = kDefaultWithinMs;
    return s;
}

ScenarioStep Command(StepKind kind, std::string alias, std::string command) {
    ScenarioStep s = Step(kind);
    s.alias = std::move(alias);
    s.command = std::move(command);
    return s;
}

// "o=v:o=v:" of a line the program sent ("Arn.Resp:" taken off).
std::map<int32_t, int32_t> WrittenValues(std::string_view items) {
    std::map<int32_t, int32_t> values;
    while (!items.empty()) {
        const size_t colon = items.find(':');
        const std::string_view item = items.substr(0, colon);
        items = colon == std::string_view::npos ? std::string_view() : items.substr(colon + 1);
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) continue;
        int32_t o = 0;
        int32_t v = 0;
        const auto r1 = std::from_chars(item.data(), item.data() + eq, o);
        const auto r2 = std::from_chars(item.data() + eq + 1, item.data() + item.size(), v);
        if (r1.ec == std::errc() && r2.ec == std::errc()) values[o] = v;
    }
    return values;
}

std::string Pairs(const std::map<int32_t, int32_t>& values) {
    std::string text;
    for (const auto& [o, v] : values) text += std::to_string(o) + "=" + std::to_string(v) + ":";
    return text;
}

}  // namespace

CSessionRecorder::CSessionRecorder(CConnectionController& controller,
                                   std::function<void()> onFinished)
    : controller_(controller), onFinished_(std::move(onFinished)) {}

bool CSessionRecorder::Started() const {
    std::lock_guard lock(mutex_);
    return state_ == State::Connected || state_ == State::Done;
}

void CSessionRecorder::StartConnected() {
    std::lock_guard lock(mutex_);
    BeginLocked(true);
}

void CSessionRecorder::Stop() {
    std::lock_guard lock(mutex_);
    if (state_ == State::Connected) EndGroupLocked();
    if (state_ != State::Idle) state_ = State::Done;
}

void CSessionRecorder::OnConnecting() {
    std::lock_guard lock(mutex_);
    if (state_ != State::Idle && state_ != State::Connecting) return;  // one session each
    PrepareLocked();
}

void CSessionRecorder::PrepareLocked() {
    state_ = State::Connecting;
    sentWhileConnecting_.clear();
    const ServerList& list = controller_.Configuration().servers;
    servers_.assign(list.size(), Server{});
    for (size_t i = 0; i < list.size(); ++i) servers_[i].alias = ToUtf8(list[i].alias);
}

void CSessionRecorder::OnConnected() {
    std::lock_guard lock(mutex_);
    if (state_ == State::Connecting) BeginLocked(false);
}

void CSessionRecorder::BeginLocked(bool alreadyConnected) {
    COrvaCard& card = controller_.Card();
    const CardSnapshot snap = card.Snapshot(false);
    servo_ = card.IsServoBoard();
    senseVcc_ = controller_.Configuration().senseVcc;
    // What the board holds now is its state at the connect: the notifications of it that are
    // still queued then change nothing.
    std::copy(snap.inputs.begin(), snap.inputs.end(), inputs_.begin());
    initialInputs_ = inputs_;
    analog_ = snap.analog;
    initialAnalog_ = analog_;
    if (alreadyConnected) {
        PrepareLocked();
        for (size_t i = 0; i < servers_.size(); ++i) {
            servers_[i].known = servers_[i].initial = ServerValues(i);
            servers_[i].primed = true;
        }
        outputs_ = snap.outputs;
        displays_ = snap.displays;
    }
    state_ = State::Connected;
    Add(Step(StepKind::Connect));
    for (const auto& [server, line] : sentWhileConnecting_) SentLocked(server, line);
    sentWhileConnecting_.clear();
    lastInput_ = Clock::now();
    DiffLocked();
}

void CSessionRecorder::OnDisconnecting() {
    std::lock_guard lock(mutex_);
    if (state_ == State::Connecting) BeginLocked(false);  // its AFTER CONNECT events failed
    if (state_ != State::Connected) return;
    EndGroupLocked();
    AddWaitLocked();
    Add(Step(StepKind::Disconnect));
}

void CSessionRecorder::OnDisconnected() {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Connected) return;
        FlushGroupLocked();
        // The outputs went off on the wire; the displays were cleared in the images only.
        DiffOutputsLocked();
        state_ = State::Done;
    }
    if (onFinished_) onFinished_();
}

void CSessionRecorder::OnNotification(const Notification& n) {
    std::lock_guard lock(mutex_);
    if (state_ != State::Connecting && state_ != State::Connected) return;
    if (state_ == State::Connected && !group_.active) {
        // What timers and threads changed since the last look happened before this.
        DiffLocked();
        // More waiting behind this one: the board or a server was faster than the scripts (an
        // encoder's step always comes with its pins' change). What the scripts do is recorded
        // after the steps of the whole group, as it stands at its end: a replay, whose steps
        // come one by one, ends in the same state whatever it passed through on the way.
        group_.active = controller_.Notifications().PendingCount() > 0;
    }
    switch (n.message) {
        case WM_CARD_INPUT:
            group_.awaitingInput = false;
            InputLocked(n.wParam, n.lParam);
            break;
        case WM_CARD_ENCODER:
            // Its pins' change is posted right after it, maybe not yet: the group waits for it.
            group_.active = group_.active || state_ == State::Connected;
            group_.awaitingInput = group_.active;
            break;
        case WM_CARD_ADC:
            AnalogLocked(n.wParam, n.lParam);
            break;
        case WM_IOCP_NOTIFY:
            ValuesLocked(n.wParam, n.lParam);
            break;
        default:
            break;
    }
}

void CSessionRecorder::OnNotificationHandled(const Notification&) {
    std::lock_guard lock(mutex_);
    if (state_ != State::Connected) return;
    // What the first values' scripts did is part of the connect: it is recorded before any step
    // queued behind them, or a replay would expect it after that step's effects.
    if (group_.active && !group_.connectState &&
        (group_.awaitingInput || controller_.Notifications().PendingCount() > 0)) {
        return;
    }
    EndGroupLocked();
}

void CSessionRecorder::FlushGroupLocked() {
    for (auto& [server, line] : group_.sent) AddSentLocked(server, std::move(line));
    group_.sent.clear();
    group_.active = false;
    group_.connectState = false;
    group_.awaitingInput = false;
}

void CSessionRecorder::EndGroupLocked() {
    FlushGroupLocked();
    DiffLocked();
}

void CSessionRecorder::OnSent(size_t server, std::string_view line) {
    std::lock_guard lock(mutex_);
    if (state_ == State::Connecting) {
        sentWhileConnecting_.emplace_back(server, std::string(line));
    } else if (state_ == State::Connected) {
        SentLocked(server, line);
    }
}

void CSessionRecorder::SentLocked(size_t server, std::string_view line) {
    if (server >= servers_.size() || line == "Arn.Vivo:") return;  // keep-alives are no answer
    if (line.rfind("Arn.Resp:", 0) == 0) {
        // The test server tells its clients of every value written, the writer included: the
        // value that comes back is no step of its own.
        Server& s = servers_[server];
        for (const auto& [o, v] : WrittenValues(line.substr(9))) {
            auto& due = s.echoes[o];
            // The server holds it already: its answer changes no value and is never seen.
            const auto known = s.known.find(o);
            if (due.empty() && known != s.known.end() && known->second == v) continue;
            if (due.size() >= kEchoesKept) due.pop_front();
            due.push_back(v);
        }
    }
    std::string text = ToUtf8(FromAnsi(line));
    if (!group_.active) {
        AddSentLocked(server, std::move(text));
        return;
    }
    // Of the lines of one kind (one offset written, one key sent) a group keeps the last.
    const std::string key = text.substr(0, text.find('='));
    std::erase_if(group_.sent, [&](const auto& sent) {
        return sent.first == server && sent.second.substr(0, sent.second.find('=')) == key;
    });
    group_.sent.emplace_back(server, std::move(text));
}

void CSessionRecorder::AddSentLocked(size_t server, std::string line) {
    ScenarioStep s = Step(StepKind::ExpectServer);
    s.alias = servers_[server].alias;
    s.match = std::move(line);
    Add(std::move(s));
}

void CSessionRecorder::InputLocked(int64_t pin, int64_t level) {
    if (pin < 8 || pin > kLastPin) return;
    // The notification carries the level after the Sense jumper; the board command sets bits.
    const bool bit = (level != 0) != senseVcc_;
    const PinBit b = InputBit(static_cast<int>(pin));
    if (((inputs_[b.byte] & b.mask) != 0) == bit) return;
    inputs_[b.byte] = bit ? (inputs_[b.byte] | b.mask) : (inputs_[b.byte] & ~b.mask);
    if (state_ == State::Connecting) {
        initialInputs_ = inputs_;
        return;
    }
    AddInputStepLocked(
        Command(StepKind::Board, "", "set " + std::to_string(pin) + " " + (bit ? "1" : "0")));
}

void CSessionRecorder::AnalogLocked(int64_t channel, int64_t value) {
    // Channel 0 of a main board is the report's own type word: no channel at all.
    if (channel < 1 || channel > 8 || analog_[static_cast<size_t>(channel)] == value) return;
    analog_[static_cast<size_t>(channel)] = static_cast<int>(value);
    if (state_ == State::Connecting) {
        initialAnalog_ = analog_;
        return;
    }
    // A servo board's values are its 16-bit readings scaled to 0-1023.
    const int64_t raw = servo_ ? value * 64 : value;
    AddInputStepLocked(
        Command(StepKind::Board, "", "adc " + std::to_string(channel) + " " + std::to_string(raw)));
}

void CSessionRecorder::ValuesLocked(int64_t code, int64_t type) {
    const int64_t index = type - kEventFirstIocp;
    if (index < 0 || index >= static_cast<int64_t>(servers_.size())) return;
    Server& server = servers_[static_cast<size_t>(index)];
    if (code == 1 || code == 2) {
        if (state_ == State::Connected) {
            AddInputStepLocked(
                Command(StepKind::Server, server.alias, code == 1 ? "again" : "fin"));
        }
        return;
    }
    if (code != 0) return;
    const std::map<int32_t, int32_t> now = ServerValues(static_cast<size_t>(index));
    if (!server.primed) {
        // The server's first values answer the registration: they are its state at the connect.
        server.primed = true;
        server.known = server.initial = now;
        group_.connectState = true;
        return;
    }
    std::map<int32_t, int32_t> changed;
    for (const auto& [o, v] : now) {
        const auto it = server.known.find(o);
        if (it != server.known.end() && it->second == v) continue;
        server.known[o] = v;
        // A value the program wrote came back (the later ones may still be on their way).
        auto& due = server.echoes[o];
        const auto echo = std::find(due.begin(), due.end(), v);
        if (echo != due.end()) {
            due.erase(due.begin(), echo + 1);
            continue;
        }
        changed[o] = v;
    }
    if (changed.empty()) return;
    AddInputStepLocked(Command(StepKind::Server, server.alias,
                               changed.size() == 1
                                   ? "set " + std::to_string(changed.begin()->first) + " " +
                                         std::to_string(changed.begin()->second)
                                   : "setmany " + Pairs(changed)));
}

std::map<int32_t, int32_t> CSessionRecorder::ServerValues(size_t server) const {
    const CEventTable& table = controller_.Events();
    const auto type = static_cast<uint8_t>(kEventFirstIocp + server);
    std::map<int32_t, int32_t> values;
    for (size_t i = 0; i < table.UsedCount(); ++i) {
        if (table[i].type == type && server < static_cast<size_t>(kMaxIocpTypedServers)) {
            values.emplace(table[i].id, table[i].value.load(std::memory_order_relaxed));
        }
    }
    return values;
}

void CSessionRecorder::AddWaitLocked() {
    const auto now = Clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastInput_).count();
    lastInput_ = now;
    if (ms <= 0) return;
    ScenarioStep wait = Step(StepKind::Wait);
    wait.ms = std::min<int64_t>(ms, kMaxScenarioMs);
    Add(std::move(wait));
}

void CSessionRecorder::AddInputStepLocked(ScenarioStep step) {
    AddWaitLocked();
    Add(std::move(step));
}

void CSessionRecorder::DiffLocked() {
    DiffOutputsLocked();
    DiffDigitsLocked();
}

void CSessionRecorder::DiffOutputsLocked() {
    COrvaCard& card = controller_.Card();
    const Report image = card.OutputImage();
    for (int pin = kFirstPin; pin <= kLastPin; ++pin) {
        const PinBit b = OutputBit(pin);
        const bool on = (image[b.byte] & b.mask) != 0;
        // A blinking output changes by itself; when it stops blinking, its level counts again.
        if (on == ((outputs_[b.byte] & b.mask) != 0) || card.IsOutputBlinking(pin)) continue;
        ScenarioStep s = Step(StepKind::ExpectOutput);
        s.pin = pin;
        s.level = on ? 1 : 0;
        Add(std::move(s));
    }
    outputs_ = image;
}

void CSessionRecorder::DiffDigitsLocked() {
    COrvaCard& card = controller_.Card();
    std::array<DisplayReport, kDisplayCards> images;
    for (int c = 0; c < kDisplayCards; ++c) images[static_cast<size_t>(c)] = card.DisplayImage(c);
    std::array<bool, kLastShownDigit + 1> changed{};
    bool any = false;
    for (int d = 1; d <= kLastShownDigit; ++d) {
        const auto report = static_cast<size_t>((d - 1) / 32);
        const auto at = static_cast<size_t>(3 + (d - 1) % 32);
        changed[static_cast<size_t>(d)] = images[report][at] != displays_[report][at];
        any = any || changed[static_cast<size_t>(d)];
    }
    displays_ = images;
    if (!any) return;
    const auto expect = [&](int first, int last) {
        ScenarioStep s = Step(StepKind::ExpectDigits);
        s.first = first;
        s.last = last;
        s.match = DigitsText(images, first, last);
        Add(std::move(s));
    };
    // A display the scripts made is expected whole, in its own order; a blinking one not at all.
    for (int id = 1; id <= static_cast<int>(kSlots); ++id) {
        int64_t first = 0;
        int64_t last = 0;
        if (!card.WithDisplay(id, [&](CCardDisplay& d) {
                first = d.First();
                last = d.Last();
            })) {
            continue;
        }
        const int64_t low = std::max<int64_t>(1, std::min(first, last));
        const int64_t high = std::min<int64_t>(kLastShownDigit, std::max(first, last));
        bool touched = false;
        for (int64_t d = low; d <= high; ++d) touched = touched || changed[static_cast<size_t>(d)];
        if (!touched) continue;
        for (int64_t d = low; d <= high; ++d) changed[static_cast<size_t>(d)] = false;
        if (!card.IsDisplayBlinking(id) && low == std::min(first, last) &&
            high == std::max(first, last)) {
            expect(static_cast<int>(first), static_cast<int>(last));
        }
    }
    // Digits no display covers: each run of changed ones.
    for (int d = 1; d <= kLastShownDigit; ++d) {
        if (!changed[static_cast<size_t>(d)]) continue;
        int end = d;
        while (end < kLastShownDigit && changed[static_cast<size_t>(end + 1)]) ++end;
        expect(d, end);
        d = end;
    }
}

std::string CSessionRecorder::Text() const {
    std::lock_guard lock(mutex_);
    Scenario scenario;
    scenario.instance = ToUtf8(controller_.InstanceName());
    scenario.servoBoard = servo_;
    std::vector<ScenarioStep> prelude;
    std::string pins;
    for (int pin = 8; pin <= kLastPin; ++pin) {
        const PinBit b = InputBit(pin);
        if (initialInputs_[b.byte] & b.mask) pins += " " + std::to_string(pin) + "=1";
    }
    if (!pins.empty()) prelude.push_back(Command(StepKind::Board, "", "setmany" + pins));
    for (int ch = 1; ch <= 8; ++ch) {
        const int64_t v = initialAnalog_[static_cast<size_t>(ch)];
        if (v == 0) continue;
        prelude.push_back(
            Command(StepKind::Board, "",
                    "adc " + std::to_string(ch) + " " + std::to_string(servo_ ? v * 64 : v)));
    }
    for (const Server& server : servers_) {
        std::map<int32_t, int32_t> set;
        for (const auto& [o, v] : server.initial) {
            if (v != 0) set[o] = v;  // a test server holds 0 for every offset it was not given
        }
        if (!set.empty())
            prelude.push_back(Command(StepKind::Server, server.alias, "setmany " + Pairs(set)));
    }
    scenario.steps = std::move(prelude);
    scenario.steps.insert(scenario.steps.end(), steps_.begin(), steps_.end());
    return "# A session of the instance " + scenario.instance +
           ", recorded by OrvaPanel.\n# Replay it: orvapanel-headless --scenario FILE\n" +
           FormatScenario(scenario);
}

bool CSessionRecorder::Write(const std::filesystem::path& file, std::string& error) const {
    if (WriteFileAtomically(file, Text())) return true;
    error = "the file " + file.string() + " cannot be written";
    return false;
}

}  // namespace orva
