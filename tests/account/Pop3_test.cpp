// The POP3 login against mailsim, plain and TLS, and against servers that refuse,
// stay silent or cannot be found.
#include "monitor/Common/POP3.h"

#include <gtest/gtest.h>

#include "account/AccountSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "platform/desktop/Clock.h"

namespace {

using accounttest::Sim;

const char16_t kConnectFailed[] = u"连接服务器失败，请检查网络连接是否正常！";
const char16_t kConnectFailedCheck[] =
    u"连接服务器失败，请检查网络连接是否正常，或服务器名和端口设置是否正确！";

class Pop3Test : public accounttest::SimTest {
protected:
    void TearDown() override {
        plat::SetRealClock();
        plat::ResetDesktop();
        accounttest::ExpectNoPasswordInLog(m_folder.Folder(), accounttest::kAccount, m_password);
    }

    // One login: plain on mailsim's pop3 listener, else TLS on pop3s.
    int Login(CPOP3& client, bool tls) {
        client.SetLink(m_link);
        client.SetTls(tls);
        return tls ? client.LoginTls(Sim().Port("pop3s")) : client.LoginPlain();
    }
    int Login(bool tls, const char16_t* user, const char16_t* password,
              std::u16string* error = nullptr) {
        m_password = password;
        CPOP3 client(u"localhost", Sim().Port(tls ? "pop3s" : "pop3"), u"", u"");
        client.SetUser(user, password);
        int ok = Login(client, tls);
        if (error) *error = client.ErrorText();
        return ok;
    }
    // The POP3 commands mailsim saw since the last call.
    std::vector<std::string> Commands() {
        qntest::JsonNode answer;
        std::vector<std::string> out;
        if (!Sim().Command("\"cmd\": \"requests\", \"clear\": true", &answer)) return out;
        for (const auto& r : answer["requests"].items)
            if (r.Has("command")) out.push_back(r["command"].text);
        return out;
    }
    ServerLink m_link = accounttest::TestLink();
    std::u16string m_password = accounttest::kPassword;
};

TEST_F(Pop3Test, LogsInWithTheRightPasswordAndNamesTheStepThatRefusedTheWrongOne) {
    struct Case {
        bool tls;
        const char16_t* password;
        int result;
        const char* mark;
    } cases[] = {
        {false, accounttest::kPassword, 1, nullptr},
        {true, accounttest::kPassword, 1, nullptr},
        {false, u"wrong-one", 0, "(**Connect 6**)"},
        {true, u"wrong-one", 0, "(**SSL_conncect 7**)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tls ? "tls" : "plain");
        std::u16string error;
        EXPECT_EQ(Login(c.tls, accounttest::kAccount, c.password, &error), c.result);
        if (c.result == 1) {
            EXPECT_TRUE(error.empty());
        } else {
            EXPECT_EQ(error, kPop3LoginRefused);
            EXPECT_NE(Log().find(c.mark), std::string::npos) << Log();
            EXPECT_NE(Log().find("user: wang@quillnet.test, password: ******,server return info: "
                                 "-ERR"),
                      std::string::npos);
        }
        accounttest::ExpectNoPasswordInLog(m_folder.Folder(), accounttest::kAccount, c.password);
    }
}

TEST_F(Pop3Test, QuitLogsOutAndTheDestructorDoesItForAClientStillLoggedIn) {
    {
        CPOP3 client(u"localhost", Sim().Port("pop3"), accounttest::kAccount,
                     accounttest::kPassword);
        ASSERT_EQ(Login(client, false), 1);
        EXPECT_TRUE(client.IsLoggedIn());
        EXPECT_EQ(client.Quit(), 1);
        EXPECT_FALSE(client.IsLoggedIn());
        EXPECT_EQ(client.Quit(), 1);  // not logged in any more: nothing sent
    }
    std::vector<std::string> seen = Commands();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "QUIT"), 1);
    {
        CPOP3 client(u"localhost", Sim().Port("pop3s"), accounttest::kAccount,
                     accounttest::kPassword);
        ASSERT_EQ(Login(client, true), 1);
    }
    seen = Commands();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "QUIT"), 1);
}

