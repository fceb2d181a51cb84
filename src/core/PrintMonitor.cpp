#include "core/PrintMonitor.h"

#include "platform/UserPrompt.h"

namespace orva {

void CPrintMonitor::Append(std::u16string_view text) {
    if (view_ && !view_->IsShown()) view_->Show();
    content_ += text;
    if (!paused_) Refresh(text);
}

void CPrintMonitor::Clear() {
    content_.clear();
    Refresh({});
}

bool CPrintMonitor::Reset(IUserPrompt& prompt) {
    if (content_.empty()) return false;
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
    if (resumed) Refresh({});
}

void CPrintMonitor::Refresh(std::u16string_view appended) {
    if (view_) view_->Refresh(content_, appended);
}

}  // namespace orva
