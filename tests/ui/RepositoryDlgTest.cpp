// The "Code repository" dialog as the user sees it, downloading from a real HTTP server on
// loopback into a private home.
#include "ui/RepositoryDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/HelpPages.h"
#include "platform/Paths.h"
#include "scripting/NamesList.h"
#include "support/HttpServer.h"
#include "support/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/EditorServices.h"

namespace orva {
namespace {

constexpr char kPath[] = "/iocp/orva/orvapanel/repository/repository.xml";
// Generous upper bounds for waits that end by themselves; nothing is timed against them.
constexpr int kWaitMs = 60000;

const std::string kOld =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<repository Version=\"1.0\">\n"
    "\t<code type=\"Encoder\" from=\"Ana\" description=\"Heading bug knob\" "
    "script=\"-- heading\"/>\n"
    "\t<code type=\"Lamp\" from=\"Ben\" description=\"Gear lights\" script=\"-- gear\"/>\n"
    "</repository>\n";

// A larger document, so that half of it is a real part of the transfer.
const std::string kNew = [] {
    std::string doc =
        "<repository Version=\"1.0\">\n"
        "\t<code type=\"DISPLAY\" from=\"Cleo\" script=\"(null)\"/>\n"
        "\t<code type=\"Servo\" from=\"Dan\" description=\"Flaps indicator\" "
        "script=\"orva.servo.set(1, 90)\"/>\n";
    for (int i = 0; i < 200; ++i) {
        doc += "\t<code type=\"Bulk\" from=\"Eve\" description=\"Snippet " + std::to_string(i) +
               "\" script=\"print(" + std::to_string(i) + ")\"/>\n";
    }
    return doc + "</repository>\n";
}();

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

const PromptRequest kOffer{
    u"Your current repository is empty.\r\nWould you like to download the repository from server?",
    u"Download repository...", PromptButtons::YesNo, PromptIcon::Question};
const PromptRequest kDownloadError{
    u"Error downloading the repository from server.\r\n\r\nPlease, try again latter.",
    u"Download error...", PromptButtons::Ok, PromptIcon::Error};

class RepositoryDlgTest : public test::HomeTest {
protected:
    static std::filesystem::path MakeFolders(const test::TempHome& home) {
        home.MakeUserFolder();
        std::filesystem::create_directories(home.Root() / "tmp");
        return home.Root() / "tmp";
    }

