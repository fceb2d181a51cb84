// The "Code repository" dialog: picks a ready-made snippet from the downloaded catalogue, or
// from the one that ships with the program.
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/HelpPages.h"
#include "ui/text/Repository.h"
#include "ui/text/RepositoryDownload.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QWidget;

namespace orva {

struct EditorServices;
class IUserPrompt;

class CRepositoryDlg final : public QDialog {
    Q_OBJECT

public:
    // Runs the dialog modally; the chosen snippet's script on Insert, nothing on Cancel.
    static std::optional<std::u16string> PickScript(EditorServices& services, QWidget* parent);

    // Shows the downloaded catalogue, or the bundled one (the program's own, or the file
    // given) while no downloaded one holds snippets; when both are empty, offers to download
    // (the download then runs while the dialog is open).
    explicit CRepositoryDlg(IUserPrompt& prompt, QWidget* parent = nullptr,
                            std::optional<std::filesystem::path> bundled = std::nullopt);
    ~CRepositoryDlg() override;

    // The script chosen with Insert; set only when the dialog ended with Accepted.
    const std::optional<std::u16string>& Result() const { return result_; }
    // True from the start of a download until its thread has ended, a stopped one included.
    bool IsDownloading() const { return download_ && download_->Running(); }

    // Stops a running download and waits for its thread before the dialog closes.
    void done(int result) override;

signals:
    // A download that was not stopped ended (replaced: the cache holds the new catalogue), and
    // the dialog shows the outcome.
    void downloadFinished(bool replaced);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Outcome = CRepositoryDownload::Outcome;

    void Build();
    bool Load();
    void ApplyFilter();
    void UpdateList();
    void StartDownload();
    void ShowProgress(int64_t received, int64_t total);
    void Finish(uint64_t id, Outcome outcome);
    void StopDownload();
    void EndDownload();
    void ShowProgressRow(bool shown);
    const Snippet* Selected() const;
    void UpdateInsert();
    void Insert();

    CHelpPageScope help_{u"repositorio_de_codigo_.htm"};
    IUserPrompt& prompt_;
    std::u16string host_;
    std::filesystem::path bundled_;
    std::u16string filterKey_;
    std::vector<Snippet> rows_;  // the list's rows, in the same order
    std::optional<std::u16string> result_;
    // Every download has an id. A stopped one is no longer wanted: whatever it still reports is
    // dropped, and the user can go on at once while its thread winds down.
    uint64_t started_ = 0;  // the id of the last download started
    uint64_t wanted_ = 0;   // the id whose reports count; 0 when none
    std::unique_ptr<CRepositoryDownload> download_;

    QLabel* source_ = nullptr;  // says that the list is the bundled one
    QTableWidget* list_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* filterButton_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QWidget* progressRow_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace orva
