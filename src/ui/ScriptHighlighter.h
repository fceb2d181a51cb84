// Colours the script editor's lines by the names list and the operator texts, only the lines a
// change touches.
#pragma once

#include <QObject>
#include <QPlainTextDocumentLayout>
#include <QTextCharFormat>
#include <array>
#include <memory>
#include <vector>

#include "ui/text/Colouring.h"

class QTextBlock;
class QTextDocument;

namespace orva {

// The plain-text layout, except that a change inside one line lays out and repaints that line
// alone. Colouring a line marks all of it changed (removed and added again), which the plain
// layout counts twice, reaching into the next lines: it would lay out and repaint the whole
// window on every key.
class CLineLayout final : public QPlainTextDocumentLayout {
    Q_OBJECT

public:
    explicit CLineLayout(QTextDocument* document);

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    int blockCount_;
};

// The colours are the lines' additional formats, not the text's: they never enter the undo
// history. The document needs a CLineLayout, or each key repaints the whole window.
class CScriptHighlighter final : public QObject {
    Q_OBJECT

public:
    CScriptHighlighter(std::shared_ptr<const CLineColouring> colouring, EditorTheme theme,
                       QTextDocument* document);

    // Re-colours the whole text in the theme's colours.
    void SetTheme(EditorTheme theme);

private:
    void Changed(int from, int removed, int added);
    void Colour(const QTextBlock& block);
    void ColourAll();

    QTextDocument* document_;
    std::shared_ptr<const CLineColouring> colouring_;
    std::array<QTextCharFormat, 5> formats_;  // by ColourRole
    std::vector<ColourRole> roles_;           // working space, kept to spare an allocation a line
};

}  // namespace orva
