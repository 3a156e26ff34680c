#include "monitor/Common/POP3.h"

#include <mutex>

#include "monitor/Common/Log.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/Common/TextConvert.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Window.h"

const char16_t kPop3LoginRefused[] = u"登录失败，请检查用户名或密码设置是否正确！";

namespace {

const char16_t kConnectFailed[] = u"连接服务器失败，请检查网络连接是否正常！";
const char16_t kConnectFailedCheck[] =
    u"连接服务器失败，请检查网络连接是否正常，或服务器名和端口设置是否正确！";
const char16_t kGreetingLost[] = u"连接服务器超时导致收信中断，请检查网络连接是否正常！";
const char16_t kNoAnswer[] = u"登录失败，服务器没响应！";
const char16_t kBadProtocol[] = u"Invalid Server SSL Protocol！";
const char16_t kNoTlsObject[] = u"Error creating an SSL context！";

// What the refusal line shows instead of the password: whether one was given,
// nothing of what it is.
const char16_t kPasswordShown[] = u"******";

const char16_t* const kPlainMarks[4] = {u" (**Connect 3**)\r\n", u" (**Connect 4**)\r\n",
                                        u" (**Connect 5**)\r\n", u" (**Connect 6**)\r\n"};
const char16_t* const kTlsMarks[4] = {u" (**SSL_conncect 4**)\r\n", u" (**SSL_conncect 5**)\r\n",
                                      u" (**SSL_conncect 6**)\r\n", u" (**SSL_conncect 7**)\r\n"};

bool IsPositive(const char* reply) {
    return plat::ToUpperChar(char16_t(reply[0])) == u'+' &&
           plat::ToUpperChar(char16_t(reply[1])) == u'O' &&
           plat::ToUpperChar(char16_t(reply[2])) == u'K';
}

std::u16string Text(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }

// The socket layer's error text as the log shows system errors.
std::u16string ErrorOf(uint32_t code) {
    plat::SetLastError(code);
    return LastErrorText();
}

}  // namespace

CPOP3::CPOP3(const char16_t* host, int port, const char16_t* user, const char16_t* password)
    : m_port(port), m_host(Text(host)), m_user(Text(user)), m_password(Text(password)) {}

CPOP3::~CPOP3() {
    if (m_loggedIn) Quit();
    CloseAll();
}

void CPOP3::SetUser(const char16_t* user, const char16_t* password) {
    if (!user || !password) return;
    m_user = user;
    m_password = password;
}

void CPOP3::CloseTls() {
    m_tls.Shutdown();
    m_tls.Close();
    m_rawSocket.Close();
}

void CPOP3::CloseAll() {
    CloseTls();
    m_socket.Close();
}

// --- Reading and writing -------------------------------------------------------------------

int CPOP3::Read(char* buffer, int size) {
    const uint32_t limit = m_link.waits.readLimitMs;
    if (m_useTls) {
        const uint64_t start = m_link.Tick();
        for (;;) {
            int n = m_tls.Read(buffer, size);
            if (n != CTlsClient::kWantRead) return n > 0 ? n : -1;
            uint64_t spent = m_link.Tick() - start;
            if (spent >= limit) {
                WRITE_LOG(u"连接服务器超出最大连接时限 30s！ (**Select 1**)\r\n");
                return -1;
            }
            // Waiting for the socket in place of polling: the same limit, no
            // delay once the bytes are there.
            m_rawSocket.WaitReadable(uint32_t(limit - spent));
        }
    }
    int ready = m_socket.WaitReadable(limit);
    if (ready > 0) return int(m_socket.Recv(buffer, size_t(size)));
    if (ready == 0) {
        WRITE_LOG(u"连接服务器超出最大连接时限 30s！(**Select 2**)\r\n");
        return -1;
    }
    WRITE_LOGF(u"%s\r\n", LastErrorText());
    return -1;
}

int CPOP3::ReadLine(char* buffer, int size) {
    if (size <= 0) return -1;
    int kept = 0;
    buffer[0] = 0;
    for (;;) {
        char c;
        if (Read(&c, 1) <= 0) {
            buffer[kept] = 0;
            return -1;
        }
        // An overlong line is cut, but read up to its end so the next reply
        // starts where it should.
        if (kept < size - 1) buffer[kept++] = c;
        if (c == '\n') break;
    }
    buffer[kept] = 0;
    return kept;
}

bool CPOP3::SendCommand(const std::u16string& command) {
    std::string bytes = ToNarrow(plat::CP_ACP, command).value_or(std::string());
    if (m_useTls) return m_tls.Write(bytes.data(), bytes.size());
    return m_socket.SendAll(bytes.data(), bytes.size());
}

