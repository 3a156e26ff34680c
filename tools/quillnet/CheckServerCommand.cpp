// An administrator's connectivity check: the server discovery of a sign-in and,
// given a password, its POP3 login, each step printed with its result and the
// lines it wrote to the monitor's log. Nothing is saved: no login, no
// last-login record, no account folder.
#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor/AccountFolder.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/MailAddress.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/LoginSettings.h"
#include "monitor/SignInCheck.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "tools/quillnet/Command.h"

namespace {

const char kCheckServerUsage[] = "check-server ACCOUNT [PASSWORD]";

const char16_t* MatchMeaning(int result) {
    switch (result) {
        case kMatchService:
            return u"the service's server";
        case kMatchNoConnection:
            return u"no connection (unknown host or connection failed)";
        case kMatchOtherServer:
            return u"another server";
        case kMatchTimedOut:
            return u"timed out";
        default:
            return u"no greeting";
    }
}

// Prints what the log gained since the last call, one entry line at a time.
class LogTail {
public:
    LogTail() : m_path(plat::JoinPath(plat::ProgramFolder(), u"ABMonitor_log.txt")) {
        m_offset = std::max<int64_t>(plat::FileSize(m_path), 2);
    }
    void Print() {
        std::string bytes;
        if (!plat::ReadFile(m_path, bytes) || int64_t(bytes.size()) <= m_offset) return;
        std::u16string text(reinterpret_cast<const char16_t*>(bytes.data() + m_offset),
                            (bytes.size() - size_t(m_offset)) / 2);
        m_offset = int64_t(bytes.size());
        for (std::u16string_view rest = text; !rest.empty();) {
            const size_t end = std::min(rest.find(u'\n'), rest.size());
            const std::u16string_view line = plat::Trim(rest.substr(0, end));
            if (!line.empty()) quillnet::PrintLine(u"  log: " + std::u16string(line));
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
    }

private:
    std::u16string m_path;
    int64_t m_offset = 0;
};

int CheckServer(const quillnet::Args& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: quillnet %s\n", kCheckServerUsage);
        return 2;
    }
    const std::u16string account = quillnet::Wide(args[0]);
    OpenLog();
    LogTail log;
    const ServerSettings settings = ReadServerSettings();
    const ServerLink link;
    quillnet::PrintLine(plat::Format(u"settings: %s SmtpHost=%s SmtpPort=%s PopHost=%s PopPort=%s",
                                     ServerIniPath(), settings.smtpHost, settings.smtpPort,
                                     settings.popHost, settings.popPort));

    const bool address = IsMailAddress(account) && IsSafeAccountName(account);
    quillnet::PrintLine(
        plat::Format(u"address: %s: %s", account, address ? u"ok" : u"not a mailbox address"));
    if (!address) {
        CloseLog();
        return 1;
    }

    CMailboxMatch match(link);
    match.SetUp(settings.smtpHost, account, settings.smtpPort);
    quillnet::PrintLine(plat::Format(u"discovery: %s port %d (%s)", match.Host(), match.Port(),
                                     match.Port() == link.ports.smtpTls ? u"TLS" : u"plain"));
    const int found = match.Run();
    log.Print();
    quillnet::PrintLine(plat::Format(u"  result: %d, %s, server type %d", found,
                                     MatchMeaning(found), ServerType()));
    bool ok = found == kMatchService;
    if (found == kMatchOtherServer || found == kMatchNoGreeting) {
        const auto partners = ReadPartnerDomains();
        const bool partner =
            std::find(partners.begin(), partners.end(), match.Host()) != partners.end();
        quillnet::PrintLine(plat::Format(u"  partner domain: %s", partner ? u"yes" : u"no"));
        ok = partner;
    }

    if (args.size() == 2) {
        const PopServer server = PopServerFor(settings, account, link.ports);
        quillnet::PrintLine(plat::Format(u"pop3: %s port %d (%s)", server.host, server.port,
                                         server.tls ? u"TLS" : u"plain"));
        std::u16string error;
        const int pop = CheckPopLogin(server, account, quillnet::Wide(args[1]), link, &error);
        log.Print();
        if (pop == kPopLoggedIn)
            quillnet::PrintLine(u"  result: logged in and out");
        else
            quillnet::PrintLine(plat::Format(
                u"  result: %s: %s", pop == kPopRefused ? u"refused" : u"no connection", error));
        ok = ok && pop == kPopLoggedIn;
    }
    quillnet::PrintLine(ok ? u"check-server: ok" : u"check-server: failed");
    CloseLog();
    return ok ? 0 : 1;
}

}  // namespace

QN_COMMAND("check-server", kCheckServerUsage, CheckServer);
