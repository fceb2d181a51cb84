#include "core/PrintMonitor.h"

#include <algorithm>

#include "platform/UserPrompt.h"

namespace orva {

void CPrintMonitor::SetMaxLines(size_t maxLines) {
    // What the old limit no longer kept stays gone.
    if (maxLines_ != 0 && lineStarts_.size() > maxLines_) TrimTo(maxLines_);
    maxLines_ = maxLines;
    Trim();
}

void CPrintMonitor::SetKeepText(bool keep) {
    keep_ = keep;
    if (!keep_) Clear();
}

void CPrintMonitor::Append(std::u16string_view text) {
    if (view_ && !view_->IsShown()) view_->Show();
    if (keep_) {
        const uint64_t at = ContentEnd();
        buffer_ += text;
        NoteLineEnds(text, at);
        Trim();
    }
    if (!paused_) Notify(text);
}

void CPrintMonitor::NoteLineEnds(std::u16string_view text, uint64_t at) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const uint64_t next = at + i + 1;
        if (c == u'\n' && afterCr_) {
            lineStarts_.back() = next;  // the second half of "\r\n": the line starts after it
        } else if (c == u'\n' || c == u'\r') {
            lineStarts_.push_back(next);
        }
        afterCr_ = c == u'\r';
    }
}

void CPrintMonitor::Trim() {
    if (maxLines_ == 0) return;
    // Trimmed an eighth at a time: the cost of moving the text is spread over many prints.
    const size_t slack = std::max<size_t>(64, maxLines_ / 8);
    if (lineStarts_.size() > maxLines_ + slack) TrimTo(maxLines_);
}

void CPrintMonitor::TrimTo(size_t lines) {
    const size_t drop = lineStarts_.size() - lines;
    const uint64_t newStart = lineStarts_[drop - 1];
    buffer_.erase(0, static_cast<size_t>(newStart - bufferStart_));
    bufferStart_ = newStart;
    lineStarts_.erase(lineStarts_.begin(), lineStarts_.begin() + static_cast<ptrdiff_t>(drop));
    linesDropped_ += drop;
}

std::u16string_view CPrintMonitor::Content() const {
    const std::u16string_view all(buffer_);
    if (maxLines_ == 0 || lineStarts_.size() <= maxLines_) return all;
    const uint64_t start = lineStarts_[lineStarts_.size() - maxLines_ - 1];
    return all.substr(static_cast<size_t>(start - bufferStart_));
}

uint64_t CPrintMonitor::DroppedLines() const {
    const size_t kept =
        maxLines_ == 0 ? lineStarts_.size() : std::min(lineStarts_.size(), maxLines_);
    return linesDropped_ + (lineStarts_.size() - kept);
}

void CPrintMonitor::Clear() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    bufferStart_ = 0;
    lineStarts_.clear();
    linesDropped_ = 0;
    afterCr_ = false;
    ++clears_;
    Notify({});
}

bool CPrintMonitor::Reset(IUserPrompt& prompt) {
    if (Content().empty()) return false;
    const PromptAnswer answer = prompt.AskQuestion(
        u"The LUA Print monitor content is NOT empty.\r\nWould you like to 'reset' the LUA Print "
        u"monitor content?",
        u"Reset monitor content", PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes) return false;
    Clear();
    return true;
}

void CPrintMonitor::SetPaused(bool paused) {
    const bool resumed = paused_ && !paused;
    paused_ = paused;
    if (resumed) Notify({});
}

void CPrintMonitor::Notify(std::u16string_view appended) {
    if (view_) view_->Changed(appended);
}

}  // namespace orva
