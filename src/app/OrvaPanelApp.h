// Start-up of an instance: the crash report, the instance name, the folders, the update check,
// and the controller with its configuration, shared by every front end.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ConnectionController.h"
#include "app/DeviceWatcher.h"
#include "app/InstanceRegistry.h"
#include "app/UpdateCheck.h"
#include "card/HidapiBackend.h"
#include "platform/Notify.h"

namespace orva {

inline constexpr std::u16string_view kProductKey = u"orvapanel";
inline constexpr double kProgramVersion = 1.04;

// What a front end gives the start-up.
struct FrontEnd {
    IUserPrompt& prompt;
    IControllerView& view;
    IControllerDialogs& dialogs;
    IShellOpener& opener;
};

class COrvaPanelApp {
public:
    COrvaPanelApp();
    ~COrvaPanelApp();

    // Everything up to the ready main window, the instance named by the parameters that name it
    // (ParsedCommandLine::instanceParams). Nothing when the instance runs on; otherwise the
    // exit code it must end with (1: a refused name).
    std::optional<int> InitInstance(const std::vector<std::u16string>& params, FrontEnd& frontEnd);

    CConnectionController& Controller() { return *controller_; }
    // The controller exists: the start-up got that far.
    bool Started() const { return controller_ != nullptr; }
    CNotify& Notify() { return notify_; }
    // The boards, real and simulated: the card tools open their own board objects on it.
    IHidBackend& Backend() { return backend_; }
    // The folder of the running program (where quivr.mod is looked for).
    static std::filesystem::path ProgramFolder();

private:
    CNotify notify_;
    CCompositeHidBackend backend_;
    CInstanceRegistry registry_;
    std::unique_ptr<CConnectionController> controller_;
    std::unique_ptr<CDeviceWatcher> watcher_;
};

}  // namespace orva
