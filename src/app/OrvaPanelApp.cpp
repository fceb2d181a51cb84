#include "app/OrvaPanelApp.h"

#include <unistd.h>

#include "app/CrashReport.h"
#include "app/InstanceName.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {

COrvaPanelApp::COrvaPanelApp() = default;

COrvaPanelApp::~COrvaPanelApp() {
    watcher_.reset();
    if (controller_) controller_->Destroy();
    controller_.reset();
    notify_.Close();
}

std::filesystem::path COrvaPanelApp::ProgramFolder() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : self.parent_path();
}

std::optional<int> COrvaPanelApp::InitInstance(const std::vector<std::u16string>& params,
                                               FrontEnd& frontEnd) {
    InstallCrashReport();
    // The name is settled before anything is read or written, so a refused start touches no file.
    const SettledName settled = SettleInstanceName(InstanceNameFromCommandLine(params), registry_);
    if (!settled.error.empty()) {
        frontEnd.prompt.ShowMessage(settled.error, u"Error", PromptIcon::Error);
        return 1;
    }
    SetCrashInstanceName(settled.name);
    std::error_code ec;
    std::filesystem::create_directories(UserFolder(), ec);
    std::filesystem::create_directories(AppProfileFile().parent_path(), ec);

    CUpdateCheck(frontEnd.prompt, frontEnd.opener, WebHost()).Run(kProductKey, kProgramVersion);
    controller_ = std::make_unique<CConnectionController>(notify_, backend_, frontEnd.prompt,
                                                          frontEnd.view, frontEnd.dialogs);
    controller_->SetInstanceChanged([this](const std::u16string& name) {
        if (!registry_.Acquire(InstanceTitle(ToUpper(name)))) return false;
        SetCrashInstanceName(name);
        return true;
    });
    notify_.SetHandler(
        [this](const Notification& n) { return controller_->HandleNotification(n) ? 0 : 1; });
    // Watching before the start-up's own question, which closes when the board is plugged in.
    watcher_ = std::make_unique<CDeviceWatcher>(notify_);
    controller_->Initialise(settled.name, ProgramFolder() / CQuivr::kFileName);
    return std::nullopt;
}

}  // namespace orva