TEST_F(Pop3Test, AcceptsLowerCaseOkRepliesInSingleBytesAndAnOverlongGreeting) {
    const std::string longGreeting = "+OK " + std::string(12000, 'x');
    const std::string setups[] = {"\"pop3_lower\": true", "\"pop3_lower\": true, \"pop3_chunk\": 1",
                                  "\"pop3_greeting\": \"" + longGreeting + "\""};
    for (const auto& setup : setups) {
        SCOPED_TRACE(setup.substr(0, 40));
        ASSERT_TRUE(accounttest::ResetSim(setup));
        EXPECT_EQ(Login(false, accounttest::kAccount, accounttest::kPassword), 1);
        EXPECT_EQ(Login(true, accounttest::kAccount, accounttest::kPassword), 1);
    }
}

TEST_F(Pop3Test, SendsAChinesePasswordInTheAnsiCodePage) {
    EXPECT_EQ(Login(true, u"li@quillnet.test", accounttest::kChinesePassword), 1);
    EXPECT_EQ(Login(false, u"li@quillnet.test", u"密码abd"), 0);
    accounttest::ExpectNoPasswordInLog(m_folder.Folder(), u"li@quillnet.test",
                                       accounttest::kChinesePassword);
}

TEST_F(Pop3Test, AnUnknownHostFailsAtOnce) {
    m_link.resolve = [](std::u16string_view, plat::Ipv4Address&) { return false; };
    std::u16string error;
    EXPECT_EQ(Login(false, accounttest::kAccount, accounttest::kPassword, &error), 0);
    EXPECT_EQ(error, kConnectFailed);
    EXPECT_EQ(Login(true, accounttest::kAccount, accounttest::kPassword, &error), 0);
    EXPECT_EQ(error, kConnectFailedCheck);
    EXPECT_NE(Log().find("(**SSL_conncect 1**)"), std::string::npos);
}

TEST_F(Pop3Test, ARefusedTlsConnectionFailsAtOnce) {
    CPOP3 client(u"127.0.0.1", 0, accounttest::kAccount, accounttest::kPassword);
    client.SetLink(m_link);
    EXPECT_EQ(client.LoginTls(accounttest::ClosedPort()), 0);
    EXPECT_EQ(client.ErrorText(), kConnectFailedCheck);
    EXPECT_NE(Log().find("(**SSL_conncect 2**)"), std::string::npos);
}

// The waits between attempts go by the desktop's clock, which the test drives:
// with nothing else to do, the thread's idle time skips to its next timer.
TEST_F(Pop3Test, ARefusedPlainConnectionIsTriedFiveTimesMoreTenSecondsApart) {
    plat::SetManualClock(0);
    CPOP3 client(u"127.0.0.1", accounttest::ClosedPort(), accounttest::kAccount,
                 accounttest::kPassword);
    client.SetLink(m_link);
    EXPECT_EQ(client.LoginPlain(), 0);
    EXPECT_EQ(client.ErrorText(), kConnectFailedCheck);
    EXPECT_EQ(plat::ClockNow(), 50000u);
    const std::string log = Log();
    EXPECT_NE(log.find("(**Connect 1**)"), std::string::npos);
    EXPECT_NE(log.find(", ip: 127.0.0.1, port: "), std::string::npos);
}

TEST_F(Pop3Test, TheThreadsWindowsAreServedWhileTheLoginWaits) {
    plat::SetManualClock(0);
    qntest::ScriptedWindow window;
    window.MakeTop(u"LoginProbe");
    plat::SetTimer(window.Handle(), 7, 1000);
    plat::PostMessage(window.Handle(), plat::WM_USER + 1, 0, 0);
    CPOP3 client(u"127.0.0.1", accounttest::ClosedPort(), accounttest::kAccount,
                 accounttest::kPassword);
    client.SetLink(m_link);
    EXPECT_EQ(client.LoginPlain(), 0);
    EXPECT_GE(plat::ClockNow(), 50000u);
    EXPECT_EQ(window.CountMessages(plat::WM_USER + 1), 1u);
    EXPECT_GE(window.CountMessages(plat::WM_TIMER), 45u);
}

