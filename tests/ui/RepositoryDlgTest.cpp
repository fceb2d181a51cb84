// The "Code repository" dialog as the user sees it, downloading from a real HTTP server on
// loopback into a private home.
#include "ui/RepositoryDlg.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
#include <QTimer>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/HelpPages.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/NamesList.h"
#include "support/HttpServer.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"
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
std::string NewDocument() {
    std::string doc = "<repository Version=\"1.0\">\n";
    doc +=
        "\t<code type=\"DISPLAY\" from=\"Cleo\" script=\"(null)\"/>\n"
        "\t<code type=\"Servo\" from=\"Dan\" description=\"Flaps indicator\" "
        "script=\"orva.servo.set(1, 90)\"/>\n";
    for (int i = 0; i < 200; ++i) {
        doc += "\t<code type=\"Bulk\" from=\"Eve\" description=\"Snippet " + std::to_string(i) +
               "\" script=\"print(" + std::to_string(i) + ")\"/>\n";
    }
    return doc + "</repository>\n";
}

class RepositoryDlgTest : public test::HomeTest {
protected:
    void SetUp() override {
        home_.MakeUserFolder();
        tmp_ = home_.Root() / "tmp";
        std::filesystem::create_directories(tmp_);
        SaveEnv("TMPDIR", tmpBefore_);
        SaveEnv("ORVA_WEB_HOST", hostBefore_);
        ::setenv("TMPDIR", tmp_.c_str(), 1);
        ::setenv("ORVA_WEB_HOST", server_.Host().c_str(), 1);
    }
    void TearDown() override {
        finished_.reset();
        dialog_.reset();
        RestoreEnv("TMPDIR", tmpBefore_);
        RestoreEnv("ORVA_WEB_HOST", hostBefore_);
    }
    static void SaveEnv(const char* name, std::optional<std::string>& saved) {
        const char* value = std::getenv(name);
        if (value) saved = value;
    }
    static void RestoreEnv(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            ::setenv(name, saved->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

    void Open() {
        finished_.reset();
        seen_ = 0;
        dialog_ = std::make_unique<CRepositoryDlg>(prompt_);
        // Before any event is handled: a download started at opening may end very soon.
        finished_ = std::make_unique<QSignalSpy>(dialog_.get(), &CRepositoryDlg::downloadFinished);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }
    template <typename T>
    T* Child(const char* name) {
        T* child = dialog_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
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
    void SelectRow(int row) {
        QTableWidget* list = List();
        const QRect cell = list->visualItemRect(list->item(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // As a mouse delivers it: a click, then the second press that makes it a double click.
    void DoubleClick(int row) {
        QTableWidget* list = List();
        const QPoint at = list->visualItemRect(list->item(row, 2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    // Waits for the running download to end and tells whether it replaced the cache.
    bool WaitForDownload() {
        if (finished_->count() <= seen_ && !finished_->wait(kWaitMs)) {
            ADD_FAILURE() << "the download did not end";
            return false;
        }
        return finished_->at(seen_++).at(0).toBool();
    }
    bool ProgressShown() { return Child<QWidget>("progressRow")->isVisible(); }
    std::vector<std::filesystem::path> LeftInTmp() {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(tmp_)) {
            files.push_back(entry.path());
        }
        return files;
    }
    void ExpectDownloadError() {
        ASSERT_EQ(prompt_.Count(), 1u);
        const PromptRequest shown = prompt_.Requests()[0];
        EXPECT_EQ(
            shown.text,
            u"Error downloading the repository from server.\r\n\r\nPlease, try again latter.");
        EXPECT_EQ(shown.caption, u"Download error...");
        EXPECT_EQ(shown.icon, PromptIcon::Error);
        EXPECT_EQ(shown.buttons, PromptButtons::Ok);
    }

    test::HttpServer server_;
    CRecordingPrompt prompt_;
    std::unique_ptr<CRepositoryDlg> dialog_;
    std::unique_ptr<QSignalSpy> finished_;
    qsizetype seen_ = 0;
    std::filesystem::path tmp_;
    std::optional<std::string> tmpBefore_;
    std::optional<std::string> hostBefore_;
};

TEST_F(RepositoryDlgTest, AnEmptyRepositoryIsOfferedForDownloadAndShownAfterIt) {
    server_.Set(kPath, test::HttpServer::Answer::PauseHalfWay, kOld);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Open();
    ASSERT_EQ(prompt_.Count(), 1u);
    const PromptRequest asked = prompt_.Requests()[0];
    EXPECT_EQ(asked.text,
              u"Your current repository is empty.\r\nWould you like to download the repository "
              u"from server?");
    EXPECT_EQ(asked.caption, u"Download repository...");
    EXPECT_EQ(asked.buttons, PromptButtons::YesNo);
    EXPECT_EQ(asked.icon, PromptIcon::Question);
    EXPECT_TRUE(ProgressShown());
    EXPECT_FALSE(Button("update")->isEnabled());

    server_.Release();
    EXPECT_TRUE(WaitForDownload());
    EXPECT_EQ(server_.Requests(), std::vector<std::string>{kPath});
    EXPECT_FALSE(ProgressShown());
    EXPECT_TRUE(Button("update")->isEnabled());
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_EQ(RepositoryFile().filename(), "repository.xml");
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(Row(0), (QStringList{"Encoder", "Ana", "Heading bug knob"}));
    EXPECT_EQ(Row(1), (QStringList{"Lamp", "Ben", "Gear lights"}));
    EXPECT_FALSE(Button("insert")->isEnabled());
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_TRUE(LeftInTmp().empty());
}

TEST_F(RepositoryDlgTest, NoDownloadWhenTheUserSaysNo) {
    prompt_.QueueAnswer(PromptAnswer::No);
    Open();
    EXPECT_EQ(prompt_.Count(), 1u);
    EXPECT_FALSE(dialog_->IsDownloading());
    EXPECT_FALSE(ProgressShown());
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(RepositoryFile()));
}

TEST_F(RepositoryDlgTest, Version11CountsAsEmpty) {
    const std::string newer =
        "<repository Version=\"1.1\"><code type=\"a\" from=\"b\" description=\"c\" "
        "script=\"d\"/></repository>";
    test::WriteBytes(RepositoryFile(), newer);
    Open();  // the question gets the safe answer No
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"Download repository...");
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), newer);
}

TEST_F(RepositoryDlgTest, TitleColumnsColoursAndAMissingDescription) {
    test::WriteBytes(RepositoryFile(), NewDocument());
    Open();
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Code repository"));
    QTableWidget* list = List();
    ASSERT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral(" Type"));
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral(" From"));
    EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QStringLiteral(" Description"));
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
    bool whiteText = false;
    for (int x = 0; x < header->sectionSize(0) - 2 && !whiteText; ++x) {
        for (int y = 0; y < head.height() && !whiteText; ++y) {
            whiteText = head.pixelColor(x, y) == QColor(Qt::white);
        }
    }
    EXPECT_TRUE(whiteText);
    EXPECT_EQ(header->defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST_F(RepositoryDlgTest, TheFilterIgnoresCaseAndNeverSearchesScripts) {
    test::WriteBytes(RepositoryFile(), NewDocument());
    Open();
    Filter(QStringLiteral("FLAPS"));
    EXPECT_EQ(Descriptions(), QStringList{"Flaps indicator"});
    Filter(QStringLiteral("display"));  // small letters find capitals
    EXPECT_EQ(Descriptions(), QStringList{"(null)"});
    Filter(QStringLiteral("DaN"));  // the From column counts
    EXPECT_EQ(Descriptions(), QStringList{"Flaps indicator"});
    Filter(QStringLiteral("servo.set"));  // only in a script
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_FALSE(Button("insert")->isEnabled());
    Filter(QString());
    EXPECT_EQ(List()->rowCount(), 202);

    // Enter in the filter box filters rather than inserting.
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
}

TEST_F(RepositoryDlgTest, InsertOnlyForARowWithAScript) {
    test::WriteBytes(RepositoryFile(), NewDocument());
    Open();
    EXPECT_FALSE(Button("insert")->isEnabled());
    SelectRow(1);
    EXPECT_TRUE(Button("insert")->isEnabled());
    SelectRow(0);
    EXPECT_FALSE(Button("insert")->isEnabled());
    // A double click on a row without a script does nothing.
    QTableWidget* list = List();
    DoubleClick(0);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->Result());
    // A key in the list moves the selection and re-evaluates Insert.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(Button("insert")->isEnabled());
    Click("insert");
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Result(), std::u16string(u"orva.servo.set(1, 90)"));
}

TEST_F(RepositoryDlgTest, DoubleClickInserts) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    DoubleClick(1);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->Result(), std::u16string(u"-- gear"));
}

