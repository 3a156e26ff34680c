#include "monitor/AddressBookSync/WebCall.h"

#include <exception>
#include <functional>
#include <mutex>

#include "monitor/AddressBookSync/WebProgress.h"
#include "monitor/Common/FileCook.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/TlsClient.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

constexpr uint32_t kProgressPauseMs = 100;
constexpr size_t kWriteBuffer = 1460;
constexpr size_t kPostReadChunk = 2048;
constexpr size_t kGetReadChunk = 1460;
constexpr size_t kPartFileChunk = 8192;
constexpr int kMaxRedirects = 10;
constexpr size_t kMaxExceptionText = 1024;

const std::u16string kErrorTable[] = {
    u"没有错误！",    u"未定义的错误！", u"未知错误！",     u"参数错误！",
    u"打开URL失败！", u"打开文件失败！", u"写入文件失败！",
};

struct Defaults {
    std::mutex lock;
    WebCallTimeouts timeouts;
    HostLookup lookup = RunNslookup;
};

Defaults& ProcessDefaults() {
    static Defaults d;
    return d;
}

std::u16string SysConfigPath() { return plat::JoinPath(plat::ProgramFolder(), u"sysconfig.ini"); }

int SysConfigInt(std::u16string_view key, int defaultValue) {
    return plat::GetPrivateProfileInt(u"common", key, defaultValue, SysConfigPath());
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() &&
           plat::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool HasScheme(std::u16string_view host) {
    return StartsWithNoCase(host, u"http://") || StartsWithNoCase(host, u"https://");
}

// A reply body that does not start with "{" is cut to the part from the first
// "{" to the last "}".
void TrimToBraces(std::string& body) {
    if (body.empty() || body.front() == '{') return;
    size_t open = body.find('{');
    if (open != std::string::npos) body.erase(0, open);
    size_t close = body.rfind('}');
    if (close == std::string::npos)
        body.resize(1);
    else if (close + 1 < body.size())
        body.resize(close + 1);
}

// A reply cut off in transfer has more "{" than "}". Braces inside JSON strings
// are text (a contact named "a{b"), not structure, and do not count.
bool BracesBalance(const std::string& body) {
    size_t opens = 0, closes = 0;
    bool inString = false, escaped = false;
    for (char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '{') ++opens;
        if (c == '}') ++closes;
    }
    return opens == closes;
}

// Collects the request body into pieces of the network's segment size.
class BodyWriter {
public:
    BodyWriter(plat::HttpRequest& request, std::function<void(uint64_t)> onWritten)
        : m_request(request), m_onWritten(std::move(onWritten)) {}

    bool Put(std::string_view data) {
        while (!data.empty() && !m_failed) {
            size_t n = std::min(kWriteBuffer - m_buffer.size(), data.size());
            m_buffer.append(data.substr(0, n));
            data.remove_prefix(n);
            if (m_buffer.size() == kWriteBuffer) Flush();
        }
        return !m_failed;
    }
    bool Flush() {
        if (m_buffer.empty() || m_failed) return !m_failed;
        if (!m_request.Write(m_buffer.data(), m_buffer.size())) {
            m_failed = true;
            return false;
        }
        m_written += m_buffer.size();
        m_buffer.clear();
        m_onWritten(m_written);
        return true;
    }

private:
    plat::HttpRequest& m_request;
    std::function<void(uint64_t)> m_onWritten;
    std::string m_buffer;
    uint64_t m_written = 0;
    bool m_failed = false;
};

// Posts progress at most once a second.
class ProgressPacer {
public:
    bool Due() {
        uint64_t now = plat::TickCount64();
        if (now - m_last < 1000) return false;
        m_last = now;
        return true;
    }

private:
    uint64_t m_last = plat::TickCount64();
};

}  // namespace

const std::u16string& WebCallErrorText(int errorId) {
    static const std::u16string empty;
    if (errorId < 0 || size_t(errorId) >= std::size(kErrorTable)) return empty;
    return kErrorTable[errorId];
}

