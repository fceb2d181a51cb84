#include "ui/RestoreDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/BackupsProgram.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/Buttons.h"

namespace orva {
namespace {

constexpr std::u16string_view kCaption = u"Restore a previous version";
enum Column { kNumber, kFile, kSaved, kEvents, kBackupFile };

QString Text(std::u16string_view text) {
    return QString::fromStdU16String(std::u16string(text));
}

QString FileName(const std::filesystem::path& path) {
    return QString::fromStdU16String(PathText(path.filename()));
}

QString EventsText(const InstanceBackup& b) {
    if (b.kind != BackupKind::Events) return {};
    return b.events ? QString::number(*b.events) : QStringLiteral("not an events file");
}

}  // namespace

CRestoreDlg::CRestoreDlg(CConnectionController& controller, IControllerView& view,
                         IUserPrompt& prompt, QWidget* parent)
    : QDialog(parent), controller_(controller), view_(view), prompt_(prompt) {
    setWindowTitle(Text(kCaption) + QStringLiteral(" (%1)").arg(Text(controller.InstanceName())));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Backups of the events file and the configuration, "
                                            "newest first:"),
                             this);
    layout->addWidget(label);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("backups"));
    list_->setHeaderLabels({QStringLiteral("No."), QStringLiteral("File"), QStringLiteral("Saved"),
                            QStringLiteral("Events"), QStringLiteral("Backup file")});
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(list_);
    layout->addWidget(list_, 1);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("result"));
    result_->setWordWrap(true);
    layout->addWidget(result_);

    auto* buttons = new QHBoxLayout;
    restore_ = MakeButton(QStringLiteral("&Restore"), "restore", this, true);
    QPushButton* close = MakeButton(QStringLiteral("&Close"), "close", this);
    buttons->addStretch(1);
    buttons->addWidget(restore_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(restore_, &QPushButton::clicked, this, [this] { RestoreSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { restore_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { RestoreSelected(); });
    Refresh();
    resize(sizeHint().expandedTo(QSize(640, 360)));
}

void CRestoreDlg::Refresh() {
    backups_ = BackupsOf(controller_).List();
    list_->clear();
    for (const InstanceBackup& b : backups_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kNumber, QString::number(b.number));
        item->setText(kFile, b.kind == BackupKind::Events ? QStringLiteral("Events")
                                                          : QStringLiteral("Configuration"));
        item->setText(kSaved, Text(BackupTimeText(b.file.savedAt)));
        item->setText(kEvents, EventsText(b));
        item->setText(kBackupFile, FileName(b.file.path));
        item->setTextAlignment(kNumber, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kEvents, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = kNumber; c <= kBackupFile; ++c) list_->resizeColumnToContents(c);
    if (backups_.empty()) {
        result_->setText(
            QStringLiteral("No backups yet: each save of the events or of the "
                           "configuration keeps the file it replaces."));
    }
    restore_->setEnabled(!list_->selectedItems().isEmpty());
    list_->setFocus();
    if (!backups_.empty())
        list_->setCurrentItem(list_->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
}

void CRestoreDlg::RestoreSelected() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    const int row = list_->indexOfTopLevelItem(selected.first());
    if (row < 0 || static_cast<size_t>(row) >= backups_.size()) return;
    const InstanceBackup backup = backups_[static_cast<size_t>(row)];
    const std::filesystem::path file = BackupsOf(controller_).FileOf(backup.kind);
    const std::u16string question =
        Format(u"Restore %s as saved at %s?\r\n\r\nThe current file is kept as a backup.",
               PathText(file.filename()), BackupDescription(backup));
    if (prompt_.AskQuestion(question, std::u16string(kCaption), PromptButtons::YesNo) !=
        PromptAnswer::Yes) {
        return;
    }
    std::optional<FileBackup> made;
    const auto result = RestoreInstanceBackup(controller_, view_, backup, &made);
    if (!result) {
        prompt_.ShowMessage(u"Backups can be restored only while the instance is not connected.",
                            std::u16string(kCaption), PromptIcon::Warning);
        return;
    }
    ShowResult(backup, *result, made);
}

void CRestoreDlg::ShowResult(const InstanceBackup& backup, RestoreResult result,
                             const std::optional<FileBackup>& made) {
    const std::u16string name = PathText(BackupsOf(controller_).FileOf(backup.kind).filename());
    switch (result) {
        case RestoreResult::CannotRead:
            prompt_.ShowMessage(u"The backup could not be read:\r\n" + PathText(backup.file.path),
                                std::u16string(kCaption), PromptIcon::Warning);
            return;
        case RestoreResult::CannotWrite:
            prompt_.ShowMessage(Format(u"%s could not be written in:\r\n%s", name,
                                       PathText(controller_.Configuration().Folder())),
                                std::u16string(kCaption), PromptIcon::Warning);
            return;
        case RestoreResult::AlreadyCurrent:
            result_->setText(Text(Format(u"%s holds that version already.", name)));
            return;
        case RestoreResult::Restored:
            break;
    }
    std::u16string text = Format(u"Restored %s as saved at %s.", name, BackupDescription(backup));
    if (made)
        text += Format(u" The file it replaced is kept as %s.", PathText(made->path.filename()));
    Refresh();
    result_->setText(Text(text));
}

}  // namespace orva
