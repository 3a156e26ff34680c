// Server discovery: is a mailbox domain served by the mail service, and by which
// of its two server generations? Answered from the greeting line of the
// domain's SMTP server.
#pragma once

#include <string>
#include <string_view>

#include "monitor/Common/ServerLink.h"

// Results of CMailboxMatch::Run.
enum MailboxMatchResult {
    kMatchService = 0,       // the greeting names the service
    kMatchNoConnection = 1,  // unknown host, no connection, or (TLS) no TLS or no greeting read
    kMatchOtherServer = 2,   // a greeting that does not name the service
    kMatchTimedOut = 3,      // plain only: the time was up before any text was kept
    kMatchNoGreeting = 4     // no greeting text at all
};

// The process-wide server type: 1 for the newer server generation, else 0.
// Discovery and the sign-in set it; the synchronisation reads it, on any thread.
int ServerType();
void SetServerType(int type);

// The decision on a greeting's text: kMatchService or kMatchOtherServer, with the
// server type set for the service's own servers.
int MatchGreeting(std::u16string_view greeting);

class CMailboxMatch {
public:
    explicit CMailboxMatch(const ServerLink& link = ServerLink()) : m_link(link) {}

    // The configured SMTP host wins; else "smtp." and the account's domain (the
    // text after its first "@"; none without one, and then no port either).
    // An empty port setting means the SMTP port.
    void SetUp(std::u16string_view smtpHost, std::u16string_view account,
               std::u16string_view smtpPort);
    // Blocks the calling thread for the whole exchange.
    int Run();

    const std::u16string& Host() const { return m_host; }
    int Port() const { return m_port; }

private:
    int CheckGreetingPlain(const std::u16string& host);

    std::u16string m_host;
    int m_port = 0;
    ServerLink m_link;
};
