// Server discovery from the SMTP greeting, against mailsim's plain and TLS
// listeners and against servers that stay silent or cannot be reached.
#include "monitor/Common/MailboxMatch.h"

#include <gtest/gtest.h>

#include "account/AccountSupport.h"

namespace {

using accounttest::Sim;

TEST(MailboxMatchSetUp, TakesTheHostAndPortFromTheSettingsOrTheAccount) {
    struct Case {
        const char16_t* host;
        const char16_t* account;
        const char16_t* port;
        const char16_t* wantHost;
        int wantPort;
    } cases[] = {
        {u"", u"wang@example.com", u"", u"smtp.example.com", 25},
        {u"mx.example.org", u"wang@example.com", u"587", u"mx.example.org", 587},
        {u"", u"@example.com", u"465", u"smtp.example.com", 465},
        {u"", u"a@b@c.com", u"", u"smtp.b@c.com", 25},  // after the first "@"
        {u"", u"no-at-sign", u"2525", u"", 0},          // nothing to ask
        {u"mx.example.org", u"no-at-sign", u"", u"mx.example.org", 25},
        {u"", u"wang@example.com", u"x1", u"smtp.example.com", 0},
    };
    for (const auto& c : cases) {
        CMailboxMatch match;
        match.SetUp(c.host, c.account, c.port);
        EXPECT_EQ(match.Host(), c.wantHost) << plat::Utf16ToUtf8(c.account);
        EXPECT_EQ(match.Port(), c.wantPort) << plat::Utf16ToUtf8(c.account);
    }
}

class MailboxMatchTest : public accounttest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        m_link.ports.smtpTls = Sim().Port("smtps");
    }
    // Discovery of mailsim on its plain or its TLS listener.
    int Run(bool tls, const char16_t* host = u"localhost") {
        CMailboxMatch match(m_link);
        match.SetUp(host, u"wang@quillnet.test",
                    plat::Format(u"%d", Sim().Port(tls ? "smtps" : "smtp")));
        return match.Run();
    }
    ServerLink m_link = accounttest::TestLink();
};

TEST_F(MailboxMatchTest, TheGreetingDecidesTheResultAndTheServerType) {
    struct Case {
        const char* greeting;
        int startType;
        int result;
        int type;
    } cases[] = {
        {"220 mx ESMTP QuIlLnEt ready\r\n", 1, kMatchService, 0},
        {"220 mx ESMTP CORVANE-MAIL ready\r\n", 0, kMatchService, 1},
        {"220 mx quillnet corvane-mail\r\n", 0, kMatchService, 1},
        {"220 mx.example.org ESMTP Postfix\r\n", 1, kMatchOtherServer, 1},
        {"220 mx.example.org ESMTP Postfix\r\n", 0, kMatchOtherServer, 0},
        {"\r\n", 1, kMatchOtherServer, 1},  // a line end is text too
    };
    for (bool tls : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(tls ? "tls " : "plain ") + c.greeting);
            ASSERT_TRUE(accounttest::ResetSim("\"greeting\": " + qntest::JsonQuote(c.greeting)));
            SetServerType(c.startType);
            EXPECT_EQ(Run(tls), c.result);
            EXPECT_EQ(ServerType(), c.type);
        }
    }
    const std::string log = Log();
    EXPECT_NE(log.find("smtp host:localhost,port:"), std::string::npos);
    EXPECT_NE(log.find("smtp return:220 mx.example.org ESMTP Postfix\r\n"), std::string::npos);
    EXPECT_NE(log.find("smtp return: 220 mx.example.org ESMTP Postfix\r\n"), std::string::npos);
}

TEST_F(MailboxMatchTest, ASlowGreetingIsCollectedInThreeBytePiecesUpToItsLineEnd) {
    // "220", " qu", ..., "ady", "\nZZ": the piece with the line end brings more.
    ASSERT_TRUE(
        accounttest::ResetSim("\"greeting\": \"220 quillnet ready\\nZZZZ\", \"greeting_chunk\": 3, "
                              "\"greeting_gap_ms\": 5"));
    SetServerType(1);
    EXPECT_EQ(Run(false), kMatchService);
    EXPECT_EQ(ServerType(), 0);
    EXPECT_NE(Log().find("smtp return:220 quillnet ready\nZZ\r\n"), std::string::npos) << Log();
}

TEST_F(MailboxMatchTest, SilenceGivesNoGreetingOnPlainAndNoConnectionOnTls) {
    ASSERT_TRUE(accounttest::ResetSim("\"smtp_silent\": true"));
    SetServerType(1);
    EXPECT_EQ(Run(false), kMatchNoGreeting);
    EXPECT_EQ(Run(true), kMatchNoConnection);
    EXPECT_EQ(ServerType(), 1);
}

TEST_F(MailboxMatchTest, TheTimeLimitCountsFromTheFirstRead) {
    // The clock jumps past the limit between the start and the first piece.
    uint64_t now = 0;
    m_link.tick = [&now] { return now += 40000; };
    m_link.waits.readLimitMs = 30000;
    EXPECT_EQ(Run(false), kMatchTimedOut);
    // Later pieces are dropped too once the time is up: what came before counts.
    now = 0;
    m_link.tick = [&now] { return now += 6000; };  // the sixth read is past 30 s
    ASSERT_TRUE(accounttest::ResetSim(
        "\"greeting\": \"220 mx Postfix then quillnet\\r\\n\", \"greeting_chunk\": 3, "
        "\"greeting_gap_ms\": 1"));
    EXPECT_EQ(Run(false), kMatchOtherServer);
    EXPECT_NE(Log().find("smtp return:220 mx Postfix \r\n"), std::string::npos) << Log();
}

TEST_F(MailboxMatchTest, AnUnknownHostOrARefusedConnectionGivesNoConnection) {
    {
        ServerLink link = m_link;
        link.resolve = [](std::u16string_view, plat::Ipv4Address&) { return false; };
        for (const char16_t* port : {u"25", u"465"}) {
            link.ports.smtpTls = 465;
            CMailboxMatch match(link);
            match.SetUp(u"", u"wang@nowhere.test", port);
            EXPECT_EQ(match.Run(), kMatchNoConnection);
        }
        EXPECT_NE(Log().find("smtp host:smtp.nowhere.test,port:465"), std::string::npos);
        EXPECT_NE(Log().find("pHost is NULL"), std::string::npos);
    }
    const int closed = accounttest::ClosedPort();
    for (int tlsPort : {0, closed}) {
        ServerLink link = m_link;
        link.ports.smtpTls = tlsPort;
        CMailboxMatch match(link);
        match.SetUp(u"127.0.0.1", u"wang@quillnet.test", plat::Format(u"%d", closed));
        EXPECT_EQ(match.Run(), kMatchNoConnection);
    }
}

TEST_F(MailboxMatchTest, TheTlsGreetingNeedsATrustedCertificate) {
    EXPECT_EQ(Run(true), kMatchService);
    plat::WritePrivateProfileString(u"common", u"cafile", u"", m_folder.Join(u"sysconfig.ini"));
    EXPECT_EQ(Run(true), kMatchNoConnection);
    EXPECT_NE(Log().find("not trusted"), std::string::npos) << Log();
}

}  // namespace