    // Opens the dialog over a cache holding document (none for std::nullopt). Without a bundled
    // list, unless the test asks for the program's own.
    void Open(std::optional<std::string> document = std::nullopt, bool bundled = false) {
        if (document) test::WriteBytes(RepositoryFile(), *document);
        finished_.reset();
        seen_ = 0;
        dialog_ = std::make_unique<CRepositoryDlg>(
            prompt_, nullptr,
            bundled ? std::nullopt : std::optional(home_.Root() / "no-bundled-list.xml"));
        // Before any event is handled: a download started at opening may end very soon.
        finished_ = std::make_unique<QSignalSpy>(dialog_.get(), &CRepositoryDlg::downloadFinished);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }
    template <typename T>
    T* Child(const char* name) {
        return test::Child<T>(dialog_.get(), name);
    }
    QTableWidget* List() { return Child<QTableWidget>("list"); }
    QPushButton* Button(const char* name) { return Child<QPushButton>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    QStringList Row(int row) {
        QStringList texts;
        for (int c = 0; c < List()->columnCount(); ++c) texts << List()->item(row, c)->text();
        return texts;
    }
    QStringList Descriptions() {
        QStringList texts;
        for (int r = 0; r < List()->rowCount(); ++r) texts << List()->item(r, 2)->text();
        return texts;
    }
    void Filter(const QString& text) {
        Child<QLineEdit>("filter")->setText(text);
        Click("filterButton");
    }
    void Click(int row, int column) {
        const QPoint at = List()->visualItemRect(List()->item(row, column)).center();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
    }
    void SelectRow(int row) { Click(row, 0); }
    // As a mouse delivers it: a click, then the second press that makes it a double click.
    void DoubleClick(int row) {
        Click(row, 2);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {},
                           List()->visualItemRect(List()->item(row, 2)).center());
    }
    // Waits for the running download to end and tells whether it replaced the cache.
    bool WaitForDownload() {
        if (finished_->count() <= seen_ && !finished_->wait(kWaitMs)) {
            ADD_FAILURE() << "the download did not end";
            return false;
        }
        return finished_->at(seen_++).at(0).toBool();
    }
    // Starts an update the server pauses half way, and waits until that half has arrived.
    void UpdateToHalfWay() {
        server_.Set(kPath, test::HttpServer::Answer::PauseHalfWay, kNew);
        Click("update");
        QProgressBar* progress = Child<QProgressBar>("progress");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return progress->maximum() == static_cast<int>(kNew.size()) &&
                       progress->value() == static_cast<int>(kNew.size() / 2);
            },
            kWaitMs));
    }
    // Once the server lets a stopped download go on: nothing reported, the cache as it was and
    // no temporary file left.
    void ExpectNothingLeftBehind() {
        server_.Release();
        QCoreApplication::processEvents();  // whatever the stopped download had queued
        EXPECT_EQ(prompt_.Count(), 0u);
        EXPECT_EQ(Cache(), kOld);
        EXPECT_TRUE(TmpIsEmpty());
    }
    bool ProgressShown() { return Child<QWidget>("progressRow")->isVisible(); }
    bool TmpIsEmpty() { return std::filesystem::is_empty(tmp_); }
    std::string Cache() { return test::ReadBytes(RepositoryFile()); }

    test::HttpServer server_;
    const std::filesystem::path tmp_ = MakeFolders(home_);
    const test::ScopedEnv tmpEnv_{"TMPDIR", tmp_.string()};
    const test::ScopedEnv hostEnv_{"ORVA_WEB_HOST", server_.Host()};
    CRecordingPrompt prompt_;
    std::unique_ptr<CRepositoryDlg> dialog_;
    std::unique_ptr<QSignalSpy> finished_;
    qsizetype seen_ = 0;
};

TEST_F(RepositoryDlgTest, AnEmptyOrUnreadableRepositoryIsOfferedForDownloadIfThereIsAWebHost) {
    Open();  // the question gets the safe answer No
    EXPECT_EQ(prompt_.Requests(), std::vector<PromptRequest>{kOffer});
    EXPECT_FALSE(dialog_->IsDownloading());
    EXPECT_FALSE(ProgressShown());
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(RepositoryFile()));

    // A half-finished first download makes no cache.
    prompt_.ClearRecord();
    server_.Set(kPath, test::HttpServer::Answer::CutHalfWay, kNew);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Open();
    EXPECT_FALSE(WaitForDownload());
    EXPECT_EQ(prompt_.Requests(), (std::vector<PromptRequest>{kOffer, kDownloadError}));
    EXPECT_FALSE(std::filesystem::exists(RepositoryFile()));
    EXPECT_EQ(List()->rowCount(), 0);

    prompt_.ClearRecord();
    server_.Set(kPath, test::HttpServer::Answer::PauseHalfWay, kOld);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Open();
    EXPECT_EQ(prompt_.Requests(), std::vector<PromptRequest>{kOffer});
    EXPECT_TRUE(ProgressShown());
    EXPECT_FALSE(Button("update")->isEnabled());

    server_.Release();
    EXPECT_TRUE(WaitForDownload());
    EXPECT_EQ(server_.Requests(), (std::vector<std::string>{kPath, kPath}));
    EXPECT_FALSE(ProgressShown());
    EXPECT_TRUE(Button("update")->isEnabled());
    EXPECT_EQ(Cache(), kOld);
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(Row(0), (QStringList{"Encoder", "Ana", "Heading bug knob"}));
    EXPECT_EQ(Row(1), (QStringList{"Lamp", "Ben", "Gear lights"}));
    EXPECT_FALSE(Button("insert")->isEnabled());
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_TRUE(TmpIsEmpty());

    // A version this program cannot read counts as empty, and is kept.
    const std::string newer =
        "<repository Version=\"1.1\"><code type=\"a\" from=\"b\" description=\"c\" "
        "script=\"d\"/></repository>";
    Open(newer);
    EXPECT_EQ(prompt_.Requests(), (std::vector<PromptRequest>{kOffer, kOffer}));
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_EQ(Cache(), newer);

    // Without a web host nothing is offered.
    const test::ScopedEnv noHost("ORVA_WEB_HOST", "");
    Open();
    EXPECT_EQ(prompt_.Count(), 2u);
    EXPECT_FALSE(Button("update")->isEnabled());
    EXPECT_FALSE(dialog_->IsDownloading());
}

