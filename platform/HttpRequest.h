// The system's HTTP client in the shape the web calls use it (session options,
// one request to one server, headers, a body written in pieces, the reply status
// and header, the reply body read in pieces). Redirects are followed. The
// request body is kept until the request ends (a redirect sends it again); the
// reply is handed on a few pieces at a time. Failures return false (or -1) and
// set the last error; a request that waits for the server gives up after the
// session's time-outs, or as soon as its abort check says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace plat {

struct HttpTimeouts {
    uint32_t connectMs = 290000;
    uint32_t sendMs = 290000;     // longest silence while the request goes out
    uint32_t receiveMs = 290000;  // longest silence while waiting for the reply
};

// How a secure request checks the server.
struct HttpTlsOptions {
    bool verify = true;     // the certificate chain and the host name
    std::u16string caFile;  // trusted besides the system's store; may be empty
};

// Codes the layer above tests for.
constexpr uint32_t kErrorHttpAborted = 125;  // the abort check ended the request

class HttpRequest {
public:
    HttpRequest();
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    void SetTimeouts(const HttpTimeouts& timeouts);
    void SetTlsOptions(const HttpTlsOptions& tls);
    // Asked while the request waits for the server; true ends the request.
    void SetAbortCheck(std::function<bool()> check);

    // Names the request; nothing goes out yet. The path may start with "/".
    bool Open(std::string_view verb, std::u16string_view host, uint16_t port, bool secure,
              std::u16string_view path);
    // One "Name: value" line; false when a header of that name was added before.
    bool AddHeader(std::u16string_view line);
    // Connects and sends the request header, announcing a body of `contentLength`
    // bytes (0: none).
    bool Send(uint64_t contentLength);
    // The next piece of the body.
    bool Write(const void* data, size_t length);
    // After the whole body: waits for the status line and header of the reply.
    bool End();
    // False while no reply header arrived.
    bool QueryStatusCode(int& code) const;
    // False when the reply has no (valid) Content-Length.
    bool QueryContentLength(uint64_t& length) const;
    // Reply body bytes; 0 at its end, -1 on error.
    int64_t Read(void* buffer, size_t length);
    void Close();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat
