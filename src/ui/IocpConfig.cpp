#include "ui/IocpConfig.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <QValidator>
#include <array>
#include <functional>
#include <initializer_list>

#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/Buttons.h"

namespace orva {
namespace {

QString ToQ(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A number from 0 to 255 in ASCII digits, or nothing. QIntValidator would let "999" stand as
// an intermediate value, and a sign, a group separator or another script's digits, which the
// field would show while the address took something else.
class CByteValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        if (input.size() > 3) return Invalid;
        for (const QChar c : input) {
            if (c < u'0' || c > u'9') return Invalid;
        }
        return input.isEmpty() || input.toInt() <= 255 ? Acceptable : Invalid;
    }
};

// One byte of the address. Typing flows through the four fields as in one line of text.
class CAddressField final : public QLineEdit {
public:
    explicit CAddressField(QWidget* parent) : QLineEdit(parent) {
        setValidator(new CByteValidator(this));
        setMaxLength(3);
        setAlignment(Qt::AlignCenter);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    CAddressField* prev = nullptr;
    CAddressField* next = nullptr;

    QSize sizeHint() const override {
        // Room for three digits rather than a line of text, in whatever font is in use.
        QSize hint = QLineEdit::sizeHint();
        const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        hint.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 2 * frame + 4);
        return hint;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QString typed = event->text();
        if (event->key() == Qt::Key_Backspace && text().isEmpty()) {
            if (prev) {
                prev->setFocus(Qt::BacktabFocusReason);
                prev->end(false);
            }
            return;
        }
        if (typed == QStringLiteral(".")) {
            if (next) EnterNext();
            return;
        }
        // Anything but a digit is refused by the validator.
        const bool digit = typed.size() == 1 && typed[0] >= u'0' && typed[0] <= u'9';
        QLineEdit::keyPressEvent(event);
        if (digit && next && text().size() == 3 && cursorPosition() == 3) EnterNext();
    }

private:
    void EnterNext() {
        next->setFocus(Qt::TabFocusReason);
        next->selectAll();
    }
};

}  // namespace

// The IPv4 address editor: four small fields between dots.
class CAddressEdit final : public QWidget {
public:
    CAddressEdit(const std::function<void()>& edited, QWidget* parent) : QWidget(parent) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        for (size_t i = 0; i < parts_.size(); ++i) {
            if (i > 0) row->addWidget(new QLabel(QStringLiteral("."), this));
            parts_[i] = new CAddressField(this);
            parts_[i]->setObjectName(QStringLiteral("ip%1").arg(i));
            row->addWidget(parts_[i]);
            connect(parts_[i], &QLineEdit::textEdited, this, [edited] { edited(); });
        }
        for (size_t i = 1; i < parts_.size(); ++i) {
            parts_[i]->prev = parts_[i - 1];
            parts_[i - 1]->next = parts_[i];
        }
        row->addStretch(1);
        setFocusProxy(parts_[0]);
    }

    QWidget* Part(size_t index) const { return parts_[index]; }

    AddressFields Fields() const {
        AddressFields fields;
        for (size_t i = 0; i < parts_.size(); ++i) {
            bool ok = false;
            const int value = parts_[i]->text().toInt(&ok);
            if (ok) fields[i] = value;
        }
        return fields;
    }

    void SetFields(const AddressFields& fields) {
        for (size_t i = 0; i < parts_.size(); ++i)
            parts_[i]->setText(fields[i] ? QString::number(*fields[i]) : QString());
    }

private:
    std::array<CAddressField*, 4> parts_{};
};

