#include "monitor/Common/SkinPack.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "support/TestFolder.h"
#include "tools/packtool/PackTool.h"

namespace {

class SkinPackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plat::CreateDirectories(m_folder.Join(u"skin"))); }

    // Packs the given files with the pack tool into the image pack's place.
    void Pack(const std::map<std::u16string, std::string>& files) {
        std::u16string src = m_folder.Join(u"src");
        ASSERT_TRUE(plat::CreateDirectories(src));
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(plat::WriteFile(plat::JoinPath(src, name), bytes));
        packtool::PackResult r =
            packtool::PackFolder(src, ImagePackDataPath(), ImagePackIndexPath());
        ASSERT_TRUE(r.ok) << plat::Utf16ToUtf8(r.error);
        ASSERT_EQ(r.members, files.size());
    }

    bool Read(std::u16string_view name, std::string& bytes) {
        return ReadPackMember(name, ImagePackIndexPath(), ImagePackDataPath(), bytes);
    }

    qntest::TestFolder m_folder;
};

TEST_F(SkinPackTest, PathsLieInTheSkinFolder) {
    EXPECT_EQ(ImagePackDataPath(), m_folder.Join(u"skin/plugindata"));
    EXPECT_EQ(ImagePackIndexPath(), m_folder.Join(u"skin/pluginindex.ini"));
    EXPECT_EQ(IconPackDataPath(), m_folder.Join(u"skin/pluginicodata"));
    EXPECT_EQ(IconPackIndexPath(), m_folder.Join(u"skin/pluginicoindex.ini"));
}

TEST_F(SkinPackTest, EveryPackedMemberReadsBackWhole) {
    std::string binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    std::map<std::u16string, std::string> files = {
        {u"login_bg.png", binary},
        {u"btn_normal.png", std::string(70000, 'x')},  // larger than one read chunk
        {u"a.gif", "G"},
        {u"scrollbar.gif", "GIF89a"},
    };
    Pack(files);
    for (const auto& [name, bytes] : files) {
        std::string got;
        ASSERT_TRUE(Read(name, got)) << plat::Utf16ToUtf8(name);
        EXPECT_EQ(got, bytes) << plat::Utf16ToUtf8(name);
    }
    // Section names compare without regard to case.
    std::string got;
    ASSERT_TRUE(Read(u"LOGIN_BG.PNG", got));
    EXPECT_EQ(got, binary);
    EXPECT_EQ(m_folder.Log(), u"");
}

TEST_F(SkinPackTest, ToolLaysMembersOutInNameOrderFromByteOne) {
    Pack({{u"b.png", "BB"}, {u"a.png", "A"}, {u"c.png", "CCC"}});
    std::string data;
    ASSERT_TRUE(plat::ReadFile(ImagePackDataPath(), data));
    EXPECT_EQ(data, std::string("\0ABBCCC", 7));
    int start = 0, length = 0;
    ASSERT_TRUE(FindPackMember(u"a.png", ImagePackIndexPath(), start, length));
    EXPECT_EQ(start, 1);
    EXPECT_EQ(length, 1);
    ASSERT_TRUE(FindPackMember(u"c.png", ImagePackIndexPath(), start, length));
    EXPECT_EQ(start, 4);
    EXPECT_EQ(length, 3);
}

TEST_F(SkinPackTest, MissingStartReadsFromByteOne) {
    ASSERT_TRUE(plat::WriteFile(ImagePackDataPath(), "0123456789"));
    ASSERT_TRUE(
        plat::WritePrivateProfileString(u"card.ico", u"offset", u"4", ImagePackIndexPath()));
    std::string got;
    ASSERT_TRUE(Read(u"card.ico", got));
    EXPECT_EQ(got, "1234");
}

TEST_F(SkinPackTest, MembersNotInThePackGiveNothingAndNoLogLine) {
    Pack({{u"a.png", "A"}});
    ASSERT_TRUE(plat::WritePrivateProfileString(u"zero.png", u"start", u"1", ImagePackIndexPath()));
    ASSERT_TRUE(
        plat::WritePrivateProfileString(u"zero.png", u"offset", u"0", ImagePackIndexPath()));
    ASSERT_TRUE(
        plat::WritePrivateProfileString(u"nolen.png", u"start", u"1", ImagePackIndexPath()));
    for (const char16_t* name : {u"missing.png", u"zero.png", u"nolen.png"}) {
        std::string got = "stale";
        EXPECT_FALSE(Read(name, got)) << plat::Utf16ToUtf8(name);
        EXPECT_EQ(got, "");
    }
    // Not even the data file is looked at when the index has no length.
    std::string got;
    EXPECT_FALSE(ReadPackMember(u"missing.png", ImagePackIndexPath(), m_folder.Join(u"nope"), got));
    EXPECT_EQ(m_folder.Log(), u"");
}

