#include "platform/UserPrompt.h"

namespace orva {

PromptAnswer SafeDefaultAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        case PromptButtons::YesNoCancel:
            return PromptAnswer::Cancel;
        case PromptButtons::Ok:
            break;
    }
    return PromptAnswer::Ok;
}

PromptAnswer CRecordingPrompt::Ask(const PromptRequest& request) {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (request.buttons == PromptButtons::Ok) return PromptAnswer::Ok;
    if (answers_.empty()) return SafeDefaultAnswer(request.buttons);
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void CRecordingPrompt::QueueAnswer(PromptAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

std::vector<PromptRequest> CRecordingPrompt::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t CRecordingPrompt::Count() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

std::vector<std::u16string> CRecordingPrompt::Texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::u16string> texts;
    for (const auto& r : requests_) texts.push_back(r.text);
    return texts;
}

void CRecordingPrompt::CloseQuestion(std::u16string_view captionPrefix) {
    std::lock_guard lock(mutex_);
    closed_.emplace_back(captionPrefix);
}

std::vector<std::u16string> CRecordingPrompt::Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void CRecordingPrompt::ClearRecord() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

}  // namespace orva