std::u16string WebCallSocketUrl(std::u16string_view host, uint16_t port, std::u16string_view path) {
    // A scheme counts only at the start: a host whose name merely contains
    // "http" is still a host.
    if (HasScheme(host)) return plat::Format(u"%s:%u/%s", host, port, path);
    if (port == 443) return plat::Format(u"https://%s:%u/%s", host, port, path);
    return plat::Format(u"http://%s:%u/%s", host, port, path);
}

void CWebCall::SetDefaultTimeouts(const WebCallTimeouts& timeouts) {
    Defaults& d = ProcessDefaults();
    std::lock_guard<std::mutex> lock(d.lock);
    d.timeouts = timeouts;
}

WebCallTimeouts CWebCall::DefaultTimeouts() {
    Defaults& d = ProcessDefaults();
    std::lock_guard<std::mutex> lock(d.lock);
    return d.timeouts;
}

void CWebCall::SetDefaultLookup(HostLookup lookup) {
    Defaults& d = ProcessDefaults();
    std::lock_guard<std::mutex> lock(d.lock);
    d.lookup = lookup ? std::move(lookup) : HostLookup(RunNslookup);
}

HostLookup CWebCall::DefaultLookup() {
    Defaults& d = ProcessDefaults();
    std::lock_guard<std::mutex> lock(d.lock);
    return d.lookup;
}

CWebCall::CWebCall()
    : m_timeouts(DefaultTimeouts()),
      m_lookup(DefaultLookup()),
      m_cancel(std::make_shared<CCancelFlag>()) {}

CWebCall::~CWebCall() = default;

void CWebCall::Run() {
    m_result = false;
    if (m_webData && !m_tempFolder.empty()) {
        try {
            if (m_method == kGet)
                m_result = GetData();
            else if (m_method == kPost)
                m_result = PostData();
        } catch (const std::exception& e) {
            // Nothing may leave the worker; what escaped the transfer is an
            // undefined error with its own text.
            m_errorId = 1;
            m_errorMessage = plat::Utf8ToUtf16(e.what()).substr(0, kMaxExceptionText);
            m_result = false;
        } catch (...) {
            SetError(1);
            m_result = false;
        }
    }
    m_cancelled = IsCancelled();
    if (m_callback) {
        try {
            m_callback(this);
        } catch (...) {
            // Whatever the callback left undone, the worker still ends in order.
            WRITE_LOG(u"CWebCall callback exception\r\n");
        }
    }
    if (m_notifyWnd && m_finishNotice == 2)
        plat::PostMessage(m_notifyWnd, WM_AB_PROGRESS, kProgressHide, 0);
    // The window keeps its own share of the flag.
    m_cancel.reset();
}

void CWebCall::Progress(int percent) {
    if (percent > 100) percent = 100;
    m_lastProgress = percent;
    if (!m_notifyWnd) return;
    plat::PostMessage(m_notifyWnd, WM_AB_PROGRESS, kProgressPercent, percent);
    plat::Sleep(kProgressPauseMs);
}

void CWebCall::SetError(int errorId) {
    m_errorId = errorId;
    m_errorMessage = WebCallErrorText(errorId);
}

void CWebCall::ResolveHost() {
    if (m_host.rfind(u"mail.", 0) != 0) return;
    HostResolveConfig config;
    config.cnameHost = SysConfigInt(u"cnamehost", 1) == 1;
    m_host = ResolveServiceHost(m_host, m_lookup, config);
}

std::u16string CWebCall::ReplyPath() const {
    return plat::JoinPath(m_tempFolder, plat::Format(u"httpg_%lu", plat::CurrentThreadId()));
}

bool CWebCall::PostData() {
    SetError(0);
    uint64_t start = uint64_t(plat::TimeNow());
    ResolveHost();
    if (SysConfigInt(u"httpself", 1) == 1) {
        SocketOutcome outcome = PostBySocket();
        if (outcome == kSocketDone) return true;
        if (outcome == kSocketStop) return false;
    }
    try {
        return PostByHttpClient(start);
    } catch (const std::exception& e) {
        m_errorId = 1;
        m_errorMessage = plat::Utf8ToUtf16(e.what()).substr(0, kMaxExceptionText);
    } catch (...) {
        WRITE_LOGF(u"catch    nPos: %d\r\n", m_lastProgress);
    }
    return false;
}

