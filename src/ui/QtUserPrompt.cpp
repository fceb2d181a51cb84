#include "ui/QtUserPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace orva {
namespace {

QMessageBox::Icon BoxIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

PromptAnswer AnswerOf(int button, PromptButtons buttons) {
    switch (button) {
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        default:
            break;
    }
    // Closed by other means (the window manager, the program ending): the safe answer.
    return SafeDefaultAnswer(buttons);
}

}  // namespace

QString CQtUserPrompt::DisplayText(std::u16string_view text) {
    QString shown = QString::fromStdU16String(std::u16string(text));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');  // a lone carriage return breaks the line as well
    return shown;
}

PromptAnswer CQtUserPrompt::Ask(const PromptRequest& request) {
    QMessageBox box(BoxIcon(request.icon), QString::fromStdU16String(request.caption),
                    DisplayText(request.text), BoxButtons(request.buttons),
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);  // the program's texts are never markup
    if (request.buttons != PromptButtons::Ok) box.setDefaultButton(QMessageBox::Yes);
    if (request.systemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    // Questions may come while the window is hidden (a board unplugged): bring them forward.
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    OpenBox entry{&box, false};
    open_.push_back(&entry);
    const int result = box.exec();
    std::erase(open_, &entry);
    if (entry.closedByProgram) return PromptAnswer::No;
    return AnswerOf(result, request.buttons);
}

void CQtUserPrompt::CloseQuestion(std::u16string_view captionPrefix) {
    const QString prefix = QString::fromStdU16String(std::u16string(captionPrefix));
    for (OpenBox* entry : open_) {
        if (!entry->box || !entry->box->windowTitle().startsWith(prefix)) continue;
        entry->closedByProgram = true;
        entry->box->done(QMessageBox::No);
    }
}

}  // namespace orva
