#include "platform/Path.h"

#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/Text.h"

namespace {

TEST(Path, JoinUsesOneSeparatorAtEachJoin) {
    struct Case {
        std::u16string got;
        const char16_t* expected;
    } cases[] = {
        {plat::JoinPath(u"/opt/qn", u"ABMonitor_log.txt"), u"/opt/qn/ABMonitor_log.txt"},
        {plat::JoinPath(u"/opt/qn/", u"/skin"), u"/opt/qn/skin"},
        {plat::JoinPath(u"/opt/qn", u"\\skin\\plugindata"), u"/opt/qn/skin/plugindata"},
        {plat::JoinPath(u"/opt/qn", u"conf\\server.ini"), u"/opt/qn/conf/server.ini"},
        {plat::JoinPath({u"/opt/qn", u"temp", u"quilltmp_0.ico"}), u"/opt/qn/temp/quilltmp_0.ico"},
        {plat::JoinPath({u"/opt/qn", u"", u"http"}), u"/opt/qn/http"},
        {plat::JoinPath(u"/", u"tmp"), u"/tmp"},
        {plat::JoinPath(u"rel", u"x"), u"rel/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Path, NameAndFolderSplitAtEitherSeparator) {
    EXPECT_EQ(plat::FileNameOf(u"D:\\src\\monitor\\Common\\FileCook"), u"FileCook");
    EXPECT_EQ(plat::FileNameOf(u"/src/monitor/Common/Log.cpp"), u"Log.cpp");
    EXPECT_EQ(plat::FileNameOf(u"a\\b/c"), u"c");
    EXPECT_EQ(plat::FileNameOf(u"plain"), u"plain");
    EXPECT_EQ(plat::FileNameOf(u"folder/"), u"");
    EXPECT_EQ(plat::FolderOf(u"/opt/qn/Update.exe"), u"/opt/qn");
    EXPECT_EQ(plat::FolderOf(u"C:\\qn\\Update.exe"), u"C:\\qn");
    EXPECT_EQ(plat::FolderOf(u"plain"), u"");
}

TEST(Path, ProgramFolderDropsTrailingSeparators) {
    std::u16string exe = plat::ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(plat::FileExists(exe));
    EXPECT_EQ(plat::FileNameOf(exe), u"test_platform");

    std::u16string before = plat::ProgramFolder();
    plat::SetProgramFolder(u"/opt/qn//");
    EXPECT_EQ(plat::ProgramFolder(), u"/opt/qn");
    plat::SetProgramFolder(before);
    EXPECT_EQ(plat::ProgramFolder(), before);
}

TEST(Path, TempFoldersAreFreshAndDistinct) {
    std::u16string a = plat::MakeTempFolder(u"qnpath-");
    std::u16string b = plat::MakeTempFolder(u"qnpath-");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(plat::DirectoryExists(a));
    EXPECT_TRUE(plat::ListDirectory(a).empty());
    EXPECT_EQ(plat::Utf16ToUtf8(plat::FileNameOf(a)).rfind("qnpath-", 0), 0u);
    plat::DeleteTree(a);
    plat::DeleteTree(b);
}

}  // namespace