TEST_F(SkinPackTest, UnreadableDataFileIsLoggedOnce) {
    Pack({{u"a.png", "A"}});
    std::u16string missing = m_folder.Join(u"skin/gone");
    std::string got;
    EXPECT_FALSE(ReadPackMember(u"a.png", ImagePackIndexPath(), missing, got));
    std::string log = m_folder.LogUtf8();
    std::string expected = "file open: " + plat::Utf16ToUtf8(missing) + " 2 - ";
    ASSERT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(log.find("error "), 0u);
    EXPECT_EQ(log.find("error ", 1), std::string::npos) << "more than one entry: " << log;
    EXPECT_NE(log.find("SkinPack.cpp:"), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

TEST_F(SkinPackTest, ShortReadGivesNothing) {
    Pack({{u"a.png", "AAAA"}});
    struct Case {
        const char16_t* start;
        const char16_t* offset;
    } cases[] = {
        {u"1", u"5"},           // one byte past the end
        {u"4", u"2"},           // starts inside, ends outside
        {u"99", u"1"},          // starts past the end
        {u"1", u"2000000000"},  // a damaged index must not make us allocate that much
        {u"-3", u"2"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(
            plat::WritePrivateProfileString(u"a.png", u"start", c.start, ImagePackIndexPath()));
        ASSERT_TRUE(
            plat::WritePrivateProfileString(u"a.png", u"offset", c.offset, ImagePackIndexPath()));
        std::string got;
        EXPECT_FALSE(Read(u"a.png", got))
            << plat::Utf16ToUtf8(c.start) << " " << plat::Utf16ToUtf8(c.offset);
        EXPECT_EQ(got, "");
    }
    // The whole member still reads.
    ASSERT_TRUE(plat::WritePrivateProfileString(u"a.png", u"start", u"1", ImagePackIndexPath()));
    ASSERT_TRUE(plat::WritePrivateProfileString(u"a.png", u"offset", u"4", ImagePackIndexPath()));
    std::string got;
    EXPECT_TRUE(Read(u"a.png", got));
    EXPECT_EQ(got, "AAAA");
}

TEST_F(SkinPackTest, EachIconGetsItsOwnTemporaryFile) {
    ASSERT_TRUE(plat::CreateDirectories(m_folder.Join(u"temp")));
    std::u16string first = WriteTempIconFile("icon one");
    std::u16string second = WriteTempIconFile("icon two");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const auto& path : {first, second}) {
        EXPECT_EQ(plat::FolderOf(path), m_folder.Join(u"temp"));
        std::string name = plat::Utf16ToUtf8(plat::FileNameOf(path));
        EXPECT_EQ(name.rfind("quilltmp_", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".ico") << name;
    }
    // The counter grows by one per icon.
    auto number = [](const std::u16string& path) {
        std::string name = plat::Utf16ToUtf8(plat::FileNameOf(path));
        return std::stoi(name.substr(9));
    };
    EXPECT_EQ(number(second), number(first) + 1);
    std::string bytes;
    ASSERT_TRUE(plat::ReadFile(first, bytes));
    EXPECT_EQ(bytes, "icon one");
    ASSERT_TRUE(plat::ReadFile(second, bytes));
    EXPECT_EQ(bytes, "icon two");
    EXPECT_EQ(m_folder.Log(), u"");
}

TEST_F(SkinPackTest, TemporaryIconFileThatCannotBeMadeIsLogged) {
    // No "temp" folder.
    std::u16string path = WriteTempIconFile("icon");
    EXPECT_EQ(path, u"");
    std::string log = m_folder.LogUtf8();
    std::string expected = "file open: " + plat::Utf16ToUtf8(m_folder.Join(u"temp")) + "/quilltmp_";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_NE(log.find(".ico 2 - "), std::string::npos) << log;
}

}  // namespace
