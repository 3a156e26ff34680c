// The client side of TLS for every connection the monitor makes by itself (the
// socket HTTP client, the POP3 login, the SMTP greeting check): one way to set up
// the context, check the server and run the handshake, and the process-wide lock
// that serialises that set-up.
//
// The server's certificate chain and host name are checked against the system's
// trust store unless sysconfig.ini [common] tlsverify is 0 (for servers with
// private certificates); [common] cafile names a PEM file trusted in addition.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Socket.h"

struct ssl_ctx_st;
struct ssl_st;

struct TlsSettings {
    bool verify = true;
    std::u16string caFile;  // empty: the system's store only
};

// sysconfig.ini [common] tlsverify (default 1) and cafile (default none), read
// at the moment of use.
TlsSettings ReadTlsSettings();

// Held from the library initialisation to the end of a handshake; a caller that
// needs more (the POP3 login holds it for the whole login) takes it around
// Connect, which takes it again.
std::recursive_mutex& TlsLock();

class CTlsClient {
public:
    enum Result {
        kTlsOk = 0,
        kTlsNoContext = 1,       // library or context set-up failed
        kTlsNoConnection = 2,    // the connection object could not be made
        kTlsHandshakeFailed = 3  // handshake failed or the server was not trusted
    };
    // Read: nothing arrived yet (non-blocking socket) or within the socket's
    // receive time-out.
    static constexpr int kWantRead = -2;

    CTlsClient() = default;
    ~CTlsClient();
    CTlsClient(const CTlsClient&) = delete;
    CTlsClient& operator=(const CTlsClient&) = delete;

    // Sets up TLS on a connected socket and runs the handshake; the socket must
    // outlive this object (or its Close). `hostName` is the name the server's
    // certificate must carry (a dotted address is checked as an address). The
    // socket is switched to blocking mode; its time-outs bound the handshake.
    int Connect(plat::Socket& socket, std::string_view hostName, const TlsSettings& settings);
    // Bytes read (at least 1), 0 when the server ended the connection, -1 on an
    // error, kWantRead.
    int Read(void* buffer, int length);
    bool Write(const void* data, size_t length);
    // Tells the server that we are done (once); the socket stays open.
    void Shutdown();
    // Frees the connection and the context.
    void Close();
    bool IsConnected() const { return m_ssl != nullptr && m_connected; }

    // Why the last step failed: the certificate check's verdict or the library's
    // own text.
    const std::u16string& ErrorText() const { return m_errorText; }

private:
    void SetLibraryError(std::u16string_view what);

    ssl_ctx_st* m_ctx = nullptr;
    ssl_st* m_ssl = nullptr;
    bool m_connected = false;
    bool m_shutdown = false;
    std::u16string m_errorText;
};
