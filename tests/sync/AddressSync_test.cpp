// The requests of the chain and the monitor window's handling of its events,
// with the web calls caught before they start.
#include "monitor/AddressBookSync/AddressSync.h"

#include <gtest/gtest.h>

#include "SyncTestSupport.h"
#include "monitor/AddressBookSync/HeadlessSync.h"
#include "monitor/AddressBookSync/SyncRequest.h"
#include "monitor/Common/MailboxMatch.h"
#include "platform/Profile.h"

using synctest::Rows;
using Strings = std::vector<std::string>;

namespace {

const char16_t kAccount[] = u"wang@corp.cn";
const char16_t kPcode[] = u"ccd7e96d29312528fdd074a99a71d373";  // of kAccount and "pw"
const char16_t kOtime[] = u"2024-05-01 08:00:00";

TEST(SyncRequest, BookDownloadsAreSignedAndInAlphabeticalOrder) {
    const std::u16string pcode = std::u16string(u"&pcode=") + kPcode;
    SyncRequestText personal = BookRequest(kAccount, u"pw", kOtime, false);
    EXPECT_EQ(personal.checksumText,
              u"&domainname=corp.cn&id=kx&mailbox=wang@corp.cn&multi=1&otime=2024-05-01 "
              u"08:00:00" +
                  pcode + u"&share=0&start_time=1970-01-01 00:00:00");
    EXPECT_EQ(personal.body,
              u"&domainname=corp.cn&id=kx&mailbox=wang@corp.cn&multi=1&ochecksum="
              u"f105014774a5ca9ba2ac78a557970312&otime=2024-05-01 08:00:00" +
                  pcode + u"&share=0&start_time=1970-01-01 00:00:00");
    SyncRequestText shared = BookRequest(kAccount, u"pw", kOtime, true);
    EXPECT_NE(shared.body.find(u"&ochecksum=9a7a3b955f18c1f43cc09fb17f45dfee&"),
              std::u16string::npos);
    EXPECT_NE(shared.body.find(u"&share=1&"), std::u16string::npos);

    // Without "@" the domain is empty.
    EXPECT_EQ(BookRequest(u"wang", u"pw", kOtime, false).body,
              u"&domainname=&id=kx&mailbox=wang&multi=1&ochecksum=75e9827a90b50f2ecc882e2b940730e1"
              u"&otime=2024-05-01 08:00:00&pcode=31a7aaa13d252f14d6c71f6ce9eb72ce&share=0&start_"
              u"time=1970-01-01 00:00:00");
}

TEST(SyncRequest, TheCheckPutsItsChecksumLastAndTheTypeOnlyForTheNewerServer) {
    const std::u16string pcode = std::u16string(u"&pcode=") + kPcode;
    EXPECT_EQ(CheckRequest(kAccount, u"pw", kOtime, u"1717200000", 1, 1).body,
              u"&domainname=corp.cn&id=kx&mailbox=wang@corp.cn&otime=2024-05-01 08:00:00" + pcode +
                  u"&ts=1717200000&type=1&ochecksum=8ff9c719519f9f3a6f4beddf756ff1ba");
    EXPECT_EQ(CheckRequest(kAccount, u"pw", kOtime, u"0", 0, 1).body,
              u"&domainname=corp.cn&id=kx&mailbox=wang@corp.cn&otime=2024-05-01 08:00:00" + pcode +
                  u"&ts=0&ochecksum=7b90a6347c7fbf515244ecca3819d075");
}

// The chain with its calls kept instead of started.
class CaughtSync : public CAddressSync {
public:
    using CAddressSync::CAddressSync;
    std::vector<SyncCall> calls;

protected:
    void StartCall(SyncCall call) override { calls.push_back(std::move(call)); }
};

class AddressSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        windows.Attach(&sync);
        windows.KeepBubbleTips(true);
        SetServerType(1);
    }
    void TearDown() override {
        plat::PumpWaitingMessages();
        SetServerType(0);
    }
    std::u16string Ini() const { return folder.Join(u"sysconfig.ini"); }

    qntest::TestFolder folder;
    std::u16string db = synctest::MakeAccountDb(folder, kAccount);
    CHeadlessSync windows;
    CaughtSync sync{windows};
};

