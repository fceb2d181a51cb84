// The print monitor's content: everything scripts print since the last reset, with pause.
#pragma once

#include <string>
#include <string_view>

namespace orva {

class IUserPrompt;

// What a window (or the headless program's stdout) does with the monitor.
class IPrintMonitorView {
public:
    virtual ~IPrintMonitorView() = default;
    virtual bool IsShown() const = 0;
    virtual void Show() = 0;
    // The display shows content now; appended is the piece that arrived last (empty after a
    // clear or an un-pause).
    virtual void Refresh(const std::u16string& content, std::u16string_view appended) = 0;
};

class CPrintMonitor {
public:
    void SetView(IPrintMonitorView* view) { view_ = view; }

    // Appends text unchanged; brings a hidden monitor up; refreshes unless paused.
    void Append(std::u16string_view text);
    // Empties the content and the display at once (the scripts' cls).
    void Clear();
    // The user's reset: asks first when there is something to lose; true when it cleared.
    bool Reset(IUserPrompt& prompt);
    void SetPaused(bool paused);
    bool IsPaused() const { return paused_; }
    const std::u16string& Content() const { return content_; }

private:
    void Refresh(std::u16string_view appended);

    IPrintMonitorView* view_ = nullptr;
    std::u16string content_;
    bool paused_ = false;
};

}  // namespace orva
