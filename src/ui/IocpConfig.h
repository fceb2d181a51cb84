// The "IOCP Clients Config" dialog: edits a copy of the server list.
#pragma once

#include <QDialog>

#include "app/HelpPages.h"
#include "core/ServerRecord.h"
#include "ui/text/ServerListEdit.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orva {

class CAddressEdit;
class IUserPrompt;

class CIocpConfig final : public QDialog {
    Q_OBJECT

public:
    CIocpConfig(ServerList servers, IUserPrompt& prompt, QWidget* parent = nullptr);
    ~CIocpConfig() override;

    // The list as edited; the caller takes it only when the dialog ended with Ok.
    ServerList Servers() const;

private:
    QWidget* MakeListGroup();
    QWidget* MakeInfoGroup();
    QLayout* MakeButtons();
    void Connect();

    void Refill();
    void ShowSelected();
    void ShowLookup();
    void AskRemove();
    // Ok: closes only when every server's port is one; otherwise shows the first that is not.
    void AcceptIfValid();

    CHelpPageScope help_{u"configuracion_de_los_clientes_iocp.htm"};
    CServerListEdit model_;
    IUserPrompt& prompt_;

    QListWidget* list_ = nullptr;
    QLineEdit* alias_ = nullptr;
    CAddressEdit* address_ = nullptr;
    QLineEdit* port_ = nullptr;
    QCheckBox* lookup_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* del_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace orva
