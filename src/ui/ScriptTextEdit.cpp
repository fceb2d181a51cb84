#include "ui/ScriptTextEdit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

#include "scripting/EditorCatalogue.h"
#include "ui/Fonts.h"
#include "ui/ScriptHighlighter.h"
#include "ui/ScriptPopups.h"
#include "ui/text/ScriptText.h"

namespace orva {
namespace {

constexpr double kCellHeight = 16;  // pixels at 96 dpi
constexpr int kTabColumns = 4;
constexpr int kMarginPadding = 6;
constexpr int kBracketReachLines = 2000;

QColor Rgb(uint32_t rgb) {
    return QColor::fromRgb(0xFF000000u | rgb);
}

// A colour between two, part of the way from a to b.
QColor Mix(uint32_t a, uint32_t b, double part) {
    const QColor from = Rgb(a), to = Rgb(b);
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * part,
                            from.greenF() + (to.greenF() - from.greenF()) * part,
                            from.blueF() + (to.blueF() - from.blueF()) * part);
}

// A monospace face, one cell 16 pixels high at 96 dpi.
QFont EditorFont(const QWidget* widget) {
    QFont font = MonospaceFont();
    font.setPointSizeF(10);
    const double cell = QFontMetricsF(font, widget).height();
    const double wanted = kCellHeight * widget->logicalDpiY() / 96.0;
    if (cell > 0) font.setPointSizeF(10 * wanted / cell);
    return font;
}

std::u16string FromEditorText(const QString& text) {
    std::u16string out = text.toStdU16String();
    std::replace(out.begin(), out.end(), u'\u2029', u'\n');
    return out;
}

int Indentation(const QString& line) {
    int n = 0;
    while (n < line.size() && (line[n] == u' ' || line[n] == u'\t')) ++n;
    return n;
}

bool IsOpening(QChar c) {
    return c == u'(' || c == u'[' || c == u'{';
}
bool IsClosing(QChar c) {
    return c == u')' || c == u']' || c == u'}';
}
QChar PartnerOf(QChar c) {
    switch (c.unicode()) {
        case u'(':
            return u')';
        case u'[':
            return u']';
        case u'{':
            return u'}';
        case u')':
            return u'(';
        case u']':
            return u'[';
        default:
            return u'{';
    }
}

// The position of the bracket that pairs with the one at position, -1 when there is none near.
int MatchingBracket(const QTextDocument* document, int position) {
    const QChar bracket = document->characterAt(position);
    const QChar partner = PartnerOf(bracket);
    const bool forward = IsOpening(bracket);
    QTextBlock block = document->findBlock(position);
    int at = position - block.position();
    int depth = 0;
    for (int lines = 0; block.isValid() && lines < kBracketReachLines; ++lines) {
        const QString text = block.text();
        if (forward) {
            for (int i = at; i < text.size(); ++i) {
                if (text[i] == bracket) ++depth;
                if (text[i] == partner && --depth == 0) return block.position() + i;
            }
            block = block.next();
            at = 0;
        } else {
            for (int i = std::min(at, static_cast<int>(text.size()) - 1); i >= 0; --i) {
                if (text[i] == bracket) ++depth;
                if (text[i] == partner && --depth == 0) return block.position() + i;
            }
            block = block.previous();
            at = block.isValid() ? block.length() : 0;
        }
    }
    return -1;
}

}  // namespace

// The margin with the line numbers; a click or a drag in it selects whole lines.
class CLineNumberArea final : public QWidget {
public:
    explicit CLineNumberArea(CScriptTextEdit* edit) : QWidget(edit), edit_(edit) {
        setObjectName(QStringLiteral("lineNumbers"));
        setCursor(Qt::ArrowCursor);
    }
    QSize sizeHint() const override { return {edit_->LineNumberWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { edit_->PaintLineNumbers(event); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        pressY_ = event->position().toPoint().y();
        edit_->SelectLines(pressY_, pressY_);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() & Qt::LeftButton) {
            edit_->SelectLines(pressY_, event->position().toPoint().y());
        }
    }

private:
    CScriptTextEdit* edit_;
    int pressY_ = 0;
};

CScriptTextEdit::CScriptTextEdit(const CNamesList& names, EditorTheme theme, QWidget* parent)
    : QPlainTextEdit(parent), names_(names) {
    setObjectName(QStringLiteral("script"));
    auto* text = new QTextDocument(this);
    text->setDocumentLayout(new CLineLayout(text));
    setDocument(text);
    InitEditorCatalogue();  // the parameter hints need it even before any script state exists
    colouring_ = std::make_shared<const CLineColouring>(names, OperatorTexts());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(EditorFont(this));
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * kTabColumns);
    highlighter_ = new CScriptHighlighter(colouring_, theme, document());

