// The login window's box rules: filling from the saved logins, completion while
// typing, choosing from the list, the check boxes and deleting a saved login.
#include "monitor/LoginForm.h"

#include <gtest/gtest.h>

#include "account/AccountSupport.h"

namespace {

class LoginFormTest : public ::testing::Test {
protected:
    // Saved logins, most recent first.
    void Save(std::initializer_list<SavedLogin> logins) {
        int32_t time = 1000;
        for (const auto& l : logins)
            SaveLogin(l.account, l.password, l.rememberPwd == 1, l.autoLogin == 1, time--);
        m_form.Load();
    }
    static SavedLogin Login(const char16_t* account, const char16_t* password, int remember,
                            int autoLogin) {
        SavedLogin l;
        l.account = account;
        l.password = password;  // plain here; saved masked
        l.rememberPwd = remember;
        l.autoLogin = autoLogin;
        return l;
    }
    const LoginFormState& S() const { return m_form.State(); }

    accounttest::ProgramFolder m_folder;
    CLoginForm m_form;
};

TEST_F(LoginFormTest, OpensWithTheMostRecentLogin) {
    Save({Login(u"wang@quillnet.test", u"pw1", 1, 1), Login(u"li@quillnet.test", u"pw2", 1, 0)});
    EXPECT_EQ(S().account, u"wang@quillnet.test");
    EXPECT_EQ(S().selected, 0);
    EXPECT_EQ(S().password, u"pw1");
    EXPECT_TRUE(S().remember);
    EXPECT_TRUE(S().autoLogin);
    EXPECT_TRUE(S().autoPending);
    EXPECT_TRUE(S().loginPossible);
    EXPECT_TRUE(S().focusAccount);
}

TEST_F(LoginFormTest, OpensEmptyOrWithoutPasswordAsTheLoginSays) {
    m_form.Load();
    EXPECT_EQ(S().account, u"");
    EXPECT_FALSE(S().loginPossible);
    EXPECT_FALSE(S().autoPending);
    // Automatic sign-in without a remembered password would only fail.
    Save({Login(u"wang@quillnet.test", u"pw1", 0, 1)});
    EXPECT_EQ(S().password, u"");
    EXPECT_FALSE(S().remember);
    EXPECT_TRUE(S().autoLogin);
    EXPECT_FALSE(S().autoPending);
    EXPECT_FALSE(S().loginPossible);
}

TEST_F(LoginFormTest, TypingCompletesTheFirstSavedAccountAndSelectsTheRest) {
    Save({Login(u"wang@quillnet.test", u"pw1", 1, 1), Login(u"wan@other.test", u"pw2", 0, 0)});
    m_form.AccountEdited(u"wa", 2, false);
    EXPECT_EQ(S().account, u"wang@quillnet.test");
    EXPECT_EQ(S().selected, 0);
    EXPECT_EQ(S().selStart, 2u);
    EXPECT_EQ(S().selEnd, 18u);
    // The completed text is an exact match: its remembered password comes back,
    // the automatic box stays as the first edit left it.
    EXPECT_EQ(S().password, u"pw1");
    EXPECT_TRUE(S().remember);
    EXPECT_FALSE(S().autoLogin);
    EXPECT_FALSE(S().completionArmed);
    EXPECT_TRUE(S().loginPossible);

    // Typing on after an exact match is a first edit again.
    m_form.AccountEdited(u"wan@", 4, false);
    EXPECT_EQ(S().account, u"wan@other.test");
    EXPECT_EQ(S().password, u"");  // not remembered
    EXPECT_FALSE(S().remember);
    EXPECT_FALSE(S().loginPossible);
}

TEST_F(LoginFormTest, CompletionKeepsTheCaretInsideAndSkipsDeletions) {
    Save({Login(u"wang@quillnet.test", u"pw1", 1, 0)});
    m_form.AccountEdited(u"  wan", 5, false);  // leading blanks are not part of the prefix
    EXPECT_EQ(S().account, u"wang@quillnet.test");
    EXPECT_EQ(S().selStart, 3u);
    m_form.AccountEdited(u"wxng", 1, false);  // no saved account begins so
    EXPECT_EQ(S().account, u"wxng");
    EXPECT_EQ(S().selected, -1);
    EXPECT_TRUE(S().completionArmed);
    m_form.AccountEdited(u"wanx", 4, false);  // no saved account begins so either
    EXPECT_EQ(S().account, u"wanx");
    m_form.AccountEdited(u"wan", 3, true);  // Backspace
    EXPECT_EQ(S().account, u"wan");
    EXPECT_EQ(S().selected, -1);
    m_form.AccountEdited(u"Wan", 3, false);  // case counts
    EXPECT_EQ(S().account, u"Wan");
    m_form.AccountEdited(u" ", 1, false);
    EXPECT_EQ(S().account, u" ");
    EXPECT_EQ(S().password, u"");
}

TEST_F(LoginFormTest, ACaretBeforeTheEndStaysWhereItWas) {
    Save({Login(u"wang@quillnet.test", u"pw1", 1, 0), Login(u"zhao@quillnet.test", u"pw", 1, 0)});
    m_form.AccountEdited(u"zh", 1, false);
    EXPECT_EQ(S().account, u"zhao@quillnet.test");
    EXPECT_EQ(S().selStart, 1u);
    EXPECT_EQ(S().selEnd, 1u);
}

TEST_F(LoginFormTest, AFirstEditClearsTheBoxesOnlyWhenLoginsAreSaved) {
    m_form.Load();
    m_form.PasswordEdited(u"typed first");
    m_form.AccountEdited(u"new@quillnet.test", 17, false);
    EXPECT_EQ(S().password, u"typed first");
    EXPECT_TRUE(S().loginPossible);
    m_form.AccountEdited(u"   ", 3, true);
    EXPECT_FALSE(S().loginPossible);  // blanks are no account
}

TEST_F(LoginFormTest, ChoosingAnEntryFillsTheBoxesByItsFlags) {
    Save({Login(u"auto@quillnet.test", u"pa", 0, 1), Login(u"keep@quillnet.test", u"pk", 1, 0),
          Login(u"none@quillnet.test", u"pn", 0, 0)});
    struct Case {
        int index;
        const char16_t* account;
        const char16_t* password;
        bool remember, autoLogin, possible;
    } cases[] = {
        {0, u"auto@quillnet.test", u"pa", true, true, true},
        {1, u"keep@quillnet.test", u"pk", true, false, true},
        {2, u"none@quillnet.test", u"", false, false, false},
        {7, u"x", u"", false, false, false},  // no such entry: the account box keeps its text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        m_form.AccountEdited(u"x", 1, false);  // arms completion
        m_form.EntryChosen(c.index);
        EXPECT_EQ(S().account, c.account);
        EXPECT_EQ(S().password, c.password);
        EXPECT_EQ(S().remember, c.remember);
        EXPECT_EQ(S().autoLogin, c.autoLogin);
        EXPECT_EQ(S().loginPossible, c.possible);
        EXPECT_FALSE(S().completionArmed);
    }
}

TEST_F(LoginFormTest, TheCheckBoxesPullEachOther) {
    m_form.Load();
    m_form.AutoLoginClicked(true);
    EXPECT_TRUE(S().remember);
    m_form.RememberClicked(false);
    EXPECT_FALSE(S().autoLogin);
    m_form.RememberClicked(true);
    EXPECT_FALSE(S().autoLogin);
    m_form.AutoLoginClicked(false);
    EXPECT_TRUE(S().remember);
}

TEST_F(LoginFormTest, DeletingTheShownLoginEmptiesTheBoxes) {
    Save({Login(u"wang@quillnet.test", u"pw1", 1, 1), Login(u"li@quillnet.test", u"pw2", 1, 0)});
    EXPECT_EQ(m_form.DeleteEntry(1), CSavedLogins::kDeleteDone);
    EXPECT_EQ(S().account, u"wang@quillnet.test");  // another one: the boxes stay
    EXPECT_EQ(S().password, u"pw1");
    EXPECT_FALSE(S().focusAccount);
    EXPECT_EQ(m_form.DeleteEntry(0), CSavedLogins::kDeleteDone);
    EXPECT_EQ(S().account, u"");
    EXPECT_EQ(S().password, u"");
    EXPECT_FALSE(S().remember);
    EXPECT_FALSE(S().autoLogin);
    EXPECT_FALSE(S().loginPossible);
    EXPECT_TRUE(S().focusAccount);  // the list is empty now
    EXPECT_TRUE(m_form.Logins().Empty());
    EXPECT_EQ(m_form.DeleteEntry(0), CSavedLogins::kDeleteBadIndex);
}

}  // namespace
