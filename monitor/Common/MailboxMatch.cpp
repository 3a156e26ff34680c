#include "monitor/Common/MailboxMatch.h"

#include <atomic>
#include <string>

#include "monitor/Common/Log.h"
#include "monitor/Common/POP3.h"
#include "monitor/Common/TextConvert.h"
#include "platform/CodePage.h"
#include "platform/Socket.h"
#include "platform/Text.h"

namespace {

std::atomic<unsigned char> g_serverType{0};

// A greeting is read in pieces this small, so nothing after its line end is
// taken from the server beyond the piece that held it.
constexpr size_t kPieceBytes = 3;

}  // namespace

int ServerType() { return g_serverType.load(); }

void SetServerType(int type) { g_serverType.store(type == 1 ? 1 : 0); }

int MatchGreeting(std::u16string_view greeting) {
    const std::u16string text = plat::ToLower(greeting);
    const bool newer = text.find(u"corvane-mail") != std::u16string::npos;
    if (text.find(u"quillnet") != std::u16string::npos) {
        SetServerType(newer ? 1 : 0);
        return kMatchService;
    }
    if (newer) {
        SetServerType(1);
        return kMatchService;
    }
    return kMatchOtherServer;
}

void CMailboxMatch::SetUp(std::u16string_view smtpHost, std::u16string_view account,
                          std::u16string_view smtpPort) {
    if (!smtpHost.empty()) {
        m_host = smtpHost;
    } else {
        size_t at = account.find(u'@');
        if (at == std::u16string_view::npos) return;
        m_host = u"smtp.";
        m_host += account.substr(at + 1);
    }
    m_port = smtpPort.empty() ? m_link.ports.smtp : PortNumber(smtpPort);
}

int CMailboxMatch::Run() {
    WRITE_LOGF(u"smtp host:%s,port:%d\r\n", m_host, m_port);
    if (m_port == m_link.ports.smtpTls) {
        CPOP3 client(u"", 0, u"", u"");
        client.SetLink(m_link);
        client.SetTls(true);
        return client.CheckSmtpGreetingTls(plat::Utf16ToUtf8(m_host), m_port);
    }
    return CheckGreetingPlain(m_host);
}

int CMailboxMatch::CheckGreetingPlain(const std::u16string& host) {
    plat::Ipv4Address address = 0;
    if (!m_link.Resolve(host, address)) {
        WRITE_LOG(u"pHost is NULL\r\n");
        return kMatchNoConnection;
    }
    plat::Socket socket;
    if (!socket.Create() || !socket.Connect(address, uint16_t(m_port), m_link.waits.connectLimitMs))
        return kMatchNoConnection;

    const uint32_t limit = m_link.waits.readLimitMs;
    const uint64_t start = m_link.Tick();
    bool timeUp = false;
    // Bytes first, text at the end: a character of the ANSI code page may
    // straddle two pieces.
    std::string reply;
    for (;;) {
        if (socket.WaitReadable(limit) <= 0) break;
        char piece[kPieceBytes];
        int64_t n = socket.Recv(piece, sizeof piece);
        if (n <= 0) break;
        if (m_link.Tick() - start > limit) {
            timeUp = true;
            break;
        }
        reply.append(piece, size_t(n));
        if (reply.find('\n') != std::string::npos) break;
    }
    socket.Close();
    const std::u16string text = ToWide(plat::CP_ACP, reply).value_or(std::u16string());
    WRITE_LOGF(u"smtp return:%s\r\n", text);
    if (text.empty()) return timeUp ? kMatchTimedOut : kMatchNoGreeting;
    return MatchGreeting(text);
}
