#include "platform/HttpRequest.h"

#include <gtest/gtest.h>

#include <atomic>

#include "net/LoopbackServer.h"
#include "platform/Error.h"
#include "platform/Socket.h"
#include "platform/Text.h"

namespace {

using qntest::LoopbackServer;

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char('a' + (i * 7 + i / 251) % 26);
    return s;
}

TEST(HttpRequest, StreamsLargeBodiesBothWays) {
    const std::string upload = Pattern(200000);
    const std::string reply = Pattern(700001);
    std::string seen;
    LoopbackServer server([&](plat::Socket& peer) {
        seen = LoopbackServer::ReadRequest(peer);
        peer.SendAll("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(reply.size()) +
                     "\r\nConnection: close\r\n\r\n" + reply);
    });
    plat::HttpRequest r;
    ASSERT_TRUE(r.Open("POST", u"127.0.0.1", server.Port(), false, u"up/load"));
    ASSERT_TRUE(r.AddHeader(u"X-Test: 1"));
    EXPECT_FALSE(r.AddHeader(u"x-test: 2"));  // a name is added once
    ASSERT_TRUE(r.Send(upload.size()));
    for (size_t at = 0; at < upload.size(); at += 1460)
        ASSERT_TRUE(r.Write(upload.data() + at, std::min<size_t>(1460, upload.size() - at)));
    EXPECT_FALSE(r.Write("x", 1));  // more than announced
    ASSERT_TRUE(r.End());
    int status = 0;
    uint64_t length = 0;
    ASSERT_TRUE(r.QueryStatusCode(status));
    EXPECT_EQ(status, 200);
    ASSERT_TRUE(r.QueryContentLength(length));
    EXPECT_EQ(length, reply.size());
    std::string got;
    char buf[2048];
    for (int64_t n; (n = r.Read(buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
    EXPECT_EQ(got.size(), reply.size());
    EXPECT_TRUE(got == reply);

    size_t head = seen.find("\r\n\r\n");
    ASSERT_NE(head, std::string::npos);
    EXPECT_EQ(seen.rfind("POST /up/load HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(seen.find("\r\nX-Test: 1\r\n"), std::string::npos);
    EXPECT_EQ(seen.find("Expect:"), std::string::npos);
    EXPECT_TRUE(seen.substr(head + 4) == upload);
}

TEST(HttpRequest, GivesUpOnASilentServer) {
    LoopbackServer server([](plat::Socket& peer) {
        LoopbackServer::ReadRequest(peer);
        LoopbackServer::WaitForClose(peer);
    });
    struct Case {
        const char* name;
        bool abort;
        uint32_t error;
    } cases[] = {{"receive time-out", false, plat::kErrorTimedOut},
                 {"aborted", true, plat::kErrorHttpAborted}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plat::HttpRequest r;
        r.SetTimeouts({5000, 5000, c.abort ? 600000u : 200u});
        std::atomic<bool> cancel{false};
        r.SetAbortCheck([&] { return cancel.load(); });
        ASSERT_TRUE(r.Open("GET", u"127.0.0.1", server.Port(), false, u"/"));
        ASSERT_TRUE(r.Send(0));
        cancel = c.abort;  // as a cancel while the request waits for the reply
        EXPECT_FALSE(r.End());
        EXPECT_EQ(plat::GetLastError(), c.error);
        int status;
        EXPECT_FALSE(r.QueryStatusCode(status));
    }
}

TEST(HttpRequest, ABodyCutShortIsAnError) {
    LoopbackServer server([](plat::Socket& peer) {
        LoopbackServer::ReadRequest(peer);
        peer.SendAll(std::string_view("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this"));
    });
    plat::HttpRequest r;
    ASSERT_TRUE(r.Open("GET", u"127.0.0.1", server.Port(), false, u"/"));
    ASSERT_TRUE(r.Send(0));
    ASSERT_TRUE(r.End());
    std::string got;
    char buf[64];
    int64_t n;
    while ((n = r.Read(buf, sizeof buf)) > 0) got.append(buf, size_t(n));
    EXPECT_EQ(n, -1);
    EXPECT_EQ(got, "only this");
}

TEST(HttpRequest, RefusesNamesThatAreNoHost) {
    plat::HttpRequest r;
    for (const char16_t* host : {u"", u"a/b", u"a b", u"user@host", u"h?x"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(host));
        EXPECT_FALSE(r.Open("GET", host, 80, false, u"/"));
    }
}

}  // namespace
