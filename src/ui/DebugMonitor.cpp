#include "ui/DebugMonitor.h"

#include <malloc.h>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/Fonts.h"

namespace orva {
namespace {

constexpr std::u16string_view kHelpPage = u"la_ventana__print_monitor__o_de_log.htm";
constexpr int kLineHeight = 17;
constexpr int kBatchMs = 30;  // about a repaint: what scripts print meanwhile is one insertion

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

// A monospace face, sized so that a line is about kLineHeight pixels high whichever is found.
QFont MonitorFont() {
    QFont font = MonospaceFont();
    for (int pixels = kLineHeight; pixels > 8; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= kLineHeight) break;
    }
    return font;
}

}  // namespace

CDebugMonitor::CDebugMonitor(CPrintMonitor& monitor, IUserPrompt& prompt, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor), prompt_(prompt) {
    setWindowTitle(QStringLiteral("LUA print monitor"));
    // A print brings the window up; it must not take the keyboard from what the user is doing.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(720, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Pieces that arrive between two repaints go in at once.
    flush_ = new QTimer(this);
    flush_->setSingleShot(true);
    flush_->setInterval(kBatchMs);
    connect(flush_, &QTimer::timeout, this, [this] { Flush(); });
    trim_ = new QTimer(this);
    trim_->setSingleShot(true);
    trim_->setInterval(250);
    connect(trim_, &QTimer::timeout, this, [this] { GiveBackFreedMemory(); });

    auto* menuBar = new QMenuBar(this);
    QMenu* content = menuBar->addMenu(QStringLiteral("&Content"));
    pause_ = content->addAction(QStringLiteral("&Pause update"));
    pause_->setObjectName(QStringLiteral("pause"));
    pause_->setCheckable(true);
    pause_->setChecked(monitor_.IsPaused());
    connect(pause_, &QAction::toggled, this, [this](bool on) { monitor_.SetPaused(on); });
    QAction* copyAll = content->addAction(QStringLiteral("&Copy all"), this, [this] { CopyAll(); });
    copyAll->setObjectName(QStringLiteral("copyAll"));
    QAction* find = content->addAction(QStringLiteral("&Find..."), this, [this] { OpenFind(); });
    find->setObjectName(QStringLiteral("find"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction* saveAs = content->addAction(QStringLiteral("&Save as..."), this, [this] { SaveAs(); });
    saveAs->setObjectName(QStringLiteral("saveAs"));
    content->addSeparator();
    QAction* reset =
        content->addAction(QStringLiteral("&Reset"), this, [this] { monitor_.Reset(prompt_); });
    reset->setObjectName(QStringLiteral("reset"));
    layout->setMenuBar(menuBar);

    display_ = new QPlainTextEdit(this);
    display_->setReadOnly(true);
    display_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Nothing is ever undone here, and the undo stack would hold a copy of every print.
    display_->setUndoRedoEnabled(false);
    QPalette palette = display_->palette();
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::Text, QColor(66, 152, 176));
    display_->setPalette(palette);
    display_->setFont(MonitorFont());
    dropped_ = new QLabel(this);
    dropped_->setObjectName(QStringLiteral("dropped"));
    dropped_->setContentsMargins(6, 3, 6, 3);
    dropped_->hide();
    layout->addWidget(dropped_);
    layout->addWidget(display_, 1);
    layout->addWidget(BuildFindBar());

    ReplaceDisplay();
    monitor_.SetView(this);
}

CDebugMonitor::~CDebugMonitor() {
    monitor_.SetView(nullptr);
}

QWidget* CDebugMonitor::BuildFindBar() {
    findBar_ = new QWidget(this);
    findBar_->setObjectName(QStringLiteral("findBar"));
    auto* row = new QHBoxLayout(findBar_);
    row->setContentsMargins(6, 4, 6, 4);
    auto* label = new QLabel(QStringLiteral("F&ind:"), findBar_);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName(QStringLiteral("findText"));
    findText_->setClearButtonEnabled(true);
    label->setBuddy(findText_);
    auto* next = new QPushButton(QStringLiteral("&Next"), findBar_);
    auto* previous = new QPushButton(QStringLiteral("&Previous"), findBar_);
    findCount_ = new QLabel(findBar_);
    findCount_->setObjectName(QStringLiteral("findCount"));
    findCount_->setMinimumWidth(findCount_->fontMetrics().horizontalAdvance(u'0') * 16);
    auto* close = new QToolButton(findBar_);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setToolTip(QStringLiteral("Close (Esc)"));
    close->setAutoRaise(true);
    row->addWidget(label);
    row->addWidget(findText_, 1);
    row->addWidget(next);
    row->addWidget(previous);
    row->addWidget(findCount_);
    row->addWidget(close);

    connect(findText_, &QLineEdit::textEdited, this, [this] { Find(FindFrom::Selection); });
    connect(next, &QPushButton::clicked, this, [this] { Find(FindFrom::Next); });
    connect(previous, &QPushButton::clicked, this, [this] { Find(FindFrom::Previous); });
    connect(close, &QToolButton::clicked, this, [this] { CloseFind(); });
    for (QWidget* w : {static_cast<QWidget*>(findText_), static_cast<QWidget*>(next),
                       static_cast<QWidget*>(previous), static_cast<QWidget*>(close),
                       static_cast<QWidget*>(display_)})
        w->installEventFilter(this);
    findBar_->hide();
    return findBar_;
}

bool CDebugMonitor::IsShown() const {
    return isVisible();
}

void CDebugMonitor::Show() {
    show();
    raise();
}

QPlainTextEdit* CDebugMonitor::Display() const {
    return display_;
}

void CDebugMonitor::Changed(std::u16string_view) {
    if (!flush_->isActive()) flush_->start();
}

void CDebugMonitor::Flush() {
    flush_->stop();
    if (monitor_.IsPaused()) return;
    // Between clears the printed text only grows, so the display adds what it lacks; it starts
    // again from the kept text after a clear, or when what it lacks is no longer kept.
    if (monitor_.Clears() != shownClears_ || monitor_.ContentStart() > shownEnd_) {
        ReplaceDisplay();
    } else if (monitor_.ContentEnd() > shownEnd_) {
        const std::u16string_view content = monitor_.Content();
        const auto from = static_cast<size_t>(shownEnd_ - monitor_.ContentStart());
        AppendToDisplay(content.substr(from));
        shownEnd_ = monitor_.ContentEnd();
        DropOldestFromDisplay();
    }
    const uint64_t dropped = monitor_.DroppedLines();
    dropped_->setVisible(dropped > 0);
    if (dropped > 0) {
        dropped_->setText(
            QStringLiteral("%1 older lines were dropped: the monitor keeps the newest %2.")
                .arg(dropped)
                .arg(monitor_.MaxLines()));
    }
    ScrollToEnd();
}

void CDebugMonitor::ReplaceDisplay() {
    textState_ = {};
    display_->setPlainText(ToQString(MonitorDisplayText(monitor_.Content(), textState_)));
    shownEnd_ = monitor_.ContentEnd();
    shownClears_ = monitor_.Clears();
}

void CDebugMonitor::AppendToDisplay(std::u16string_view text) {
    QTextCursor end(display_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(ToQString(MonitorDisplayText(text, textState_)));
}

void CDebugMonitor::DropOldestFromDisplay() {
    // The display shows what the monitor keeps: its lines and the unfinished one. Cut in one
    // removal by position: QTextDocument's own block limit walks the cursor block by block,
    // laying out each dropped line, which cost more than everything else a print does.
    const size_t maxLines = monitor_.MaxLines();
    QTextDocument* document = display_->document();
    const auto blocks = static_cast<size_t>(document->blockCount());
    if (maxLines == 0 || blocks <= maxLines + 1) return;
    const auto drop = static_cast<int>(blocks - maxLines - 1);
    QTextCursor cursor(document);
    cursor.setPosition(document->findBlockByNumber(drop).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    // The lines cut leave their memory in the allocator's free lists, where a flood's churn
    // keeps it: it is given back once a second while the cuts go on, and once they stop.
    if (!lastTrim_.isValid() || lastTrim_.hasExpired(1000)) GiveBackFreedMemory();
    trim_->start();
}

void CDebugMonitor::GiveBackFreedMemory() {
    ::malloc_trim(0);
    lastTrim_.start();
}

void CDebugMonitor::ScrollToEnd() {
    // The layout keeps the scroll range in lines and lays out only the last screenful to find
    // its end, so this stays cheap however much was printed.
    QScrollBar* bar = display_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CDebugMonitor::CopyAll() {
    QGuiApplication::clipboard()->setText(ToQString(monitor_.Content()));
}

void CDebugMonitor::SaveAs() {
    if (saveFolder_.empty()) saveFolder_ = DocumentsFolder();
    const QString name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save print monitor content"),
                                     ToQString(PathText(saveFolder_ / "print monitor.txt")),
                                     QStringLiteral("Text files (*.txt);;All files (*)"));
    if (name.isEmpty()) return;
    const std::filesystem::path path = PathFromText(name.toStdU16String());
    if (SaveTo(path)) saveFolder_ = path.parent_path();
}

bool CDebugMonitor::SaveTo(const std::filesystem::path& path) {
    if (WriteFileAtomically(path, ToUtf8(monitor_.Content()))) return true;
    prompt_.ShowMessage(u"The LUA Print monitor content could not be saved to\r\n" + PathText(path),
                        u"Save monitor content", PromptIcon::Error);
    return false;
}

void CDebugMonitor::OpenFind() {
    findBar_->show();
    findText_->setFocus(Qt::ShortcutFocusReason);
    findText_->selectAll();
    Find(FindFrom::Selection);
}

void CDebugMonitor::CloseFind() {
    findBar_->hide();
    display_->setFocus(Qt::OtherFocusReason);
}

void CDebugMonitor::Find(FindFrom from) {
    Flush();  // what was printed since the last repaint is searched too
    const QString needle = findText_->text();
    // Searched in the display's own text, whose positions are the document's.
    const QString text = display_->document()->toPlainText();
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
    QTextCursor cursor = display_->textCursor();
    qsizetype at = -1;
    if (!needle.isEmpty()) {
        if (from == FindFrom::Previous) {
            const int start = cursor.selectionStart();
            if (start > 0) at = text.lastIndexOf(needle, start - 1, cs);
            if (at < 0) at = text.lastIndexOf(needle, -1, cs);
        } else {
            const int start =
                from == FindFrom::Next ? cursor.selectionEnd() : cursor.selectionStart();
            at = text.indexOf(needle, start, cs);
            if (at < 0) at = text.indexOf(needle, 0, cs);
        }
    }
    if (at >= 0) {
        cursor.setPosition(static_cast<int>(at));
        cursor.setPosition(static_cast<int>(at + needle.size()), QTextCursor::KeepAnchor);
    } else {
        cursor.clearSelection();
    }
    display_->setTextCursor(cursor);

    qsizetype count = 0, index = 0;
    if (!needle.isEmpty()) {
        for (qsizetype i = text.indexOf(needle, 0, cs); i >= 0;
             i = text.indexOf(needle, i + needle.size(), cs)) {
            ++count;
            if (i <= at) ++index;
        }
    }
    if (needle.isEmpty()) {
        findCount_->clear();
    } else if (count == 0) {
        findCount_->setText(QStringLiteral("No matches"));
    } else {
        findCount_->setText(QStringLiteral("%1 of %2").arg(index).arg(count));
    }
}

bool CDebugMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && findBar_->isVisible()) {
            CloseFind();
            return true;
        }
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && watched == findText_) {
            Find(key->modifiers() & Qt::ShiftModifier ? FindFrom::Previous : FindFrom::Next);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CDebugMonitor::closeEvent(QCloseEvent* event) {
    // Only hidden: the content stays, and the program does not count a closed window.
    event->ignore();
    hide();
}

void CDebugMonitor::showEvent(QShowEvent* event) {
    if (!helpPage_) helpPage_.emplace(std::u16string(kHelpPage));
    QWidget::showEvent(event);
}

void CDebugMonitor::hideEvent(QHideEvent* event) {
    helpPage_.reset();
    QWidget::hideEvent(event);
}

}  // namespace orva
