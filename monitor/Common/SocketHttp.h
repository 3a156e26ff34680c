// The monitor's own HTTP/1.0 client: one request over one TCP connection, plain
// or TLS, with the whole reply collected in memory. The web calls send every
// POST through it first. It keeps no state between requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/Common/TlsClient.h"

// A URL as the client reads it: scheme and host upper-cased, the path as given.
struct HttpUrlParts {
    std::string scheme;
    std::string host;
    uint16_t port = 80;
    std::string path;
    bool tls = false;
};
// False for a scheme other than HTTP and HTTPS or a port that is no number.
bool ParseHttpUrl(std::string_view url, HttpUrlParts& parts);

struct SocketHttpTimeouts {
    uint32_t connectMs = 30000;
    // A plain server silent this long has sent its whole body.
    uint32_t plainIdleMs = 2000;
    // Longest silence in the reply header, the TLS handshake and a TLS body;
    // it ends that part of the exchange as the end of the connection would.
    uint32_t stallMs = 290000;
};

class SocketRequestHttp {
public:
    // More than any address book needs; a longer reply is a failure.
    static constexpr size_t kDefaultReplyLimit = size_t(256) << 20;

    SocketRequestHttp() = default;
    virtual ~SocketRequestHttp() = default;

    void SetTimeouts(const SocketHttpTimeouts& timeouts) { m_timeouts = timeouts; }
    // Header and body together.
    void SetReplyLimit(size_t bytes) { m_replyLimit = bytes; }
    // Without this, sysconfig.ini decides at each request.
    void SetTlsSettings(const TlsSettings& settings) { m_tls = settings; }

    // True when the exchange completed: `request` holds what was sent, `header`
    // and `body` what came back (an empty header is still a completed exchange).
    // False on any failure, with the outputs untouched.
    bool SendRequest(bool post, std::string_view url, std::string_view body, std::string& request,
                     std::string& header, std::string& replyBody);

private:
    SocketHttpTimeouts m_timeouts;
    size_t m_replyLimit = kDefaultReplyLimit;
    std::optional<TlsSettings> m_tls;
};
