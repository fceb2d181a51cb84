#include "ui/EventsListDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <string>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/NamesList.h"
#include "ui/Buttons.h"
#include "ui/EditorServices.h"
#include "ui/EventDefinitionDlg.h"
#include "ui/EventsListModel.h"
#include "ui/ScriptEditing.h"
#include "ui/text/EventClipboard.h"

namespace orva {
namespace {

QString HeaderStyle() {
    return QStringLiteral(
               "QHeaderView::section { background-color: rgb(%1, %2, %3); color: white; "
               "padding: 2px 0px 2px 5px; border: 0px; border-right: 1px solid rgb(140, 140, "
               "140); }")
        .arg(kHeaderBack.r)
        .arg(kHeaderBack.g)
        .arg(kHeaderBack.b);
}

QClipboard* Clipboard() {
    return QGuiApplication::clipboard();
}

// The records on the clipboard, under our type or else under the name a Windows build offers
// them by; nothing when there are none.
std::optional<QByteArray> EventRecordsOnClipboard() {
    const QMimeData* data = Clipboard()->mimeData();
    if (!data) return std::nullopt;
    for (const char* format : {kEventsMimeType, kEventsFormatName}) {
        if (data->hasFormat(QString::fromLatin1(format)))
            return data->data(QString::fromLatin1(format));
    }
    return std::nullopt;
}

}  // namespace

CEventsListDlg::CEventsListDlg(CEventTable& table, const CEventTypeNames& typeNames,
                               EditorServices& services, QWidget* parent)
    : QDialog(parent),
      table_(table),
      services_(services),
      model_(new CEventsListModel(CEventRows(table), typeNames, this)),
      emptyAtOpen_(CEventRows::TableIsEmpty(table)) {
    setWindowTitle(QStringLiteral("Events list"));
    MakeList();
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(MakeListButtons());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(MakeClipboardGroup());
    Connect();

    if (emptyAtOpen_) AddDefinesFromClipboard();
    RefreshClipboardButtons();
    list_->setFocus();
}

CEventsListDlg::~CEventsListDlg() = default;

bool CEventsListDlg::EditEvents(CEventTable& table, const CEventTypeNames& typeNames,
                                EditorServices& services, QWidget* parent) {
    CEventsListDlg dialog(table, typeNames, services, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CEventsListDlg::MakeList() {
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("events"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->setTabKeyNavigation(false);  // Tab goes on to the buttons
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    QHeaderView* header = list_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setStyleSheet(HeaderStyle());
    int width = 0;
    for (int column = 0; column < kColumnCount; ++column) {
        list_->setColumnWidth(column, kEventColumns[column].width);
        width += kEventColumns[column].width;
    }
    width += 2 * list_->frameWidth() + list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list_->setMinimumSize(width, list_->verticalHeader()->defaultSectionSize() * 12);
    // The selection stays as visible while the buttons have the focus.
    QPalette palette = list_->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list_->setPalette(palette);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
}

QLayout* CEventsListDlg::MakeListButtons() {
    new_ = MakeButton(QStringLiteral("Ne&w"), "new", this);
    edit_ = MakeButton(QStringLiteral("&Edit"), "edit", this);
    del_ = MakeButton(QStringLiteral("&Del"), "del", this);
    moveUp_ = MakeButton(QStringLiteral("Move &Up"), "moveUp", this);
    moveDown_ = MakeButton(QStringLiteral("Move D&n"), "moveDown", this);
    save_ = MakeButton(QStringLiteral("&Save and exit"), "save", this);
    discard_ = MakeButton(QStringLiteral("Discard and e&xit"), "discard", this);
    auto* column = new QVBoxLayout;
    for (QPushButton* button : {new_, edit_, del_, moveUp_, moveDown_}) column->addWidget(button);
    column->addStretch(1);
    column->addWidget(save_);
    column->addWidget(discard_);
    return column;
}

QWidget* CEventsListDlg::MakeClipboardGroup() {
    auto* group = new QGroupBox(QStringLiteral("Clipboard (CB)"), this);
    clearClipboard_ = MakeButton(QStringLiteral("Clear C&B"), "clearClipboard", group);
    addEvents_ = MakeButton(QStringLiteral("&Add event from CB"), "addEvents", group);
    copyEvents_ = MakeButton(QStringLiteral("&Copy selected events to CB"), "copyEvents", group);
    addOffsets_ = MakeButton(QStringLiteral("Add &offset info from CB"), "addOffsets", group);
    copyOffsets_ = MakeButton(QStringLiteral("Copy all Offsets &info to CB"), "copyOffsets", group);
    auto* row = new QHBoxLayout(group);
    for (QPushButton* button :
         {clearClipboard_, addEvents_, copyEvents_, addOffsets_, copyOffsets_}) {
        row->addWidget(button);
    }
    return group;
}

void CEventsListDlg::Connect() {
    connect(new_, &QPushButton::clicked, this, [this] { New(); });
    connect(edit_, &QPushButton::clicked, this, [this] { EditSelected(); });
    connect(del_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(moveUp_, &QPushButton::clicked, this, [this] { Move(true); });
    connect(moveDown_, &QPushButton::clicked, this, [this] { Move(false); });
    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    connect(discard_, &QPushButton::clicked, this, &QDialog::reject);
    connect(clearClipboard_, &QPushButton::clicked, this, [] { Clipboard()->clear(); });
    connect(addEvents_, &QPushButton::clicked, this, [this] { AddEventsFromClipboard(); });
    connect(copyEvents_, &QPushButton::clicked, this, [this] { CopySelectedEvents(); });
    connect(addOffsets_, &QPushButton::clicked, this, [this] { AddDefinesFromClipboard(); });
    connect(copyOffsets_, &QPushButton::clicked, this, [this] { CopyOffsetDefinitions(); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { SelectionChanged(); });
    connect(Clipboard(), &QClipboard::dataChanged, this, [this] { RefreshClipboardButtons(); });
}

std::vector<size_t> CEventsListDlg::SelectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.push_back(static_cast<size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::optional<size_t> CEventsListDlg::FirstSelected() const {
    const std::vector<size_t> rows = SelectedRows();
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

void CEventsListDlg::SelectOnly(size_t row) {
    const QModelIndex index = model_->index(static_cast<int>(row), 0);
    list_->scrollTo(index);
    list_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->setFocus();
}

// The editor's completion knows the events as the list holds them now, saved or not.
void CEventsListDlg::RefreshNames() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<CEventTable> events = model_->Rows().ToTable();
    RefreshNamesList(services_.names, *events, services_.testRun, services_.prompt);
    QApplication::restoreOverrideCursor();
}

void CEventsListDlg::New() {
    if (model_->Rows().Full()) {
        services_.prompt.ShowMessage(
            Format(u"Max number of events you can define is %d", CEventRows::kMaxRows), u"Error",
            PromptIcon::Information);
        return;
    }
    RefreshNames();
    CEventDefinitionDlg dialog(EventRow{0, u"<New>", {}, 0, false, false}, model_->TypeNames(),
                               services_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    EventRow row = dialog.Event();
    row.errorMark = false;
    if (model_->Append(std::move(row))) list_->scrollToBottom();
    EnableOffsetsCopyByRows();
}

void CEventsListDlg::EditSelected() {
    for (const size_t row : SelectedRows()) EditRow(row);
}

void CEventsListDlg::EditRow(size_t row) {
    RefreshNames();
    CEventDefinitionDlg dialog(model_->Rows()[row], model_->TypeNames(), services_, this);
    if (dialog.exec() == QDialog::Accepted) model_->Replace(row, dialog.Event());
}

void CEventsListDlg::EditScript(size_t row) {
    RefreshNames();
    const EventRow& event = model_->Rows()[row];
    std::u16string script = event.script;
    if (EditScriptText(services_, script, event.name, event.id, this))
        model_->SetScript(row, std::move(script));
}

void CEventsListDlg::Delete() {
    CDeleteWalk walk(SelectedRows());
    while (const std::optional<size_t> row = walk.Next()) {
        if (!ConfirmDelete(services_.prompt, model_->Rows()[*row], model_->TypeNames())) continue;
        model_->Remove(*row);
        walk.Removed();
    }
    EnableOffsetsCopyByRows();
}

void CEventsListDlg::Move(bool up) {
    const std::optional<size_t> row = FirstSelected();
    if (!row) return;
    if (up ? !model_->MoveUp(*row) : !model_->MoveDown(*row)) return;
    SelectOnly(up ? *row - 1 : *row + 1);
}

void CEventsListDlg::Save() {
    model_->Rows().SaveInto(table_);
    accept();
}

void CEventsListDlg::ToggleSelected() {
    for (const size_t row : SelectedRows()) model_->ToggleDisabled(row);
}

void CEventsListDlg::SelectionChanged() {
    const std::optional<size_t> first = FirstSelected();
    if (first) model_->ClearErrorMark(*first);
    edit_->setEnabled(first.has_value());
    del_->setEnabled(first.has_value());
    moveUp_->setEnabled(first && *first > 0);
    moveDown_->setEnabled(first && *first + 1 < model_->Rows().Count());
    RefreshClipboardButtons();
}

void CEventsListDlg::RefreshClipboardButtons() {
    const QMimeData* data = Clipboard()->mimeData();
    const bool text = data && data->hasText();
    const bool records = data && (data->hasFormat(QString::fromLatin1(kEventsMimeType)) ||
                                  data->hasFormat(QString::fromLatin1(kEventsFormatName)));
    addOffsets_->setEnabled(text);
    clearClipboard_->setEnabled(text || records);
    addEvents_->setEnabled(records);
    const bool selected = list_->selectionModel()->hasSelection();
    copyEvents_->setEnabled(selected);
    copyOffsets_->setEnabled(selected);
}

void CEventsListDlg::EnableOffsetsCopyByRows() {
    copyOffsets_->setEnabled(!model_->Rows().Empty());
}

void CEventsListDlg::CopySelectedEvents() {
    std::vector<EventRow> rows;
    for (const size_t row : SelectedRows()) rows.push_back(model_->Rows()[row]);
    if (rows.empty()) return;
    const std::string block = EncodeEventRecords(rows);
    const QByteArray bytes(block.data(), static_cast<qsizetype>(block.size()));
    auto* data = new QMimeData;
    for (const char* format : {kEventsMimeType, kEventsFormatName})
        data->setData(QString::fromLatin1(format), bytes);
    Clipboard()->setMimeData(data);
}

void CEventsListDlg::AddEventsFromClipboard() {
    // Read at once: the clipboard may change while a question is open.
    const std::optional<QByteArray> block = EventRecordsOnClipboard();
    if (!block) return;
    const std::vector<EventRow> events = DecodeEventRecords(
        std::string_view(block->constData(), static_cast<size_t>(block->size())));
    for (const EventRow& event : events)
        model_->Apply(DecideAdd(model_->Rows(), event, services_.prompt, model_->TypeNames()));
}

void CEventsListDlg::CopyOffsetDefinitions() {
    std::vector<EventRow> rows;
    for (const size_t row : SelectedRows()) rows.push_back(model_->Rows()[row]);
    const DefinitionText definitions = OffsetDefinitionText(rows);
    Clipboard()->setText(QString::fromLatin1(definitions.text));
    if (!definitions.namesChanged) return;
    services_.prompt.ShowMessage(
        u"Some chars on some names has been replaced for '_' becouse those chars you used are not "
        u"allowed by the #define instruction for a valid name.\r\nThe change was made only on the "
        u"clipboard, no name has been changed on the offsets list.\r\n\r\nPlease check the "
        u"generated code when paste it on your IDE to see new names.",
        u"Found illegal chars.", PromptIcon::Warning);
}

void CEventsListDlg::AddDefinesFromClipboard() {
    const std::u16string text = Clipboard()->text().toStdU16String();
    if (!text.empty()) {
        IUserPrompt* offer = emptyAtOpen_ ? &services_.prompt : nullptr;
        for (EventRow& row : DefinesToAdd(text, model_->Rows(), offer))
            model_->Append(std::move(row));
    }
    emptyAtOpen_ = false;
    EnableOffsetsCopyByRows();
}

void CEventsListDlg::closeEvent(QCloseEvent* event) {
    const PromptAnswer answer = services_.prompt.AskQuestion(
        u"Save changes before close this dialog.\r\nDo you want to save before exit?",
        u"Save befor exit?", PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel) {
        event->ignore();
        return;
    }
    if (answer == PromptAnswer::Yes) {
        Save();
    } else {
        reject();
    }
    event->accept();
}

bool CEventsListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport()) return ViewportEvent(event);
    if (watched == list_ && event->type() == QEvent::KeyPress)
        return ListKey(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

bool CEventsListDlg::ViewportEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    const QModelIndex index = list_->indexAt(mouse->position().toPoint());
    const bool disabledCell = index.isValid() && index.column() == kColumnDisabled;
    if (type == QEvent::MouseButtonPress) {
        pressedRow_ = disabledCell ? index.row() : -1;
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        // A click is a press and a release on the same cell; the release of a double click
        // follows no press and toggles nothing.
        if (disabledCell && index.row() == pressedRow_)
            model_->ToggleDisabled(static_cast<size_t>(index.row()));
        pressedRow_ = -1;
        return false;
    }
    pressedRow_ = -1;
    if (!index.isValid()) {
        New();
    } else if (index.column() == kColumnScript) {
        EditScript(static_cast<size_t>(index.row()));
    } else {
        EditRow(static_cast<size_t>(index.row()));
    }
    return true;
}

bool CEventsListDlg::ListKey(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
        case Qt::Key_D:
            ToggleSelected();
            return true;
        case Qt::Key_S:
            if (const std::optional<size_t> row = FirstSelected()) EditScript(*row);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EditSelected();
            return true;
        default:
            return false;
    }
}

}  // namespace orva