TEST_F(AddressSyncTest, AnEmptyWebHostBecomesTheMailHostOfTheDomainForTheWholeChain) {
    sync.SetSignInValues({kAccount, u"pw", u"", u""});
    sync.SyncPersonal();
    sync.OnSyncEvent(0, EVENT_SELF);
    sync.OnSyncEvent(0, EVENT_CHECKB);
    ASSERT_EQ(sync.calls.size(), 3u);
    const char16_t* paths[] = {u"api/mailbox/getAddresses", u"api/mailbox/getSyncFlag",
                               u"api/mailbox/getAddresses"};
    const int notices[] = {3, 0, 2};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sync.calls[i].host, u"mail.corp.cn");
        EXPECT_EQ(sync.calls[i].port, 80);
        EXPECT_EQ(sync.calls[i].path, paths[i]);
        EXPECT_EQ(sync.calls[i].finishNotice, notices[i]);
    }
    EXPECT_EQ(sync.Values().mailHost, u"mail.corp.cn");

    CaughtSync noDomain(windows);
    noDomain.SetSignInValues({u"wang", u"pw", u"", u""});
    noDomain.SyncPersonal();
    EXPECT_EQ(noDomain.calls.at(0).host, u"mail.");
}

TEST_F(AddressSyncTest, SettingsGiveHostAndPort) {
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u" 8080x"});
    sync.SyncPersonal();
    EXPECT_EQ(sync.calls.at(0).host, u"127.0.0.1");
    EXPECT_EQ(sync.calls.at(0).port, 8080);
}

TEST_F(AddressSyncTest, TheCheckSendsTheStoredStampUnlessTheBookIsOpen) {
    synctest::ExecSql(db, "UPDATE web_sync SET vl=1717200000 WHERE nm='sharetime'");
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u"80"});
    sync.SyncCheck(1);
    windows.SetAddressBookVisible(true);
    sync.SyncCheck(1);
    SetServerType(0);
    windows.SetAddressBookVisible(false);
    sync.SyncCheck(1);
    ASSERT_EQ(sync.calls.size(), 3u);
    EXPECT_NE(sync.calls[0].body.find(u"&ts=1717200000&type=1&ochecksum="), std::u16string::npos);
    EXPECT_NE(sync.calls[1].body.find(u"&ts=0&type=1&ochecksum="), std::u16string::npos);
    EXPECT_EQ(sync.calls[2].path, u"api/post/getSyncFlag");
    EXPECT_NE(sync.calls[2].body.find(u"&ts=1717200000&ochecksum="), std::u16string::npos);
    // The salt and the checksum text are logged as one entry.
    EXPECT_NE(folder.LogUtf8().find("nullDialog.cpp"), std::string::npos);
    EXPECT_NE(folder.LogUtf8().find("qwtyzxcv7%!lp3#mk+pe&domainname=corp.cn&id=kx&mailbox="),
              std::string::npos);
}

TEST_F(AddressSyncTest, TheProgressWindowShowsEachStep) {
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u""});
    CSyncProgress& progress = windows.ProgressWindow();
    progress.OnProgress(kProgressPercent, 60);
    sync.SyncPersonal();
    EXPECT_EQ(progress.Title(), u"同步web联系人");
    EXPECT_EQ(progress.Text(), u"正在同步个人通讯录...");
    EXPECT_EQ(progress.Percent(), 0);
    EXPECT_TRUE(plat::IsWindowVisible(progress.Handle()));
    EXPECT_EQ(plat::GetWindowText(progress.Handle()), u"同步web联系人");

    sync.SyncCheck(1);
    EXPECT_EQ(progress.StatusLine(), u"正在检测共享通讯录是否更新...");
    plat::PumpWaitingMessages();  // command 3 is posted
    EXPECT_EQ(progress.Text(), u"正在检测共享通讯录是否更新...");
}

