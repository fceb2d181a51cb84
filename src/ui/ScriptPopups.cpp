#include "ui/ScriptPopups.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/ScriptGlobals.h"

namespace orva {
namespace {

constexpr int kBaseCellHeight = 16;  // the popups' sizes are given for this font cell height
constexpr QRgb kSelectedWordBackground = qRgb(144, 144, 144);
constexpr QRgb kParamsBackground = qRgb(214, 248, 220);
constexpr QRgb kParamsText = qRgb(15, 15, 15);
constexpr int kTextIndent = 2;

QColor Rgb(uint32_t rgb) {
    return QColor::fromRgb(0xFF000000u | rgb);
}

std::u16string_view View(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

bool BeginsWith(std::u16string_view word, std::u16string_view prefix) {
    return word.size() >= prefix.size() && EqualsNoCase(word.substr(0, prefix.size()), prefix);
}

// Rows one font cell high, all as wide as the widest, drawn in the popup's own colours.
class CPopupDelegate final : public QStyledItemDelegate {
public:
    // helper: the completion list's colours (by word kind, the typed prefix marked); otherwise
    // the parameter box's.
    CPopupDelegate(CEditorPopup* popup, const CHelperList* helper)
        : QStyledItemDelegate(popup), popup_(popup), helper_(helper) {}

    void SetColours(const ThemeColours& colours) { colours_ = colours; }
    void SetWidth(int width) { width_ = width; }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {width_, popup_->fontMetrics().height()};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString text = index.data(Qt::DisplayRole).toString();
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = popup_->palette();
        QColor background, foreground;
        if (helper_) {
            const auto role = static_cast<ColourRole>(index.data(Qt::UserRole).toInt());
            background = selected ? QColor(kSelectedWordBackground) : Rgb(colours_.background);
            foreground = selected ? Rgb(colours_.background) : Rgb(colours_.Of(role));
        } else {
            background = selected ? palette.color(QPalette::Highlight) : QColor(kParamsBackground);
            foreground = selected ? palette.color(QPalette::HighlightedText) : QColor(kParamsText);
        }
        painter->save();
        painter->fillRect(option.rect, background);
        painter->setFont(popup_->font());
        const QRect textRect = option.rect.adjusted(kTextIndent, 0, 0, 0);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        painter->setPen(foreground);
        painter->drawText(textRect, flags, text);
        if (helper_ && selected) {
            // The typed part of the chosen word stands out.
            const std::u16string& prefix = helper_->Prefix();
            if (!prefix.empty() && BeginsWith(View(text), prefix)) {
                const int width = popup_->fontMetrics().horizontalAdvance(
                    text.left(static_cast<int>(prefix.size())));
                painter->setClipRect(
                    QRect(textRect.left(), textRect.top(), width, textRect.height()));
                painter->setPen(palette.color(QPalette::HighlightedText));
                painter->drawText(textRect, flags, text);
            }
        }
        painter->restore();
    }

private:
    CEditorPopup* popup_;
    const CHelperList* helper_;
    ThemeColours colours_{};
    int width_ = 0;
};

CPopupDelegate* DelegateOf(const QListWidget* list) {
    return static_cast<CPopupDelegate*>(list->itemDelegate());
}

void FitWidth(QListWidget* list, const std::vector<QString>& texts) {
    int widest = 0;
    for (const QString& text : texts) {
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(text));
    }
    DelegateOf(list)->SetWidth(widest + 2 * kTextIndent);
}

}  // namespace

CEditorPopup::CEditorPopup(QWidget* parent) : QListWidget(parent) {
    hide();
    // A one-pixel border all round, three more blank pixels at the bottom.
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setViewportMargins(0, 0, 0, 3);
    setAutoFillBackground(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void CEditorPopup::SetBaseSize(int width, int height) {
    const int cell = fontMetrics().height();
    resize(width * cell / kBaseCellHeight, height * cell / kBaseCellHeight);
}

void CEditorPopup::PlaceAt(const QRect& caret, int lineHeight) {
    const QWidget* area = parentWidget();
    QPoint at(caret.left(), caret.top() + lineHeight);
    if (at.x() + width() > area->width()) at.rx() -= width();
    if (at.y() + height() > area->height()) at.ry() -= height() + lineHeight;
    move(std::max(at.x(), 0), std::max(at.y(), 0));
}

void CEditorPopup::SetBorderColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

bool CEditorPopup::focusNextPrevChild(bool) {
    return false;  // Tab is one of the popups' keys
}

void CEditorPopup::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    if (!helpPage_.empty()) help_.emplace(helpPage_);
}

void CEditorPopup::hideEvent(QHideEvent* event) {
    QListWidget::hideEvent(event);
    help_.reset();
}

CHelperList::CHelperList(QWidget* parent) : CEditorPopup(parent) {
    setObjectName(QStringLiteral("helper"));
    setItemDelegate(new CPopupDelegate(this, this));
    SetHelpPage(u"helper.htm");
    SetBaseSize(240, 220);
    connect(this, &QListWidget::currentRowChanged, this, [this] { FollowSelection(); });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { Accept(false); });
}

