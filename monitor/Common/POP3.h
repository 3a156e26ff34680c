// The POP3 login that verifies a mailbox address and its password: log in, log
// out, never read mail. Plain on the POP3 port, TLS on any other. Every failure
// sets a user-facing error text and writes a numbered log line, so that a failed
// sign-in can be traced; no part of the password ever reaches the log. The same
// TLS set-up serves the SMTP greeting check on the TLS port.
#pragma once

#include <string>
#include <string_view>

#include "monitor/Common/BlockingSocket.h"
#include "monitor/Common/ServerLink.h"
#include "monitor/Common/TlsClient.h"
#include "platform/Socket.h"

// The error text of a server that refused the user name or the password; every
// other error text stands for a connection problem.
extern const char16_t kPop3LoginRefused[];  // "登录失败，请检查用户名或密码设置是否正确！"

class CPOP3 {
public:
    // Null texts are taken as empty.
    CPOP3(const char16_t* host, int port, const char16_t* user, const char16_t* password);
    // Logs out first when still logged in.
    virtual ~CPOP3();
    CPOP3(const CPOP3&) = delete;
    CPOP3& operator=(const CPOP3&) = delete;

    // Replaces both, only when both are given.
    void SetUser(const char16_t* user, const char16_t* password);
    void SetTls(bool tls) { m_useTls = tls; }
    // While the plain login waits to reconnect, a value of 0 here gives up.
    void SetKeepGoing(const int* keepGoing) { m_keepGoing = keepGoing; }
    void SetLink(const ServerLink& link) { m_link = link; }

    // 1 when logged in, 0 when not (the error text says why). The plain login
    // dispatches the thread's window messages while it connects and while it
    // waits to try again.
    int LoginPlain();
    int LoginTls(int port);
    // 1 when logged out or not logged in, -1 when the server did not answer.
    int Quit();
    // The greeting check of server discovery on a TLS port: 0 (the service's
    // server), 1 (no connection), 2 (another server) or 4 (no greeting).
    int CheckSmtpGreetingTls(std::string_view host, int port);

    const std::u16string& ErrorText() const { return m_errorText; }
    bool IsLoggedIn() const { return m_loggedIn != 0; }

private:
    bool ConnectPlain(plat::Ipv4Address address, const std::u16string& ip);
    bool ConnectRaw(plat::Ipv4Address address);
    void CloseTls();
    void CloseAll();
    int Read(char* buffer, int size);
    int ReadLine(char* buffer, int size);
    bool SendCommand(const std::u16string& command);
    // A server reply that is not "+OK"; the line names the step by `mark`.
    void Refused(const char16_t* mark);
    // USER and PASS after the greeting: 1 when logged in.
    int Authenticate(const char16_t* const marks[4]);

    std::u16string m_errorText;
    int m_loggedIn = 0;
    int m_port = 0;
    std::u16string m_host;
    std::u16string m_user;
    std::u16string m_password;
    CBlockingSocket m_socket;
    const int* m_keepGoing = nullptr;
    CTlsClient m_tls;
    plat::Socket m_rawSocket;
    bool m_useTls = false;
    ServerLink m_link;
    char m_reply[10240] = {};
};