TEST_F(RepositoryDlgTest, TitleColumnsColoursTheHelpPageAndTheFilter) {
    Open(kNew);
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Code repository"));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"repositorio_de_codigo_.htm");
    QTableWidget* list = List();
    QStringList headers;
    for (int c = 0; c < list->columnCount(); ++c) headers << list->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, (QStringList{" Type", " From", " Description"}));
    EXPECT_EQ(list->columnWidth(0), 100);
    EXPECT_EQ(list->columnWidth(1), 100);
    ASSERT_EQ(list->rowCount(), 202);
    EXPECT_EQ(Row(0), (QStringList{"DISPLAY", "Cleo", "(null)"}));
    EXPECT_EQ(Row(1), (QStringList{"Servo", "Dan", "Flaps indicator"}));
    EXPECT_EQ(Row(201), (QStringList{"Bulk", "Eve", "Snippet 199"}));

    // A row without a script is tinted, the others are not; the header is white on green.
    const QImage rows = list->viewport()->grab().toImage();
    const auto cellColour = [&](int row) {
        const QRect cell = list->visualItemRect(list->item(row, 1));
        return rows.pixelColor(cell.right() - 3, cell.center().y());
    };
    EXPECT_EQ(cellColour(0), QColor(200, 220, 200));
    EXPECT_NE(cellColour(1), QColor(200, 220, 200));
    QHeaderView* header = list->horizontalHeader();
    const QImage head = header->grab().toImage();
    EXPECT_EQ(head.pixelColor(header->sectionPosition(1) + 2, head.height() / 2),
              QColor(80, 110, 80));
    bool whiteText = false;  // anywhere in the first section
    for (int i = 0; i < (header->sectionSize(0) - 2) * head.height() && !whiteText; ++i) {
        whiteText = head.pixelColor(i / head.height(), i % head.height()) == QColor(Qt::white);
    }
    EXPECT_TRUE(whiteText);
    EXPECT_EQ(header->defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    // What matches is the filter's own (RepositoryTest); here the list follows the Filter button
    // and Enter in the filter box, which filters rather than inserting.
    Filter(QStringLiteral("FLAPS"));
    EXPECT_EQ(Descriptions(), QStringList{"Flaps indicator"});
    Filter(QStringLiteral("servo.set"));  // only in a script
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_FALSE(Button("insert")->isEnabled());
    Filter(QString());
    EXPECT_EQ(List()->rowCount(), 202);
    QLineEdit* filter = Child<QLineEdit>("filter");
    filter->setFocus();
    filter->setText(QStringLiteral("snippet 19"));
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(Descriptions(),
              (QStringList{"Snippet 19", "Snippet 190", "Snippet 191", "Snippet 192", "Snippet 193",
                           "Snippet 194", "Snippet 195", "Snippet 196", "Snippet 197",
                           "Snippet 198", "Snippet 199"}));
    EXPECT_EQ(prompt_.Count(), 0u);

    dialog_.reset();
    EXPECT_NE(CHelpPages::Shared().Current(), u"repositorio_de_codigo_.htm");
}