CWebCall::SocketOutcome CWebCall::PostBySocket() {
    std::string target = plat::Utf16ToUtf8(WebCallSocketUrl(m_host, m_port, m_path));
    std::string body = plat::Utf16ToUtf8(m_body);
    std::string request, header, reply;
    for (int redirects = 0;;) {
        Progress(0);
        SocketRequestHttp client;
        client.SetTimeouts(m_timeouts.socket);
        if (!client.SendRequest(true, target, body, request, header, reply)) return kSocketFallBack;
        if (header.empty()) {
            WRITE_LOG(u"HeaderReceive: is null\r\n");
            return kSocketFallBack;
        }
        if (header.find(" 200 OK") != std::string::npos) break;
        WRITE_LOGF(u"HeaderReceive: %s\r\n", header);
        size_t location = header.find("Location:");
        if (header.find(" 301 Moved Permanently") == std::string::npos ||
            redirects >= kMaxRedirects || location == std::string::npos)
            return kSocketFallBack;
        location += 9;
        size_t end = header.find("\r\n", location);
        if (end == std::string::npos) end = header.find('\n', location);
        target = plat::Utf16ToUtf8(plat::Trim(plat::Utf8ToUtf16(std::string_view(header).substr(
            location, end == std::string::npos ? std::string::npos : end - location))));
        ++redirects;
    }

    Progress(20);
    std::u16string path = ReplyPath();
    CFileCook file(kDiskFullNotice);
    if (!file.Open(path, plat::File::kWrite | plat::File::kCreate | plat::File::kTruncate)) {
        SetError(6);
        return kSocketStop;
    }
    TrimToBraces(reply);
    if (!BracesBalance(reply)) {
        m_errorId = 1;
        reply.clear();
        WRITE_LOG(u"下载数据不完整格式不对\r\n");
    }
    if (!reply.empty()) file.Write(reply.data(), uint32_t(reply.size()));
    if (file.IsDiskFull()) {
        // A reply cut short by a full disk is no reply.
        file.Close();
        m_errorId = 5;
        m_errorMessage = kDiskFullNotice;
        return kSocketStop;
    }
    file.Close();
    Progress(100);
    m_webData->m_content = path;
    return kSocketDone;
}

bool CWebCall::StopPost(uint64_t startTime) {
    WRITE_LOGF(u"return false; nPos:%d CWebCall::PostData() time: %lu\r\n", m_lastProgress,
               uint64_t(plat::TimeNow()) - startTime);
    return false;
}

uint64_t CWebCall::MultipartLength(const std::string& boundaryLine) const {
    uint64_t total = 0;
    for (const auto& part : m_webData->m_parts) {
        if (!part) continue;
        total += boundaryLine.size() + 2;
        for (const auto& h : part->m_headers) total += plat::Utf16ToUtf8(h).size() + 2;
        total += 2;
        if (!part->m_content.empty()) {
            CFileCook f(kDiskFullNotice);
            if (f.Open(part->m_content, plat::File::kRead)) {
                int64_t len = f.GetLength();
                if (len > 0) total += uint64_t(len);
            } else {
                WRITE_LOGF(u"file open: %s %s\r\n", part->m_content, LastErrorText());
            }
        } else {
            total += plat::Utf16ToUtf8(part->m_text).size();
        }
        total += 2;
    }
    return total + boundaryLine.size() + 4;
}

