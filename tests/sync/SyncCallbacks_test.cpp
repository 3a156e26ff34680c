// The three callbacks on calls made by hand: what they post, log, store and
// delete for each outcome of a transfer.
#include <gtest/gtest.h>

#include "SyncTestSupport.h"
#include "monitor/AddressBookSync/AddressSync.h"
#include "monitor/AddressBookSync/SyncResult.h"
#include "monitor/AddressBookSync/WebCall.h"
#include "monitor/Common/MailboxMatch.h"
#include "platform/Profile.h"

using synctest::N;
using synctest::Rows;
using synctest::U;
using Strings = std::vector<std::string>;

namespace {

// Takes the chain's messages and frees their texts, as the real receivers do.
// WM_AB_SYNCEVENT and WM_AB_PROGRESS share a number: each window knows which
// it takes.
class Receiver : public plat::Window {
public:
    explicit Receiver(bool progress) : m_progress(progress) {
        CreateEx(0, u"QnTestReceiver", u"", plat::WS_POPUP, 0, 0, 0, 0, nullptr);
    }
    // "event value" or "event text" per sync event, "status text" per status line.
    Strings got;

protected:
    plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wParam,
                             plat::LPARAM lParam) override {
        if (m_progress && message == WM_AB_PROGRESS && wParam == kProgressText) {
            std::unique_ptr<std::u16string> text(reinterpret_cast<std::u16string*>(lParam));
            got.push_back("status " + N(*text));
        } else if (m_progress) {
            return Window::WindowProc(message, wParam, lParam);
        } else if (message == WM_AB_SYNCEVENT && lParam == EVENT_ERROR) {
            std::unique_ptr<std::u16string> text(reinterpret_cast<std::u16string*>(wParam));
            got.push_back("4 " + (text ? N(*text) : std::string("null")));
        } else if (message == WM_AB_SYNCEVENT) {
            got.push_back(std::to_string(lParam) + " " + std::to_string(wParam));
        } else {
            return Window::WindowProc(message, wParam, lParam);
        }
        return 0;
    }

private:
    bool m_progress;
};

class SyncCallbacksTest : public ::testing::Test {
protected:
    void TearDown() override { SetServerType(0); }

    // A call as the chain makes it, ended as given: a reply file with `reply`
    // (none for nullptr) and the error id.
    std::unique_ptr<CWebCall> Call(const char* reply, int errorId = 0) {
        auto call = std::make_unique<CWebCall>();
        call->m_notifyWnd = progress.Handle();
        call->m_webData = std::make_unique<CWebData>();
        if (reply) {
            plat::WriteFile(replyPath, reply);
            call->m_webData->m_content = replyPath;
        }
        auto context = std::make_shared<CSyncContext>();
        context->notifyWnd = monitor.Handle();
        context->dbPath = db;
        context->account = u"wang@corp.cn";
        call->m_context = context;
        call->m_errorId = errorId;
        if (errorId) call->m_errorMessage = WebCallErrorText(errorId);
        call->m_result = errorId == 0;
        return call;
    }
    Strings Got() {
        plat::PumpWaitingMessages();
        Strings all = monitor.got;
        all.insert(all.end(), progress.got.begin(), progress.got.end());
        monitor.got.clear();
        progress.got.clear();
        return all;
    }
    bool ReplyKept() const { return plat::FileExists(replyPath); }
    bool Logged(const std::string& text) const {
        return folder.LogUtf8().find(text) != std::string::npos;
    }

    qntest::TestFolder folder;
    std::u16string db = synctest::MakeAccountDb(folder, u"wang@corp.cn");
    std::u16string replyPath = folder.Join(u"httpg_1");
    Receiver monitor{false}, progress{true};
};

