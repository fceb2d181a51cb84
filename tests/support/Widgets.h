// Steps the window tests share: a named child, and acting in the next modal window.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace orva::test {

// The child of parent with that object name; a test failure when there is none.
template <typename T>
T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Whether a font is monospace by what it draws: a row of narrow letters is as wide as a row of
// wide ones, digits and blanks, whatever the family calls itself.
inline bool ColumnsLineUp(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal wide = metrics.horizontalAdvance(QStringLiteral("WWWWWWWWWW"));
    for (const char* row : {"iiiiiiiiii", "llllllllll", "0000000000", "          "}) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QString::fromLatin1(row)), wide)) return false;
    }
    return wide > 0;
}

// Runs action on the next modal window to open (current is the one open now), from inside the
// event loop that window runs; a dialog the action left open is then cancelled, so a failing
// test never hangs in it.
inline void OnModal(std::function<void(QWidget*)> action, QWidget* current = nullptr) {
    QTimer::singleShot(10, [action = std::move(action), current] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current) return OnModal(action, current);
        const QPointer<QDialog> dialog = qobject_cast<QDialog*>(modal);
        action(modal);
        if (dialog && dialog->isVisible()) dialog->reject();
    });
}

}  // namespace orva::test
