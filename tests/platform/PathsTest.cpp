#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

TEST(Paths, UserFolderLowerCasesFileNamesOnly) {
    test::TempHome home;
    const auto folder = home.Documents() / "Tessel.Works" / "OrvaPanel";
    EXPECT_EQ(UserFolder(), folder / "");
    EXPECT_EQ(EventsFile(u"ID001"), folder / "id001_vars.xml");
    EXPECT_EQ(InstanceConfigFile(u"COCKPIT"), folder / "cockpit_conf.cnf");
    EXPECT_EQ(CardSettingsFile(), folder / "orva.cnf");
    EXPECT_EQ(AppProfileFile(), home.Root() / "config" / "Tessel.Works" / "OrvaPanel.ini");
}

TEST(Paths, DocumentsFolderFromUserDirsFile) {
    test::TempHome home;
    ::unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(DocumentsFolder(), home.Root() / "Documents");
    test::WriteBytes(home.Root() / "config" / "user-dirs.dirs",
                     "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(DocumentsFolder(), home.Root() / "Dokumente");
}

TEST(Paths, RuntimeFolderIsCreated) {
    test::TempHome home;
    const auto folder = RuntimeFolder();
    EXPECT_EQ(folder, home.Root() / "runtime" / "orvapanel");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace orva