TEST_F(RepositoryDlgTest, InsertOnlyForARowWithAScriptADoubleClickOrEnterInsertsAndEscCancels) {
    Open(kNew);
    EXPECT_FALSE(Button("insert")->isEnabled());
    SelectRow(1);
    EXPECT_TRUE(Button("insert")->isEnabled());
    SelectRow(0);
    EXPECT_FALSE(Button("insert")->isEnabled());
    // A double click on a row without a script does nothing.
    DoubleClick(0);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->Result());
    // A key in the list moves the selection and re-evaluates Insert.
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_TRUE(Button("insert")->isEnabled());
    DoubleClick(1);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Result(), std::u16string(u"orva.servo.set(1, 90)"));

    // From the keyboard: Enter inserts, Esc cancels.
    Open(kOld);
    EXPECT_EQ(Button("filterButton")->text(), QStringLiteral("&Filter"));
    EXPECT_EQ(Button("update")->text(), QStringLiteral("&Update List"));
    EXPECT_EQ(Button("insert")->text(), QStringLiteral("&Insert"));
    EXPECT_EQ(Button("cancel")->text(), QStringLiteral("Cancel"));
    QTableWidget* list = List();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    EXPECT_EQ(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Result(), std::u16string(u"-- gear"));

    Open();
    QTest::keyClick(List(), Qt::Key_Down);
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog_->Result());

    // Alt+W reaches the filter box by its label.
    Open();
    QTest::keyClick(dialog_.get(), Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>("filter"));
}

TEST_F(RepositoryDlgTest, AFailedDownloadLeavesListAndCacheAsTheyWere) {
    using Answer = enum test::HttpServer::Answer;
    const std::pair<Answer, std::string> failures[] = {
        {Answer::NotFound, ""},
        {Answer::CutHalfWay, kNew},
        {Answer::Document, "<html><body><h1>Welcome to the hotel network</h1></body></html>"},
        {Answer::Endless, std::string(64 * 1024, '-')}};
    Open(kOld);
    Filter(QStringLiteral("ana"));
    for (const auto& [answer, body] : failures) {
        SCOPED_TRACE(static_cast<int>(answer));
        prompt_.ClearRecord();
        server_.Set(kPath, answer, body);
        Click("update");
        EXPECT_FALSE(WaitForDownload());
        server_.Release();
        EXPECT_EQ(prompt_.Requests(), std::vector<PromptRequest>{kDownloadError});
        EXPECT_EQ(Descriptions(), QStringList{"Heading bug knob"});
        EXPECT_EQ(Cache(), kOld);
        EXPECT_TRUE(TmpIsEmpty());
        EXPECT_TRUE(Button("update")->isEnabled());
    }
}

TEST_F(RepositoryDlgTest, UpdateShowsEveryRowWhenTheServerGoesOnAndStopEndsIt) {
    Open(kOld);
    Filter(QStringLiteral("gear"));
    EXPECT_EQ(List()->rowCount(), 1);
    UpdateToHalfWay();
    EXPECT_TRUE(Child<QLineEdit>("filter")->text().isEmpty());  // an update clears the filter
    EXPECT_EQ(Cache(), kOld);  // half a document is not in the cache yet
    server_.Release();
    EXPECT_TRUE(WaitForDownload());
    EXPECT_EQ(List()->rowCount(), 202);
    EXPECT_EQ(Cache(), kNew);
    EXPECT_EQ(prompt_.Count(), 0u);

    Open(kOld);
    UpdateToHalfWay();
    EXPECT_TRUE(ProgressShown());
    EXPECT_FALSE(Button("update")->isEnabled());
    // The list stays usable meanwhile.
    SelectRow(0);
    EXPECT_TRUE(Button("insert")->isEnabled());

    Click("stop");
    // Gone at once for the user; the thread ends at the transfer's next progress report.
    EXPECT_FALSE(ProgressShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog_->IsDownloading(); }, kWaitMs));
    EXPECT_TRUE(Button("update")->isEnabled());
    ExpectNothingLeftBehind();
    EXPECT_EQ(finished_->count(), 0);
    EXPECT_EQ(List()->rowCount(), 2);
}

TEST_F(RepositoryDlgTest, TheDialogClosesWhileADownloadRuns) {
    Open(kOld);
    server_.Set(kPath, test::HttpServer::Answer::Silent);
    Click("update");
    ASSERT_TRUE(dialog_->IsDownloading());
    SelectRow(0);
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->IsDownloading());  // closing waited for the download's thread
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog_->Result());
    ExpectNothingLeftBehind();

    // Destroying a dialog with a download running stops it too.
    Open();
    server_.Set(kPath, test::HttpServer::Answer::Silent);
    Click("update");
    ASSERT_TRUE(dialog_->IsDownloading());
    dialog_.reset();
    server_.Release();
    EXPECT_EQ(Cache(), kOld);
}

