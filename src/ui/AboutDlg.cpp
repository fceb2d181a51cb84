#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/OrvaPanelApp.h"
#include "app/UpdateCheck.h"
#include "iocp/IocpLog.h"
#include "platform/Paths.h"

namespace orva {

CAboutDlg::CAboutDlg(const std::u16string& instanceName, const std::filesystem::path& folder,
                     IShellOpener& opener, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("About OrvaPanel"));
    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/orvapanel.svg")).pixmap(64, 64));
    head->addWidget(icon);
    auto* name = new QLabel(QStringLiteral("<b>OrvaPanel %1</b><br>Instance %2")
                                .arg(QString::number(kProgramVersion, 'f', 2),
                                     QString::fromStdU16String(instanceName).toHtmlEscaped()),
                            this);
    head->addWidget(name, 1);
    layout->addLayout(head);

    const QString folderText = QString::fromStdU16String(PathText(folder));
    auto* files = new QLabel(QStringLiteral("This instance keeps its files in:"), this);
    layout->addWidget(files);
    auto* path = new QLabel(folderText, this);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setObjectName(QStringLiteral("folder"));
    layout->addWidget(path);

    layout->addWidget(new QLabel(QStringLiteral("The IOCP client logs its errors to:"), this));
    auto* log = new QLabel(QString::fromStdU16String(PathText(IocpLogFile())), this);
    log->setTextInteractionFlags(Qt::TextSelectableByMouse);
    log->setObjectName(QStringLiteral("iocpLog"));
    layout->addWidget(log);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* open =
        buttons->addButton(QStringLiteral("&Open folder"), QDialogButtonBox::ActionRole);
    connect(open, &QPushButton::clicked, this,
            [&opener, folder] { opener.Open(PathText(folder)); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace orva
