#include "tools/packtool/PackTool.h"

#include <gtest/gtest.h>

#include "monitor/Common/SkinPack.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "support/TestFolder.h"

namespace {

class PackToolTest : public ::testing::Test {
protected:
    PackToolTest() : m_folder(false) {}
    void SetUp() override { ASSERT_TRUE(plat::CreateDirectories(Src())); }

    std::u16string Src() const { return m_folder.Join(u"src"); }
    std::u16string Data() const { return m_folder.Join(u"data"); }
    std::u16string Index() const { return m_folder.Join(u"index.ini"); }
    void Put(std::u16string_view name, std::string_view bytes) {
        ASSERT_TRUE(plat::WriteFile(plat::JoinPath(Src(), name), bytes));
    }

    qntest::TestFolder m_folder;
};

TEST_F(PackToolTest, CommandLinePacksAFolder) {
    Put(u"expand1.ico", "E1");
    Put(u"card.ico", "CARD");
    ASSERT_TRUE(plat::CreateDirectory(plat::JoinPath(Src(), u"sub")));  // folders are left out
    std::string src = plat::Utf16ToUtf8(Src()), data = plat::Utf16ToUtf8(Data()),
                index = plat::Utf16ToUtf8(Index());
    const char* argv[] = {"qn-pack", src.c_str(), data.c_str(), index.c_str()};
    ASSERT_EQ(packtool::PackToolMain(4, argv), 0);
    EXPECT_EQ(plat::GetPrivateProfileSectionNames(Index()),
              (std::vector<std::u16string>{u"card.ico", u"expand1.ico"}));
    std::string got;
    ASSERT_TRUE(ReadPackMember(u"expand1.ico", Index(), Data(), got));
    EXPECT_EQ(got, "E1");
    ASSERT_TRUE(ReadPackMember(u"card.ico", Index(), Data(), got));
    EXPECT_EQ(got, "CARD");
}

TEST_F(PackToolTest, WrongUsageIsRefused) {
    const char* argv[] = {"qn-pack", "a", "b"};
    EXPECT_EQ(packtool::PackToolMain(3, argv), 2);
    EXPECT_FALSE(plat::FileExists(u"b"));
}

TEST_F(PackToolTest, FilesTheIndexCannotHoldStopThePack) {
    struct Case {
        const char16_t* first;
        const char16_t* second;
    } cases[] = {
        {u"btn.png", u"BTN.PNG"},    // one section for both
        {u"ok.png", u"br]ket.png"},  // ends the section name early
        {u"ok.png", u" lead.png"},   // blanks around section names are trimmed away
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(plat::Utf16ToUtf8(c.second));
        ASSERT_TRUE(plat::DeleteTree(Src()));
        ASSERT_TRUE(plat::CreateDirectory(Src()));
        Put(c.first, "1");
        Put(c.second, "2");
        packtool::PackResult r = packtool::PackFolder(Src(), Data(), Index());
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_FALSE(plat::FileExists(Index()));
    }
}

TEST_F(PackToolTest, EmptyFileOrMissingFolderFails) {
    Put(u"empty.png", "");
    EXPECT_FALSE(packtool::PackFolder(Src(), Data(), Index()).ok);
    EXPECT_FALSE(packtool::PackFolder(m_folder.Join(u"none"), Data(), Index()).ok);
    EXPECT_FALSE(plat::FileExists(Data()));
}

}  // namespace
