// The sign-in check end to end against mailsim: what the login window shows,
// what the monitor window receives, and what is left in login.db, server.ini
// and the account's folder.
#include <gtest/gtest.h>

#include "account/AccountSupport.h"
#include "monitor/AccountFolder.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/Common/Sqlite.h"
#include "monitor/SavedLogins.h"

namespace {

using accounttest::kAccount;
using accounttest::kPassword;
using accounttest::Sim;

constexpr int64_t kNow = 1700000000;

std::u16string AccountDb(const accounttest::ProgramFolder& folder, std::u16string_view account) {
    return plat::JoinPath({folder.Folder().Path(), u"account", account, u"Address.db"});
}

struct Row {
    bool found = false;
    std::u16string password;
    int remember = -1, autoLogin = -1, time = -1;
};

class SignInCheckTest : public accounttest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        UseSimServers();
        m_folder.SetServer(u"MailHost", u"mail.example.test");
        m_folder.SetServer(u"MailPort", u"8080");
        m_link.ports.pop = Sim().Port("pop3");
        SetServerType(0);
    }
    void TearDown() override {
        for (const auto& [account, password] : m_secrets)
            accounttest::ExpectNoPasswordInLog(m_folder.Folder(), account, password);
    }

    int SignIn(const std::u16string& account, const std::u16string& password, bool remember = true,
               bool autoLogin = false) {
        m_view = accounttest::ViewRecorder();
        m_target = accounttest::TargetRecorder();
        m_secrets.emplace_back(account, password);
        CSignInCheck check(m_view, m_target);
        check.SetLink(m_link);
        check.SetClock([this] { return m_now; });
        return check.Run({account, password, remember, autoLogin});
    }
    Row Saved(const std::u16string& account) {
        Row row;
        CSqlite db;
        if (db.Open(m_folder.Join(u"login.db")) != 0) return row;
        int n = 0;
        if (db.Query(u"SELECT * FROM loginuser") == 0) {
            while (db.Step() == 0) {
                ++n;
                if (db.GetText(u"account") != account) continue;
                row.found = true;
                row.password = UnmaskPassword(account, db.GetText(u"password"));
                row.remember = db.GetInt(u"rememberpwd");
                row.autoLogin = db.GetInt(u"autologin");
                row.time = db.GetInt(u"lastlogintime");
            }
        }
        m_rows = n;
        return row;
    }
    std::u16string Last(const char16_t* key) const { return m_folder.Get(u"LASTLOGIN", key); }
    void SetLast(const std::u16string& user, int type, int64_t time) {
        m_folder.Set(u"LASTLOGIN", u"USERNAME", user);
        m_folder.Set(u"LASTLOGIN", u"servertype", plat::Format(u"%d", type));
        m_folder.Set(u"LASTLOGIN", u"logintime", plat::Format(u"%d", time));
    }
    // Discovery and POP3 both fail to connect.
    void NetworkDown() {
        const int closed = accounttest::ClosedPort();
        m_folder.SetServer(u"SmtpPort", closed);
        m_folder.SetServer(u"PopPort", closed);
    }
    // The check stopped with a message and gave the window back.
    void ExpectStopped(int result, int want, const char16_t* text) {
        EXPECT_EQ(result, want);
        EXPECT_EQ(m_view.enabled, (std::vector<bool>{false, true}));
        EXPECT_EQ(m_view.status1, text);
        EXPECT_EQ(m_view.status2, u"");
        EXPECT_TRUE(m_target.values.empty());
        EXPECT_EQ(m_target.syncs, 0);
        EXPECT_NE(m_folder.Folder().Log().find(std::u16string(text) + u"\r\n"),
                  std::u16string::npos);
    }
    void ExpectHandedOver(int result, const std::u16string& account,
                          const std::u16string& password) {
        EXPECT_EQ(result, kSignInStarted);
        EXPECT_EQ(m_view.enabled, std::vector<bool>{false});  // left disabled
        EXPECT_EQ(m_view.status1, u"");
        ASSERT_EQ(m_target.values.size(), 1u);
        EXPECT_EQ(m_target.values[0].account, account);
        EXPECT_EQ(m_target.values[0].password, password);
        EXPECT_EQ(m_target.values[0].mailHost, u"mail.example.test");
        EXPECT_EQ(m_target.values[0].mailPort, u"8080");
        EXPECT_EQ(m_target.syncs, 1);
    }

    ServerLink m_link = accounttest::TestLink();
    accounttest::ViewRecorder m_view;
    accounttest::TargetRecorder m_target;
    int64_t m_now = kNow;
    int m_rows = 0;
    std::vector<std::pair<std::u16string, std::u16string>> m_secrets;
};