TEST_F(RepositoryDlgTest, KeyboardEnterInsertsAndEscCancels) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
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

TEST_F(RepositoryDlgTest, UpdateListClearsTheFilterAndShowsEveryRow) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    Filter(QStringLiteral("gear"));
    EXPECT_EQ(List()->rowCount(), 1);
    server_.Set(kPath, test::HttpServer::Answer::Document, NewDocument());
    Click("update");
    EXPECT_TRUE(Child<QLineEdit>("filter")->text().isEmpty());
    EXPECT_TRUE(WaitForDownload());
    EXPECT_EQ(List()->rowCount(), 202);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), NewDocument());
    EXPECT_EQ(prompt_.Count(), 0u);
}

TEST_F(RepositoryDlgTest, AFailedDownloadLeavesListAndCacheAsTheyWere) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    Filter(QStringLiteral("ana"));
    server_.Set(kPath, test::HttpServer::Answer::NotFound);
    Click("update");
    EXPECT_FALSE(WaitForDownload());
    ExpectDownloadError();
    EXPECT_EQ(Descriptions(), QStringList{"Heading bug knob"});
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_TRUE(LeftInTmp().empty());
    EXPECT_TRUE(Button("update")->isEnabled());
}

TEST_F(RepositoryDlgTest, AHalfFinishedDownloadLeavesTheCacheAsItWas) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    server_.Set(kPath, test::HttpServer::Answer::CutHalfWay, NewDocument());
    Click("update");
    EXPECT_FALSE(WaitForDownload());
    ExpectDownloadError();
    EXPECT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_TRUE(LeftInTmp().empty());
}

