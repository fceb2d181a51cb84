#include "ui/ScriptEditing.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/EditorServices.h"

namespace orva {

bool EditScriptText(EditorServices&, std::u16string& script, const std::u16string& name, int32_t,
                    QWidget* parent) {
    // A plain text editor until the script editor takes this over.
    QDialog dialog(parent);
    dialog.setWindowTitle(
        QStringLiteral("LUA Script editor - %1").arg(QString::fromStdU16String(name)));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(&dialog);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(QString::fromStdU16String(script));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 420);
    if (dialog.exec() != QDialog::Accepted) return false;
    script = text->toPlainText().toStdU16String();
    return true;
}

}  // namespace orva
