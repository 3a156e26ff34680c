#include "monitor/Common/TlsClient.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

// The library talks to the network through our socket layer, not through the
// descriptor: a write to a connection the server dropped is then an error, not
// a signal that ends the program.
int BioWrite(BIO* bio, const char* data, size_t length, size_t* written) {
    auto* socket = static_cast<plat::Socket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    int64_t n = socket->Send(data, length);
    if (n < 0) {
        if (plat::GetLastError() == plat::kErrorWouldBlock) BIO_set_retry_write(bio);
        return 0;
    }
    *written = size_t(n);
    return 1;
}

int BioRead(BIO* bio, char* data, size_t length, size_t* readBytes) {
    auto* socket = static_cast<plat::Socket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    int64_t n = socket->Recv(data, length);
    if (n < 0) {
        if (plat::GetLastError() == plat::kErrorWouldBlock) BIO_set_retry_read(bio);
        return 0;
    }
    *readBytes = size_t(n);
    return n > 0 ? 1 : 0;
}

long BioCtrl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

const BIO_METHOD* SocketBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "plat socket");
        if (m) {
            BIO_meth_set_write_ex(m, BioWrite);
            BIO_meth_set_read_ex(m, BioRead);
            BIO_meth_set_ctrl(m, BioCtrl);
            BIO_meth_set_create(m, BioCreate);
        }
        return m;
    }();
    return method;
}

bool IsDottedAddress(std::string_view host) {
    plat::Ipv4Address a;
    return plat::ParseIpv4(plat::Utf8ToUtf16(host), a);
}

}  // namespace

TlsSettings ReadTlsSettings() {
    std::u16string ini = plat::JoinPath(plat::ProgramFolder(), u"sysconfig.ini");
    TlsSettings s;
    s.verify = plat::GetPrivateProfileInt(u"common", u"tlsverify", 1, ini) != 0;
    s.caFile = plat::GetPrivateProfileString(u"common", u"cafile", u"", ini);
    return s;
}

std::recursive_mutex& TlsLock() {
    static std::recursive_mutex lock;
    return lock;
}

CTlsClient::~CTlsClient() { Close(); }

void CTlsClient::SetLibraryError(std::u16string_view what) {
    m_errorText = what;
    unsigned long code = ERR_get_error();
    if (code != 0) {
        char buf[256];
        ERR_error_string_n(code, buf, sizeof buf);
        m_errorText += u": ";
        m_errorText += plat::Utf8ToUtf16(buf);
    }
    ERR_clear_error();
}

int CTlsClient::Connect(plat::Socket& socket, std::string_view hostName,
                        const TlsSettings& settings) {
    Close();
    m_errorText.clear();
    std::lock_guard<std::recursive_mutex> lock(TlsLock());
    ERR_clear_error();
    if (!OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                          nullptr) ||
        !SocketBioMethod()) {
        SetLibraryError(u"TLS library initialisation failed");
        return kTlsNoContext;
    }
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (!m_ctx) {
        SetLibraryError(u"TLS context failed");
        return kTlsNoContext;
    }
    // Servers of HTTP/1.0 replies end them by closing the connection, often
    // without the TLS goodbye: that is the end of the reply, not an error.
    SSL_CTX_set_options(m_ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (settings.verify) {
        SSL_CTX_set_verify(m_ctx, SSL_VERIFY_PEER, nullptr);
        if (SSL_CTX_set_default_verify_paths(m_ctx) != 1) {
            SetLibraryError(u"system trust store not loaded");
            return kTlsNoContext;
        }
        if (!settings.caFile.empty()) {
            std::string path = plat::NativePath(settings.caFile);
            if (SSL_CTX_load_verify_locations(m_ctx, path.c_str(), nullptr) != 1) {
                SetLibraryError(u"cafile not loaded: " + settings.caFile);
                return kTlsNoContext;
            }
        }
    } else {
        SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    }

    m_ssl = SSL_new(m_ctx);
    BIO* bio = m_ssl ? BIO_new(SocketBioMethod()) : nullptr;
    if (!bio) {
        SetLibraryError(u"TLS connection failed");
        return kTlsNoConnection;
    }
    BIO_set_data(bio, &socket);
    SSL_set_bio(m_ssl, bio, bio);
    std::string host(hostName);
    for (auto& c : host) c = char(plat::ToLowerChar(char16_t(static_cast<unsigned char>(c))));
    bool dotted = IsDottedAddress(host);
    if (!host.empty() && !dotted) SSL_set_tlsext_host_name(m_ssl, host.c_str());
    if (settings.verify) {
        int ok = dotted ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.c_str())
                        : SSL_set1_host(m_ssl, host.c_str());
        if (ok != 1 || host.empty()) {
            SetLibraryError(u"host name not usable for the certificate check");
            return kTlsNoConnection;
        }
    }
    if (!socket.SetBlocking(true)) {
        m_errorText = u"socket mode";
        return kTlsHandshakeFailed;
    }
    if (SSL_connect(m_ssl) != 1) {
        long verdict = SSL_get_verify_result(m_ssl);
        if (settings.verify && verdict != X509_V_OK) {
            m_errorText = u"server not trusted: ";
            m_errorText += plat::Utf8ToUtf16(X509_verify_cert_error_string(verdict));
            ERR_clear_error();
        } else {
            SetLibraryError(u"TLS handshake failed");
        }
        return kTlsHandshakeFailed;
    }
    m_connected = true;
    return kTlsOk;
}

int CTlsClient::Read(void* buffer, int length) {
    if (!IsConnected() || length <= 0) return -1;
    int n = SSL_read(m_ssl, buffer, length);
    if (n > 0) return n;
    int err = SSL_get_error(m_ssl, n);
    ERR_clear_error();
    if (err == SSL_ERROR_WANT_READ) return kWantRead;
    if (err == SSL_ERROR_ZERO_RETURN) return 0;
    return -1;
}

bool CTlsClient::Write(const void* data, size_t length) {
    if (!IsConnected()) return false;
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        int chunk = length > size_t(INT_MAX) ? INT_MAX : int(length);
        int n = SSL_write(m_ssl, p, chunk);
        if (n <= 0) {
            ERR_clear_error();
            return false;
        }
        p += n;
        length -= size_t(n);
    }
    return true;
}

void CTlsClient::Shutdown() {
    if (IsConnected() && !m_shutdown) {
        m_shutdown = true;
        SSL_shutdown(m_ssl);
        ERR_clear_error();
    }
}

void CTlsClient::Close() {
    if (m_ssl) SSL_free(m_ssl);
    if (m_ctx) SSL_CTX_free(m_ctx);
    m_ssl = nullptr;
    m_ctx = nullptr;
    m_connected = false;
    m_shutdown = false;
}