TEST_F(AddressSyncTest, TheEndOfTheChainStoresTheStampAndSignsIn) {
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u""});
    windows.SetLoginWindowOpen(true);
    sync.OnSyncEvent(1717200123, EVENT_CHECKB);
    EXPECT_EQ(windows.ProgressWindow().ShareStamp(), 1717200123u);
    plat::ShowWindow(windows.ProgressWindow().Handle(), plat::SW_SHOW);
    sync.OnSyncEvent(0, EVENT_SHARE);
    EXPECT_EQ(Rows(db, "SELECT vl FROM web_sync WHERE nm='sharetime'"), Strings{"1717200123"});
    EXPECT_TRUE(windows.SignedIn());
    EXPECT_FALSE(windows.LoginWindowOpen());
    EXPECT_FALSE(plat::IsWindowVisible(windows.ProgressWindow().Handle()));

    // A failed update is only logged.
    synctest::ExecSql(db, "DROP TABLE web_sync");
    sync.OnSyncEvent(0, EVENT_SHARE);
    EXPECT_NE(folder.LogUtf8().find(
                  "update web_sync sharetime fail:1,UPDATE web_sync SET vl = 1717200123 WHERE "
                  "nm='sharetime'; "),
              std::string::npos);
}

TEST_F(AddressSyncTest, FailuresGoToAtMostTenBubbleTips) {
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u""});
    windows.SetLoginWindowOpen(true);
    for (int i = 0; i < 11; ++i)
        PostSyncError(windows.MonitorWindow(), u"失败" + std::u16string(1, u'a' + i));
    plat::PumpWaitingMessages();
    ASSERT_EQ(windows.BubbleTips().size(), 10u);
    EXPECT_EQ(windows.BubbleTips().back(), u"失败j");
    EXPECT_EQ(sync.OpenBubbleTips(), 10);
    EXPECT_EQ(windows.LoginEnableCount(), 11);
    EXPECT_FALSE(windows.SignedIn());

    sync.BubbleTipClosed(3);
    sync.OnSyncEvent(0, EVENT_ERROR);  // no text: nothing to show
    EXPECT_EQ(windows.BubbleTips().size(), 10u);
    PostSyncError(windows.MonitorWindow(), u"again");
    plat::PumpWaitingMessages();
    EXPECT_EQ(windows.BubbleTips().back(), u"again");
}

TEST_F(AddressSyncTest, WithErrornocareAFailureStillSignsIn) {
    plat::WritePrivateProfileString(u"common", u"errornocare", u"1", Ini());
    sync.SetSignInValues({kAccount, u"pw", u"127.0.0.1", u""});
    windows.SetLoginWindowOpen(true);
    PostSyncError(windows.MonitorWindow(), u"boom");
    plat::PumpWaitingMessages();
    EXPECT_TRUE(windows.SignedIn());
    EXPECT_TRUE(windows.BubbleTips().empty());
    EXPECT_EQ(Rows(db, "SELECT vl FROM web_sync WHERE nm='sharetime'"), Strings{"0"});
}

TEST_F(AddressSyncTest, CancelStopsTheCallAndFreesTheLoginWindow) {
    windows.SetLoginWindowOpen(true);
    CSyncProgress& progress = windows.ProgressWindow();
    auto flag = std::make_shared<CCancelFlag>();
    progress.SetCancelFlag(flag);
    plat::ShowWindow(progress.Handle(), plat::SW_SHOW);
    progress.Cancel(windows.LoginWindow());
    EXPECT_TRUE(flag->IsSet());
    EXPECT_FALSE(plat::IsWindowVisible(progress.Handle()));
    plat::PumpWaitingMessages();
    EXPECT_EQ(windows.LoginEnableCount(), 1);
    // The flag outlives the call that made it.
    progress.SetCancelFlag(nullptr);
    progress.Cancel(nullptr);
}

TEST_F(AddressSyncTest, ProgressCommands) {
    CSyncProgress& progress = windows.ProgressWindow();
    progress.OnProgress(kProgressPercent, 250);
    EXPECT_EQ(progress.Percent(), 100);
    progress.OnProgress(kProgressPercent, -3);
    EXPECT_EQ(progress.Percent(), 0);
    progress.OnProgress(kProgressText,
                        reinterpret_cast<plat::LPARAM>(new std::u16string(u"\r\nx")));
    EXPECT_EQ(progress.Text(), u"\r\nx");
    EXPECT_EQ(progress.StatusLine(), u"x");
    progress.OnProgress(kProgressShow, 0);
    EXPECT_EQ(progress.Text(), u"x");
    progress.OnProgress(kProgressText, 0);
    EXPECT_EQ(progress.Text(), u"");
    plat::ShowWindow(progress.Handle(), plat::SW_SHOW);
    progress.OnProgress(kProgressHide, 0);
    EXPECT_FALSE(plat::IsWindowVisible(progress.Handle()));
}

}  // namespace
