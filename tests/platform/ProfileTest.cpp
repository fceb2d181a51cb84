#include <gtest/gtest.h>

#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

class ProfileTest : public test::HomeTest {
protected:
    std::filesystem::path file_ = home_.Root() / "test.ini";
};

TEST_F(ProfileTest, ReadsWithPrivateProfileSemantics) {
    test::WriteBytes(file_,
                     "; comment\n[Iocp]\nServers = 2 \nAlias_000=  P3D  \nQuoted=\"  x  \"\n"
                     "Single='y'\nNeg=-12abc\nText=abc\nEmpty=\n[orva]\nSerial=OR-1\n");
    const CProfile ini(file_);
    EXPECT_EQ(ini.ReadInt(u"iocp", u"servers", 0), 2);
    EXPECT_EQ(ini.ReadString(u"Iocp", u"Alias_000", u"d"), u"P3D");
    EXPECT_EQ(ini.ReadString(u"Iocp", u"Quoted", u"d"), u"  x  ");
    EXPECT_EQ(ini.ReadString(u"Iocp", u"Single", u"d"), u"y");
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Neg", 5), -12);
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Text", 5), 0);
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Empty", 5), 5);
    EXPECT_EQ(ini.ReadInt(u"Iocp", u"Missing", 5), 5);
    EXPECT_EQ(ini.ReadString(u"ORVA", u"SERIAL", u""), u"OR-1");
    EXPECT_EQ(ini.ReadString(u"Nope", u"Serial", u"UNK_000000"), u"UNK_000000");
    EXPECT_EQ(CProfile(home_.Root() / "missing.ini").ReadInt(u"a", u"b", -1), -1);
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
    test::WriteBytes(file_, "[S]\nK=" + std::string(600, 'x') + "\n");
    EXPECT_EQ(CProfile(file_).ReadString(u"S", u"K", u"").size(), 511u);
}

TEST_F(ProfileTest, WritesKeepOtherLinesAndReadBack) {
    test::WriteBytes(file_, "; keep me\n[Iocp]\nServers=1\nalias_000=A\n\n[Other]\nX=1\n");
    const CProfile ini(file_);
    ASSERT_TRUE(ini.WriteString(u"Iocp", u"Alias_000", u"B"));
    ASSERT_TRUE(ini.WriteInt(u"Iocp", u"Port_000", 8090));
    ASSERT_TRUE(ini.WriteString(u"Options", u"AutoConnect", u"1"));
    EXPECT_EQ(test::ReadBytes(file_),
              "; keep me\n[Iocp]\nServers=1\nalias_000=B\nPort_000=8090\n\n[Other]\nX=1\n\n"
              "[Options]\nAutoConnect=1\n");
    // Values that trimming or quote removal would change are quoted.
    for (std::u16string v :
         {u"  lead", u"trail  ", u"\"quoted\"", u"'q'", u"\"", u"a\"b", u"", u"caf\u00E9 \u20AC"}) {
        ASSERT_TRUE(ini.WriteString(u"V", u"k", v));
        EXPECT_EQ(ini.ReadString(u"V", u"k", u"default"), v);
    }
    EXPECT_FALSE(ini.WriteString(u"V", u"k", u"two\nlines"));
    EXPECT_EQ(ini.ReadString(u"V", u"k", u"default"), u"caf\u00E9 \u20AC");
}

// Several keys in one replacement leave the bytes that writing them one by one leaves, whatever
// the file was: line ends, comments, blank lines, other encodings, keys spelled otherwise.
TEST_F(ProfileTest, SeveralKeysAtOnceGiveTheBytesOfWritingThemInTurn) {
    const std::vector<ProfileEntry> keys = {{u"Iocp", u"Servers", u"2"},
                                            {u"Iocp", u"Alias_000", u" lead"},
                                            {u"Iocp", u"Alias_001", u"two\nlines"},
                                            {u"Options", u"AutoConnect", u"1"},
                                            {u"iocp", u"servers", u"3"}};
    const std::string starts[] = {
        "",
        "; keep me\r\n[Iocp]\r\nServers=1\r\n\r\n\r\n",
        "[IOCP]\nSERVERS=1\n\n[Other]\nX=1\n\n\n",
        "\xFF\xFE" + ToUtf16LeBytes(u"[Orva]\r\nSerial=Caf\u00E9\r\n"),
        "no section line\n[Options]\nAutoConnect = 0 ; old\n",
    };
    const auto sequential = home_.Root() / "sequential.ini";
    for (const std::string& start : starts) {
        test::WriteBytes(file_, start);
        test::WriteBytes(sequential, start);
        for (const ProfileEntry& k : keys)
            CProfile(sequential).WriteString(k.section, k.key, k.value);
        EXPECT_EQ(CProfile(file_).BytesAfter(keys), test::ReadBytes(sequential)) << start;
        EXPECT_EQ(test::ReadBytes(file_), start);  // nothing written
    }
}

TEST_F(ProfileTest, ReadsTheThreeEncodings) {
    const std::u16string text = u"[Orva]\r\nSerial=Caf\u00E9\r\n";
    test::WriteBytes(file_, "\xFF\xFE" + ToUtf16LeBytes(text));
    EXPECT_EQ(CProfile(file_).ReadString(u"Orva", u"Serial", u""), u"Caf\u00E9");
    test::WriteBytes(file_, "\xEF\xBB\xBF" + ToUtf8(text));
    EXPECT_EQ(CProfile(file_).ReadString(u"Orva", u"Serial", u""), u"Caf\u00E9");
    test::WriteBytes(file_, ToAnsi(text));
    EXPECT_EQ(CProfile(file_).ReadString(u"Orva", u"Serial", u""), u"Caf\u00E9");
    // A write to a UTF-16 file keeps its other keys and line ends.
    test::WriteBytes(file_, "\xFF\xFE" + ToUtf16LeBytes(text));
    ASSERT_TRUE(CProfile(file_).WriteString(u"Orva", u"Sense", u"Vcc"));
    EXPECT_EQ(test::ReadBytes(file_), "[Orva]\r\nSerial=Caf\xC3\xA9\r\nSense=Vcc\r\n");
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFile) {
    test::WriteBytes(file_, "[S]\nK=old\n");
    const CProfile missingFolder(home_.Root() / "no" / "such" / "x.ini");
    EXPECT_FALSE(missingFolder.WriteString(u"S", u"K", u"v"));
    std::filesystem::permissions(
        home_.Root(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool denied = !CProfile(file_).WriteString(u"S", u"K", u"new");
    std::filesystem::permissions(home_.Root(), std::filesystem::perms::owner_all);
    if (denied) {
        EXPECT_EQ(test::ReadBytes(file_), "[S]\nK=old\n");
    }
    // No temporary files are left behind.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(home_.Root()))
        ++files;
    EXPECT_EQ(files, 4u);  // config, runtime, Documents and test.ini
}

}  // namespace
}  // namespace orva
