// The desktop program over the simulated board and IOCP server, started as a user starts it:
// what the main window's tests share.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Text.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "ui/DesktopProgram.h"
#include "ui/TrayIcon.h"

namespace orva {

class MainWindowTest : public test::HomeTest {
protected:
    void SetUp() override {
        folder_ = home_.MakeUserFolder();
        ::setenv("ORVA_WEB_HOST", "", 1);  // no update check
    }
    // The instance's configuration; autoConnect -1: the options were never asked.
    void WriteConfig(int port, int autoConnect = 0, int autoHide = 0) {
        std::string ini = "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                          std::to_string(port) + "\n";
        if (autoConnect >= 0) {
            ini += "[Options]\nAutoConnect=" + std::to_string(autoConnect) +
                   "\nAutoHide=" + std::to_string(autoHide) + "\n";
        }
        test::WriteBytes(folder_ / "id000_conf.cnf", ini + "[Orva]\nSerial=ORVA-12345\n");
    }
    void WriteEvents(const std::u16string& body) {
        test::WriteBytes(folder_ / "id000_vars.xml",
                         "\xFF\xFE" + ToUtf16LeBytes(u"<offsets_list version=\"1.0\">" + body +
                                                     u"</offsets_list>"));
    }
    // The simulators, the configuration and the started program with its window shown.
    void StartAll(int autoConnect = 0) {
        board_ = test::StartBoard("ORVA-12345");
        server_ = test::StartServer("P3D");
        ASSERT_TRUE(board_->Ready() && server_->Ready());
        WriteConfig(server_->Port(), autoConnect);
        program_ = std::make_unique<CDesktopProgram>();
        ASSERT_FALSE(program_->Start({}).has_value());
        Window().show();
    }
    COrvaPanelDlg& Window() { return program_->Window(); }
    template <typename T>
    T* Child(const char* name) {
        return Window().findChild<T*>(QString::fromLatin1(name));
    }
    QString Status() { return Child<QLabel>("status")->text(); }
    QRgb StatusColour() {
        return Child<QLabel>("status")->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
    }
    QStringList TrayMenu() {
        QStringList texts;
        for (QAction* a : Window().Tray()->Menu()->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }
    void Click(const char* name) { QTest::mouseClick(Child<QPushButton>(name), Qt::LeftButton); }

    std::filesystem::path folder_;
    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<CDesktopProgram> program_;
};

}  // namespace orva
