#include "ui/EventDefinitionDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/Buttons.h"
#include "ui/EditorServices.h"
#include "ui/LookingForIdDlg.h"
#include "ui/ScriptEditing.h"

namespace orva {

CEventDefinitionDlg::CEventDefinitionDlg(EventRow event, const CEventTypeNames& typeNames,
                                         EditorServices& services, QWidget* parent)
    : QDialog(parent), event_(std::move(event)), services_(services) {
    setWindowTitle(QStringLiteral("Event definition and config"));
    MakeControls();
    for (const std::u16string& name : DefinitionTypeNames(typeNames))
        type_->addItem(QString::fromStdU16String(name));
    // A type the list offers no name for (a server that is gone) shows no selection; OK then
    // keeps the event's type rather than guessing one.
    type_->setCurrentIndex(event_.type < type_->count() ? event_.type : -1);
    name_->setText(QString::fromStdU16String(event_.name));
    id_->setText(QString::number(event_.id));
    disable_->setChecked(event_.disabled);

    connect(type_, &QComboBox::currentIndexChanged, this, [this] { UpdateIdControls(); });
    connect(learn_, &QPushButton::clicked, this, [this] { LookForId(); });
    connect(editor_, &QPushButton::clicked, this, [this] { GoToEditor(); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    UpdateIdControls();
    name_->setFocus();
    name_->selectAll();
}

CEventDefinitionDlg::~CEventDefinitionDlg() = default;

void CEventDefinitionDlg::MakeControls() {
    type_ = new QComboBox(this);
    type_->setObjectName(QStringLiteral("type"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 32);
    id_ = new QLineEdit(this);
    id_->setObjectName(QStringLiteral("id"));
    learn_ = new QPushButton(QStringLiteral("?"), this);
    learn_->setObjectName(QStringLiteral("learn"));
    learn_->setToolTip(QStringLiteral("Learn the id from the board"));
    learn_->setAutoDefault(false);
    editor_ = MakeButton(QStringLiteral("&Go to editor"), "editor", this);
    disable_ = new QCheckBox(this);
    disable_->setObjectName(QStringLiteral("disable"));
    ok_ = MakeButton(QStringLiteral("OK"), "ok", this, true);
    cancel_ = MakeButton(QStringLiteral("Cancel"), "cancel", this);

    auto* idRow = new QHBoxLayout;
    idRow->addWidget(id_, 1);
    idRow->addWidget(learn_);
    auto* idLabel = new QLabel(QStringLiteral("&Id:"), this);
    idLabel->setBuddy(id_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Event &TYPE:"), type_);
    form->addRow(QStringLiteral("&Name:"), name_);
    form->addRow(idLabel, idRow);
    form->addRow(QString(), editor_);
    form->addRow(QStringLiteral("&Disable:"), disable_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void CEventDefinitionDlg::UpdateIdControls() {
    const IdControls controls = IdControlsFor(type_->currentIndex());
    id_->setEnabled(controls.id);
    // Without a board back-end there is nothing to learn from.
    learn_->setEnabled(controls.learn && services_.backend != nullptr);
}

void CEventDefinitionDlg::LookForId() {
    if (!services_.backend) return;
    const std::optional<int32_t> id = CLookingForIdDlg::LookForId(
        *services_.backend, services_.cardSerial, services_.senseVcc, type_->currentIndex(), this);
    if (id) id_->setText(QString::number(*id));
}

void CEventDefinitionDlg::GoToEditor() {
    std::u16string script = event_.script;
    const int32_t id = ReadEventId(id_->text().toStdU16String()).value_or(event_.id);
    if (EditScriptText(services_, script, name_->text().toStdU16String(), id, this))
        event_.script = std::move(script);
}

void CEventDefinitionDlg::accept() {
    // A disabled Id field is one the user cannot mend, so it is not checked and keeps its id.
    if (id_->isEnabled()) {
        const std::optional<int32_t> id = ReadEventId(id_->text().toStdU16String());
        if (!id) {
            services_.prompt.ShowMessage(
                Format(u"Please enter an integer between 0 and %d.", kMaxEventId),
                u"Event definition and config", PromptIcon::Warning);
            id_->setFocus();
            id_->selectAll();
            return;
        }
        event_.id = *id;
    }
    if (type_->currentIndex() >= 0) event_.type = static_cast<uint8_t>(type_->currentIndex());
    event_.name = name_->text().toStdU16String();
    event_.disabled = disable_->isChecked();
    QDialog::accept();
}

}  // namespace orva
