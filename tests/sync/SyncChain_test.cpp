// The sync chain end to end against mailsim: the sign-in check hands over, the
// three web calls run, their callbacks store the books, and the events lead
// the chain to its end, for both server generations and for every outcome a
// reply can have.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "SyncTestSupport.h"
#include "monitor/AddressBookSync/HeadlessSync.h"
#include "monitor/AddressBookSync/Thread.h"
#include "monitor/AddressBookSync/WebCall.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/SignInCheck.h"
#include "platform/Profile.h"
#include "support/Mailsim.h"

using synctest::N;
using synctest::Rows;
using synctest::U;
using Strings = std::vector<std::string>;

namespace {

const char kAccount[] = "wang@corp.cn";
const char kPassword[] = "pw";
constexpr uint32_t kChainLimitMs = 120000;

// Shared ids of both kinds; a contact in two groups (the server sends it once
// per group), one in none.
const char kSharedBook[] = R"({"sharetime": 1717200000,
  "groups": [{"id": 5, "parent": 0, "name": "云帆科技"}, {"id": 7, "parent": 5, "name": "研发部"},
             {"id": "l12", "parent": 7, "name": "存储组"}],
  "contacts": [{"groups": [7], "sortid": 2, "name": "王伟", "email": "wangwei@corp.cn", "mobile": "138"},
               {"groups": ["l12"], "name": "李娜", "email": "lina@corp.cn"},
               {"name": "钱七", "email": "qianqi@corp.cn"},
               {"groups": [5, 7], "name": "赵六", "email": "zhaoliu@corp.cn"}]})";
// The server's own group 1, a contact in two groups, one in none.
const char kPrivateBook[] = R"({
  "groups": [{"id": 1, "parent": 0, "name": "好友"}, {"id": 3, "parent": 1, "name": "同学"},
             {"id": 4, "parent": 0, "name": "家人"}],
  "contacts": [{"groups": [3, 4], "name": "小明", "email": "xm@qq.com", "updatetime": 1700000000},
               {"name": "无组", "email": "wz@qq.com", "updatetime": 1700000500},
               {"groups": [1], "name": "老友", "email": "ly@qq.com"}]})";

class Books {
public:
    Books() : m_folder(plat::MakeTempFolder(u"qnbooks-")) {
        plat::WriteFile(Shared16(), kSharedBook);
        plat::WriteFile(Private16(), kPrivateBook);
    }
    ~Books() { plat::DeleteTree(m_folder); }
    std::string Shared() const { return N(plat::JoinPath(m_folder, u"shared.json")); }
    std::string Private() const { return N(plat::JoinPath(m_folder, u"private.json")); }
    std::u16string Shared16() const { return plat::JoinPath(m_folder, u"shared.json"); }
    std::u16string Private16() const { return plat::JoinPath(m_folder, u"private.json"); }

private:
    std::u16string m_folder;
};

// Status lines as the progress window showed them, in order, once each.
class StatusLog : public CHeadlessSync::Observer {
public:
    Strings lines;
    void ProgressChanged(const CSyncProgress& progress, bool) override {
        std::string line = N(progress.StatusLine());
        if (!line.empty() && (lines.empty() || lines.back() != line)) lines.push_back(line);
    }
    bool Saw(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// One mailsim per server generation, for the whole suite.
class SyncChainTest : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        s_books = new Books;
        for (int type : {0, 1})
            s_sims[type] =
                new qntest::Mailsim({"--server-type", std::to_string(type), "--account",
                                     std::string(kAccount) + "=" + kPassword, "--shared",
                                     s_books->Shared(), "--private", s_books->Private()});
    }
    static void TearDownTestSuite() {
        for (auto*& sim : s_sims) {
            delete sim;
            sim = nullptr;
        }
        delete s_books;
        s_books = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(Sim().Ok());
        ASSERT_TRUE(Sim().SetFaults("{}"));
        Sim().WebRequests();
        plat::CreateDirectory(folder.Join(u"http"));
        plat::WritePrivateProfileString(u"common", u"cafile", U(Sim().CaFile()), Ini());
        windows.Attach(&sync);
        SetServerType(GetParam());
    }
    void TearDown() override {
        EXPECT_TRUE(CThread::WaitForWorkers(kChainLimitMs));
        plat::PumpWaitingMessages();
        SetServerType(0);
    }

