#include "platform/HttpRequest.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace plat {

namespace {

// Reply bytes kept while the caller does not read; the transfer pauses beyond.
constexpr size_t kReceiveBufferLimit = 65536;
// Longest single wait for the network, so that an abort is seen soon.
constexpr int kPollSliceMs = 100;
constexpr long kMaxRedirects = 10;
// The hashed certificate folder of the system's trust store; it stays trusted
// when a certificate file of our own replaces the library's default bundle.
constexpr const char* kSystemCertFolder = "/etc/ssl/certs";

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string_view TrimLine(std::string_view s) {
    while (!s.empty() &&
           (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return EqualsNoCase(Utf8ToUtf16(a), Utf8ToUtf16(b));
}

uint32_t ErrorOf(CURLcode code, long osErrno) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return ETIMEDOUT;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return EHOSTUNREACH;
        case CURLE_COULDNT_CONNECT:
            return osErrno ? uint32_t(osErrno) : uint32_t(ECONNREFUSED);
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
            return EPROTO;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            return osErrno ? uint32_t(osErrno) : uint32_t(ECONNRESET);
        case CURLE_SEND_ERROR:
            return osErrno ? uint32_t(osErrno) : uint32_t(EPIPE);
        default:
            return osErrno ? uint32_t(osErrno) : uint32_t(EIO);
    }
}

}  // namespace

struct HttpRequest::Impl {
    HttpTimeouts timeouts;
    HttpTlsOptions tls;
    std::function<bool()> abortCheck;

    std::string verb;
    std::string url;
    std::vector<std::string> headers;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    struct curl_slist* headerList = nullptr;
    std::string caFile;

    // Request body: all that the caller wrote (kept, since a redirect sends it
    // again) and how much of it the library has taken.
    std::string body;
    size_t bodyPos = 0;
    uint64_t contentLength = 0;
    uint64_t written = 0;
    bool readPaused = false;

    // Reply.
    int statusCode = 0;
    bool hasLocation = false;
    bool redirecting = false;  // the library follows the reply now coming in
    bool headerDone = false;
    bool hasLength = false;
    uint64_t length = 0;
    std::string received;
    size_t receivedPos = 0;
    bool writePaused = false;

    bool connected = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    uint32_t failure = 0;   // the last error of a failed transfer
    uint64_t activity = 0;  // grows with every byte either way

    ~Impl() { Reset(); }

    void Reset() {
        if (easy) {
            if (multi) curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        if (multi) curl_multi_cleanup(multi);
        if (headerList) curl_slist_free_all(headerList);
        easy = nullptr;
        multi = nullptr;
        headerList = nullptr;
        body.clear();
        bodyPos = 0;
        received.clear();
        receivedPos = 0;
        written = contentLength = 0;
        readPaused = writePaused = false;
        statusCode = 0;
        hasLocation = redirecting = false;
        headerDone = hasLength = false;
        length = 0;
        connected = done = false;
        result = CURLE_OK;
        failure = 0;
    }

    static size_t OnRead(char* buffer, size_t size, size_t count, void* self) {
        Impl* d = static_cast<Impl*>(self);
        size_t room = size * count;
        if (d->bodyPos == d->body.size()) {
            if (d->written >= d->contentLength) return 0;
            d->readPaused = true;
            return CURL_READFUNC_PAUSE;
        }
        size_t n = std::min(room, d->body.size() - d->bodyPos);
        std::memcpy(buffer, d->body.data() + d->bodyPos, n);
        d->bodyPos += n;
        d->activity += n;
        return n;
    }

    static int OnSeek(void* self, curl_off_t offset, int origin) {
        Impl* d = static_cast<Impl*>(self);
        if (origin != SEEK_SET || offset < 0 || size_t(offset) > d->body.size())
            return CURL_SEEKFUNC_CANTSEEK;
        d->bodyPos = size_t(offset);
        return CURL_SEEKFUNC_OK;
    }

    static size_t OnWrite(char* data, size_t size, size_t count, void* self) {
        Impl* d = static_cast<Impl*>(self);
        size_t n = size * count;
        if (d->redirecting) return n;  // the body of a redirect is nobody's reply
        if (d->received.size() - d->receivedPos >= kReceiveBufferLimit) {
            d->writePaused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        d->received.append(data, n);
        d->activity += n;
        return n;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
        Impl* d = static_cast<Impl*>(self);
        size_t n = size * count;
        std::string_view line(data, n);
        d->activity += n;
        if (line.rfind("HTTP/", 0) == 0) {
            // A new status line: an interim reply's fields do not count.
            d->hasLength = false;
            d->hasLocation = false;
            d->redirecting = false;
            d->length = 0;
            size_t sp = line.find(' ');
            int code = 0;
            if (sp != std::string_view::npos)
                std::from_chars(line.data() + sp + 1, line.data() + line.size(), code);
            d->statusCode = code;
            return n;
        }
        std::string_view t = TrimLine(line);
        if (t.empty()) {
            int c = d->statusCode;
            bool followed =
                d->hasLocation && (c == 301 || c == 302 || c == 303 || c == 307 || c == 308);
            if (followed)
                d->redirecting = true;
            else if (c >= 200)
                d->headerDone = true;
            return n;
        }
        size_t colon = t.find(':');
        if (colon != std::string_view::npos && SameName(t.substr(0, colon), "Location"))
            d->hasLocation = true;
        if (colon != std::string_view::npos && SameName(t.substr(0, colon), "Content-Length")) {
            std::string_view v = TrimLine(t.substr(colon + 1));
            char* end = nullptr;
            std::string value(v);
            errno = 0;
            unsigned long long len = std::strtoull(value.c_str(), &end, 10);
            d->hasLength = !value.empty() && end && *end == '\0' && errno == 0 &&
                           value.find('-') == std::string::npos;
            d->length = d->hasLength ? len : 0;
        }
        return n;
    }

    static int OnConnected(void* self, char*, char*, int, int) {
        static_cast<Impl*>(self)->connected = true;
        return CURL_PREREQFUNC_OK;
    }

    void CollectDone() {
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(multi, &left)) {
            if (m->msg != CURLMSG_DONE || m->easy_handle != easy) continue;
            done = true;
            result = m->data.result;
            if (result != CURLE_OK) {
                long os = 0;
                curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &os);
                failure = ErrorOf(result, os);
            }
        }
    }

