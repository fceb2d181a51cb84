#include "ui/SessionRecording.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>

#include "app/ConnectionController.h"
#include "app/SessionRecorder.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {
namespace {

const QString kRecord = QStringLiteral("&Record session...");
const QString kStop = QStringLiteral("Stop &recording");

}  // namespace

CSessionRecording::CSessionRecording(QMenu* menu, IUserPrompt& prompt, QDialog* window)
    : QObject(window), prompt_(prompt), window_(window) {
    action_ = menu->addAction(kRecord, this, [this] { Toggle(); });
    action_->setObjectName(QStringLiteral("recordSession"));
    action_->setEnabled(false);
    // The controller outlives the window's end, not the window: let it go then.
    connect(window, &QDialog::finished, this, [this] {
        if (IsRecording()) Finish();
    });
}

CSessionRecording::~CSessionRecording() {
    if (IsRecording() && controller_) controller_->SetSessionObserver(nullptr);
}

void CSessionRecording::Attach(CConnectionController& controller) {
    controller_ = &controller;
    action_->setEnabled(true);
}

void CSessionRecording::Toggle() {
    if (IsRecording()) {
        Finish();
    } else if (const auto file = ChooseFile()) {
        Start(*file);
    }
}

void CSessionRecording::Start(const std::filesystem::path& file) {
    if (!controller_ || IsRecording()) return;
    file_ = file;
    finished_ = false;
    // Ends with its session; written once the controller's disconnect is over, not inside it.
    recorder_ = std::make_unique<CSessionRecorder>(*controller_, [this] {
        QMetaObject::invokeMethod(
            this, [this] { Finish(); }, Qt::QueuedConnection);
    });
    if (controller_->HasSession()) recorder_->StartConnected();
    controller_->SetSessionObserver(recorder_.get());
    action_->setText(kStop);
}

void CSessionRecording::Finish() {
    if (!IsRecording()) return;
    finished_ = true;
    recorder_->Stop();
    controller_->SetSessionObserver(nullptr);
    action_->setText(kRecord);
    if (!recorder_->Started()) return;  // no session came: nothing to write
    std::string error;
    if (recorder_->Write(file_, error)) {
        prompt_.ShowMessage(u"The session was recorded in:\r\n" + PathText(file_) +
                                u"\r\n\r\nReplay it with: orvapanel-headless --scenario FILE",
                            u"Record session", PromptIcon::Information);
    } else {
        prompt_.ShowMessage(FromUtf8(error), u"Record session", PromptIcon::Warning);
    }
}

std::optional<std::filesystem::path> CSessionRecording::ChooseFile() {
    QFileDialog chooser(window_, QStringLiteral("Record session"));
    chooser.setObjectName(QStringLiteral("recordFile"));
    chooser.setNameFilters({QStringLiteral("Scenarios (*.scenario)"), QStringLiteral("All (*)")});
    chooser.setDefaultSuffix(QStringLiteral("scenario"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromText(chooser.selectedFiles().first().toStdU16String());
}

}  // namespace orva
