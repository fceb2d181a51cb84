#include "ui/QtShellOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace orva {

bool CQtShellOpener::Open(std::u16string_view target) {
    const QString text = QString::fromStdU16String(std::u16string(target));
    const QUrl url = text.startsWith(u'/') ? QUrl::fromLocalFile(text) : QUrl(text);
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace orva
