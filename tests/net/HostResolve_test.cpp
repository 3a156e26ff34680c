#include "monitor/AddressBookSync/HostResolve.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/ProcessPipe.h"
#include "platform/Text.h"

namespace {

// Outputs of the resolver tool of this system (BIND's nslookup -type=cname),
// captured against a local name server.
const char16_t kAlias[] =
    u"Server:\t\t127.0.0.1\nAddress:\t127.0.0.1#5353\n\nNon-authoritative answer:\n"
    u"mail.example.com\tcanonical name = web01.example.com.\n\n"
    u"Authoritative answers can be found from:\n\n";
const char16_t kSmtpAlias[] =
    u"Server:\t\t127.0.0.1\nAddress:\t127.0.0.1#5353\n\nNon-authoritative answer:\n"
    u"smtp.example.com\tcanonical name = mx-relay.Quillnet.NET.\n\n"
    u"Authoritative answers can be found from:\n\n";
const char16_t kNoSuchName[] =
    u"Server:\t\t127.0.0.1\nAddress:\t127.0.0.1#5353\n\n"
    u"** server can't find nohost.example.com: NXDOMAIN\n\n";
const char16_t kNoServer[] =
    u";; communications error to 127.0.0.1#5399: connection refused\n"
    u";; no servers could be reached\n\n";
// The older spelling of the option: refused, then answered as an address query.
const char16_t kOldOption[] =
    u"*** Invalid option: qt=cname\nServer:\t\t127.0.0.1\nAddress:\t127.0.0.1#5353\n\n"
    u"Non-authoritative answer:\nmail.example.com\tcanonical name = web01.example.com.\n"
    u"** server can't find web01.example.com: NXDOMAIN\n\n";

std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n') out += u'\r';
        out += c;
    }
    return out;
}

TEST(CanonicalNameOf, ReadsTheFirstCanonicalName) {
    struct Case {
        std::u16string output;
        std::u16string name;
    } cases[] = {
        {kAlias, u"web01.example.com"},
        {kSmtpAlias, u"mx-relay.quillnet.net"},
        {kOldOption, u"web01.example.com"},
        {WithCrLf(kSmtpAlias), u"mx-relay.quillnet.net"},
        {kNoSuchName, u""},
        {kNoServer, u""},
        {u"", u""},
        {u"a\tcanonical name = first.example\r\nb\tcanonical name = second.example\r\n",
         u"first.example"},
        {u"Canonical Name = upper.example\n", u""},
        {u"canonical name without equals\n", u""},
        {u"canonical name = no.line.end", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(plat::Utf16ToUtf8(c.output));
        EXPECT_EQ(CanonicalNameOf(c.output), c.name);
    }
}

TEST(ResolveServiceHost, FollowsTheSmtpAliasIntoTheServiceDomain) {
    auto alias = [](std::u16string_view from, std::u16string_view to) {
        return std::u16string(from) + u"\tcanonical name = " + std::u16string(to) + u".\n";
    };
    struct Case {
        const char* name;
        std::u16string host;
        bool cnameHost;
        std::map<std::u16string, std::u16string> answers;
        std::u16string result;
        std::vector<std::u16string> asked;
    } cases[] = {
        {"not a mail. host", u"web.example.com", true, {}, u"web.example.com", {}},
        {"mail. not at the start", u"xmail.example.com", true, {}, u"xmail.example.com", {}},
        {"SMTP alias inside the service",
         u"mail.example.com",
         true,
         {{u"smtp.example.com", alias(u"smtp.example.com", u"mx3.quillnet.net")}},
         u"mx3.quillnet.net",
         {u"mail.example.com", u"smtp.example.com"}},
        {"SMTP alias outside the service",
         u"mail.example.com",
         true,
         {{u"smtp.example.com", alias(u"smtp.example.com", u"mx.elsewhere.org")}},
         u"mail.example.com",
         {u"mail.example.com", u"smtp.example.com"}},
        {"cnamehost 0, mail name not the web host",
         u"mail.example.com",
         false,
         {{u"mail.example.com", alias(u"mail.example.com", u"www.example.com")},
          {u"smtp.example.com", alias(u"smtp.example.com", u"mx3.quillnet.net")}},
         u"mail.example.com",
         {u"mail.example.com"}},
        {"cnamehost 0, mail name is the web host",
         u"mail.example.com",
         false,
         {{u"mail.example.com", alias(u"mail.example.com", kServiceWebHost)},
          {u"smtp.example.com", alias(u"smtp.example.com", u"mx3.quillnet.net")}},
         u"mx3.quillnet.net",
         {u"mail.example.com", u"smtp.example.com"}},
        {"every mail. replaced",
         u"mail.mail.example.com",
         true,
         {{u"smtp.smtp.example.com", alias(u"smtp.smtp.example.com", u"a.quillnet.net")}},
         u"a.quillnet.net",
         {u"mail.mail.example.com", u"smtp.smtp.example.com"}},
        {"no answers",
         u"mail.example.com",
         true,
         {},
         u"mail.example.com",
         {u"mail.example.com", u"smtp.example.com"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::u16string> asked;
        HostLookup lookup = [&](std::u16string_view name) {
            asked.emplace_back(name);
            auto it = c.answers.find(std::u16string(name));
            return it == c.answers.end() ? std::u16string(kNoSuchName) : it->second;
        };
        HostResolveConfig config;
        config.cnameHost = c.cnameHost;
        EXPECT_EQ(ResolveServiceHost(c.host, lookup, config), c.result);
        EXPECT_EQ(asked, c.asked);
    }
}

TEST(ProcessPipe, HandsArgumentsOverVerbatimAndCapturesBothStreams) {
    plat::ProcessPipe p;
    ASSERT_TRUE(p.Start({u"printf", u"%s|%s\\n", u"a b", u"$(echo hi); 中"}));
    std::string out;
    char buf[64];
    for (int64_t n; (n = p.Read(buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    EXPECT_EQ(out, "a b|$(echo hi); 中\n");
    EXPECT_EQ(p.Wait(), 0);

    ASSERT_TRUE(p.Start({u"ls", u"/nonexistent-folder-of-the-test"}));
    out.clear();
    for (int64_t n; (n = p.Read(buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    EXPECT_NE(out.find("nonexistent-folder-of-the-test"), std::string::npos);
    EXPECT_NE(p.Wait(), 0);

    EXPECT_FALSE(p.Start({u"no-such-program-of-the-test"}));
    EXPECT_FALSE(p.Start({}));
}

TEST(RunNslookup, ReportsNoCanonicalNameForANameThatCannotExist) {
    std::u16string output = RunNslookup(u"mail.nonexistent.invalid");
    EXPECT_FALSE(output.empty());
    EXPECT_EQ(CanonicalNameOf(output), u"");
}

}  // namespace