    helper_ = new CHelperList(viewport());
    params_ = new CParamsBox(viewport());
    helper_->setFont(font());
    params_->setFont(font());
    connect(helper_, &CHelperList::accepted, this, &CScriptTextEdit::AcceptWord);
    connect(helper_, &CEditorPopup::done, this, &CScriptTextEdit::BackToText);
    connect(helper_, &CHelperList::focusLost, this, &CScriptTextEdit::HidePopups);
    connect(params_, &CEditorPopup::done, this, &CScriptTextEdit::BackToText);

    lineNumbers_ = new CLineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this,
            &CScriptTextEdit::UpdateLineNumberWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy) {
            lineNumbers_->scroll(0, dy);
        } else {
            lineNumbers_->update(0, rect.y(), lineNumbers_->width(), rect.height());
        }
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CScriptTextEdit::MarkCaretLine);
    connect(document(), &QTextDocument::contentsChange, this, [this] { ++changes_; });
    UpdateLineNumberWidth();
    SetTheme(theme);
}

CScriptTextEdit::~CScriptTextEdit() = default;

void CScriptTextEdit::SetTheme(EditorTheme theme) {
    colours_ = ThemeColoursOf(theme);
    QPalette p = palette();
    p.setColor(QPalette::Base, Rgb(colours_.background));
    p.setColor(QPalette::Window, Rgb(colours_.background));
    p.setColor(QPalette::Text, Rgb(colours_.text));
    setPalette(p);
    caretLineBack_ = Mix(colours_.background, colours_.text, 0.07);
    bracketMatch_ = Mix(colours_.background, colours_.kinds[2], 0.35);
    marginBack_ = Mix(colours_.background, colours_.text, 0.04);
    marginText_ = Mix(colours_.background, colours_.text, 0.45);
    highlighter_->SetTheme(theme);
    helper_->SetTheme(colours_);
    MarkCaretLine();
    lineNumbers_->update();
}

std::u16string CScriptTextEdit::Text() const {
    return FromEditorText(document()->toRawText());
}

