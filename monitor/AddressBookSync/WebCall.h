// One exchange with the mail service's web interface: a worker that sends one
// HTTP request, stores the reply body in a file below the temporary folder,
// reports progress to a window, and then hands itself to a completion callback.
// POSTs go through the monitor's own socket client first and through the
// system's HTTP client when that fails.
//
// Use: new CWebCall, fill the caller fields, m_autoDelete = true, Start(). The
// callback runs on the worker thread with the call still alive; it owns the web
// data and the context (they are freed with the call when it leaves them). The
// progress window keeps a share of the cancel flag (CancelFlag()).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/AddressBookSync/CancelFlag.h"
#include "monitor/AddressBookSync/HostResolve.h"
#include "monitor/AddressBookSync/Thread.h"
#include "monitor/Common/SocketHttp.h"
#include "platform/HttpRequest.h"
#include "platform/desktop/Window.h"

class CFileCook;
class CWebCall;

// Request extras and, after a successful transfer, the reply file.
class CWebData {
public:
    std::vector<std::u16string> m_headers;           // extra request header lines
    std::u16string m_content;                        // full path of the reply file; a part's file
    std::u16string m_text;                           // a part's text
    std::vector<std::unique_ptr<CWebData>> m_parts;  // multipart parts
};

using WebCallCallback = void (*)(CWebCall* call);

// Time limits of a call; tests make them short.
struct WebCallTimeouts {
    SocketHttpTimeouts socket;
    plat::HttpTimeouts http;  // the fallback client's session options
};

// The error table: "" outside it.
const std::u16string& WebCallErrorText(int errorId);

// The URL the socket client posts to: the host's own scheme when it starts with
// one, else https for port 443 and http for any other.
std::u16string WebCallSocketUrl(std::u16string_view host, uint16_t port, std::u16string_view path);

class CWebCall : public CThread {
public:
    enum Method { kGet = 1, kPost = 2 };

    CWebCall();
    ~CWebCall() override;

    const CancelFlagPtr& CancelFlag() const { return m_cancel; }

    // Transfers; called from Run only, public for the sake of tests.
    bool GetData();
    bool PostData();

    // What new calls start with, process-wide: the time limits and the name
    // lookup (tests replace the real nslookup).
    static void SetDefaultTimeouts(const WebCallTimeouts& timeouts);
    static WebCallTimeouts DefaultTimeouts();
    static void SetDefaultLookup(HostLookup lookup);
    static HostLookup DefaultLookup();

    // Caller fields.
    plat::HWND m_notifyWnd = nullptr;  // receives progress; may be empty
    int m_method = 0;                  // kGet, kPost; anything else sends nothing
    int m_finishNotice = 0;            // 2: post the finished notice after the callback
    std::u16string m_tempFolder;       // folder of the reply file; empty: nothing is sent
    std::u16string m_host;             // may start with http:// or https://
    uint16_t m_port = 80;
    std::u16string m_path;                // without a leading slash
    std::unique_ptr<CWebData> m_webData;  // empty: nothing is sent
    WebCallCallback m_callback = nullptr;
    std::shared_ptr<void> m_context;  // the callback's data
    bool m_multipart = true;
    std::u16string m_body;       // url-encoded request body
    WebCallTimeouts m_timeouts;  // from DefaultTimeouts()
    HostLookup m_lookup;         // from DefaultLookup()

    // Results.
    bool m_cancelled = false;
    bool m_result = false;
    int m_errorId = 0;
    std::u16string m_errorMessage;

protected:
    void Run() override;

private:
    enum SocketOutcome { kSocketDone, kSocketFallBack, kSocketStop };

    bool IsCancelled() const { return m_cancel && m_cancel->IsSet(); }
    void Progress(int percent);
    void SetError(int errorId);
    void ResolveHost();
    std::u16string ReplyPath() const;
    SocketOutcome PostBySocket();
    bool PostByHttpClient(uint64_t startTime);
    bool StopPost(uint64_t startTime);
    // The reply body into the reply file, with progress base + received x span /
    // length (and `openedProgress` once the file is open, unless -1).
    bool Download(plat::HttpRequest& request, uint64_t length, size_t chunkSize, int base, int span,
                  int openedProgress);
    uint64_t MultipartLength(const std::string& boundaryLine) const;

    CancelFlagPtr m_cancel;
    int m_lastProgress = 0;
};