void CHelperList::SetTheme(const ThemeColours& colours) {
    colours_ = colours;
    DelegateOf(this)->SetColours(colours);
    QPalette p = palette();
    p.setColor(QPalette::Window, Rgb(colours.background));
    p.setColor(QPalette::Base, Rgb(colours.background));
    setPalette(p);
    SetBorderColour(Rgb(colours.text));
    viewport()->update();
}

bool CHelperList::Fill(const CNamesList& names, std::u16string prefix) {
    struct Row {
        std::u16string_view word;
        HelperKind kind;
    };
    std::vector<Row> rows;
    rows.reserve(names.Size());
    for (size_t i = 0; i < names.Size(); ++i) {
        if (!names.Word(i).empty()) rows.push_back({names.Word(i), names.Kind(i)});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return CompareNoCase(a.word, b.word) < 0; });
    clear();
    words_.clear();
    std::vector<QString> texts;
    texts.reserve(rows.size());
    for (const Row& row : rows) {
        words_.emplace_back(row.word);
        texts.push_back(QString::fromStdU16String(words_.back()));
        auto* item = new QListWidgetItem(texts.back(), this);
        item->setData(Qt::UserRole, static_cast<int>(RoleOfKind(row.kind)));
        const std::u16string meaning = ScriptGlobalMeaning(row.word);
        if (!meaning.empty()) item->setToolTip(QString::fromStdU16String(meaning));
    }
    FitWidth(this, texts);
    prefix_ = std::move(prefix);
    SelectFirstWith(prefix_);
    return !words_.empty();
}

std::u16string CHelperList::SelectedWord() const {
    const int row = currentRow();
    return row >= 0 && currentItem() && currentItem()->isSelected()
               ? words_[static_cast<size_t>(row)]
               : std::u16string();
}

void CHelperList::SelectFirstWith(const std::u16string& prefix) {
    for (size_t i = 0; i < words_.size(); ++i) {
        if (BeginsWith(words_[i], prefix)) {
            setCurrentRow(static_cast<int>(i));
            scrollToItem(item(static_cast<int>(i)), QAbstractItemView::PositionAtTop);
            return;
        }
    }
    setCurrentRow(-1);
}

void CHelperList::FollowSelection() {
    const int row = currentRow();
    if (row < 0) return;
    const std::u16string& word = words_[static_cast<size_t>(row)];
    if (!BeginsWith(word, prefix_)) prefix_ = word;
    viewport()->update();
}

void CHelperList::Accept(bool withParenthesis) {
    const std::u16string word = SelectedWord();
    if (word.empty()) {
        hide();
        emit done();
        return;
    }
    emit accepted(QString::fromStdU16String(word), withParenthesis);
}

void CHelperList::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Accept(false);
            return;
        case Qt::Key_Escape:
            hide();
            emit done();
            return;
        case Qt::Key_Backspace:
            if (!prefix_.empty()) prefix_.pop_back();
            SelectFirstWith(prefix_);
            viewport()->update();
            return;
        default:
            break;
    }
    if (typed == QStringLiteral("(")) {
        Accept(true);
        return;
    }
    if (typed.size() == 1 && typed[0].isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // The prefix grows only while some word still begins with it.
        const std::u16string extended = prefix_ + ToLower(View(typed));
        if (std::any_of(words_.begin(), words_.end(),
                        [&](const std::u16string& word) { return BeginsWith(word, extended); })) {
            prefix_ = extended;
            SelectFirstWith(prefix_);
        }
        viewport()->update();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void CHelperList::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    emit focusLost();
}

CParamsBox::CParamsBox(QWidget* parent) : CEditorPopup(parent) {
    setObjectName(QStringLiteral("params"));
    setItemDelegate(new CPopupDelegate(this, nullptr));
    SetBorderColour(QColor(kParamsText));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(kParamsBackground));
    p.setColor(QPalette::Base, QColor(kParamsBackground));
    p.setColor(QPalette::Text, QColor(kParamsText));
    setPalette(p);
    SetBaseSize(300, 60);
}

bool CParamsBox::Fill(std::u16string_view name) {
    clear();
    const CatalogueHints hints = FindCatalogueHints(name);
    const auto catalogue = EditorCatalogue();
    std::vector<size_t> entries = hints.entries;
    std::stable_sort(entries.begin(), entries.end(), [&](size_t a, size_t b) {
        return CompareNoCase(catalogue[a].params, catalogue[b].params) < 0;
    });
    std::vector<QString> texts;
    for (const size_t entry : entries) {
        texts.push_back(QString::fromStdU16String(std::u16string(catalogue[entry].params)));
        auto* item = new QListWidgetItem(texts.back(), this);
        item->setData(Qt::UserRole, static_cast<qulonglong>(entry));
    }
    FitWidth(this, texts);
    SetHelpPage(std::u16string(hints.helpPage));
    return !entries.empty();
}

void CParamsBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            if (currentRow() <= 0) {
                emit done();
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            hide();
            emit done();
            return;
        default:
            break;
    }
    QListWidget::keyPressEvent(event);
}

void CParamsBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    if (count() > 0) setCurrentRow(0);
}

void CParamsBox::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    clearSelection();
    setCurrentRow(-1);
}

}  // namespace orva