TEST_F(SyncCallbacksTest, CheckOutcomes) {
    struct Case {
        const char* reply;
        int errorId;
        Strings expected;
        const char* log;
    } cases[] = {
        {R"({"ret":0,"msg":"","data":{"ret_code":1,"ret_ts":"1717200000"}})",
         0,
         {"1 1717200000"},
         "CallBackSyncCheck EVENT_CHECKB\r\n"},
        {R"({"ret":0,"data":{"ret_code":0,"ret_ts":5}})",
         0,
         {"2 0", "status 共享通讯录无需更新"},
         "sharetime is old - time:5\r\n"},
        {R"({"ret":3,"msg":"no such account","data":{}})",
         0,
         {"1 0"},
         "errorno:3  errormsg:no such account\r\n"},
        {"", 4, {"1 0", "status 检测共享通讯录失败"}, "CallBackSyncCheck 检测共享通讯录失败\r\n"},
        {"<html>", 0, {"4 json 解析错误"}, "CallBackSyncCheck exception\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        auto call = Call(c.reply, c.errorId);
        CallBackSyncCheck(call.get());
        EXPECT_EQ(Got(), c.expected);
        EXPECT_TRUE(Logged(std::string(c.log).substr(0, std::string(c.log).size() - 2)));
        EXPECT_FALSE(ReplyKept());
        EXPECT_FALSE(call->m_webData) << "the callback frees the web data";
        EXPECT_FALSE(call->m_context);
    }
}

TEST_F(SyncCallbacksTest, ACheckCancelledOnTheWayPostsNothing) {
    auto call = Call(R"({"ret":0,"data":{"ret_code":1,"ret_ts":"7"}})");
    call->CancelFlag()->Set();
    CallBackSyncCheck(call.get());
    EXPECT_EQ(Got(), Strings{});
    EXPECT_TRUE(Logged("CallBackSyncCheck sync cancel"));

    call = Call(R"({"ret":0,"data":{"ret_code":1,"ret_ts":"7"}})");
    call->m_cancelled = true;
    CallBackSyncCheck(call.get());
    EXPECT_EQ(Got(), Strings{});
    EXPECT_FALSE(ReplyKept()) << "the check's reply goes under delfile even when cancelled";
}

TEST_F(SyncCallbacksTest, NoReplyFileStopsTheChainSilently) {
    for (auto callback : {CallBackSyncCheck, CallBackSyncShare, CallBackSyncPersonal}) {
        auto call = Call(nullptr);
        callback(call.get());
        call = Call(nullptr);
        call->m_webData->m_content = folder.Join(u"missing");
        callback(call.get());
        EXPECT_EQ(Got(), Strings{});
    }
    EXPECT_TRUE(Logged("file open: " + N(folder.Join(u"missing"))));
    EXPECT_TRUE(Logged(" void CallBackSyncShare webData->m_content.IsEmpty()"));
    CallBackSyncCheck(nullptr);
    CallBackSyncShare(nullptr);
    EXPECT_TRUE(Logged("void CallBackSyncShare(CWebCall *t_webCall) t_webCall == NULL \r\n"));
    EXPECT_TRUE(Logged("t_webCall == NULL\r\n"));
}

TEST_F(SyncCallbacksTest, SharedDownloadOutcomes) {
    SetServerType(1);
    auto call = Call(R"(xx){"ret":0,"msg":"","data":{"addresses":[{"name":"王伟","dep":"3"}]}}yy)");
    CallBackSyncShare(call.get());
    EXPECT_EQ(Got(), Strings{"2 0"});
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_share"), Strings{"王伟|4"});
    EXPECT_FALSE(ReplyKept());
    EXPECT_TRUE(Logged("CallBackSyncShare EVENT_SHARE"));

    // Failures keep the reply for a look.
    struct Case {
        const char* reply;
        int errorId;
        const char* expected;
        const char* log;
    } failures[] = {
        {R"({"ret":7,"msg":"签名错误","data":{}})", 0, "4 签名错误",
         "nIsAuto:0  errorno:7   errormsg:签名错误"},
        {"", 4, "4 打开URL失败！", "nIsAuto:0  m_errorId:4   打开URL失败！"},
        {"no json here", 0, "4 json 解析错误", "CallBackSyncShare exception"},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.reply);
        call = Call(c.reply, c.errorId);
        CallBackSyncShare(call.get());
        EXPECT_EQ(Got(), Strings{c.expected});
        EXPECT_TRUE(Logged(c.log));
        EXPECT_TRUE(ReplyKept());
        plat::DeleteFile(replyPath);
    }
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{"王伟"});
}