void CPOP3::Refused(const char16_t* mark) {
    std::u16string reply = ToWide(plat::CP_UTF8, m_reply).value_or(std::u16string());
    WRITE_LOGF(u"user: %s, password: %s,server return info: %s \r\n%s%s", m_user,
               m_password.empty() ? u"" : kPasswordShown, reply, kPop3LoginRefused, mark);
    m_errorText = kPop3LoginRefused;
}

int CPOP3::Authenticate(const char16_t* const marks[4]) {
    const std::u16string commands[2] = {plat::Format(u"USER %s\r\n", m_user),
                                        plat::Format(u"PASS %s\r\n", m_password)};
    for (int step = 0; step < 2; ++step) {
        // A command that cannot be sent gets no answer either; no need to wait.
        if (!SendCommand(commands[step]) || ReadLine(m_reply, sizeof m_reply) < 0) {
            m_errorText = kNoAnswer;
            WRITE_LOGF(u"%s%s", kNoAnswer, marks[2 * step]);
            CloseAll();
            return 0;
        }
        if (!IsPositive(m_reply)) {
            Refused(marks[2 * step + 1]);
            CloseAll();
            return 0;
        }
    }
    m_loggedIn = 1;
    return 1;
}

// --- Plain login ---------------------------------------------------------------------------

bool CPOP3::ConnectPlain(plat::Ipv4Address address, const std::u16string& ip) {
    const ServerWaits& waits = m_link.waits;
    const uint16_t port = uint16_t(m_port);
    if (m_socket.Connect(address, port, waits.connectLimitMs)) return true;
    uint32_t error = plat::GetLastError();
    int retries = 0;
    bool connected = false;
    // The pause is a thread timer on the desktop's clock: the thread sleeps in
    // its message wait and still handles its windows' messages.
    uint64_t last = plat::ClockNow();
    uintptr_t timer = plat::SetTimer(nullptr, 0, waits.reconnectMs);
    for (;;) {
        if (!plat::PumpWaitingMessages()) break;  // the program is ending
        if (m_keepGoing && *m_keepGoing == 0) {
            m_socket.Close();
            break;
        }
        const uint64_t spent = plat::ClockNow() - last;
        if (spent < waits.reconnectMs) {
            // False from the endless wait only with the hand-driven clock, when
            // nothing is left to come.
            if (timer) {
                if (!plat::WaitMessage()) break;
            } else {
                plat::WaitMessage(uint32_t(waits.reconnectMs - spent));
            }
            continue;
        }
        plat::KillTimer(nullptr, timer);
        timer = 0;
        m_socket.Close();
        connected = m_socket.Create() && m_socket.Connect(address, port, waits.connectLimitMs);
        if (connected) break;
        error = plat::GetLastError();
        if (++retries > waits.connectRetries) break;
        last = plat::ClockNow();
        timer = plat::SetTimer(nullptr, 0, waits.reconnectMs);
    }
    if (timer) plat::KillTimer(nullptr, timer);
    if (connected) return true;
    m_errorText = kConnectFailedCheck;
    WRITE_LOGF(u"hostname: %s, ip: %s, port: %d ,%s  (**Connect 1**)\r\n%s\r\n", m_host, ip, m_port,
               ErrorOf(error), m_errorText);
    m_socket.Close();
    return false;
}

int CPOP3::LoginPlain() {
    if (m_loggedIn) return 1;
    m_useTls = false;
    if (!m_socket.Create()) return 0;
    plat::Ipv4Address address = 0;
    if (!m_link.Resolve(m_host, address)) {
        m_errorText = kConnectFailed;
        m_socket.Close();
        return 0;
    }
    if (!ConnectPlain(address, plat::FormatIpv4(address))) return 0;
    if (ReadLine(m_reply, sizeof m_reply) < 0) {
        m_errorText = kGreetingLost;
        WRITE_LOGF(u"%s (**Connect 2**)\r\n", kGreetingLost);
        CloseAll();
        return 0;
    }
    return Authenticate(kPlainMarks);
}

// --- TLS -----------------------------------------------------------------------------------

bool CPOP3::ConnectRaw(plat::Ipv4Address address) {
    const uint32_t limit = m_link.waits.readLimitMs;
    // The limits bound the handshake too: a server that accepts and never
    // speaks TLS must not hold the thread for good.
    return m_rawSocket.Create() &&
           m_rawSocket.Connect(address, uint16_t(m_port), m_link.waits.connectLimitMs) &&
           m_rawSocket.SetReceiveTimeout(limit) && m_rawSocket.SetSendTimeout(limit);
}

