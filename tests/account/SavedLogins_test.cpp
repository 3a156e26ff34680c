// The password mask, the account folder and the saved logins in login.db.
#include "monitor/SavedLogins.h"

#include <gtest/gtest.h>

#include "account/AccountSupport.h"
#include "monitor/AccountFolder.h"
#include "monitor/Common/Sqlite.h"

namespace {

TEST(PasswordMask, MatchesTheStoredFormOfKnownLogins) {
    // Worked out with another MD5 implementation.
    struct Case {
        const char16_t* account;
        const char16_t* password;
        const char16_t* stored;
    } cases[] = {
        {u"wang@quillnet.test", u"secret", u"0fa8a3b67fd10cc094888b8e5b27c7ff"},
        {u"张三@例子.中国", u"密码Pass1234567890xyz",
         u"b380a08f08f61b7c5bf99f698e0947873738393078797a"},
        {u"a@b.c", u"", u"47c9e8a58f70df644fd3d2dc4cb37e34"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MaskPassword(c.account, c.password), c.stored);
        EXPECT_EQ(UnmaskPassword(c.account, c.stored), c.password);
    }
}

TEST(PasswordMask, HidesOnlyTheFirstSixteenBytes) {
    // 20 bytes: 40 characters, the last 8 the last four bytes in the clear.
    std::u16string stored = MaskPassword(u"wang@quillnet.test", u"abcdefghijklmnopWXYZ");
    EXPECT_EQ(stored.size(), 40u);
    EXPECT_EQ(stored.substr(32), u"5758595a");
    EXPECT_EQ(MaskPassword(u"wang@quillnet.test", u"abc").size(), 32u);
    // A different account gives a different mask.
    EXPECT_NE(MaskPassword(u"li@quillnet.test", u"abc"),
              MaskPassword(u"wang@quillnet.test", u"abc"));
}

TEST(PasswordMask, ShortTextIsAPlainPasswordAndTheDecoderIsLenient) {
    const std::u16string plain31(31, u'f');
    EXPECT_EQ(UnmaskPassword(u"wang@quillnet.test", plain31), plain31);
    EXPECT_EQ(UnmaskPassword(u"a@b.c", u"old password"), u"old password");
    const std::u16string stored = MaskPassword(u"a@b.c", u"pass");
    std::u16string upper = stored;
    for (auto& ch : upper) ch = plat::ToUpperChar(ch);
    EXPECT_EQ(UnmaskPassword(u"a@b.c", upper), u"pass");
    // An odd last character is dropped.
    EXPECT_EQ(UnmaskPassword(u"a@b.c", stored + u"7"), u"pass");
}

TEST(AccountFolder, RefusesAccountsThatNameAnotherFolder) {
    struct Case {
        const char16_t* account;
        bool safe;
    } cases[] = {
        {u"wang@quillnet.test", true},
        {u"wang@quillnet.test it's me", true},
        {u"张三@例子.中国", true},
        {u"wang@quillnet.test/../../etc", false},
        {u"wang@quillnet.test\\..\\x", false},
        {u"wang@quillnet.test..", false},
        {u"wang@quillnet.test\ttab", false},
        {u"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSafeAccountName(c.account), c.safe) << plat::Utf16ToUtf8(c.account);
        EXPECT_EQ(AccountFolderPath(c.account).empty(), !c.safe);
    }
}

class SavedLoginsTest : public ::testing::Test {
protected:
    std::u16string FolderOf(std::u16string_view account) const {
        return plat::JoinPath({m_folder.Folder().Path(), u"account", account});
    }
    int Rows() {
        CSqlite db;
        db.Open(m_folder.Join(u"login.db"));
        int n = 0;
        if (db.Query(u"SELECT * FROM loginuser") == 0)
            while (db.Step() == 0) ++n;
        return n;
    }
    accounttest::ProgramFolder m_folder;
};

TEST_F(SavedLoginsTest, PreparingCopiesTheTemplateOnlyWhenTheFolderHasNone) {
    ASSERT_TRUE(PrepareAccountFolder(accounttest::kAccount));
    const std::u16string db = plat::JoinPath(FolderOf(accounttest::kAccount), u"Address.db");
    EXPECT_EQ(plat::FileSize(db), plat::FileSize(m_folder.Join(u"Address.db")));
    ASSERT_TRUE(plat::WriteFile(db, "kept"));
    ASSERT_TRUE(PrepareAccountFolder(accounttest::kAccount));
    std::string bytes;
    plat::ReadFile(db, bytes);
    EXPECT_EQ(bytes, "kept");
    EXPECT_FALSE(PrepareAccountFolder(u"wang@quillnet.test/../../x"));
}

TEST_F(SavedLoginsTest, LoadsTheMostRecentFirstAndFindsByAccountAndPrefix) {
    ASSERT_EQ(SaveLogin(u"old@quillnet.test", u"p1", true, false, 100), 0);
    ASSERT_EQ(SaveLogin(u"new@quillnet.test", u"p2", false, false, 300), 0);
    ASSERT_EQ(SaveLogin(u"mid@quillnet.test", u"p3", true, true, 200), 0);
    CSavedLogins logins;
    ASSERT_TRUE(logins.Load());
    ASSERT_EQ(logins.Items().size(), 3u);
    EXPECT_EQ(logins.Items()[0].account, u"new@quillnet.test");
    EXPECT_EQ(logins.Items()[1].account, u"mid@quillnet.test");
    EXPECT_EQ(logins.Items()[2].account, u"old@quillnet.test");
    EXPECT_EQ(logins.Items()[1].rememberPwd, 1);
    EXPECT_EQ(logins.Items()[1].autoLogin, 1);
    EXPECT_GT(logins.Items()[1].id, 0);
    EXPECT_EQ(UnmaskPassword(u"mid@quillnet.test", logins.Items()[1].password), u"p3");
    EXPECT_EQ(logins.Find(u"old@quillnet.test"), 2);
    EXPECT_EQ(logins.Find(u"OLD@quillnet.test"), -1);
    EXPECT_EQ(logins.FindPrefix(u"mi"), 1);
    EXPECT_EQ(logins.FindPrefix(u"Mi"), -1);
    EXPECT_EQ(logins.FindPrefix(u""), 0);
}

TEST_F(SavedLoginsTest, DeletingRemovesTheRowAndTheFolderWithEverythingInIt) {
    const std::u16string account = accounttest::kAccountWithRemark;  // a quote inside
    ASSERT_EQ(SaveLogin(u"other@quillnet.test", u"p", true, false, 1), 0);
    ASSERT_EQ(SaveLogin(account, u"p", true, false, 2), 0);
    ASSERT_TRUE(PrepareAccountFolder(account));
    ASSERT_TRUE(plat::CreateDirectory(plat::JoinPath(FolderOf(account), u"http")));
    CSavedLogins logins;
    ASSERT_TRUE(logins.Load());
    EXPECT_EQ(logins.Delete(5), CSavedLogins::kDeleteBadIndex);
    EXPECT_EQ(logins.Delete(0), CSavedLogins::kDeleteDone);
    EXPECT_EQ(logins.Items().size(), 1u);
    EXPECT_EQ(Rows(), 1);
    EXPECT_FALSE(plat::DirectoryExists(FolderOf(account)));
    EXPECT_NE(m_folder.Folder().LogUtf8().find("strPath:"), std::string::npos);
}

TEST_F(SavedLoginsTest, TheFolderGoesEvenWhenTheRowCannotBeDeleted) {
    ASSERT_EQ(SaveLogin(accounttest::kAccount, u"p", true, false, 1), 0);
    ASSERT_TRUE(PrepareAccountFolder(accounttest::kAccount));
    CSavedLogins logins;
    ASSERT_TRUE(logins.Load());
    // The table goes away behind the list's back.
    {
        CSqlite db;
        ASSERT_EQ(db.Open(m_folder.Join(u"login.db")), 0);
        ASSERT_EQ(db.Exec(u"DROP TABLE loginuser"), 0);
    }
    EXPECT_EQ(logins.Delete(0), CSavedLogins::kDeleteRowKept);
    EXPECT_EQ(logins.Items().size(), 1u);
    EXPECT_FALSE(plat::DirectoryExists(FolderOf(accounttest::kAccount)));
}

TEST_F(SavedLoginsTest, AnAccountThatNamesAnotherFolderDeletesNothing) {
    // A row an older version could have written.
    {
        CSqlite db;
        ASSERT_EQ(db.Open(m_folder.Join(u"login.db")), 0);
        ASSERT_EQ(db.Exec(u"INSERT INTO loginuser (id,account,password,rememberpwd,autologin,"
                          u"lastlogintime) VALUES(NULL,'a@b.c/../../keep','',0,0,1)"),
                  0);
    }
    const std::u16string keep = m_folder.Join(u"keep");
    ASSERT_TRUE(plat::CreateDirectory(keep));
    CSavedLogins logins;
    ASSERT_TRUE(logins.Load());
    EXPECT_EQ(logins.Delete(0), CSavedLogins::kDeleteDone);
    EXPECT_TRUE(plat::DirectoryExists(keep));
    EXPECT_EQ(Rows(), 0);
}

}  // namespace
