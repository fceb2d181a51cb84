#include "ui/ScriptHighlighter.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace orva {

CLineLayout::CLineLayout(QTextDocument* document)
    : QPlainTextDocumentLayout(document), blockCount_(document->blockCount()) {}

void CLineLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
    const QTextDocument* document = this->document();
    const int blockCount = document->blockCount();
    // With as many lines as before and the new text inside one line, nothing changed outside
    // that line, whatever was removed.
    const QTextBlock first = document->findBlock(from);
    const QTextBlock last = document->findBlock(from + std::max(charsAdded, 1) - 1);
    if (blockCount == blockCount_ && first.isValid() && first == last) {
        QPlainTextDocumentLayout::documentChanged(first.position(), 0, 1);
    } else {
        QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    }
    blockCount_ = blockCount;
}

CScriptHighlighter::CScriptHighlighter(std::shared_ptr<const CLineColouring> colouring,
                                       EditorTheme theme, QTextDocument* document)
    : QObject(document), document_(document), colouring_(std::move(colouring)) {
    connect(document_, &QTextDocument::contentsChange, this, &CScriptHighlighter::Changed);
    SetTheme(theme);
}

void CScriptHighlighter::SetTheme(EditorTheme theme) {
    const ThemeColours& colours = ThemeColoursOf(theme);
    for (size_t role = 0; role < formats_.size(); ++role) {
        formats_[role] = QTextCharFormat();
        formats_[role].setForeground(
            QColor::fromRgb(0xFF000000u | colours.Of(static_cast<ColourRole>(role))));
    }
    ColourAll();
}

// Inside the change: the layout lays out and repaints the changed lines right after, with
// their new colours.
void CScriptHighlighter::Changed(int from, int, int added) {
    QTextBlock block = document_->findBlock(from);
    const QTextBlock last = document_->findBlock(from + added);
    while (block.isValid()) {
        Colour(block);
        if (block == last) break;
        block = block.next();
    }
}

void CScriptHighlighter::ColourAll() {
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        Colour(block);
    }
    document_->markContentsDirty(0, document_->characterCount());
}

void CScriptHighlighter::Colour(const QTextBlock& block) {
    const QString text = block.text();
    colouring_->Roles(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<size_t>(text.size())),
                      roles_);
    QList<QTextLayout::FormatRange> ranges;
    for (size_t i = 0; i < roles_.size();) {
        size_t j = i + 1;
        while (j < roles_.size() && roles_[j] == roles_[i]) ++j;
        if (roles_[i] != ColourRole::Text) {
            ranges.append({static_cast<int>(i), static_cast<int>(j - i),
                           formats_[static_cast<size_t>(roles_[i])]});
        }
        i = j;
    }
    block.layout()->setFormats(ranges);
}

}  // namespace orva
