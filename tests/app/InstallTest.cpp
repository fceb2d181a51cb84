// The installed program: `cmake --install` into a temporary DESTDIR, then the installed
// headless program against the simulators, finding its plug-and-play module where it was put;
// and the Debian package that CPack makes, checked by lintian.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "ui/text/Repository.h"

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
    // The seat's user and the group plugdev (a headless cockpit has nobody at the seat).
    const std::string rules = test::ReadBytes(usr / "lib/udev/rules.d/70-orva.rules");
    for (const char* product : {"ddd0", "ddd3"}) {
        EXPECT_NE(rules.find(std::string("ATTRS{idProduct}==\"") + product +
                             "\", GROUP=\"plugdev\", MODE=\"0660\", TAG+=\"uaccess\"\n"),
                  std::string::npos)
            << rules;
    }
    const std::string unit = test::ReadBytes(usr / "lib/systemd/user/orvapanel-headless@.service");
    EXPECT_NE(unit.find("ExecStart=/usr/bin/orvapanel-headless /%i\n"), std::string::npos);
    EXPECT_NE(unit.find("RestartPreventExitStatus=1\n"), std::string::npos);
    EXPECT_EQ(unit.find("After="), std::string::npos);  // nothing a user unit can wait for
    EXPECT_NE(unit.find("loginctl enable-linger"), std::string::npos);
    // The bundled snippets, readable, each with a script.
    const auto snippets =
        ReadRepositoryBytes(test::ReadBytes(usr / "share/orvapanel/repository.xml"));
    ASSERT_TRUE(snippets.has_value());
    EXPECT_GE(snippets->size(), 25u);
    for (const Snippet& snippet : *snippets) EXPECT_TRUE(snippet.CanInsert());
    const std::string copyright = test::ReadBytes(usr / "share/doc/orvapanel/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/"
                              "copyright-format/1.0/\n",
                              0),
              0u);
    EXPECT_NE(copyright.find("\nCopyright: 2026 Tessel.Works\nLicense: Expat\n Permission is "
                             "hereby granted"),
              std::string::npos)
        << copyright;
    EXPECT_TRUE(fs::exists(usr / "share/doc/orvapanel/changelog.gz"));
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

TEST_F(InstallTest, TheDebianPackagePassesLintian) {
    if (!fs::exists("/usr/bin/lintian")) GTEST_SKIP() << "lintian is not installed";
#ifdef ORVA_SANITIZED_BUILD
    GTEST_SKIP() << "a sanitizer build is not what the package ships";
#endif
    const fs::path out = home_.Root() / "package";
    test::Process cpack(ORVA_CPACK_COMMAND,
                        {"--config", std::string(ORVA_BUILD_DIR) + "/CPackConfig.cmake", "-G",
                         "DEB", "-B", out.string()});
    ASSERT_EQ(cpack.Wait(std::chrono::minutes(5)), 0) << "cpack failed";
    fs::path deb;
    for (const auto& entry : fs::directory_iterator(out)) {
        if (entry.path().extension() == ".deb") deb = entry.path();
    }
    ASSERT_FALSE(deb.empty());
    std::vector<std::string> args{"--tag-display-limit", "0"};
    // The manual pages come with their own work; until the package holds them, their tag is
    // the one this test lets pass.
    test::Process contents("/usr/bin/dpkg-deb", {"--contents", deb.string()});
    ASSERT_EQ(contents.Wait(std::chrono::minutes(1)), 0);
    bool manPages = false;
    for (const std::string& line : contents.Lines()) {
        manPages = manPages || line.find("./usr/share/man/") != std::string::npos;
    }
    if (!manPages) args.insert(args.end(), {"--suppress-tags", "no-manual-page"});
    args.push_back(deb.string());
    test::Process lintian("/usr/bin/lintian", args);
    const int code = lintian.Wait(std::chrono::minutes(5));
    std::string report;
    for (const std::string& line : lintian.Lines()) report += line + "\n";
    EXPECT_EQ(report, "");
    EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace orva
