// The installed program: `cmake --install` into a temporary DESTDIR, then the installed
// headless program against the simulators, finding its plug-and-play module where it was put.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

class InstallTest : public test::HomeTest {};

TEST_F(InstallTest, TheInstalledTreeRunsAndConnects) {
    const fs::path root = home_.Root() / "destdir";
    test::Process install(ORVA_CMAKE_COMMAND, {"--install", ORVA_BUILD_DIR, "--prefix", "/usr"},
                          {{"DESTDIR", root.string()}});
    ASSERT_EQ(install.Wait(std::chrono::seconds(60)), 0);
    const fs::path usr = root / "usr";
    ASSERT_TRUE(fs::is_symlink(usr / "bin" / "orvapanel-headless"));
    EXPECT_TRUE(fs::exists(usr / "lib" / "orvapanel" / "quivr.mod"));
    EXPECT_NE(test::ReadBytes(usr / "lib/udev/rules.d/70-orva.rules").find("TAG+=\"uaccess\""),
              std::string::npos);
    const std::string unit = test::ReadBytes(usr / "lib/systemd/user/orvapanel-headless@.service");
    EXPECT_NE(unit.find("ExecStart=/usr/bin/orvapanel-headless /%i\n"), std::string::npos);
    EXPECT_NE(unit.find("RestartPreventExitStatus=1\n"), std::string::npos);
    const fs::path desktop = usr / "share/applications/orvapanel.desktop";
    if (fs::exists(desktop) && fs::exists("/usr/bin/desktop-file-validate")) {
        test::Process validate("/usr/bin/desktop-file-validate", {desktop.string()});
        EXPECT_EQ(validate.Wait(), 0) << "desktop-file-validate refused the desktop entry";
        EXPECT_TRUE(fs::exists(usr / "share/icons/hicolor/scalable/apps/orvapanel.svg"));
    }

    // The server is found through the module (255.255.255.255): only a module beside the
    // installed program's real path can find it.
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    test::WriteBytes(home_.MakeUserFolder() / "inst_conf.cnf",
                     "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=255.255.255.255\n"
                     "[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
    test::Process panel((usr / "bin" / "orvapanel-headless").string(), {"/INST"},
                        {{"ORVA_WEB_HOST", ""}});
    EXPECT_TRUE(panel.WaitForLine("Current status: Connected.", std::chrono::seconds(20)));
    panel.Signal(SIGTERM);
    EXPECT_EQ(panel.Wait(), 0);
    EXPECT_EQ(server->Command("wait-line Arn.Fin: 3000"), "ok");
}

}  // namespace
}  // namespace orva