bool CWebCall::PostByHttpClient(uint64_t startTime) {
    // Without certificate checks (tlsverify 0) a secure call goes on in plain
    // HTTP on port 80 as it always did; with them it stays secure, or a server
    // that fails the check would get the request in the clear right after.
    std::u16string host = m_host;
    bool schemeSecure = StartsWithNoCase(host, u"https://");
    if (HasScheme(host)) host.erase(0, schemeSecure ? 8 : 7);
    TlsSettings tls = ReadTlsSettings();
    bool secure = false;
    if (m_port == 443 || schemeSecure) {
        if (tls.verify)
            secure = true;
        else if (m_port == 443)
            m_port = 80;
    }
    if (IsCancelled()) return StopPost(startTime);

    plat::HttpRequest request;
    request.SetTimeouts(m_timeouts.http);
    request.SetTlsOptions({tls.verify, tls.caFile});
    request.SetAbortCheck([this] { return IsCancelled(); });
    if (!request.Open("POST", host, m_port, secure, m_path)) {
        WRITE_LOGF(u"http post connect: %s %u\r\n%s\r\n", m_host, m_port, LastErrorText());
        SetError(4);
        return StopPost(startTime);
    }
    Progress(5);
    if (IsCancelled()) return StopPost(startTime);
    Progress(10);
    if (IsCancelled()) return StopPost(startTime);
    for (const auto& line : m_webData->m_headers) {
        if (!request.AddHeader(line))
            WRITE_LOG(u"httpFile->AddRequestHeaders(*itHeader);  false\r\n");
    }
    unsigned long stamp = static_cast<uint32_t>(plat::TimeNow());
    std::string boundaryLine =
        plat::Utf16ToUtf8(plat::Format(u"-----------------------------%lu", stamp));
    std::u16string contentType =
        m_multipart
            ? plat::Format(
                  u"Content-Type: multipart/form-data; boundary=---------------------------%lu",
                  stamp)
            : plat::Format(
                  u"Content-Type: application/x-www-form-urlencoded; "
                  u"boundary=---------------------------%lu",
                  stamp);
    request.AddHeader(contentType);
    if (IsCancelled()) return StopPost(startTime);
    Progress(15);
    std::string body = plat::Utf16ToUtf8(m_body);
    uint64_t total = m_multipart ? MultipartLength(boundaryLine) : body.size() + 2;
    Progress(20);
    // Our client connects here; a request that never reached the server is a
    // failed transfer, not an empty reply.
    if (!request.Send(total)) {
        if (IsCancelled()) return StopPost(startTime);
        std::u16string reason = LastErrorText();
        WRITE_LOG(u"httpFile->SendRequestEx(contentLen);  false\r\n");
        WRITE_LOGF(u"http post connect: %s %u\r\n%s\r\n", m_host, m_port, reason);
        SetError(4);
        return StopPost(startTime);
    }
    Progress(30);
    if (IsCancelled()) return StopPost(startTime);

    ProgressPacer pacer;
    BodyWriter writer(request, [&](uint64_t written) {
        if (pacer.Due()) Progress(int(30 + written * 40 / total));
    });
    bool wrote = true;
    if (!m_multipart) {
        wrote = writer.Put(body) && writer.Put("\r\n");
    } else {
        for (const auto& part : m_webData->m_parts) {
            if (!wrote) break;
            if (!part) {
                WRITE_LOG(u"wd==NULL\r\n");
                continue;
            }
            wrote = writer.Put(boundaryLine) && writer.Put("\r\n");
            for (const auto& h : part->m_headers)
                wrote = wrote && writer.Put(plat::Utf16ToUtf8(h)) && writer.Put("\r\n");
            wrote = wrote && writer.Put("\r\n");
            if (!part->m_content.empty()) {
                CFileCook f(kDiskFullNotice);
                if (f.Open(part->m_content, plat::File::kRead)) {
                    std::string chunk(kPartFileChunk, '\0');
                    for (uint32_t n;
                         wrote && (n = f.Read(chunk.data(), uint32_t(chunk.size()))) > 0;)
                        wrote = writer.Put(std::string_view(chunk.data(), n));
                }
            } else {
                wrote = wrote && writer.Put(plat::Utf16ToUtf8(part->m_text));
            }
            wrote = wrote && writer.Put("\r\n");
        }
        wrote = wrote && writer.Put(boundaryLine) && writer.Put("--\r\n");
    }
    wrote = wrote && writer.Flush();
    if (!wrote || !request.End()) {
        if (IsCancelled()) return StopPost(startTime);
        std::u16string reason = LastErrorText();
        WRITE_LOG(u"httpFile->EndRequest();  false\r\n");
        WRITE_LOGF(u"http post end: %s\r\n", reason);
        SetError(4);
        return StopPost(startTime);
    }
    Progress(70);
    if (IsCancelled()) return StopPost(startTime);

    int status = 200;
    if (request.QueryStatusCode(status) && (status < 200 || status > 399)) {
        WRITE_LOGF(u"http post response: %d - %s:%u/%s\r\n", status, m_host, m_port, m_path);
        SetError(4);
        return StopPost(startTime);
    }
    uint64_t length = 0;
    if (!request.QueryContentLength(length)) length = 0;

    if (!Download(request, length, kPostReadChunk, 70, 40, -1)) return StopPost(startTime);
    return true;
}