TEST_F(RepositoryDlgTest, AHalfFinishedFirstDownloadMakesNoCache) {
    server_.Set(kPath, test::HttpServer::Answer::CutHalfWay, NewDocument());
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Open();
    EXPECT_FALSE(WaitForDownload());
    ASSERT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(prompt_.Requests()[1].caption, u"Download error...");
    EXPECT_FALSE(std::filesystem::exists(RepositoryFile()));
    EXPECT_EQ(List()->rowCount(), 0);
}

TEST_F(RepositoryDlgTest, APageThatIsNoRepositoryDoesNotReplaceTheCache) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    server_.Set(kPath, test::HttpServer::Answer::Document,
                "<html><body><h1>Welcome to the hotel network</h1></body></html>");
    Click("update");
    EXPECT_FALSE(WaitForDownload());
    ExpectDownloadError();
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_EQ(List()->rowCount(), 2);
}

TEST_F(RepositoryDlgTest, ProgressIsShownAndStopEndsTheDownload) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    const std::string doc = NewDocument();
    server_.Set(kPath, test::HttpServer::Answer::PauseHalfWay, doc);
    Click("update");
    QProgressBar* progress = Child<QProgressBar>("progress");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return progress->maximum() == static_cast<int>(doc.size()) &&
                   progress->value() == static_cast<int>(doc.size() / 2);
        },
        kWaitMs));
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
    server_.Release();
    QCoreApplication::processEvents();  // whatever the stopped download had queued
    EXPECT_EQ(finished_->count(), 0);
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_TRUE(LeftInTmp().empty());
}

TEST_F(RepositoryDlgTest, APausedDownloadFinishesWhenTheServerGoesOn) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    const std::string doc = NewDocument();
    server_.Set(kPath, test::HttpServer::Answer::PauseHalfWay, doc);
    Click("update");
    QProgressBar* progress = Child<QProgressBar>("progress");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return progress->value() == static_cast<int>(doc.size() / 2); }, kWaitMs));
    // Half a document is not in the cache yet.
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    server_.Release();
    EXPECT_TRUE(WaitForDownload());
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), doc);
    EXPECT_EQ(List()->rowCount(), 202);
}

TEST_F(RepositoryDlgTest, TheDialogClosesWhileADownloadRuns) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    server_.Set(kPath, test::HttpServer::Answer::Silent);
    Click("update");
    ASSERT_TRUE(dialog_->IsDownloading());
    SelectRow(0);
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->IsDownloading());  // closing waited for the download's thread
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog_->Result());
    server_.Release();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    EXPECT_TRUE(LeftInTmp().empty());

    // Destroying a dialog with a download running stops it too.
    Open();
    server_.Set(kPath, test::HttpServer::Answer::Silent);
    Click("update");
    ASSERT_TRUE(dialog_->IsDownloading());
    dialog_.reset();
    server_.Release();
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
}

TEST_F(RepositoryDlgTest, AServerThatNeverAnswersFails) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    server_.Set(kPath, test::HttpServer::Answer::Silent);
    Click("update");
    EXPECT_FALSE(WaitForDownload());
    ExpectDownloadError();
    EXPECT_EQ(test::ReadBytes(RepositoryFile()), kOld);
    server_.Release();
}

TEST_F(RepositoryDlgTest, WithoutAWebHostNothingIsOfferedForDownload) {
    ::setenv("ORVA_WEB_HOST", "", 1);
    Open();
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_FALSE(Button("update")->isEnabled());
    EXPECT_FALSE(dialog_->IsDownloading());
}

TEST_F(RepositoryDlgTest, TheHelpPageIsRegisteredWhileOpen) {
    test::WriteBytes(RepositoryFile(), kOld);
    Open();
    EXPECT_EQ(CHelpPages::Shared().Current(), u"repositorio_de_codigo_.htm");
    dialog_.reset();
    EXPECT_NE(CHelpPages::Shared().Current(), u"repositorio_de_codigo_.htm");
}

TEST_F(RepositoryDlgTest, PickScriptRunsModallyAndReturnsTheChoice) {
    test::WriteBytes(RepositoryFile(), kOld);
    CNamesList names;
    EditorServices services{prompt_, nullptr, u"", false, names, {}};
    const auto pick = [&](bool insert) {
        QTimer::singleShot(0, [insert] {
            auto* dialog = qobject_cast<CRepositoryDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("list"));
            list->selectRow(0);
            QTest::mouseClick(dialog->findChild<QPushButton*>(insert ? QStringLiteral("insert")
                                                                     : QStringLiteral("cancel")),
                              Qt::LeftButton);
        });
        return CRepositoryDlg::PickScript(services, nullptr);
    };
    EXPECT_EQ(pick(true), std::u16string(u"-- heading"));
    EXPECT_EQ(pick(false), std::nullopt);
}

}  // namespace
}  // namespace orva