TEST_F(Pop3Test, TheReconnectWaitEndsWhenTheCallerStopsOrTheProgramQuits) {
    plat::SetManualClock(0);
    {
        int keepGoing = 0;
        CPOP3 client(u"127.0.0.1", accounttest::ClosedPort(), accounttest::kAccount,
                     accounttest::kPassword);
        client.SetLink(m_link);
        client.SetKeepGoing(&keepGoing);
        EXPECT_EQ(client.LoginPlain(), 0);
        EXPECT_EQ(plat::ClockNow(), 0u);
    }
    {
        // A window that ends the program once 15 s have passed.
        qntest::ScriptedWindow window([](plat::UINT m, plat::WPARAM, plat::LPARAM, plat::LRESULT&) {
            if (m == plat::WM_TIMER && plat::ClockNow() >= 15000) plat::PostQuitMessage(3);
            return false;
        });
        window.MakeTop(u"LoginProbe");
        plat::SetTimer(window.Handle(), 1, 5000);
        CPOP3 client(u"127.0.0.1", accounttest::ClosedPort(), accounttest::kAccount,
                     accounttest::kPassword);
        client.SetLink(m_link);
        EXPECT_EQ(client.LoginPlain(), 0);
        EXPECT_LT(plat::ClockNow(), 25000u);
        plat::MSG msg;
        ASSERT_TRUE(plat::PeekMessage(msg, nullptr, 0, 0, plat::PM_REMOVE));
        EXPECT_EQ(msg.message, plat::WM_QUIT);  // left for the program's own loop
        EXPECT_EQ(msg.wParam, 3u);
    }
}

TEST_F(Pop3Test, ASilentServerTimesOut) {
    // Connections wait in the backlog: accepted by the system, never answered.
    plat::Socket listener;
    ASSERT_TRUE(listener.ListenLoopback(0));
    const int port = listener.LocalPort();
    {
        CPOP3 client(u"127.0.0.1", port, accounttest::kAccount, accounttest::kPassword);
        client.SetLink(m_link);
        EXPECT_EQ(client.LoginPlain(), 0);
        EXPECT_EQ(client.ErrorText(), u"连接服务器超时导致收信中断，请检查网络连接是否正常！");
        EXPECT_NE(Log().find("(**Select 2**)"), std::string::npos);
        EXPECT_NE(Log().find("(**Connect 2**)"), std::string::npos);
    }
    {
        // No TLS handshake ever comes.
        CPOP3 client(u"127.0.0.1", 0, accounttest::kAccount, accounttest::kPassword);
        client.SetLink(m_link);
        EXPECT_EQ(client.LoginTls(port), 0);
        EXPECT_EQ(client.ErrorText(), kConnectFailedCheck);
        EXPECT_NE(Log().find("(**SSL_conncect 3**)"), std::string::npos);
    }
    {
        // A handshake, then silence: the greeting read gives up, the error text
        // stays as it was.
        ASSERT_TRUE(accounttest::ResetSim("\"smtp_silent\": true"));
        CPOP3 client(u"localhost", 0, accounttest::kAccount, accounttest::kPassword);
        client.SetLink(m_link);
        EXPECT_EQ(client.LoginTls(Sim().Port("smtps")), 0);
        EXPECT_TRUE(client.ErrorText().empty());
        EXPECT_NE(Log().find("(**Select 1**)"), std::string::npos);
    }
}

TEST_F(Pop3Test, TheServerCertificateIsChecked) {
    plat::WritePrivateProfileString(u"common", u"cafile", u"", m_folder.Join(u"sysconfig.ini"));
    std::u16string error;
    EXPECT_EQ(Login(true, accounttest::kAccount, accounttest::kPassword, &error), 0);
    EXPECT_EQ(error, kConnectFailedCheck);
    const std::string log = Log();
    EXPECT_NE(log.find("(**SSL_conncect 3**)"), std::string::npos);
    EXPECT_NE(log.find("not trusted"), std::string::npos) << log;
    // A name the certificate does not carry fails even with the authority known.
    m_folder.TrustSim();
    CPOP3 client(u"127.0.0.2", 0, accounttest::kAccount, accounttest::kPassword);
    m_link.resolve = [](std::u16string_view, plat::Ipv4Address& a) {
        a = 0x7F000001;
        return true;
    };
    client.SetLink(m_link);
    EXPECT_EQ(client.LoginTls(Sim().Port("pop3s")), 0);
    // Turned off, the check lets any server through.
    plat::WritePrivateProfileString(u"common", u"tlsverify", u"0", m_folder.Join(u"sysconfig.ini"));
    plat::WritePrivateProfileString(u"common", u"cafile", u"", m_folder.Join(u"sysconfig.ini"));
    EXPECT_EQ(Login(true, accounttest::kAccount, accounttest::kPassword), 1);
}

}  // namespace