bool CWebCall::Download(plat::HttpRequest& request, uint64_t length, size_t chunkSize, int base,
                        int span, int openedProgress) {
    std::u16string path = ReplyPath();
    CFileCook file(kDiskFullNotice);
    if (!file.Open(path, plat::File::kWrite | plat::File::kCreate | plat::File::kTruncate)) {
        WRITE_LOGF(u"file open: %s %s\r\n", path, LastErrorText());
        SetError(5);
        if (file.IsDiskFull()) m_errorMessage = kDiskFullNotice;
        return false;
    }
    if (openedProgress >= 0) Progress(openedProgress);
    std::string chunk(chunkSize, '\0');
    uint64_t received = 0;
    ProgressPacer pacer;
    for (;;) {
        // A cancelled download keeps what it has in the file.
        if (IsCancelled()) return false;
        if (length != 0 && received >= length) break;
        int64_t n = request.Read(chunk.data(), chunk.size());
        if (n == 0) break;
        if (n < 0) {
            // A reply that broke off is not a reply.
            if (IsCancelled()) return false;
            WRITE_LOGF(u"http read: %s\r\n", LastErrorText());
            SetError(4);
            return false;
        }
        file.Write(chunk.data(), uint32_t(n));
        if (file.IsDiskFull()) {
            m_errorId = 5;
            m_errorMessage = kDiskFullNotice;
            return false;
        }
        received += uint64_t(n);
        if (length != 0 && pacer.Due()) Progress(int(base + received * span / length));
    }
    file.Close();
    m_webData->m_content = path;
    request.Close();
    Progress(100);
    return true;
}

bool CWebCall::GetData() {
    SetError(0);
    uint64_t start = uint64_t(plat::TimeNow());
    ResolveHost();
    auto stop = [&] {
        WRITE_LOGF(u"return false; nPos:%d CWebCall::GetData() time: %lu\r\n", m_lastProgress,
                   uint64_t(plat::TimeNow()) - start);
        return false;
    };
    std::u16string url = plat::Format(u"http://%s:%u/%s", m_host, m_port, m_path);
    std::u16string host = m_host;
    if (HasScheme(host)) host.erase(0, StartsWithNoCase(host, u"https://") ? 8 : 7);
    plat::HttpRequest request;
    request.SetTimeouts(m_timeouts.http);
    request.SetAbortCheck([this] { return IsCancelled(); });
    if (!request.Open("GET", host, m_port, false, m_path) || !request.Send(0) || !request.End()) {
        if (IsCancelled()) return stop();
        WRITE_LOGF(u"http get request: %s\r\n%s\r\n", url, LastErrorText());
        SetError(4);
        return stop();
    }
    Progress(10);
    if (IsCancelled()) return stop();
    int status = 200;
    if (!request.QueryStatusCode(status)) {
        WRITE_LOG(u"httpFile->QueryInfo(HTTP_QUERY_STATUS_CODE, value)   false \r\n");
        status = 200;
    }
    if (status < 200 || status > 399) {
        WRITE_LOGF(u"http get response: %d - %s\r\n", status, url);
        SetError(4);
        return stop();
    }
    uint64_t length = 0;
    if (!request.QueryContentLength(length)) {
        WRITE_LOG(u"httpFile->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, value)   false \r\n");
        length = 0;
    }
    if (!Download(request, length, kGetReadChunk, 20, 80, 20)) return stop();
    return true;
}
