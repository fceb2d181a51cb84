// The print monitor's content: what scripts print since the last reset, with pause, bounded to
// the newest lines so that a script printing on every input never grows the program without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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
    // The content changed: appended is the piece that arrived (empty after a clear or an
    // un-pause). A window takes what it shows from the monitor when it next repaints, so a print
    // costs it no more than a flag.
    virtual void Changed(std::u16string_view appended) = 0;
};

class CPrintMonitor {
public:
    static constexpr size_t kDefaultMaxLines = 100000;

    void SetView(IPrintMonitorView* view) { view_ = view; }
    // At most this many complete lines are kept, besides the unfinished last one; 0 keeps all.
    void SetMaxLines(size_t maxLines);
    size_t MaxLines() const { return maxLines_; }
    // Off: nothing is kept, for a view that writes each piece out as it comes.
    void SetKeepText(bool keep);

    // Appends text unchanged; brings a hidden monitor up; tells the view unless paused.
    void Append(std::u16string_view text);
    // Empties the content and the display at once (the scripts' cls).
    void Clear();
    // The user's reset: asks first when there is something to lose; true when it cleared.
    bool Reset(IUserPrompt& prompt);
    void SetPaused(bool paused);
    bool IsPaused() const { return paused_; }

    // What is kept: the newest MaxLines complete lines and the unfinished one. A line ends with
    // "\r\n", a lone "\r" or a lone "\n".
    std::u16string_view Content() const;
    // Lines printed since the last clear that are no longer kept.
    uint64_t DroppedLines() const;
    // Positions in everything printed since the last clear: where the content starts and ends.
    // A view that showed up to some position appends from there, while that is still kept.
    uint64_t ContentStart() const { return bufferStart_ + (Content().data() - buffer_.data()); }
    uint64_t ContentEnd() const { return bufferStart_ + buffer_.size(); }
    // Counts the clears, so that a view knows its text is gone.
    uint64_t Clears() const { return clears_; }

private:
    void Notify(std::u16string_view appended);
    void NoteLineEnds(std::u16string_view text, uint64_t at);
    void Trim();
    void TrimTo(size_t lines);

    IPrintMonitorView* view_ = nullptr;
    size_t maxLines_ = kDefaultMaxLines;
    bool keep_ = true;
    bool paused_ = false;
    // The kept text starts at bufferStart_ of everything printed; it may hold some lines more
    // than MaxLines, trimmed in steps, so that a print never moves the whole text.
    std::u16string buffer_;
    uint64_t bufferStart_ = 0;
    std::deque<uint64_t> lineStarts_;  // where each line after a line end starts, in the buffer
    uint64_t linesDropped_ = 0;        // lines trimmed from the buffer
    bool afterCr_ = false;             // a "\n" next is the second half of "\r\n"
    uint64_t clears_ = 0;
};

}  // namespace orva
