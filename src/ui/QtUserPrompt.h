// Questions and messages as message boxes, with the program's exact texts and captions.
#pragma once

#include <QPointer>
#include <vector>

#include "platform/UserPrompt.h"

class QMessageBox;
class QString;

namespace orva {

class CQtUserPrompt final : public IUserPrompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;
    // Answers No to every open box whose caption begins with the prefix.
    void CloseQuestion(std::u16string_view captionPrefix) override;

    // The text as shown: the program's "\r\n" line ends (and lone "\r") become line breaks.
    static QString DisplayText(std::u16string_view text);

private:
    struct OpenBox {
        QPointer<QMessageBox> box;
        bool closedByProgram = false;
    };
    std::vector<OpenBox*> open_;
};

}  // namespace orva