TEST_F(SignInCheckTest, ASignInOverTlsHandsOverAndRecordsTheLogin) {
    ExpectHandedOver(SignIn(kAccount, kPassword, true, false), kAccount, kPassword);
    EXPECT_EQ(m_view.settingsClosed, 1);
    EXPECT_EQ(ServerType(), 1);
    EXPECT_TRUE(plat::FileExists(AccountDb(m_folder, kAccount)));
    Row row = Saved(kAccount);
    EXPECT_TRUE(row.found);
    EXPECT_EQ(row.password, kPassword);
    EXPECT_EQ(row.remember, 1);
    EXPECT_EQ(row.autoLogin, 0);
    EXPECT_EQ(row.time, kNow);
    EXPECT_EQ(Last(u"USERNAME"), kAccount);
    EXPECT_EQ(Last(u"servertype"), u"1");
    EXPECT_EQ(Last(u"logintime"), u"1700000000");
    const std::string log = m_folder.Folder().LogUtf8();
    EXPECT_NE(log.find(plat::Utf16ToUtf8(
                  plat::Format(u"pop host:localhost,port:%d\r\n", Sim().Port("pop3s")))),
              std::string::npos);
}

TEST_F(SignInCheckTest, ASecondSignInUpdatesTheRowAndKeepsTheAccountsDatabase) {
    ASSERT_TRUE(accounttest::ResetSim("\"pop3_lower\": true, \"server_type\": 0"));
    m_folder.SetServer(u"PopPort", u"");  // the plain POP3 port
    ASSERT_EQ(SignIn(kAccount, kPassword, true, true), kSignInStarted);
    EXPECT_EQ(ServerType(), 0);
    EXPECT_EQ(Last(u"servertype"), u"0");
    const std::u16string db = AccountDb(m_folder, kAccount);
    ASSERT_TRUE(plat::WriteFile(db, "the account's own"));
    m_now = kNow + 100;
    ExpectHandedOver(SignIn(kAccount, kPassword, false, false), kAccount, kPassword);
    Row row = Saved(kAccount);
    EXPECT_EQ(m_rows, 1);
    EXPECT_EQ(row.password, kPassword);  // written whatever the remember box says
    EXPECT_EQ(row.remember, 0);
    EXPECT_EQ(row.autoLogin, 0);
    EXPECT_EQ(row.time, kNow + 100);
    std::string bytes;
    ASSERT_TRUE(plat::ReadFile(db, bytes));
    EXPECT_EQ(bytes, "the account's own");
}

