#include "monitor/Common/SocketHttp.h"

#include <charconv>

#include "monitor/Common/Log.h"
#include "platform/Format.h"
#include "platform/Socket.h"
#include "platform/Text.h"

namespace {

constexpr size_t kBodyChunk = 20479;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool IsHostChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

// One connection, plain or TLS, read the same way.
class Connection {
public:
    Connection(plat::Socket& socket, CTlsClient* tls) : m_socket(socket), m_tls(tls) {}

    bool Send(std::string_view data) {
        return m_tls ? m_tls->Write(data.data(), data.size()) : m_socket.SendAll(data);
    }
    // One byte of the header; false at the end of the connection, on an error
    // or after the stall time-out.
    bool ReadByte(char& c) {
        if (m_tls) return m_tls->Read(&c, 1) == 1;
        return m_socket.Recv(&c, 1) == 1;
    }
    // The next piece of the body; 0 or less ends it.
    int64_t ReadPiece(char* buffer, size_t length, uint32_t plainIdleMs) {
        if (m_tls) return m_tls->Read(buffer, int(length));
        if (m_socket.WaitReadable(plainIdleMs) <= 0) return 0;
        return m_socket.Recv(buffer, length);
    }

private:
    plat::Socket& m_socket;
    CTlsClient* m_tls;
};

}  // namespace

bool ParseHttpUrl(std::string_view url, HttpUrlParts& parts) {
    std::string upper(url);
    for (auto& c : upper) c = UpperAscii(c);
    HttpUrlParts p;
    size_t colon = upper.find(':');
    size_t pos = 0;
    if (colon == std::string::npos) {
        p.scheme = "HTTP";
    } else {
        p.scheme = upper.substr(0, colon);
        pos = colon + 1;
        if (upper.compare(pos, 2, "//") == 0) pos += 2;
    }
    size_t end = pos;
    while (end < upper.size() && IsHostChar(upper[end])) ++end;
    std::string host = upper.substr(pos, end - pos);
    p.path = std::string(url.substr(end));
    p.port = 80;
    size_t portAt = host.find(':');
    if (portAt != std::string::npos) {
        std::string_view digits = std::string_view(host).substr(portAt + 1);
        unsigned value = 0;
        auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
            value == 0 || value > 65535)
            return false;
        p.port = uint16_t(value);
        host.resize(portAt);
    }
    p.host = host;
    if (p.scheme == "HTTPS") {
        p.tls = true;
        if (p.port == 80) p.port = 443;
    } else if (p.scheme != "HTTP") {
        return false;
    }
    parts = std::move(p);
    return true;
}

bool SocketRequestHttp::SendRequest(bool post, std::string_view url, std::string_view body,
                                    std::string& request, std::string& header,
                                    std::string& replyBody) {
    HttpUrlParts u;
    if (!ParseHttpUrl(url, u)) return false;

    plat::Ipv4Address address = 0;
    if (u.host.empty() || !plat::ResolveIpv4(plat::Utf8ToUtf16(u.host), address)) return false;
    plat::Socket socket;
    if (!socket.Create() || !socket.Connect(address, u.port, m_timeouts.connectMs)) return false;
    socket.SetReceiveTimeout(m_timeouts.stallMs);
    socket.SetSendTimeout(m_timeouts.stallMs);

    CTlsClient tls;
    if (u.tls) {
        TlsSettings settings = m_tls ? *m_tls : ReadTlsSettings();
        if (tls.Connect(socket, u.host, settings) != CTlsClient::kTlsOk) {
            WRITE_LOGF(u"SocketRequestHttp TLS %s:%u %s\r\n", u.host, u.port, tls.ErrorText());
            return false;
        }
    }
    Connection conn(socket, u.tls ? &tls : nullptr);

    std::string text = post ? "POST " : "GET ";
    text += u.path.empty() ? "/" : u.path;
    text += " HTTP/1.0\r\n";
    text += "User-Agent: QuillnetM-PluginMonitor\r\n";
    if (post && !body.empty()) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    text += "Host: " + u.host + "\r\n";
    if (post) text += "Content-Type: application/x-www-form-urlencoded\r\n";
    text += "\r\n";
    if (!conn.Send(text) || (post && !body.empty() && !conn.Send(body))) return false;
    if (post) text += body;

    // The header ends at an empty line: a line feed with nothing but carriage
    // returns before it on its line.
    std::string replyHeader;
    bool lineBlank = true;
    char c;
    while (conn.ReadByte(c)) {
        replyHeader += c;
        if (replyHeader.size() > m_replyLimit) return false;
        if (c == '\n') {
            if (lineBlank) break;
            lineBlank = true;
        } else if (c != '\r') {
            lineBlank = false;
        }
    }

    std::string replyData;
    std::string buffer(kBodyChunk, '\0');
    for (;;) {
        int64_t n = conn.ReadPiece(buffer.data(), buffer.size(), m_timeouts.plainIdleMs);
        if (n <= 0) break;
        if (replyHeader.size() + replyData.size() + size_t(n) > m_replyLimit) return false;
        replyData.append(buffer.data(), size_t(n));
    }

    tls.Shutdown();
    socket.Close();
    tls.Close();
    request = std::move(text);
    header = std::move(replyHeader);
    replyBody = std::move(replyData);
    return true;
}
