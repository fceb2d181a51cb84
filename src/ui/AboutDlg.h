// "About OrvaPanel...": the version, this instance, the folder that holds its files and where
// the IOCP log is.
#pragma once

#include <QDialog>
#include <filesystem>
#include <string>

namespace orva {

class IShellOpener;

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const std::u16string& instanceName, const std::filesystem::path& folder,
              IShellOpener& opener, QWidget* parent = nullptr);
};

}  // namespace orva