void CScriptTextEdit::InsertText(std::u16string_view text) {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(QString::fromStdU16String(std::u16string(text)));
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void CScriptTextEdit::ReplaceAll(std::u16string_view text) {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(QString::fromStdU16String(std::u16string(text)));
    cursor.endEditBlock();
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
}

void CScriptTextEdit::Reindent() {
    const QTextCursor caret = textCursor();
    const bool selected = caret.hasSelection();
    QTextCursor work(document());
    if (selected) {
        work.setPosition(caret.selectionStart());
        work.setPosition(caret.selectionEnd(), QTextCursor::KeepAnchor);
    } else {
        work.select(QTextCursor::Document);
    }
    const std::u16string text = FromEditorText(work.selectedText());
    const std::u16string result = orva::Reindent(text);
    if (result == text) return;  // nothing to change, and nothing to undo

    // Without a selection the caret stays on its line, at the same place in the line's text.
    const int line = caret.blockNumber();
    const int pastIndent = std::max(0, caret.positionInBlock() - Indentation(caret.block().text()));
    const int start = work.selectionStart();
    work.beginEditBlock();
    work.insertText(QString::fromStdU16String(result));
    work.endEditBlock();

    QTextCursor after(document());
    if (selected) {
        const int end = start + static_cast<int>(result.size());
        const bool forward = caret.anchor() <= caret.position();
        after.setPosition(forward ? start : end);
        after.setPosition(forward ? end : start, QTextCursor::KeepAnchor);
    } else {
        const QTextBlock block = document()->findBlockByNumber(line);
        after.setPosition(block.position() +
                          std::min(Indentation(block.text()) + pastIndent, block.length() - 1));
    }
    setTextCursor(after);
}

void CScriptTextEdit::ShowPopup(CEditorPopup* popup) {
    popup->PlaceAt(cursorRect(), fontMetrics().height());
    popup->show();
    popup->raise();
}

void CScriptTextEdit::ToggleHelper(std::u16string prefix) {
    params_->hide();
    if (helper_->isVisible()) {
        helper_->hide();
        setFocus();
        return;
    }
    if (!helper_->Fill(names_, std::move(prefix))) return;
    ShowPopup(helper_);
    helper_->setFocus();
}

void CScriptTextEdit::ToggleParams(std::u16string_view name) {
    if (helper_->isVisible()) {
        helper_->hide();
        setFocus();
    }
    if (params_->isVisible()) {
        params_->hide();
        return;
    }
    if (name.empty() || !params_->Fill(name)) return;
    ShowPopup(params_);
}

void CScriptTextEdit::HidePopups() {
    helper_->hide();
    params_->hide();
}

void CScriptTextEdit::BackToText() {
    setFocus();
}

void CScriptTextEdit::AcceptWord(const QString& word, bool withParenthesis) {
    // The text takes the focus first: the list hides both popups when it loses it.
    helper_->hide();
    setFocus();
    InsertText(FromEditorText(word));
    if (withParenthesis) {
        InsertText(u"(");
        RunLeadIn(LeadIn::Open);
    }
}

std::u16string CScriptTextEdit::BeforeCaret() const {
    const int caret = textCursor().position();
    std::u16string text;
    for (int at = std::max(0, caret - static_cast<int>(kLeadInReach) - 1); at < caret; ++at) {
        const QChar c = document()->characterAt(at);
        text += c == QChar::ParagraphSeparator ? u'\r' : static_cast<char16_t>(c.unicode());
    }
    return text;
}

void CScriptTextEdit::RunLeadIn(LeadIn leadIn) {
    const auto stripped = OperatorTexts().first(kLeadInOperatorCount);
    if (leadIn == LeadIn::Dot) {
        const auto hit = FindLeadIn(BeforeCaret(), stripped, names_.Size(),
                                    [this](size_t i) { return names_.Word(i); });
        if (!hit) return;
        const std::u16string word(names_.Word(*hit));
        QTextCursor cursor = textCursor();
        const int caret = cursor.position();
        cursor.setPosition(caret - static_cast<int>(word.size()));
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        ToggleHelper(word);
    } else if (leadIn == LeadIn::Open) {
        const auto catalogue = EditorCatalogue();
        const auto hit = FindLeadIn(BeforeCaret(), stripped, catalogue.size(),
                                    [&catalogue](size_t i) { return catalogue[i].name; });
        if (!hit) return;
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        setTextCursor(cursor);
        ToggleParams(catalogue[*hit].name);
    } else if (leadIn == LeadIn::Close) {
        params_->hide();
    }
}

void CScriptTextEdit::InsertTab() {
    // The tab goes in front of the selection, which stays selected.
    QTextCursor cursor = textCursor();
    const int anchor = cursor.anchor(), position = cursor.position();
    QTextCursor at(document());
    at.setPosition(std::min(anchor, position));
    at.insertText(QStringLiteral("\t"));
    cursor.setPosition(anchor + 1);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void CScriptTextEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_T && modifiers == Qt::ControlModifier) {
        Reindent();
        return;
    }
    const bool paramsAside = params_->isVisible() && !params_->hasFocus();
    switch (key) {
        case Qt::Key_Escape:
            // Never the dialog's: Esc only puts the parameter box away.
            if (params_->isVisible()) {
                params_->hide();
                QTextCursor cursor = textCursor();
                cursor.setPosition(cursor.selectionEnd());
                setTextCursor(cursor);
            }
            event->accept();
            return;
        case Qt::Key_Down:
            if (paramsAside) {
                params_->setFocus();
                return;
            }
            if (helper_->isVisible() && !helper_->hasFocus()) {
                helper_->setFocus();
                return;
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (paramsAside) params_->hide();
            break;
        case Qt::Key_Tab:
            if (modifiers == Qt::NoModifier) {
                InsertTab();
                return;
            }
            break;
        default:
            break;
    }
    // The lead-ins follow the character typed, whatever key of whichever layout made it.
    const QString typed = event->text();
    LeadIn leadIn = LeadIn::None;
    if (typed == QStringLiteral(".")) {
        leadIn = LeadIn::Dot;
    } else if (typed == QStringLiteral("(")) {
        leadIn = LeadIn::Open;
    } else if (typed == QStringLiteral(")")) {
        leadIn = LeadIn::Close;
    }
    const uint64_t changesBefore = changes_;
    QPlainTextEdit::keyPressEvent(event);
    if (leadIn != LeadIn::None && changes_ != changesBefore) RunLeadIn(leadIn);
}

void CScriptTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    if (!contextMenu_) {
        QPlainTextEdit::contextMenuEvent(event);
        return;
    }
    contextMenu_->exec(event->globalPos());
}

