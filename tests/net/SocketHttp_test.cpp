#include "monitor/Common/SocketHttp.h"

#include <gtest/gtest.h>

#include "net/LoopbackServer.h"
#include "net/TestCerts.h"
#include "support/Mailsim.h"
#include "support/TestFolder.h"

namespace {

using qntest::LoopbackServer;

std::string Local(uint16_t port, const std::string& rest) {
    return "http://127.0.0.1:" + std::to_string(port) + rest;
}

SocketHttpTimeouts ShortTimeouts() {
    SocketHttpTimeouts t;
    t.connectMs = 5000;
    t.plainIdleMs = 100;
    t.stallMs = 200;
    return t;
}

TEST(ParseHttpUrl, SchemeHostPortAndPath) {
    struct Case {
        const char* url;
        bool ok;
        const char* scheme;
        const char* host;
        uint16_t port;
        const char* path;
        bool tls;
    } cases[] = {
        {"https://mail.example.com/api/x", true, "HTTPS", "MAIL.EXAMPLE.COM", 443, "/api/x", true},
        {"HTTPS://Mail.Example.com/api", true, "HTTPS", "MAIL.EXAMPLE.COM", 443, "/api", true},
        {"https://h:80/p", true, "HTTPS", "H", 443, "/p", true},
        {"https://h:8443/p", true, "HTTPS", "H", 8443, "/p", true},
        {"http://h.example:8080/Api/Get?A=b", true, "HTTP", "H.EXAMPLE", 8080, "/Api/Get?A=b",
         false},
        {"h.example/p", true, "HTTP", "H.EXAMPLE", 80, "/p", false},
        {"http://h", true, "HTTP", "H", 80, "", false},
        {"http:h-1.example/x", true, "HTTP", "H-1.EXAMPLE", 80, "/x", false},
        {"ftp://h/x", false, "", "", 0, "", false},
        {"http://h:/x", false, "", "", 0, "", false},
        {"http://h:99999/x", false, "", "", 0, "", false},
        {"http://h:8o/x", false, "", "", 0, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        HttpUrlParts p;
        ASSERT_EQ(ParseHttpUrl(c.url, p), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(p.scheme, c.scheme);
        EXPECT_EQ(p.host, c.host);
        EXPECT_EQ(p.port, c.port);
        EXPECT_EQ(p.path, c.path);
        EXPECT_EQ(p.tls, c.tls);
    }
}

TEST(SocketRequestHttp, PostSendsTheRequestTextAndCollectsTheReply) {
    std::string seen;
    LoopbackServer server([&](plat::Socket& peer) {
        seen = LoopbackServer::ReadRequest(peer);
        peer.SendAll(std::string_view("HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\n{\"ret\":0}"));
    });
    SocketRequestHttp client;
    client.SetTimeouts(ShortTimeouts());
    std::string request, header, body;
    ASSERT_TRUE(client.SendRequest(
        true, "http://localhost:" + std::to_string(server.Port()) + "/api/Mailbox", "&a=1 2",
        request, header, body));
    const std::string expected =
        "POST /api/Mailbox HTTP/1.0\r\n"
        "User-Agent: QuillnetM-PluginMonitor\r\n"
        "Content-Length: 6\r\n"
        "Host: LOCALHOST\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "\r\n"
        "&a=1 2";
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(request, expected);
    EXPECT_EQ(header, "HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\n");
    EXPECT_EQ(body, "{\"ret\":0}");
}

TEST(SocketRequestHttp, GetSendsNoBodyNoLengthAndNoExtraHeader) {
    std::string seen;
    LoopbackServer server([&](plat::Socket& peer) {
        seen = LoopbackServer::ReadRequest(peer);
        peer.SendAll(std::string_view("HTTP/1.0 204 No Content\r\n\r\n"));
    });
    SocketRequestHttp client;
    client.SetTimeouts(ShortTimeouts());
    std::string request, header, body;
    ASSERT_TRUE(
        client.SendRequest(false, Local(server.Port(), ""), "ignored", request, header, body));
    EXPECT_EQ(seen,
              "GET / HTTP/1.0\r\nUser-Agent: QuillnetM-PluginMonitor\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(body, "");
}

TEST(SocketRequestHttp, FailuresLeaveTheOutputsAlone) {
    // A port nobody listens on.
    uint16_t closedPort;
    {
        plat::Socket s;
        ASSERT_TRUE(s.ListenLoopback());
        closedPort = s.LocalPort();
    }
    LoopbackServer big([](plat::Socket& peer) {
        LoopbackServer::ReadRequest(peer);
        peer.SendAll(std::string("HTTP/1.0 200 OK\r\n\r\n") + std::string(5000, 'x'));
    });
    struct Case {
        std::string name, url;
        size_t limit;
    } cases[] = {
        {"unknown scheme", "ftp://127.0.0.1:" + std::to_string(big.Port()) + "/x", 1 << 20},
        {"unknown host", "http://nonexistent.invalid/x", 1 << 20},
        {"refused", Local(closedPort, "/x"), 1 << 20},
        {"reply over the limit", Local(big.Port(), "/x"), 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SocketRequestHttp client;
        client.SetTimeouts(ShortTimeouts());
        client.SetReplyLimit(c.limit);
        std::string request = "r", header = "h", body = "b";
        EXPECT_FALSE(client.SendRequest(true, c.url, "&x=1", request, header, body));
        EXPECT_EQ(request + header + body, "rhb");
    }
    // The unknown scheme never got as far as connecting.
    EXPECT_EQ(big.Accepted(), 1);
}

TEST(SocketRequestHttp, HeaderAndBodyEndWhereTheServerStops) {
    struct Case {
        const char* name;
        std::function<void(plat::Socket&)> serve;
        const char* header;
        const char* body;
    } cases[] = {
        {"closed inside the header",
         [](plat::Socket& p) { p.SendAll(std::string_view("HTTP/1.0 200 OK\r\nX-Cut")); },
         "HTTP/1.0 200 OK\r\nX-Cut", ""},
        {"bare line feeds",
         [](plat::Socket& p) { p.SendAll(std::string_view("HTTP/1.0 200 OK\nA: b\n\r\r\n{}")); },
         "HTTP/1.0 200 OK\nA: b\n\r\r\n", "{}"},
        {"silent in the middle of the body",
         [](plat::Socket& p) {
             p.SendAll(std::string_view("HTTP/1.0 200 OK\r\n\r\n{\"part\""));
             LoopbackServer::WaitForClose(p);
             p.SendAll(std::string_view(",\"rest\":1}"));
         },
         "HTTP/1.0 200 OK\r\n\r\n", "{\"part\""},
        {"silent from the start", [](plat::Socket& p) { LoopbackServer::WaitForClose(p); }, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server([&](plat::Socket& peer) {
            LoopbackServer::ReadRequest(peer);
            c.serve(peer);
        });
        SocketRequestHttp client;
        client.SetTimeouts(ShortTimeouts());
        std::string request, header, body;
        ASSERT_TRUE(
            client.SendRequest(true, Local(server.Port(), "/x"), "&a=1", request, header, body));
        EXPECT_EQ(header, c.header);
        EXPECT_EQ(body, c.body);
    }
}

class SocketHttpTls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = new qntest::Mailsim({"--body", "{\"tls\":1}"}); }
    static void TearDownTestSuite() {
        delete s_sim;
        s_sim = nullptr;
    }

    bool Post(const std::string& host, const TlsSettings& tls, std::string& header,
              std::string& body) {
        SocketRequestHttp client;
        client.SetTimeouts(ShortTimeouts());
        client.SetTlsSettings(tls);
        std::string request;
        return client.SendRequest(true,
                                  "https://" + host + ":" + std::to_string(s_sim->Port("https")) +
                                      "/api/mailbox/getAddresses",
                                  "&share=0", request, header, body);
    }

    static qntest::Mailsim* s_sim;
    qntest::TestFolder m_folder;
};

qntest::Mailsim* SocketHttpTls::s_sim = nullptr;

TEST_F(SocketHttpTls, TrustsTheServerOnlyWithItsAuthority) {
    ASSERT_TRUE(s_sim->Ok());
    std::u16string ca = plat::Utf8ToUtf16(s_sim->CaFile());
    struct Case {
        const char* name;
        std::string host;
        TlsSettings tls;
        bool ok;
    } cases[] = {
        {"authority given, name checked", "localhost", {true, ca}, true},
        {"authority given, address checked", "127.0.0.1", {true, ca}, true},
        {"authority unknown", "localhost", {true, u""}, false},
        {"checks off", "localhost", {false, u""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string header, body;
        EXPECT_EQ(Post(c.host, c.tls, header, body), c.ok);
        if (c.ok) {
            EXPECT_NE(header.find(" 200 OK"), std::string::npos);
            EXPECT_EQ(body, "{\"tls\":1}");
        }
    }
    // Every refusal was our own: the server saw its handshake fail, never a request.
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& r : requests) {
        EXPECT_EQ(r["listener"].text, "https");
        EXPECT_EQ(r["version"].text, "HTTP/1.0");
    }
    EXPECT_NE(m_folder.LogUtf8().find("SocketRequestHttp TLS LOCALHOST:"), std::string::npos);
}

TEST(SocketHttpTlsName, ACertificateForAnotherNameIsRefused) {
    qntest::TestFolder folder;
    std::u16string certs = folder.Join(u"certs");
    ASSERT_TRUE(qntest::MakeTestCertificates(certs, u"DNS:other.example"));
    qntest::Mailsim sim({"--cert-dir", plat::Utf16ToUtf8(certs), "--body", "{}"});
    ASSERT_TRUE(sim.Ok());
    std::u16string ca = plat::JoinPath(certs, u"ca.pem");
    std::string url =
        "https://127.0.0.1:" + std::to_string(sim.Port("https")) + "/api/mailbox/getAddresses";
    for (bool verify : {true, false}) {
        SCOPED_TRACE(verify);
        SocketRequestHttp client;
        client.SetTimeouts(ShortTimeouts());
        client.SetTlsSettings({verify, ca});
        std::string request, header, body;
        EXPECT_EQ(client.SendRequest(true, url, "&share=0", request, header, body), !verify);
    }
    EXPECT_NE(folder.LogUtf8().find("IP address mismatch"), std::string::npos);
}

}  // namespace