CIocpConfig::CIocpConfig(ServerList servers, IUserPrompt& prompt, QWidget* parent)
    : QDialog(parent), model_(std::move(servers)), prompt_(prompt) {
    setWindowTitle(QStringLiteral("IOCP Clients Config"));
    auto* groups = new QHBoxLayout;
    groups->addWidget(MakeListGroup());
    groups->addWidget(MakeInfoGroup(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(MakeButtons());

    // Reading order: the list and its buttons, the server's fields, then Ok and Cancel.
    QWidget* previous = list_;
    for (QWidget* next : std::initializer_list<QWidget*>{
             new_, del_, alias_, address_->Part(0), address_->Part(1), address_->Part(2),
             address_->Part(3), port_, lookup_, ok_, cancel_}) {
        setTabOrder(previous, next);
        previous = next;
    }

    Connect();
    Refill();
    list_->setFocus();
}

CIocpConfig::~CIocpConfig() = default;

ServerList CIocpConfig::Servers() const {
    return model_.Servers();
}

QWidget* CIocpConfig::MakeListGroup() {
    auto* group = new QGroupBox(QStringLiteral("&Servers list."), this);
    list_ = new QListWidget(group);
    list_->setObjectName(QStringLiteral("servers"));
    new_ = new QPushButton(QStringLiteral("&New"), group);
    new_->setObjectName(QStringLiteral("new"));
    del_ = new QPushButton(QStringLiteral("&Del"), group);
    del_->setObjectName(QStringLiteral("del"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new_);
    buttons->addWidget(del_);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    return group;
}

QWidget* CIocpConfig::MakeInfoGroup() {
    auto* group = new QGroupBox(QStringLiteral("Selected server Info."), this);
    alias_ = new QLineEdit(group);
    alias_->setObjectName(QStringLiteral("alias"));
    address_ = new CAddressEdit(
        [this] {
            model_.SetFields(address_->Fields());
            ShowLookup();
        },
        group);
    port_ = new QLineEdit(group);
    port_->setObjectName(QStringLiteral("port"));
    lookup_ = new QCheckBox(QStringLiteral("For this server use &Quivr protocol:"), group);
    lookup_->setObjectName(QStringLiteral("quivr"));

    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("&Alias:"), alias_);  // an ampersand makes the label a buddy
    form->addRow(QStringLiteral("&IP Dir.:"), address_);
    // A label gives the focus only to a buddy that takes it, which the editor's frame does not.
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(address_)))
        label->setBuddy(address_->Part(0));
    form->addRow(QStringLiteral("&Port:"), port_);
    form->addRow(lookup_);
    return group;
}

QLayout* CIocpConfig::MakeButtons() {
    ok_ = MakeButton(QStringLiteral("Ok"), "ok", this, true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    return row;
}

void CIocpConfig::Connect() {
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        model_.Select(static_cast<size_t>(row));
        ShowSelected();
    });
    // Stored at every key, so the list line follows the alias as it is typed and Ok finds
    // nothing left to store.
    connect(alias_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.SetAlias(text.toStdU16String());
        const size_t row = model_.Selected();
        list_->item(static_cast<int>(row))->setText(ToQ(model_.Line(row)));
    });
    connect(port_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.SetPort(text.toStdU16String()); });
    connect(lookup_, &QCheckBox::clicked, this, [this](bool checked) {
        model_.SetLookup(checked);
        address_->SetFields(model_.Fields());
        ShowLookup();
    });
    connect(new_, &QPushButton::clicked, this, [this] {
        if (model_.Add()) Refill();
    });
    connect(del_, &QPushButton::clicked, this, &CIocpConfig::AskRemove);
    connect(ok_, &QPushButton::clicked, this, &CIocpConfig::AcceptIfValid);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CIocpConfig::Refill() {
    {
        const QSignalBlocker block(list_);
        list_->clear();
        for (size_t i = 0; i < model_.Count(); ++i) list_->addItem(ToQ(model_.Line(i)));
        list_->setCurrentRow(static_cast<int>(model_.Selected()));
    }
    ShowSelected();
}

void CIocpConfig::ShowSelected() {
    const ServerRecord& server = model_.Current();
    alias_->setText(ToQ(server.alias));
    port_->setText(ToQ(model_.PortText()));
    address_->SetFields(model_.Fields());
    ShowLookup();
    new_->setEnabled(model_.CanAdd());
}

void CIocpConfig::ShowLookup() {
    const bool lookup = model_.Lookup();
    lookup_->setChecked(lookup);
    address_->setEnabled(!lookup);
    port_->setEnabled(!lookup);
}

void CIocpConfig::AskRemove() {
    const PromptAnswer answer =
        prompt_.AskQuestion(Format(u"Remove the server alias '%s'\r\nfrom the list of servers?",
                                   model_.Current().alias),
                            u"Remove server...", PromptButtons::YesNo, PromptIcon::Question);
    if (answer != PromptAnswer::Yes) return;
    model_.Remove();
    Refill();
}

void CIocpConfig::AcceptIfValid() {
    // A port outside 1-65535 would reach the client as some other port, or none.
    const std::optional<size_t> bad = model_.FirstBadPort();
    if (!bad) {
        accept();
        return;
    }
    list_->setCurrentRow(static_cast<int>(*bad));
    prompt_.ShowMessage(Format(u"The port of the server '%s' is '%s'.\r\nA port is a number from 1 "
                               u"to 65535, in digits only.",
                               model_.Line(*bad), model_.PortText()),
                        u"IOCP Clients Config", PromptIcon::Warning);
    port_->setFocus();
    port_->selectAll();
}

}  // namespace orva