    qntest::Mailsim& Sim() { return *s_sims[GetParam()]; }
    std::u16string Ini() const { return folder.Join(u"sysconfig.ini"); }

    // The chain as the address book's synchronise command starts it.
    CHeadlessSync::Outcome Chain() {
        windows.SetLoginWindowOpen(false);  // a fresh one for each sign-in
        windows.SetLoginWindowOpen(true);
        sync.SetSignInValues({U(kAccount), U(kPassword), u"127.0.0.1",
                              plat::Format(u"%u", unsigned(Sim().Port("http")))});
        sync.SyncPersonal();
        return windows.Run(kChainLimitMs);
    }
    // The kinds of the web requests mailsim got since the last call.
    Strings Requests() {
        Strings kinds;
        for (const auto& r : Sim().WebRequests()) kinds.push_back(r["kind"].text);
        return kinds;
    }

    static Books* s_books;
    static qntest::Mailsim* s_sims[2];

    qntest::TestFolder folder;
    std::u16string db = synctest::MakeAccountDb(folder, U(kAccount));
    StatusLog status;
    CHeadlessSync windows{&status};
    CAddressSync sync{windows};
};

Books* SyncChainTest::s_books = nullptr;
qntest::Mailsim* SyncChainTest::s_sims[2] = {nullptr, nullptr};

class ConsoleView : public CSignInView {
public:
    void CloseServerSettings() override {}
    void EnableControls(bool) override {}
    void ShowStatus(std::u16string_view first, std::u16string_view) override {
        shown = N(std::u16string(first));
    }
    std::string shown;
};

// What the login window does: the sign-in check against mailsim's SMTP and
// POP3 servers, which hands over to the chain; the chain fills Address.db.
TEST_P(SyncChainTest, ASignInFillsTheAddressBook) {
    plat::CreateDirectory(folder.Join(u"conf"));
    const std::u16string server = folder.Join(plat::JoinPath(u"conf", u"server.ini"));
    auto set = [&](const char16_t* key, unsigned value) {
        plat::WritePrivateProfileString(u"SRVSET", key, plat::Format(u"%u", value), server);
    };
    plat::WritePrivateProfileString(u"SRVSET", u"SmtpHost", u"127.0.0.1", server);
    plat::WritePrivateProfileString(u"SRVSET", u"PopHost", u"127.0.0.1", server);
    plat::WritePrivateProfileString(u"SRVSET", u"MailHost", u"127.0.0.1", server);
    set(u"SmtpPort", Sim().Port("smtp"));
    set(u"PopPort", Sim().Port("pop3s"));
    set(u"MailPort", Sim().Port("http"));
    // The sign-in copies the program folder's template for the account.
    plat::DeleteFile(db);
    for (const char16_t* name : {u"Address.db", u"login.db"})
        ASSERT_TRUE(plat::CopyFile(synctest::TemplatePath(name), folder.Join(name), false));
    SetServerType(1 - GetParam());  // discovery finds the right one

    windows.SetLoginWindowOpen(true);
    ConsoleView view;
    CSignInCheck check(view, sync);
    ASSERT_EQ(check.Run({U(kAccount), U(kPassword), true, false}), kSignInStarted) << view.shown;
    EXPECT_EQ(windows.Run(kChainLimitMs), CHeadlessSync::kSignedIn);
    EXPECT_FALSE(windows.LoginWindowOpen());
    EXPECT_EQ(Requests(), (Strings{"personal", "check", "share"}));

    EXPECT_EQ(Rows(db, "SELECT id,parent_id,name,type,depth FROM contact_group_self ORDER BY id"),
              (Strings{"1|0|私有通讯录|0|0", "3|5|同学|1|2", "4|1|家人|1|1", "5|1|好友|1|1"}));
    EXPECT_EQ(
        Rows(db, "SELECT name,cg_id,email FROM contact_self ORDER BY name,cg_id"),
        (Strings{"小明|3|xm@qq.com", "小明|4|xm@qq.com", "无组|1|wz@qq.com", "老友|5|ly@qq.com"}));
    EXPECT_EQ(Rows(db, "SELECT id,parent_id,name,type,depth FROM contact_group_share ORDER BY id"),
              (Strings{"1|0|公司共享通讯录|4|0", "6|1|云帆科技|4|1", "8|6|研发部|4|2",
                       "1000000013|8|存储组|4|3"}));
    // The older server's second id space puts its contacts in one fixed group.
    const std::string li = GetParam() == 1 ? "李娜|1000000013|0" : "李娜|1000000000|0";
    EXPECT_EQ(Rows(db, "SELECT name,cg_id,sortid FROM contact_share ORDER BY id"),
              (Strings{"王伟|8|2", li, "钱七|1|0", "赵六|6|0", "赵六|8|0"}));
    EXPECT_EQ(Rows(db, "SELECT nm,vl FROM web_sync ORDER BY nm"),
              (Strings{"personaltime|1700000500", "sharetime|1717200000"}));
    EXPECT_EQ(ServerType(), GetParam());
}