void CScriptTextEdit::GoToLine(int line) {
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid()) return;
    setTextCursor(QTextCursor(block));
    centerCursor();
    setFocus();
}

int CScriptTextEdit::LineNumberWidth() const {
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
    return 2 * kMarginPadding +
           fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void CScriptTextEdit::UpdateLineNumberWidth() {
    setViewportMargins(LineNumberWidth(), 0, 0, 0);
}

void CScriptTextEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    lineNumbers_->setGeometry(area.left(), area.top(), LineNumberWidth(), area.height());
}

void CScriptTextEdit::PaintLineNumbers(QPaintEvent* event) {
    QPainter painter(lineNumbers_);
    painter.fillRect(event->rect(), marginBack_);
    painter.setFont(font());
    const int caretLine = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int right = lineNumbers_->width() - kMarginPadding;
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.setPen(block.blockNumber() == caretLine ? Rgb(colours_.text) : marginText_);
            painter.drawText(0, top, right, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

void CScriptTextEdit::SelectLines(int fromY, int toY) {
    const QTextBlock first = cursorForPosition(QPoint(0, fromY)).block();
    const QTextBlock last = cursorForPosition(QPoint(0, toY)).block();
    const auto endOf = [](const QTextBlock& block) {
        return block.next().isValid() ? block.next().position()
                                      : block.position() + block.length() - 1;
    };
    QTextCursor cursor(document());
    if (last.blockNumber() >= first.blockNumber()) {
        cursor.setPosition(first.position());
        cursor.setPosition(endOf(last), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(endOf(first));
        cursor.setPosition(last.position(), QTextCursor::KeepAnchor);
    }
    setTextCursor(cursor);
    setFocus();
}

void CScriptTextEdit::MarkCaretLine() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextEdit::ExtraSelection line;
    line.format.setBackground(caretLineBack_);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    line.cursor = textCursor();
    line.cursor.clearSelection();
    marks.append(line);

    // The bracket before the caret, else the one after it, with its partner.
    const int caret = textCursor().position();
    int bracket = -1;
    for (const int at : {caret - 1, caret}) {
        if (at < 0) continue;
        const QChar c = document()->characterAt(at);
        if (IsOpening(c) || IsClosing(c)) {
            bracket = at;
            break;
        }
    }
    const int partner = bracket < 0 ? -1 : MatchingBracket(document(), bracket);
    if (partner >= 0) {
        for (const int at : {bracket, partner}) {
            QTextEdit::ExtraSelection mark;
            mark.format.setBackground(bracketMatch_);
            mark.cursor = QTextCursor(document());
            mark.cursor.setPosition(at);
            mark.cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
            marks.append(mark);
        }
    }
    setExtraSelections(marks);
    if (textCursor().blockNumber() != caretLine_) {
        caretLine_ = textCursor().blockNumber();
        lineNumbers_->update();
    }
}

}  // namespace orva