int CPOP3::LoginTls(int port) {
    if (m_loggedIn) return 1;
    m_useTls = true;
    m_port = port;
    const std::string host = plat::Utf16ToUtf8(m_host);
    plat::Ipv4Address address = 0;
    if (!m_link.Resolve(m_host, address)) {
        m_errorText = kConnectFailedCheck;
        WRITE_LOGF(u"%s (**SSL_conncect 1**)\r\n", LastErrorText());
        return 0;
    }
    const std::u16string ip = plat::FormatIpv4(address);
    if (!ConnectRaw(address)) {
        m_errorText = kConnectFailedCheck;
        WRITE_LOGF(u"hostname: %s, ip:%s ,port: %d ,%s\r\n (**SSL_conncect 2**)\r\n", m_host, ip,
                   port, LastErrorText());
        m_rawSocket.Close();
        return 0;
    }
    // Held for the whole login, so no other TLS set-up runs in between.
    std::lock_guard<std::recursive_mutex> lock(TlsLock());
    switch (m_tls.Connect(m_rawSocket, host, ReadTlsSettings())) {
        case CTlsClient::kTlsOk:
            break;
        case CTlsClient::kTlsNoContext:
            m_errorText = kBadProtocol;
            WRITE_LOGF(u"%s\r\n%s\r\n", kBadProtocol, m_tls.ErrorText());
            CloseTls();
            return 0;
        case CTlsClient::kTlsNoConnection:
            m_errorText = kNoTlsObject;
            WRITE_LOGF(u"%s\r\n%s\r\n", kNoTlsObject, m_tls.ErrorText());
            CloseTls();
            return 0;
        default:
            m_errorText = kConnectFailedCheck;
            // The TLS client's reason says more than the system's last error
            // (an untrusted certificate, for one).
            WRITE_LOGF(u"hostname: %s,ip:%s, port: %d ,%s\r\n (**SSL_conncect 3**)\r\n", m_host, ip,
                       port, m_tls.ErrorText());
            CloseTls();
            return 0;
    }
    if (!m_rawSocket.SetBlocking(false)) {
        CloseTls();
        return 0;
    }
    if (ReadLine(m_reply, sizeof m_reply) < 0) {
        CloseTls();
        return 0;
    }
    return Authenticate(kTlsMarks);
}

int CPOP3::Quit() {
    if (!m_loggedIn) return 1;
    SendCommand(u"QUIT\r\n");
    int n = Read(m_reply, int(sizeof m_reply) - 1);
    m_reply[n > 0 ? n : 0] = 0;
    // Logged out either way: a second QUIT would only wait as long again.
    m_loggedIn = 0;
    CloseAll();
    if (n < 0) {
        m_errorText.clear();
        WRITE_LOG(u"连接服务器超时导致收信中断，请检查网络连接是否正常！ (**Disconnected**)\r\n");
        return -1;
    }
    return 1;
}

int CPOP3::CheckSmtpGreetingTls(std::string_view host, int port) {
    m_useTls = true;
    m_port = port;
    const std::u16string wideHost = plat::Utf8ToUtf16(host);
    plat::Ipv4Address address = 0;
    if (!m_link.Resolve(wideHost, address)) {
        WRITE_LOG(u"pHost is NULL\r\n");
        return 1;
    }
    if (!ConnectRaw(address)) {
        WRITE_LOGF(u"%s\r\n", kConnectFailedCheck);
        m_rawSocket.Close();
        return 1;
    }
    switch (m_tls.Connect(m_rawSocket, host, ReadTlsSettings())) {
        case CTlsClient::kTlsOk:
            break;
        case CTlsClient::kTlsNoContext:
            WRITE_LOGF(u"%s\r\n%s\r\n", kBadProtocol, m_tls.ErrorText());
            CloseTls();
            return 1;
        case CTlsClient::kTlsNoConnection:
            WRITE_LOGF(u"%s\r\n%s\r\n", kNoTlsObject, m_tls.ErrorText());
            CloseTls();
            return 1;
        default:
            WRITE_LOGF(u"%s\r\n%s\r\n", kConnectFailedCheck, m_tls.ErrorText());
            CloseTls();
            return 1;
    }
    if (!m_rawSocket.SetBlocking(false)) {
        WRITE_LOG(u"ioctlsocket failed !\r\n");
        CloseTls();
        return 1;
    }
    if (ReadLine(m_reply, sizeof m_reply) < 0) {
        CloseTls();
        return 1;
    }
    CloseTls();
    std::u16string text = ToWide(plat::CP_ACP, m_reply).value_or(std::u16string());
    WRITE_LOGF(u"smtp return: %s\r\n", text);
    if (text.empty()) return 4;
    return MatchGreeting(text);
}
