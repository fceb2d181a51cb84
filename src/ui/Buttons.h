// Push buttons of the program's dialogs.
#pragma once

#include <QPushButton>
#include <QString>

namespace orva {

// A button with the object name the tests find it by. Only the default button answers Enter:
// the others never become the default by taking the focus, so Enter in a list or a field does
// not press whichever button was clicked last.
inline QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent,
                               bool isDefault = false) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (isDefault) {
        button->setDefault(true);
    } else {
        button->setAutoDefault(false);
    }
    return button;
}

}  // namespace orva
