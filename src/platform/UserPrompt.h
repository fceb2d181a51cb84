// Questions and messages to the user, behind an interface so each front end answers its own way.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

struct PromptRequest {
    std::u16string text;  // "\r\n" stays as written; a front end turns it into a line break
    std::u16string caption;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
    bool systemModal = false;  // stays above everything (system-modal or topmost)
};

class IUserPrompt {
public:
    virtual ~IUserPrompt() = default;
    virtual PromptAnswer Ask(const PromptRequest& request) = 0;

    void ShowMessage(std::u16string text, std::u16string caption, PromptIcon icon,
                     bool systemModal = false) {
        Ask({std::move(text), std::move(caption), PromptButtons::Ok, icon, systemModal});
    }
    PromptAnswer AskQuestion(std::u16string text, std::u16string caption, PromptButtons buttons,
                             PromptIcon icon = PromptIcon::Question) {
        return Ask({std::move(text), std::move(caption), buttons, icon, false});
    }
    // Closes an open question whose caption begins with captionPrefix, as if answered No.
    virtual void CloseQuestion(std::u16string_view /*captionPrefix*/) {}
};

// The answer a question gets when nobody can answer it: No (Cancel where offered) and Ok.
PromptAnswer SafeDefaultAnswer(PromptButtons buttons);

// Records every request and answers from a script of answers (then the safe default). For
// tests, and for the headless program's log.
class CRecordingPrompt : public IUserPrompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;

    void QueueAnswer(PromptAnswer answer);
    std::vector<PromptRequest> Requests() const;
    size_t Count() const;
    // The texts asked so far, in order.
    std::vector<std::u16string> Texts() const;
    void ClearRecord();
    void CloseQuestion(std::u16string_view captionPrefix) override;
    // The captions asked to be closed, in order.
    std::vector<std::u16string> Closed() const;

private:
    mutable std::mutex mutex_;
    std::vector<PromptRequest> requests_;
    std::deque<PromptAnswer> answers_;
    std::vector<std::u16string> closed_;
};

}  // namespace orva
