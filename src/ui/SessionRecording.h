// The main window's "Record session..." item: the next session (or the one running now) is
// recorded as a scenario into a file the user chooses, and written when it ends.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QMenu;

namespace orva {

class CConnectionController;
class CSessionRecorder;
class IUserPrompt;

class CSessionRecording final : public QObject {
    Q_OBJECT

public:
    // Adds its item to menu. The recording ends, at the latest, when window ends.
    CSessionRecording(QMenu* menu, IUserPrompt& prompt, QDialog* window);
    ~CSessionRecording() override;

    void Attach(CConnectionController& controller);
    // The menu item: asks for a file and starts, or stops and writes.
    void Toggle();
    // Starts recording into file (the chooser's part of Toggle).
    void Start(const std::filesystem::path& file);
    bool IsRecording() const { return recorder_ != nullptr && !finished_; }
    QAction* Action() const { return action_; }

private:
    std::optional<std::filesystem::path> ChooseFile();
    // Writes what was recorded (when a session was seen) and lets the controller go.
    void Finish();

    IUserPrompt& prompt_;
    QDialog* window_;
    QAction* action_ = nullptr;
    CConnectionController* controller_ = nullptr;
    std::unique_ptr<CSessionRecorder> recorder_;
    std::filesystem::path file_;
    bool finished_ = false;
};

}  // namespace orva
