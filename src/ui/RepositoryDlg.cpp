#include "ui/RepositoryDlg.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <system_error>

#include "app/OrvaPanelApp.h"
#include "app/UpdateCheck.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/Buttons.h"
#include "ui/EditorServices.h"

namespace orva {
namespace {

const QColor kHeaderBack(80, 110, 80);
const QColor kEmptyScriptBack(200, 220, 200);

QString ToQ(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromQ(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}

int ClampToInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

std::optional<std::u16string> CRepositoryDlg::PickScript(EditorServices& services,
                                                         QWidget* parent) {
    CRepositoryDlg dialog(services.prompt, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

CRepositoryDlg::CRepositoryDlg(IUserPrompt& prompt, QWidget* parent,
                               std::optional<std::filesystem::path> bundled)
    : QDialog(parent),
      prompt_(prompt),
      host_(WebHost()),
      bundled_(bundled ? std::move(*bundled)
                       : FindBundledRepository(COrvaPanelApp::ProgramFolder())) {
    Build();
    if (!Load() && !host_.empty() &&
        prompt_.AskQuestion(u"Your current repository is empty.\r\nWould you like to download "
                            u"the repository from server?",
                            u"Download repository...", PromptButtons::YesNo,
                            PromptIcon::Question) == PromptAnswer::Yes) {
        filter_->clear();
        filterKey_.clear();
        StartDownload();
    }
}

CRepositoryDlg::~CRepositoryDlg() {
    EndDownload();
}

void CRepositoryDlg::Build() {
    setWindowTitle(QStringLiteral("Code repository"));

    source_ =
        new QLabel(QStringLiteral("Bundled list: the snippets that ship with OrvaPanel."), this);
    source_->setObjectName(QStringLiteral("source"));
    source_->hide();

    list_ = new QTableWidget(0, 3, this);
    list_->setObjectName(QStringLiteral("list"));
    list_->setHorizontalHeaderLabels(
        {QStringLiteral(" Type"), QStringLiteral(" From"), QStringLiteral(" Description")});
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->setTabKeyNavigation(false);  // Tab leaves the list, as in every other control
    list_->verticalHeader()->hide();
    // One line per row: sizing each row to its contents would cost a pass over every row.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    QHeaderView* header = list_->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setHighlightSections(false);
    header->setStyleSheet(QStringLiteral("QHeaderView::section { color: white; background-color: "
                                         "%1; padding-left: 5px; border: none; "
                                         "border-right: 1px solid white; }")
                              .arg(kHeaderBack.name()));
    list_->setColumnWidth(0, 100);
    list_->setColumnWidth(1, 100);
    list_->setColumnWidth(2, 542);
    header->setStretchLastSection(true);

    progressRow_ = new QWidget(this);
    progressRow_->setObjectName(QStringLiteral("progressRow"));
    auto* progressLayout = new QHBoxLayout(progressRow_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(new QLabel(QStringLiteral("Downloading the repository..."), this));
    progress_ = new QProgressBar(progressRow_);
    progress_->setObjectName(QStringLiteral("progress"));
    progressLayout->addWidget(progress_, 1);
    stop_ = new QPushButton(QStringLiteral("&Stop download"), progressRow_);
    stop_->setObjectName(QStringLiteral("stop"));
    progressLayout->addWidget(stop_);
    progressRow_->hide();

    auto* filterLabel = new QLabel(
        QStringLiteral("&Write text to use as filter for the list, and clickon filter button:"),
        this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("filter"));
    filterLabel->setBuddy(filter_);
    filter_->installEventFilter(this);
    filterButton_ = new QPushButton(QStringLiteral("&Filter"), this);
    filterButton_->setObjectName(QStringLiteral("filterButton"));
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filter_, 1);
    filterRow->addWidget(filterButton_);

    update_ = new QPushButton(QStringLiteral("&Update List"), this);
    update_->setObjectName(QStringLiteral("update"));
    insert_ = MakeButton(QStringLiteral("&Insert"), "insert", this, true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(update_);
    buttons->addStretch(1);
    buttons->addWidget(insert_);
    buttons->addWidget(cancel_);
    if (host_.empty()) {
        update_->setEnabled(false);
        update_->setToolTip(QStringLiteral("Downloads are switched off: no web host is set."));
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source_);
    layout->addWidget(list_, 1);
    layout->addWidget(progressRow_);
    layout->addWidget(filterLabel);
    layout->addLayout(filterRow);
    layout->addLayout(buttons);

    setTabOrder(list_, filter_);
    setTabOrder(filter_, filterButton_);
    setTabOrder(filterButton_, update_);
    setTabOrder(update_, insert_);
    setTabOrder(insert_, cancel_);
    setTabOrder(cancel_, stop_);
    list_->setFocus();
    resize(sizeHint().expandedTo(QSize(100 + 100 + 542 + 60, 400)));

    connect(list_, &QTableWidget::itemSelectionChanged, this, &CRepositoryDlg::UpdateInsert);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        list_->selectRow(row);  // the row clicked, whatever was selected before
        Insert();
    });
    connect(filterButton_, &QPushButton::clicked, this, &CRepositoryDlg::ApplyFilter);
    connect(update_, &QPushButton::clicked, this, &CRepositoryDlg::UpdateList);
    connect(insert_, &QPushButton::clicked, this, &CRepositoryDlg::Insert);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(stop_, &QPushButton::clicked, this, &CRepositoryDlg::StopDownload);
}

bool CRepositoryDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the filter box filters; everywhere else it inserts.
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ApplyFilter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CRepositoryDlg::Load() {
    auto snippets = LoadRepositoryFile(RepositoryFile(), &prompt_);
    // Until a download brings snippets, the program's own list stands in.
    bool bundled = false;
    if ((!snippets || snippets->empty()) && !bundled_.empty()) {
        if (auto shipped = LoadRepositoryFile(bundled_); shipped && !shipped->empty()) {
            snippets = std::move(shipped);
            bundled = true;
        }
    }
    source_->setVisible(bundled);
    if (!snippets) return false;  // no cache file: the list stays as it is
    rows_ = FilterSnippets(*snippets, filterKey_);
    list_->clearContents();
    list_->setRowCount(static_cast<int>(rows_.size()));
    for (int row = 0; row < list_->rowCount(); ++row) {
        const Snippet& snippet = rows_[static_cast<size_t>(row)];
        const std::u16string_view texts[] = {snippet.type, snippet.from, snippet.description};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(ToQ(texts[column]));
            if (!snippet.CanInsert()) {
                item->setBackground(kEmptyScriptBack);
                item->setForeground(QColor(Qt::black));  // readable on the tint in dark themes too
            }
            list_->setItem(row, column, item);
        }
    }
    UpdateInsert();
    return !rows_.empty();
}

void CRepositoryDlg::ApplyFilter() {
    filterKey_ = RepositoryFilterKey(FromQ(filter_->text()));
    Load();
}

void CRepositoryDlg::UpdateList() {
    if (IsDownloading() || host_.empty()) return;
    filter_->clear();
    filterKey_.clear();
    StartDownload();
}

void CRepositoryDlg::StartDownload() {
    const std::u16string address = RepositoryAddress(host_, kProductKey);
    if (address.empty() || IsDownloading()) return;
    const uint64_t id = ++started_;
    wanted_ = id;
    progress_->setRange(0, 0);
    progress_->setValue(0);
    ShowProgressRow(true);
    update_->setEnabled(false);
    // The reports come from the download's thread; they are handled here, on the dialog's.
    download_ = std::make_unique<CRepositoryDownload>(
        ToUtf8(address), RepositoryFile(),
        CRepositoryDownload::Reports{[this, id](int64_t received, int64_t total) {
                                         QMetaObject::invokeMethod(
                                             this,
                                             [this, id, received, total] {
                                                 if (id == wanted_) ShowProgress(received, total);
                                             },
                                             Qt::QueuedConnection);
                                     },
                                     [this, id](Outcome outcome) {
                                         QMetaObject::invokeMethod(
                                             this, [this, id, outcome] { Finish(id, outcome); },
                                             Qt::QueuedConnection);
                                     }});
    download_->Start();
}

void CRepositoryDlg::ShowProgress(int64_t received, int64_t total) {
    if (total > 0) {
        progress_->setRange(0, ClampToInt(total));
        progress_->setValue(ClampToInt(std::min(received, total)));
    } else {
        progress_->setRange(0, 0);  // size not known yet: a busy bar
    }
}

void CRepositoryDlg::Finish(uint64_t id, Outcome outcome) {
    if (id == started_ && download_) {
        download_->Wait();  // the report was the thread's last act: this never waits
        update_->setEnabled(!host_.empty());
    }
    // A new cache is always shown, also when the stop came after it was written: the list never
    // disagrees with the cache behind it.
    if (outcome == Outcome::Replaced) Load();
    if (id != wanted_) return;  // stopped meanwhile
    wanted_ = 0;
    ShowProgressRow(false);
    if (outcome == Outcome::Failed) {
        prompt_.ShowMessage(
            u"Error downloading the repository from server.\r\n\r\nPlease, try again latter.",
            u"Download error...", PromptIcon::Error);
    }
    emit downloadFinished(outcome == Outcome::Replaced);
}

void CRepositoryDlg::StopDownload() {
    // The transfer notices the stop at its next progress report (within about a second); the
    // dialog does not wait for that.
    if (!IsDownloading()) return;
    wanted_ = 0;
    download_->Stop();
    ShowProgressRow(false);
}

void CRepositoryDlg::EndDownload() {
    if (!IsDownloading()) return;
    StopDownload();
    download_->Wait();
    update_->setEnabled(!host_.empty());
}

void CRepositoryDlg::ShowProgressRow(bool shown) {
    if (!shown && stop_->hasFocus()) list_->setFocus();
    progressRow_->setVisible(shown);
}

const Snippet* CRepositoryDlg::Selected() const {
    const QList<QTableWidgetItem*> items = list_->selectedItems();
    if (items.isEmpty()) return nullptr;
    const int row = items.front()->row();
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    return &rows_[static_cast<size_t>(row)];
}

void CRepositoryDlg::UpdateInsert() {
    const Snippet* snippet = Selected();
    insert_->setEnabled(snippet && snippet->CanInsert());
}

void CRepositoryDlg::Insert() {
    const Snippet* snippet = Selected();
    if (!snippet || !snippet->CanInsert()) return;
    result_ = snippet->script;
    accept();
}

void CRepositoryDlg::done(int result) {
    EndDownload();
    if (result != QDialog::Accepted) result_.reset();
    QDialog::done(result);
}

}  // namespace orva
