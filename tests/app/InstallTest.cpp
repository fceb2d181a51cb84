// The installed program: `cmake --install` into a temporary DESTDIR, then the installed
// headless program against the simulators, finding its plug-and-play module where it was put;
// and the user's documentation in the tree (the manual, the man pages, the metainfo), and the
// Debian package that CPack makes, checked by lintian.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <set>

#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/Registration.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "ui/text/Repository.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

class InstallTest : public test::HomeTest {
protected:
    // Installs the build once per test into a folder of the test's own; the tree's /usr.
    fs::path Install() {
        const fs::path root = home_.Root() / "destdir";
        test::Process install(ORVA_CMAKE_COMMAND, {"--install", ORVA_BUILD_DIR, "--prefix", "/usr"},
                              {{"DESTDIR", root.string()}});
        EXPECT_EQ(install.Wait(std::chrono::seconds(60)), 0);
        return root / "usr";
    }
    // A program's standard error and exit code, where the test can read them.
    std::pair<int, std::string> RunQuietly(const std::string& program,
                                           const std::vector<std::string>& args) {
        const std::string errFile = (home_.Root() / "stderr").string();
        std::vector<std::string> shellArgs = {"-c", "exec \"$0\" \"$@\" 2>\"$ERRFILE\"", program};
        shellArgs.insert(shellArgs.end(), args.begin(), args.end());
        test::Process p("/bin/sh", shellArgs, {{"ERRFILE", errFile}, {"LC_ALL", "C.UTF-8"}});
        const int code = p.Wait(std::chrono::seconds(30));
        return {code, test::ReadBytes(errFile)};
    }
};

// The catalogue's functions of the program's own: its four namespaces and its global functions.
std::set<std::string> OwnCatalogueFunctions() {
    std::set<std::string> globals;
    for (const LuaEntry& entry : GlobalFunctionEntries()) globals.insert(entry.name);
    std::set<std::string> names;
    for (const DescriptorRow& row : DescriptorRows()) {
        const std::string name = ToUtf8(row.name);
        for (const char* family : {"orva.", "iocp.", "event.", "convert."}) {
            if (name.rfind(family, 0) == 0) names.insert(name);
        }
        if (globals.count(name)) names.insert(name);
    }
    return names;
}

TEST_F(InstallTest, TheInstalledTreeRunsAndConnects) {
    const fs::path usr = Install();
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
    EXPECT_NE(unit.find("ExecStart=/usr/bin/orvapanel-headless --reconnect /%i\n"),
              std::string::npos);
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

TEST_F(InstallTest, TheTreeHoldsTheManualTheManPagesAndTheMetainfo) {
    const fs::path usr = Install();
    // A section of the reference for every function of the program's own in the catalogue.
    const fs::path manual = usr / "share/doc/orvapanel/html";
    const std::string reference = test::ReadBytes(manual / "scripting.html");
    const std::set<std::string> functions = OwnCatalogueFunctions();
    EXPECT_GE(functions.size(), 40u);
    for (const std::string& name : functions) {
        EXPECT_NE(reference.find("<section class=\"function\" id=\"" + name + "\">"),
                  std::string::npos)
            << name;
    }
    for (const char* page : {"index.html", "first-steps.html", "files.html", "simulators.html",
                             "manual.css", "main-window.png", "script-editor.png"}) {
        EXPECT_TRUE(fs::is_regular_file(manual / page)) << page;
    }
    EXPECT_NE(test::ReadBytes(usr / "share/doc-base/orvapanel")
                  .find("Index: /usr/share/doc/orvapanel/html/index.html\n"),
              std::string::npos);

    // The man pages, compressed, each with its NAME section and no complaint from man.
    std::vector<std::string> programs = {"orvapanel-headless", "orvasim"};
    if (fs::exists(usr / "bin/orvapanel")) programs.push_back("orvapanel");
    for (const std::string& program : programs) {
        const fs::path page = usr / "share/man/man1" / (program + ".1.gz");
        const std::string bytes = test::ReadBytes(page);
        ASSERT_GE(bytes.size(), 10u) << page;
        EXPECT_EQ(bytes.substr(0, 2), "\x1f\x8b") << page;  // gzip
        EXPECT_EQ(bytes[8], '\x02') << page;                // compressed with -9
        if (fs::exists("/usr/bin/man")) {
            const auto [code, complaints] = RunQuietly("/usr/bin/man", {"--warnings", "-l", page});
            EXPECT_EQ(code, 0) << page;
            EXPECT_EQ(complaints, "") << page;
        }
        if (fs::exists("/usr/bin/lexgrog")) {
            test::Process names("/usr/bin/lexgrog", {page.string()});
            EXPECT_EQ(names.Wait(std::chrono::seconds(10)), 0) << page;
            EXPECT_TRUE(names.WaitForLine(program + " - ")) << page;
        }
    }

    // The metainfo of the desktop program, with the boards it is offered for.
    if (!fs::exists(usr / "bin/orvapanel")) return;
    const fs::path metainfo = usr / "share/metainfo/works.tessel.orvapanel.metainfo.xml";
    const std::string text = test::ReadBytes(metainfo);
    for (const char* part :
         {"<launchable type=\"desktop-id\">orvapanel.desktop</launchable>",
          "<modalias>usb:v04D8pDDD0d*</modalias>", "<modalias>usb:v04D8pDDD3d*</modalias>"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(text.find('@'), std::string::npos);  // every address filled in
    if (fs::exists("/usr/bin/appstreamcli")) {
        const auto [code, complaints] =
            RunQuietly("/usr/bin/appstreamcli", {"validate", "--no-net", metainfo.string()});
        EXPECT_EQ(code, 0) << complaints;
    }
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