TEST_F(SyncCallbacksTest, CancelBeforeAndDuringADownload) {
    const char reply[] = R"({"ret":0,"data":{"addresses":[{"name":"new"}]}})";
    auto call = Call(reply);
    call->m_cancelled = true;
    CallBackSyncShare(call.get());
    EXPECT_EQ(Got(), Strings{});
    EXPECT_TRUE(ReplyKept());
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{});

    call = Call(reply);
    call->CancelFlag()->Set();
    CallBackSyncShare(call.get());
    EXPECT_EQ(Got(), Strings{});
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{"new"});
    EXPECT_TRUE(Logged("CallBackSyncShare sync cancel"));

    call = Call(reply);
    std::static_pointer_cast<CSyncContext>(call->m_context)->dbPath.clear();
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{});
}

TEST_F(SyncCallbacksTest, PrivateDownloadGoesOnToTheCheckUnlessTheServerRefused) {
    auto call = Call(R"({"ret":0,"data":{"addresses":[{"name":"a","groupIds":[5]}]}})");
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{"3 0"});
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_self"), Strings{"a|5"});

    // Noise that the shared book's reading would cut makes this one unreadable.
    call = Call(R"(abc{"ret":0,"data":{"addresses":[]}}abc)");
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{"3 0"});
    EXPECT_TRUE(Logged("CallBackSyncPersonal exception"));
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_self"), Strings{"a"});

    call = Call(R"({"ret":2,"msg":"bad checksum"})");
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{"4 bad checksum"});
    EXPECT_TRUE(Logged(" nIAuto:0  errorno:2  errormsg:bad checksum"));

    call = Call("", 6);
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{"4 写入文件失败！"});
    EXPECT_TRUE(Logged(" nIAuto:0  m_errorId:6   写入文件失败！"));

    // An unbalanced reply fails with the message of no error: the user is
    // told of the failure instead.
    call = Call("", 1);
    call->m_errorMessage = WebCallErrorText(0);
    CallBackSyncPersonal(call.get());
    EXPECT_EQ(Got(), Strings{"4 未定义的错误！"});
    EXPECT_TRUE(Logged(" nIAuto:0  m_errorId:1   没有错误！"));
}

TEST_F(SyncCallbacksTest, DelfileZeroKeepsTheReplies) {
    plat::WritePrivateProfileString(u"common", u"delfile", u"0", folder.Join(u"sysconfig.ini"));
    auto call = Call(R"({"ret":0,"data":{"ret_code":0,"ret_ts":1}})");
    CallBackSyncCheck(call.get());
    EXPECT_TRUE(ReplyKept());
    call = Call(R"({"ret":0,"data":{}})");
    CallBackSyncShare(call.get());
    EXPECT_TRUE(ReplyKept());
    Got();
}

TEST(SyncReply, ReadsUpToANulAcrossChunksAndCutsToTheBraces) {
    qntest::TestFolder folder;
    const std::u16string path = folder.Join(u"reply");
    // Multi-byte characters across the reader's 1 MiB chunks.
    std::string big = R"({"ret":0,"msg":")";
    while (big.size() < (3u << 20)) big += "王伟a";
    big += R"(","data":{}})";
    plat::WriteFile(path, big);
    SyncReply reply;
    ASSERT_TRUE(ReadSyncReply(path, false, reply));
    EXPECT_TRUE(reply.msg == U(big.substr(16, big.size() - 16 - 12)));

    plat::WriteFile(path, std::string(R"({"ret":5,"msg":"x"})") + '\0' + "garbage");
    reply = SyncReply();
    ASSERT_TRUE(ReadSyncReply(path, false, reply));
    EXPECT_EQ(reply.ret, 5);

    plat::WriteFile(path, R"(>>{"ret":6}<<)");
    reply = SyncReply();
    ASSERT_TRUE(ReadSyncReply(path, true, reply));
    EXPECT_EQ(reply.ret, 6);
    EXPECT_THROW(ReadSyncReply(path, false, reply), std::invalid_argument);
    plat::WriteFile(path, R"({"ret":6)");
    EXPECT_THROW(ReadSyncReply(path, true, reply), std::invalid_argument);
    plat::WriteFile(path, "");
    EXPECT_THROW(ReadSyncReply(path, true, reply), std::invalid_argument);
    EXPECT_FALSE(ReadSyncReply(folder.Join(u"none"), true, reply));
}

}  // namespace