    void Fail(uint32_t error) {
        if (!done) {
            done = true;
            result = CURLE_ABORTED_BY_CALLBACK;
        }
        failure = error;
        SetLastError(error);
    }

    // Runs the transfer until `ready` holds. False when it ended, failed, timed
    // out or was aborted first.
    template <typename Ready>
    bool Drive(Ready ready, uint32_t silenceMs) {
        uint64_t lastActivity = activity;
        uint64_t quietSince = TickCount64();
        for (;;) {
            if (ready()) return true;
            if (done) {
                if (result != CURLE_OK) SetLastError(failure ? failure : EIO);
                return false;
            }
            if (abortCheck && abortCheck()) {
                Fail(kErrorHttpAborted);
                return false;
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                Fail(EIO);
                return false;
            }
            CollectDone();
            if (ready()) return true;
            if (done) continue;
            uint64_t now = TickCount64();
            if (activity != lastActivity) {
                lastActivity = activity;
                quietSince = now;
            }
            // Until the connection stands the library's own connect time-out rules.
            uint32_t limit = connected ? silenceMs : timeouts.connectMs;
            if (now - quietSince >= limit) {
                Fail(ETIMEDOUT);
                return false;
            }
            uint64_t left = limit - (now - quietSince);
            int slice = int(std::min<uint64_t>(left, kPollSliceMs));
            curl_multi_poll(multi, nullptr, 0, slice, nullptr);
        }
    }
};

HttpRequest::HttpRequest() : m_impl(std::make_unique<Impl>()) {}

HttpRequest::~HttpRequest() = default;

void HttpRequest::SetTimeouts(const HttpTimeouts& timeouts) { m_impl->timeouts = timeouts; }

void HttpRequest::SetTlsOptions(const HttpTlsOptions& tls) { m_impl->tls = tls; }

void HttpRequest::SetAbortCheck(std::function<bool()> check) {
    m_impl->abortCheck = std::move(check);
}

bool HttpRequest::Open(std::string_view verb, std::u16string_view host, uint16_t port, bool secure,
                       std::u16string_view path) {
    Impl& d = *m_impl;
    d.Reset();
    d.headers.clear();
    std::string h = Utf16ToUtf8(host);
    if (h.empty() || h.find_first_of(std::string_view("/?#@ \r\n\0", 8)) != std::string::npos ||
        verb.empty()) {
        SetLastError(EINVAL);
        return false;
    }
    std::string p = Utf16ToUtf8(path);
    if (p.empty() || p.front() != '/') p.insert(0, "/");
    d.verb = verb;
    d.url = (secure ? "https://" : "http://") + h + ":" + std::to_string(port) + p;
    return true;
}

bool HttpRequest::AddHeader(std::u16string_view line) {
    std::string l(TrimLine(Utf16ToUtf8(line)));
    size_t colon = l.find(':');
    if (colon == std::string::npos || colon == 0 || l.find_first_of("\r\n") != std::string::npos) {
        SetLastError(EINVAL);
        return false;
    }
    std::string_view name = TrimLine(std::string_view(l).substr(0, colon));
    for (const auto& h : m_impl->headers) {
        if (SameName(TrimLine(std::string_view(h).substr(0, h.find(':'))), name)) {
            SetLastError(EEXIST);
            return false;
        }
    }
    m_impl->headers.push_back(l);
    return true;
}

