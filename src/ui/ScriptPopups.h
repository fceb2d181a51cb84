// The script editor's two popups: the "Helper" completion list and the "Functions params" box.
#pragma once

#include <QListWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/HelpPages.h"
#include "scripting/NamesList.h"
#include "ui/text/Colouring.h"

namespace orva {

// Both popups: a list drawn in its own colours with a one-pixel border, that registers its help
// page while it is shown.
class CEditorPopup : public QListWidget {
    Q_OBJECT

public:
    explicit CEditorPopup(QWidget* parent);

    // The top left corner for a popup opened at caret (the caret's rectangle in the parent's
    // coordinates): one line below it, moved left or up when it would leave the parent.
    void PlaceAt(const QRect& caret, int lineHeight);
    void SetHelpPage(std::u16string page) { helpPage_ = std::move(page); }

signals:
    // The popup wants the focus back in the text.
    void done();

protected:
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void SetBorderColour(const QColor& colour);
    // Sizes at the font's cell height of 16 pixels, scaled to the font in use.
    void SetBaseSize(int width, int height);

private:
    std::u16string helpPage_;
    std::optional<CHelpPageScope> help_;
};

// Completion: every word of the names list, sorted; typing narrows the choice by prefix.
class CHelperList final : public CEditorPopup {
    Q_OBJECT

public:
    explicit CHelperList(QWidget* parent);

    void SetTheme(const ThemeColours& colours);
    // Fills the list and selects the first word that begins with prefix (without regard to
    // case); false when the names list is empty.
    bool Fill(const CNamesList& names, std::u16string prefix);
    const std::u16string& Prefix() const { return prefix_; }
    std::u16string SelectedWord() const;

signals:
    // The chosen word; withParenthesis: the user asked for an opening parenthesis after it.
    void accepted(const QString& word, bool withParenthesis);
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SelectFirstWith(const std::u16string& prefix);
    void Accept(bool withParenthesis);
    void FollowSelection();

    std::vector<std::u16string> words_;  // in the list's order
    std::u16string prefix_;
    ThemeColours colours_;
};

// The parameter hints of one function name; shown without taking the focus.
class CParamsBox final : public CEditorPopup {
    Q_OBJECT

public:
    explicit CParamsBox(QWidget* parent);

    // Fills the box with the parameter texts of every catalogue entry named name and takes the
    // help page of the last; false when there is none.
    bool Fill(std::u16string_view name);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace orva