TEST_P(SyncChainTest, TheCheckNamesTheServersPathAndType) {
    ASSERT_EQ(Chain(), CHeadlessSync::kSignedIn);
    auto requests = Sim().WebRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["path"].text, "/api/mailbox/getAddresses");
    EXPECT_EQ(requests[1]["path"].text,
              GetParam() == 1 ? "/api/mailbox/getSyncFlag" : "/api/post/getSyncFlag");
    const std::string& check = requests[1]["body"].text;
    EXPECT_NE(check.find("&ts=0"), std::string::npos);
    EXPECT_EQ(check.find("&type=") != std::string::npos, GetParam() == 1);
    EXPECT_EQ(requests[2]["path"].text, "/api/mailbox/getAddresses");
    EXPECT_TRUE(status.Saw("正在同步共享通讯录..."));
    EXPECT_FALSE(plat::IsWindowVisible(windows.ProgressWindow().Handle()));

    // Next time the stamp is known: the shared book has not changed.
    ASSERT_EQ(Chain(), CHeadlessSync::kSignedIn);
    requests = Sim().WebRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1]["body"].text.find("&ts=1717200000"), std::string::npos);
    EXPECT_TRUE(status.Saw("共享通讯录无需更新"));
}

TEST_P(SyncChainTest, OutcomesOfEachStep) {
    struct Case {
        const char* faults;
        CHeadlessSync::Outcome outcome;
        Strings requests;
        const char* tip;     // "" for none
        const char* status;  // a status line the window showed, or ""
        const char* sharetime;
    } cases[] = {
        // The private book unreadable: the chain goes on.
        {R"({"body": "not json", "on": ["personal"]})",
         CHeadlessSync::kSignedIn,
         {"personal", "check", "share"},
         "",
         "",
         "1717200000"},
        {R"({"ret": 9, "msg": "账号已停用", "on": ["personal"]})",
         CHeadlessSync::kFailed,
         {"personal"},
         "账号已停用",
         "",
         "0"},
        {R"({"drop": true, "on": ["personal"]})",
         CHeadlessSync::kFailed,
         {"personal", "personal"},
         "打开URL失败！",
         "",
         "0"},
        // A check that fails still downloads the shared book, with no stamp.
        {R"({"drop": true, "on": ["check"]})",
         CHeadlessSync::kSignedIn,
         {"personal", "check", "check", "share"},
         "",
         "检测共享通讯录失败",
         "0"},
        {R"({"ret": 5, "msg": "x", "on": ["check"]})",
         CHeadlessSync::kSignedIn,
         {"personal", "check", "share"},
         "",
         "",
         "0"},
        {R"({"body": "<html></html>", "on": ["check"]})",
         CHeadlessSync::kFailed,
         {"personal", "check"},
         "json 解析错误",
         "",
         "0"},
        {R"({"ret": 3, "msg": "无此帐号", "on": ["share"]})",
         CHeadlessSync::kFailed,
         {"personal", "check", "share"},
         "无此帐号",
         "",
         "0"},
        {R"({"status": 500, "on": ["share"]})",
         CHeadlessSync::kFailed,
         {"personal", "check", "share", "share"},
         "打开URL失败！",
         "",
         "0"},
        {R"({"body": "garbage", "on": ["share"]})",
         CHeadlessSync::kFailed,
         {"personal", "check", "share"},
         "json 解析错误",
         "",
         "0"},
        {R"({"unbalanced": true, "on": ["share"]})",
         CHeadlessSync::kFailed,
         {"personal", "check", "share"},
         "未定义的错误！",
         "",
         "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        synctest::ExecSql(db, "UPDATE web_sync SET vl=0");
        windows.ProgressWindow().SetShareStamp(0);
        ASSERT_TRUE(Sim().SetFaults(c.faults));
        const size_t tips = windows.BubbleTips().size();
        EXPECT_EQ(Chain(), c.outcome);
        EXPECT_EQ(Requests(), c.requests);
        if (*c.tip) {
            ASSERT_EQ(windows.BubbleTips().size(), tips + 1);
            EXPECT_EQ(N(windows.BubbleTips().back()), c.tip);
            EXPECT_EQ(windows.LoginEnableCount(), 1) << "the login window can be used again";
        } else {
            EXPECT_EQ(windows.BubbleTips().size(), tips);
            EXPECT_FALSE(windows.LoginWindowOpen());
        }
        if (*c.status) {
            EXPECT_TRUE(status.Saw(c.status));
        }
        EXPECT_EQ(Rows(db, "SELECT vl FROM web_sync WHERE nm='sharetime'"), Strings{c.sharetime});
    }
}

TEST_P(SyncChainTest, ACancelStopsTheChainSilently) {
    windows.SetLoginWindowOpen(true);
    sync.SetSignInValues({U(kAccount), U(kPassword), u"127.0.0.1",
                          plat::Format(u"%u", unsigned(Sim().Port("http")))});
    sync.SyncPersonal();
    windows.ProgressWindow().Cancel(windows.LoginWindow());
    EXPECT_EQ(windows.Run(kChainLimitMs), CHeadlessSync::kStopped);
    EXPECT_EQ(windows.Events(), std::vector<plat::LPARAM>{});
    EXPECT_EQ(windows.LoginEnableCount(), 1);
    EXPECT_TRUE(windows.LoginWindowOpen());
    // The download was not stored and its reply stays.
    EXPECT_EQ(Rows(db, "SELECT count(*) FROM contact_self"), Strings{"0"});
    EXPECT_EQ(plat::ListDirectory(folder.Join(u"http")).size(), 1u);
}

TEST_P(SyncChainTest, DelfileZeroKeepsEveryReply) {
    plat::WritePrivateProfileString(u"common", u"delfile", u"0", Ini());
    ASSERT_EQ(Chain(), CHeadlessSync::kSignedIn);
    auto files = plat::ListDirectory(folder.Join(u"http"));
    EXPECT_EQ(files.size(), 3u);
    for (const auto& f : files) EXPECT_EQ(f.substr(0, 6), u"httpg_");
}

INSTANTIATE_TEST_SUITE_P(ServerTypes, SyncChainTest, ::testing::Values(0, 1),
                         [](const auto& info) { return "type" + std::to_string(info.param); });

}  // namespace