TEST_F(SignInCheckTest, EachStopShowsItsMessageAndEnablesTheWindowAgain) {
    struct Case {
        const char* name;
        std::string sim;  // mailsim settings
        std::u16string account;
        std::u16string password;
        bool refused;       // the SMTP port has nobody listening
        bool unknownHosts;  // no host name resolves
        int result;
        const char16_t* text;
    } cases[] = {
        {"no address", "", u"wang-at-quillnet.test", kPassword, false, false, kSignInBadAddress,
         kSignInBadAddressText},
        {"slash", "", u"wang@quillnet.test/../../x", kPassword, false, false, kSignInBadAddress,
         kSignInBadAddressText},
        {"backslash", "", u"wang@quillnet.test\\x", kPassword, false, false, kSignInBadAddress,
         kSignInBadAddressText},
        {"dots", "", u"wang..li@quillnet.test", kPassword, false, false, kSignInBadAddress,
         kSignInBadAddressText},
        {"refused", "", kAccount, kPassword, true, false, kSignInNoConnection,
         kSignInNoConnectionText},
        {"unknown", "", kAccount, kPassword, false, true, kSignInNoConnection,
         kSignInNoConnectionText},
        {"other server", "\"greeting\": \"220 mx ESMTP Postfix\\r\\n\"", kAccount, kPassword, false,
         false, kSignInNotService, kSignInNotServiceText},
        {"silent", "\"smtp_silent\": true", kAccount, kPassword, false, false, kSignInNotService,
         kSignInNotServiceText},
        {"wrong password", "", kAccount, u"not-the-password", false, false, kSignInLoginFailed,
         kSignInLoginFailedText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(accounttest::ResetSim(c.sim));
        m_folder.SetServer(u"SmtpPort", c.refused ? accounttest::ClosedPort() : Sim().Port("smtp"));
        m_link.resolve = nullptr;
        if (c.unknownHosts)
            m_link.resolve = [](std::u16string_view, plat::Ipv4Address&) { return false; };
        ExpectStopped(SignIn(c.account, c.password), c.result, c.text);
        EXPECT_FALSE(Saved(c.account).found);
        EXPECT_EQ(Last(u"USERNAME"), u"");
    }
}

TEST_F(SignInCheckTest, AGreetingThatRanOutOfTimeIsATimeOut) {
    uint64_t now = 0;
    m_link.tick = [&now] { return now += 40000; };
    ExpectStopped(SignIn(kAccount, kPassword), kSignInTimedOut, kSignInTimedOutText);
}

TEST_F(SignInCheckTest, APartnerDomainPassesForAnotherServersGreeting) {
    ASSERT_TRUE(accounttest::ResetSim("\"greeting\": \"220 mx ESMTP Postfix\\r\\n\""));
    // The list ends at the first empty entry.
    m_folder.Set(u"DOMAIN", u"Domain1", u"smtp.example.org");
    m_folder.Set(u"DOMAIN", u"Domain2", u"");
    m_folder.Set(u"DOMAIN", u"Domain3", u"127.0.0.1");
    ExpectStopped(SignIn(kAccount, kPassword), kSignInNotService, kSignInNotServiceText);
    m_folder.Set(u"DOMAIN", u"Domain2", u"  127.0.0.1 ");
    SetServerType(1);
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    EXPECT_EQ(Last(u"servertype"), u"1");  // kept from before
}

TEST_F(SignInCheckTest, TheLastAccountSignsInWithinEightDaysWhileTheServersAreDown) {
    SetLast(kAccount, 1, kNow - kOfflineSignInSeconds + 60);
    NetworkDown();
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    EXPECT_EQ(ServerType(), 1);
    EXPECT_EQ(Last(u"logintime"), plat::Format(u"%d", kNow - kOfflineSignInSeconds + 60));
    EXPECT_EQ(Saved(kAccount).time, kNow);

    // Another account, or the same one after eight days, is stopped.
    ExpectStopped(SignIn(u"li@quillnet.test", accounttest::kChinesePassword), kSignInNoConnection,
                  kSignInNoConnectionText);
    SetLast(kAccount, 1, kNow - kOfflineSignInSeconds);
    ExpectStopped(SignIn(kAccount, kPassword), kSignInNoConnection, kSignInNoConnectionText);
}

TEST_F(SignInCheckTest, TheLastAccountGoesOnWhenPop3IsDownButNotWhenItRefuses) {
    SetLast(kAccount, 0, kNow - 3 * kOfflineSignInSeconds);
    m_folder.SetServer(u"PopPort", accounttest::ClosedPort());
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    EXPECT_EQ(Last(u"logintime"), u"1700000000");  // discovery answered: rewritten

    m_folder.SetServer(u"PopPort", Sim().Port("pop3s"));
    ExpectStopped(SignIn(kAccount, u"mistyped"), kSignInLoginFailed, kSignInLoginFailedText);
    // Not even through the offline shortcut.
    m_folder.SetServer(u"SmtpPort", accounttest::ClosedPort());
    ExpectStopped(SignIn(kAccount, u"mistyped"), kSignInLoginFailed, kSignInLoginFailedText);
    EXPECT_EQ(Saved(kAccount).password, kPassword);
}

TEST_F(SignInCheckTest, TextAfterTheAddressIsPartOfTheAccountAndItsQuotesStayInTheValue) {
    const std::u16string account = accounttest::kAccountWithRemark;
    ASSERT_EQ(SignIn(kAccount, kPassword), kSignInStarted);
    m_now = kNow + 5;
    ExpectHandedOver(SignIn(account, kPassword), account, kPassword);
    m_now = kNow + 9;
    ASSERT_EQ(SignIn(account, kPassword, false, true), kSignInStarted);
    Row row = Saved(account);
    EXPECT_TRUE(row.found);
    EXPECT_EQ(row.autoLogin, 1);
    EXPECT_EQ(row.time, kNow + 9);
    EXPECT_EQ(m_rows, 2);
    EXPECT_EQ(Saved(kAccount).time, kNow);  // the update touched its own row only
    EXPECT_TRUE(plat::FileExists(AccountDb(m_folder, account)));
}

TEST_F(SignInCheckTest, AnAccountOfOnlyAnAtAndADomainAsksSmtpAndPop3OfThatDomain) {
    m_folder.SetServer(u"SmtpHost", u"");
    m_folder.SetServer(u"PopHost", u"");
    m_folder.SetServer(u"PopPort", u"");
    std::vector<std::u16string> asked;
    m_link.resolve = [&asked](std::u16string_view host, plat::Ipv4Address& a) {
        asked.emplace_back(host);
        a = 0x7F000001;
        return true;
    };
    ExpectHandedOver(SignIn(u"@quillnet.test", kPassword), u"@quillnet.test", kPassword);
    EXPECT_EQ(asked, (std::vector<std::u16string>{u"smtp.quillnet.test", u"pop3.quillnet.test"}));
}

TEST_F(SignInCheckTest, ASignInSucceedsWhenItsLoginCannotBeSaved) {
    // A login.db without its table: the statements fail, unlogged.
    ASSERT_TRUE(plat::DeleteFile(m_folder.Join(u"login.db")));
    ASSERT_TRUE(plat::WriteFile(m_folder.Join(u"login.db"), ""));
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    // A login.db that cannot be opened at all.
    ASSERT_TRUE(plat::DeleteFile(m_folder.Join(u"login.db")));
    ASSERT_TRUE(plat::CreateDirectory(m_folder.Join(u"login.db")));
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    EXPECT_NE(m_folder.Folder().LogUtf8().find("sqlite.Open fail ret:"), std::string::npos);
}

TEST_F(SignInCheckTest, WithoutATemplateTheAccountFolderIsMadeEmpty) {
    ASSERT_TRUE(plat::DeleteFile(m_folder.Join(u"Address.db")));
    ExpectHandedOver(SignIn(kAccount, kPassword), kAccount, kPassword);
    EXPECT_TRUE(plat::DirectoryExists(plat::FolderOf(AccountDb(m_folder, kAccount))));
    EXPECT_FALSE(plat::FileExists(AccountDb(m_folder, kAccount)));
}

}  // namespace