bool HttpRequest::Send(uint64_t contentLength) {
    Impl& d = *m_impl;
    if (d.url.empty() || d.easy) {
        SetLastError(EINVAL);
        return false;
    }
    GlobalInit();
    d.multi = curl_multi_init();
    d.easy = curl_easy_init();
    if (!d.multi || !d.easy) {
        d.Fail(ENOMEM);
        return false;
    }
    CURL* e = d.easy;
    curl_easy_setopt(e, CURLOPT_URL, d.url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(d.timeouts.connectMs));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &d);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &d);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Impl::OnConnected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &d);
    // Redirects are followed, as the system's client does; a POST stays a POST
    // with its body after 301 and 302.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_301 | CURL_REDIR_POST_302));
    curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &Impl::OnSeek);
    curl_easy_setopt(e, CURLOPT_SEEKDATA, &d);
    if (d.verb == "POST") {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(contentLength));
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &Impl::OnRead);
        curl_easy_setopt(e, CURLOPT_READDATA, &d);
    } else if (d.verb == "GET") {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, d.verb.c_str());
    }
    d.contentLength = d.verb == "POST" ? contentLength : 0;
    // The body follows the header at once; no interim reply is waited for.
    d.headerList = curl_slist_append(d.headerList, "Expect:");
    for (const auto& h : d.headers) d.headerList = curl_slist_append(d.headerList, h.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, d.headerList);
    if (d.tls.verify) {
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!d.tls.caFile.empty()) {
            d.caFile = Utf16ToUtf8(d.tls.caFile);
            curl_easy_setopt(e, CURLOPT_CAINFO, d.caFile.c_str());
            curl_easy_setopt(e, CURLOPT_CAPATH, kSystemCertFolder);
        }
    } else {
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    if (curl_multi_add_handle(d.multi, e) != CURLM_OK) {
        d.Fail(ENOMEM);
        return false;
    }
    // Sent once the library asks for the body, or (without one) once the header
    // is out and the reply is awaited.
    if (d.contentLength == 0) {
        return d.Drive([&] { return d.connected; }, d.timeouts.sendMs);
    }
    return d.Drive([&] { return d.readPaused; }, d.timeouts.sendMs);
}

bool HttpRequest::Write(const void* data, size_t length) {
    Impl& d = *m_impl;
    if (!d.easy || d.written + length > d.contentLength) {
        SetLastError(EINVAL);
        return false;
    }
    if (length == 0) return true;
    d.body.append(static_cast<const char*>(data), length);
    d.written += length;
    if (d.readPaused) {
        d.readPaused = false;
        curl_easy_pause(d.easy, CURLPAUSE_CONT);
    }
    return d.Drive([&] { return d.bodyPos == d.body.size(); }, d.timeouts.sendMs);
}

bool HttpRequest::End() {
    Impl& d = *m_impl;
    if (!d.easy || d.written < d.contentLength) {
        SetLastError(EINVAL);
        return false;
    }
    if (d.readPaused) {
        // The library still waits for the end of the body.
        d.readPaused = false;
        curl_easy_pause(d.easy, CURLPAUSE_CONT);
    }
    return d.Drive([&] { return d.headerDone; }, d.timeouts.receiveMs);
}

bool HttpRequest::QueryStatusCode(int& code) const {
    if (!m_impl->headerDone) return false;
    code = m_impl->statusCode;
    return true;
}

bool HttpRequest::QueryContentLength(uint64_t& length) const {
    if (!m_impl->headerDone || !m_impl->hasLength) return false;
    length = m_impl->length;
    return true;
}

int64_t HttpRequest::Read(void* buffer, size_t length) {
    Impl& d = *m_impl;
    if (!d.easy || !d.headerDone) {
        SetLastError(EINVAL);
        return -1;
    }
    if (length == 0) return 0;
    auto available = [&] { return d.received.size() > d.receivedPos; };
    if (!available()) {
        if (d.writePaused) {
            d.writePaused = false;
            curl_easy_pause(d.easy, CURLPAUSE_CONT);
        }
        if (!d.Drive(available, d.timeouts.receiveMs)) {
            if (d.done && d.result == CURLE_OK) return 0;
            return -1;
        }
    }
    size_t n = std::min(length, d.received.size() - d.receivedPos);
    std::memcpy(buffer, d.received.data() + d.receivedPos, n);
    d.receivedPos += n;
    if (d.receivedPos == d.received.size()) {
        d.received.clear();
        d.receivedPos = 0;
    }
    return int64_t(n);
}

void HttpRequest::Close() { m_impl->Reset(); }

}  // namespace plat