TEST_F(RepositoryDlgTest, TheBundledListStandsInUntilADownloadBringsSnippets) {
    // The program's own list, found beside the program as the installed one is.
    const auto shipped = ReadRepositoryBytes(test::ReadBytes(ORVA_BUNDLED_REPOSITORY));
    ASSERT_TRUE(shipped && shipped->size() >= 25);
    const QString kLabel = QStringLiteral("Bundled list: the snippets that ship with OrvaPanel.");
    QLabel* source = nullptr;
    const auto expectBundled = [&] {
        source = Child<QLabel>("source");
        EXPECT_TRUE(source->isVisible());
        EXPECT_EQ(source->text(), kLabel);
        ASSERT_EQ(List()->rowCount(), static_cast<int>(shipped->size()));
        EXPECT_EQ(Row(0), (QStringList{ToQString((*shipped)[0].type), ToQString((*shipped)[0].from),
                                       ToQString((*shipped)[0].description)}));
    };
    Open(std::nullopt, true);
    EXPECT_EQ(prompt_.Count(), 0u);  // nothing to offer: the list is not empty
    expectBundled();
    // Insert gives the bundled snippet's script.
    SelectRow(0);
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_EQ(dialog_->Result(), (*shipped)[0].script);

    // A failed download leaves the bundled list, still labelled.
    Open(std::nullopt, true);
    server_.Set(kPath, test::HttpServer::Answer::NotFound);
    Click("update");
    EXPECT_FALSE(WaitForDownload());
    EXPECT_EQ(prompt_.Requests(), std::vector<PromptRequest>{kDownloadError});
    expectBundled();
    EXPECT_FALSE(std::filesystem::exists(RepositoryFile()));

    // A downloaded list replaces it, now and at the next opening.
    server_.Set(kPath, test::HttpServer::Answer::Document, kOld);
    Click("update");
    EXPECT_TRUE(WaitForDownload());
    EXPECT_FALSE(source->isVisible());
    EXPECT_EQ(Descriptions(), (QStringList{"Heading bug knob", "Gear lights"}));
    Open(std::nullopt, true);
    EXPECT_FALSE(Child<QLabel>("source")->isVisible());
    EXPECT_EQ(List()->rowCount(), 2);

    // A downloaded file without snippets, or one this program cannot read, does not hide it.
    prompt_.ClearRecord();
    for (const std::string cache :
         {"<repository Version=\"1.0\"></repository>",
          "<repository Version=\"1.1\"><code script=\"x\"/></repository>"}) {
        Open(cache, true);
        EXPECT_EQ(prompt_.Count(), 0u);
        expectBundled();
        Filter(ToQString((*shipped)[1].description));  // the filter works on it as on any list
        EXPECT_EQ(Descriptions(), QStringList{ToQString((*shipped)[1].description)});
    }
}

TEST_F(RepositoryDlgTest, PickScriptRunsModallyAndReturnsTheChoice) {
    test::WriteBytes(RepositoryFile(), kOld);
    CNamesList names;
    EditorServices services{prompt_, nullptr, u"", false, names, {}};
    const auto pick = [&](bool insert) {
        test::OnModal([insert](QWidget* dialog) {
            EXPECT_NE(qobject_cast<CRepositoryDlg*>(dialog), nullptr);
            test::Child<QTableWidget>(dialog, "list")->selectRow(0);
            QTest::mouseClick(test::Child<QPushButton>(dialog, insert ? "insert" : "cancel"),
                              Qt::LeftButton);
        });
        return CRepositoryDlg::PickScript(services, nullptr);
    };
    EXPECT_EQ(pick(true), std::u16string(u"-- heading"));
    EXPECT_EQ(pick(false), std::nullopt);
}

}  // namespace
}  // namespace orva
