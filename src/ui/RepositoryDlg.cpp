#include "ui/RepositoryDlg.h"

namespace orva {

std::optional<std::u16string> CRepositoryDlg::PickScript(EditorServices&, QWidget*) {
    return std::nullopt;
}

}  // namespace orva
