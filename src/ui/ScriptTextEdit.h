// The script editor's text: colours, line numbers, the popups and the keys that drive them.
#pragma once

#include <QPlainTextEdit>
#include <memory>
#include <string>

#include "scripting/NamesList.h"
#include "ui/text/Colouring.h"

class QMenu;

namespace orva {

class CEditorPopup;
class CHelperList;
class CParamsBox;
class CScriptHighlighter;

class CScriptTextEdit final : public QPlainTextEdit {
    Q_OBJECT

public:
    CScriptTextEdit(const CNamesList& names, EditorTheme theme, QWidget* parent);
    ~CScriptTextEdit() override;

    void SetTheme(EditorTheme theme);
    // The menu a right click shows.
    void SetContextMenu(QMenu* menu) { contextMenu_ = menu; }

    // The text with LF line ends, every character kept as typed.
    std::u16string Text() const;
    // Replaces the selection with text as one step the user can undo.
    void InsertText(std::u16string_view text);
    // Replaces the whole text as one step the user can undo.
    void ReplaceAll(std::u16string_view text);

    // Re-indents the selection, or the whole text when nothing is selected.
    void Reindent();
    // The Helper list with prefix; hidden instead when it is shown.
    void ToggleHelper(std::u16string prefix);
    // The parameter box for a function name; hidden instead when it is shown.
    void ToggleParams(std::u16string_view name);
    void HidePopups();
    // Puts the caret at the start of a line (1 for the first) and shows it.
    void GoToLine(int line);

    CHelperList* Helper() const { return helper_; }
    CParamsBox* Params() const { return params_; }
    QWidget* LineNumbers() const { return lineNumbers_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class CLineNumberArea;
    enum class LeadIn { None, Dot, Open, Close };

    void RunLeadIn(LeadIn leadIn);
    std::u16string BeforeCaret() const;
    void AcceptWord(const QString& word, bool withParenthesis);
    void BackToText();
    void InsertTab();
    void ShowPopup(CEditorPopup* popup);

    int LineNumberWidth() const;
    void UpdateLineNumberWidth();
    void PaintLineNumbers(QPaintEvent* event);
    void SelectLines(int fromY, int toY);
    void MarkCaretLine();

    const CNamesList& names_;
    std::shared_ptr<const CLineColouring> colouring_;
    CScriptHighlighter* highlighter_ = nullptr;
    CHelperList* helper_ = nullptr;
    CParamsBox* params_ = nullptr;
    QWidget* lineNumbers_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    ThemeColours colours_{};
    QColor caretLineBack_, bracketMatch_, marginBack_, marginText_;
    uint64_t changes_ = 0;  // counts the document's changes, so a key knows whether it made one
    int caretLine_ = -1;    // the line whose number the margin shows marked
};

}  // namespace orva
