#include "monitor/AddressBookSync/WebCall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "monitor/AddressBookSync/WebProgress.h"
#include "platform/Profile.h"
#include "platform/Sync.h"
#include "platform/Time.h"
#include "support/Mailsim.h"
#include "support/TestFolder.h"

namespace {

using qntest::JsonNode;

const char16_t kPath[] = u"api/mailbox/getAddresses";
const char16_t kBody[] = u"&domainname=example.com&id=kx&mailbox=wang@example.com&share=0";

// What the callback saw, kept beyond the call.
struct Outcome {
    bool called = false;
    bool result = false;
    bool cancelled = false;
    int errorId = -1;
    std::u16string message;
    std::u16string content;
    std::string reply;  // the reply file's bytes
    uint32_t thread = 0;
    uint16_t port = 0;  // the call's port after the transfer
};

void RecordOutcome(CWebCall* call) {
    auto o = std::static_pointer_cast<Outcome>(call->m_context);
    o->called = true;
    o->result = call->m_result;
    o->cancelled = call->m_cancelled;
    o->errorId = call->m_errorId;
    o->message = call->m_errorMessage;
    o->content = call->m_webData ? call->m_webData->m_content : u"";
    if (!o->content.empty()) plat::ReadFile(o->content, o->reply);
    o->thread = plat::CurrentThreadId();
    o->port = call->m_port;
    // The callback owns the extras; this one leaves them to the call.
}

// The progress window as the calls see it: it keeps what they posted.
class ProgressWindow : public plat::Window {
public:
    ProgressWindow() {
        CreateEx(0, u"WebProgressTest", u"", plat::WS_POPUP, 0, 0, 290, 140, nullptr);
    }

    std::vector<std::pair<plat::WPARAM, plat::LPARAM>> posts;
    bool finished = false;

protected:
    plat::LRESULT WindowProc(plat::UINT m, plat::WPARAM w, plat::LPARAM l) override {
        if (m != WM_AB_PROGRESS) return Window::WindowProc(m, w, l);
        posts.emplace_back(w, l);
        if (w == kProgressHide) finished = true;
        return 0;
    }
};

class WebCallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = new qntest::Mailsim(); }
    static void TearDownTestSuite() {
        delete s_sim;
        s_sim = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(s_sim && s_sim->Ok());
        ASSERT_TRUE(s_sim->SetFaults("{}"));
        s_sim->WebRequests();
        m_http = m_folder.Join(u"http");
        ASSERT_TRUE(plat::CreateDirectories(m_http));
        Config(u"cafile", plat::Utf8ToUtf16(s_sim->CaFile()));
    }
    void TearDown() override { plat::ResetDesktop(); }

    void Config(std::u16string_view key, std::u16string_view value) {
        plat::WritePrivateProfileString(u"common", key, value, m_folder.Join(u"sysconfig.ini"));
    }

    // A POST of kBody to mailsim's plain listener, ready to start.
    CWebCall* NewCall(std::shared_ptr<Outcome>& outcome) {
        auto* call = new CWebCall;
        outcome = std::make_shared<Outcome>();
        call->m_method = CWebCall::kPost;
        call->m_tempFolder = m_http;
        call->m_host = u"127.0.0.1";
        call->m_port = s_sim->Port("http");
        call->m_path = kPath;
        call->m_webData = std::make_unique<CWebData>();
        call->m_callback = RecordOutcome;
        call->m_context = outcome;
        call->m_multipart = false;
        call->m_body = kBody;
        call->m_autoDelete = true;
        call->m_timeouts.socket.connectMs = 5000;
        call->m_timeouts.socket.stallMs = 300;
        call->m_timeouts.http = {5000, 5000, 300};
        return call;
    }

    std::shared_ptr<Outcome> Run(CWebCall* call) {
        auto outcome = std::static_pointer_cast<Outcome>(call->m_context);
        EXPECT_TRUE(call->Start());
        EXPECT_TRUE(CThread::WaitForWorkers(120000));
        return outcome;
    }

    std::shared_ptr<Outcome> RunPost(const std::function<void(CWebCall*)>& configure = {}) {
        std::shared_ptr<Outcome> outcome;
        CWebCall* call = NewCall(outcome);
        if (configure) configure(call);
        return Run(call);
    }

    std::u16string ReplyFile(uint32_t thread) const {
        return plat::JoinPath(m_http, plat::Format(u"httpg_%lu", thread));
    }

    // The requests of our own client (it names itself) or of the system's.
    static std::vector<JsonNode> ByClient(const std::vector<JsonNode>& requests, bool ours) {
        std::vector<JsonNode> out;
        for (const auto& r : requests) {
            bool named = false;
            for (const auto& h : r["headers"].items)
                named =
                    named || (h[0].text == "User-Agent" && h[1].text == "QuillnetM-PluginMonitor");
            if (named == ours) out.push_back(r);
        }
        return out;
    }

    static qntest::Mailsim* s_sim;
    qntest::TestFolder m_folder;
    std::u16string m_http;
};

qntest::Mailsim* WebCallTest::s_sim = nullptr;

TEST(WebCallErrorText, IsTheFixedTable) {
    const char16_t* texts[] = {u"没有错误！",    u"未定义的错误！", u"未知错误！",    u"参数错误！",
                               u"打开URL失败！", u"打开文件失败！", u"写入文件失败！"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(WebCallErrorText(i), texts[i]);
    EXPECT_EQ(WebCallErrorText(-1), u"");
    EXPECT_EQ(WebCallErrorText(7), u"");
}

TEST(WebCallSocketUrl, SchemeFromTheHostOrThePort) {
    struct Case {
        const char16_t* host;
        uint16_t port;
        const char16_t* url;
    } cases[] = {
        {u"mail.example.com", 443, u"https://mail.example.com:443/api/x"},
        {u"mail.example.com", 80, u"http://mail.example.com:80/api/x"},
        {u"https://mail.example.com", 8443, u"https://mail.example.com:8443/api/x"},
        {u"HTTP://mail.example.com", 443, u"HTTP://mail.example.com:443/api/x"},
        {u"mail.httpsite.example", 443, u"https://mail.httpsite.example:443/api/x"},
        {u"httpmail.example", 8080, u"http://httpmail.example:8080/api/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(WebCallSocketUrl(c.host, c.port, u"api/x"), c.url);
}

TEST_F(WebCallTest, PostStoresTheReplyAndReportsProgress) {
    ASSERT_TRUE(s_sim->SetFaults(R"({"body": "{\"ret\":0,\"name\":\"王\"}"})"));
    ProgressWindow window;
    std::shared_ptr<Outcome> outcome;
    CWebCall* call = NewCall(outcome);
    call->m_notifyWnd = window.Handle();
    call->m_finishNotice = 2;
    Run(call);
    plat::PumpWaitingMessages();

    ASSERT_TRUE(outcome->called);
    EXPECT_TRUE(outcome->result);
    EXPECT_FALSE(outcome->cancelled);
    EXPECT_EQ(outcome->errorId, 0);
    EXPECT_EQ(outcome->message, u"没有错误！");
    EXPECT_NE(outcome->thread, plat::CurrentThreadId());
    EXPECT_EQ(outcome->content, ReplyFile(outcome->thread));
    EXPECT_EQ(outcome->reply, "{\"ret\":0,\"name\":\"王\"}");
    using P = std::pair<plat::WPARAM, plat::LPARAM>;
    EXPECT_EQ(window.posts, (std::vector<P>{{2, 0}, {2, 20}, {2, 100}, {4, 0}}));

    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 1u);
    const JsonNode& r = requests[0];
    EXPECT_EQ(r["method"].text, "POST");
    EXPECT_EQ(r["path"].text, "/api/mailbox/getAddresses");
    EXPECT_EQ(r["version"].text, "HTTP/1.0");
    EXPECT_EQ(r["body"].text, plat::Utf16ToUtf8(kBody));
}

TEST_F(WebCallTest, FinishNoticeOnlyWhenAskedFor) {
    ProgressWindow window;
    std::shared_ptr<Outcome> outcome;
    CWebCall* call = NewCall(outcome);
    call->m_notifyWnd = window.Handle();
    call->m_finishNotice = 3;
    Run(call);
    plat::PumpWaitingMessages();
    EXPECT_TRUE(outcome->result);
    EXPECT_FALSE(window.finished);
    EXPECT_EQ(window.posts.size(), 3u);
}

TEST_F(WebCallTest, NothingIsSentWithoutWebDataOrFolder) {
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(which);
        auto outcome = RunPost([&](CWebCall* c) {
            if (which == 0) c->m_webData.reset();
            if (which == 1) c->m_tempFolder.clear();
            if (which == 2) c->m_method = 3;
        });
        EXPECT_TRUE(outcome->called);
        EXPECT_FALSE(outcome->result);
        EXPECT_EQ(outcome->errorId, 0);
    }
    EXPECT_TRUE(s_sim->WebRequests().empty());
}

TEST_F(WebCallTest, PostOverTlsWhenTheHostNamesTheScheme) {
    ASSERT_TRUE(s_sim->SetFaults(R"({"body": "{\"secure\":1}"})"));
    auto outcome = RunPost([&](CWebCall* c) {
        c->m_host = u"https://localhost";
        c->m_port = s_sim->Port("https");
    });
    EXPECT_TRUE(outcome->result);
    EXPECT_EQ(outcome->reply, "{\"secure\":1}");
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["listener"].text, "https");
    EXPECT_EQ(requests[0]["version"].text, "HTTP/1.0");
}

TEST_F(WebCallTest, AnUntrustedServerGetsNoRequestOnEitherPath) {
    Config(u"cafile", u"");
    auto outcome = RunPost([&](CWebCall* c) {
        c->m_host = u"https://localhost";
        c->m_port = s_sim->Port("https");
    });
    EXPECT_FALSE(outcome->result);
    EXPECT_EQ(outcome->errorId, 4);
    EXPECT_EQ(outcome->message, u"打开URL失败！");
    EXPECT_TRUE(s_sim->WebRequests().empty());

    // The administrator's way out for a server with a private certificate.
    Config(u"tlsverify", u"0");
    outcome = RunPost([&](CWebCall* c) {
        c->m_host = u"https://localhost";
        c->m_port = s_sim->Port("https");
    });
    EXPECT_TRUE(outcome->result);
}

TEST_F(WebCallTest, PortFourFourThreeFallsBackToPlainHttpOnlyWithoutChecks) {
    // Whatever answers on these ports of this machine, the call's own port tells
    // where its fallback went.
    for (const char16_t* verify : {u"1", u"0"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(verify));
        Config(u"tlsverify", verify);
        auto outcome = RunPost([](CWebCall* c) { c->m_port = 443; });
        EXPECT_EQ(outcome->port, verify[0] == u'1' ? 443 : 80);
    }
}

TEST_F(WebCallTest, SocketRepliesAreCutToTheirBraces) {
    struct Case {
        const char* faults;
        bool result;
        int errorId;
        const char* reply;
    } cases[] = {
        {R"({"body": "{\"a\":{\"b\":1}}", "noise_before": "xy", "noise_after": "zw"})", true, 0,
         "{\"a\":{\"b\":1}}"},
        {R"({"body": "{\"a\":1}", "noise_after": "zw"})", true, 0, "{\"a\":1}zw"},
        {R"({"body": "no braces at all"})", true, 0, "n"},
        // Braces in strings are text; a reply cut inside a string is still cut.
        {R"({"body": "{\"name\":\"a{b\"}"})", true, 0, "{\"name\":\"a{b\"}"},
        {R"({"body": "{\"n\":\"a\\\"{b\"}"})", true, 0, "{\"n\":\"a\\\"{b\"}"},
        {R"({"body": "{\"name\":\"a}b"})", true, 1, ""},
        {R"({"body": "{\"a\":{\"b\":1}}", "unbalanced": true})", true, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        ASSERT_TRUE(s_sim->SetFaults(c.faults));
        auto outcome = RunPost();
        EXPECT_EQ(outcome->result, c.result);
        EXPECT_EQ(outcome->errorId, c.errorId);
        // The unbalanced reply keeps entry 0 as its text.
        EXPECT_EQ(outcome->message, u"没有错误！");
        EXPECT_FALSE(outcome->content.empty());
        EXPECT_EQ(outcome->reply, c.reply);
    }
    EXPECT_NE(m_folder.LogUtf8().find("下载数据不完整格式不对\r\n"), std::string::npos);
}

TEST_F(WebCallTest, FollowsTenPermanentRedirectsAndNoMore) {
    ASSERT_TRUE(s_sim->SetFaults(R"({"redirect301": 10})"));
    auto outcome = RunPost();
    EXPECT_TRUE(outcome->result);
    // The end of the chain answers as the service does (this request is unsigned).
    EXPECT_EQ(outcome->reply.rfind("{\"ret\":1,", 0), 0u) << outcome->reply;
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 11u);
    for (const auto& r : requests) {
        EXPECT_EQ(r["version"].text, "HTTP/1.0");
        EXPECT_EQ(r["method"].text, "POST");
        EXPECT_EQ(r["body"].text, plat::Utf16ToUtf8(kBody));
    }
    EXPECT_EQ(requests.back()["path"].text, "/hop/0/api/mailbox/getAddresses");
    EXPECT_NE(m_folder.LogUtf8().find("HeaderReceive: HTTP/1.0 301 Moved Permanently\r\n"),
              std::string::npos);

    // The eleventh redirect is not followed: the system's client takes over and
    // meets the same chain, which is longer than it follows.
    ASSERT_TRUE(s_sim->SetFaults(R"({"redirect301": 11})"));
    outcome = RunPost();
    EXPECT_FALSE(outcome->result);
    EXPECT_EQ(outcome->errorId, 4);
    requests = s_sim->WebRequests();
    EXPECT_EQ(ByClient(requests, true).size(), 11u);
    EXPECT_EQ(ByClient(requests, false).size(), 11u);  // one request and ten redirects
}

TEST_F(WebCallTest, AFoundRedirectFallsBackToTheSystemClient) {
    ASSERT_TRUE(s_sim->SetFaults(R"({"redirect302": true})"));
    auto outcome = RunPost();
    EXPECT_TRUE(outcome->result);
    EXPECT_EQ(outcome->errorId, 0);
    EXPECT_EQ(outcome->reply.rfind("{\"ret\":1,", 0), 0u) << outcome->reply;
    auto requests = s_sim->WebRequests();
    auto socket = ByClient(requests, true);
    auto system = ByClient(requests, false);
    ASSERT_EQ(socket.size(), 1u);
    EXPECT_EQ(socket[0]["status"].Int(), 302);
    // The system's client follows the redirect with the same POST, its body
    // ended by a line break.
    ASSERT_EQ(system.size(), 2u);
    EXPECT_EQ(system[1]["path"].text, "/hop/0/api/mailbox/getAddresses");
    EXPECT_EQ(system[1]["method"].text, "POST");
    EXPECT_EQ(system[1]["body"].text, plat::Utf16ToUtf8(kBody) + "\r\n");
    std::string log = m_folder.LogUtf8();
    EXPECT_NE(log.find("HeaderReceive: HTTP/1.0 302 Found\r\n"), std::string::npos);
}

TEST_F(WebCallTest, WithoutTheSocketClientEveryPostGoesThroughTheSystemClient) {
    Config(u"httpself", u"0");
    ProgressWindow window;
    ASSERT_TRUE(s_sim->SetFaults(R"({"body": "{\"ret\":0}"})"));
    std::shared_ptr<Outcome> outcome;
    CWebCall* call = NewCall(outcome);
    call->m_notifyWnd = window.Handle();
    Run(call);
    plat::PumpWaitingMessages();
    EXPECT_TRUE(outcome->result);
    EXPECT_EQ(outcome->reply, "{\"ret\":0}");
    std::vector<plat::LPARAM> percents;
    for (auto& p : window.posts) percents.push_back(p.second);
    EXPECT_EQ(percents, (std::vector<plat::LPARAM>{5, 10, 15, 20, 30, 70, 100}));
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(ByClient(requests, true).empty());
    EXPECT_EQ(requests[0]["body"].text, plat::Utf16ToUtf8(kBody) + "\r\n");
    std::string contentType;
    for (const auto& h : requests[0]["headers"].items)
        if (h[0].text == "Content-Type") contentType = h[1].text;
    EXPECT_EQ(
        contentType.rfind("application/x-www-form-urlencoded; boundary=" + std::string(27, '-'), 0),
        0u);
}

TEST_F(WebCallTest, TransferFailuresEndInErrorFour) {
    uint16_t closedPort;
    {
        plat::Socket s;
        ASSERT_TRUE(s.ListenLoopback());
        closedPort = s.LocalPort();
    }
    struct Case {
        const char* name;
        const char* faults;
        std::u16string host;
        uint16_t port;
        const char* log;
        const char* stop;  // where the system's client gave up
    } cases[] = {
        {"unknown host", "{}", u"nonexistent.invalid", 80,
         "http post connect: nonexistent.invalid 80", "nPos:20"},
        {"refused", "{}", u"127.0.0.1", closedPort, "httpFile->SendRequestEx(contentLen);  false",
         "nPos:20"},
        {"silent", R"({"silent": true})", u"127.0.0.1", 0, "HeaderReceive: is null", "nPos:30"},
        {"dropped", R"({"drop": true})", u"127.0.0.1", 0, "httpFile->EndRequest();  false",
         "nPos:30"},
        {"server error", R"({"status": 503})", u"127.0.0.1", 0,
         "http post response: 503 - 127.0.0.1:", "nPos:70"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(s_sim->SetFaults(c.faults));
        auto outcome = RunPost([&](CWebCall* call) {
            call->m_host = c.host;
            if (c.port) call->m_port = c.port;
        });
        EXPECT_FALSE(outcome->result);
        EXPECT_FALSE(outcome->cancelled);
        EXPECT_EQ(outcome->errorId, 4);
        EXPECT_EQ(outcome->message, u"打开URL失败！");
        EXPECT_EQ(outcome->content, u"");
        std::string log = m_folder.LogUtf8();
        EXPECT_NE(log.find(c.log), std::string::npos) << log;
        EXPECT_NE(log.find(std::string("return false; ") + c.stop + " CWebCall::PostData() time:"),
                  std::string::npos);
    }
}

TEST_F(WebCallTest, AReplyFileThatCannotBeMadeEndsTheCall) {
    // The socket path gives up without trying the other client.
    auto outcome = RunPost([&](CWebCall* c) { c->m_tempFolder = m_folder.Join(u"missing"); });
    EXPECT_FALSE(outcome->result);
    EXPECT_EQ(outcome->errorId, 6);
    EXPECT_EQ(outcome->message, u"写入文件失败！");
    EXPECT_EQ(s_sim->WebRequests().size(), 1u);

    Config(u"httpself", u"0");
    outcome = RunPost([&](CWebCall* c) { c->m_tempFolder = m_folder.Join(u"missing"); });
    EXPECT_FALSE(outcome->result);
    EXPECT_EQ(outcome->errorId, 5);
    EXPECT_EQ(outcome->message, u"打开文件失败！");
    EXPECT_NE(m_folder.LogUtf8().find("file open: "), std::string::npos);
}

TEST_F(WebCallTest, ACancelBeforeTheSystemClientSendsNothing) {
    Config(u"httpself", u"0");
    auto outcome = RunPost([](CWebCall* c) { c->CancelFlag()->Set(); });
    EXPECT_FALSE(outcome->result);
    EXPECT_TRUE(outcome->cancelled);
    EXPECT_EQ(outcome->errorId, 0);
    EXPECT_EQ(outcome->content, u"");
    EXPECT_TRUE(s_sim->WebRequests().empty());
}

TEST_F(WebCallTest, TheSocketClientFinishesDespiteACancel) {
    auto outcome = RunPost([](CWebCall* c) { c->CancelFlag()->Set(); });
    EXPECT_TRUE(outcome->result);
    EXPECT_TRUE(outcome->cancelled);
    EXPECT_FALSE(outcome->content.empty());
}

TEST_F(WebCallTest, ACancelDuringTheDownloadKeepsThePartialFile) {
    Config(u"httpself", u"0");
    std::string body = "{\"data\":\"" + std::string(3000, 'x') + "\"}";
    ASSERT_TRUE(s_sim->SetFaults("{\"body\": " + qntest::JsonQuote(body) +
                                 ", \"pause\": 60, \"pause_at\": 2500}"));
    ProgressWindow window;
    std::shared_ptr<Outcome> outcome;
    CWebCall* call = NewCall(outcome);
    call->m_notifyWnd = window.Handle();
    call->m_finishNotice = 2;
    call->m_timeouts.http.receiveMs = 60000;
    CancelFlagPtr cancel = call->CancelFlag();
    ASSERT_TRUE(call->Start());
    // The user cancels once the first part of the reply is on disk, while the
    // server holds back the rest.
    auto partSize = [&] {
        auto names = plat::ListDirectory(m_http);
        return names.empty() ? int64_t(-1) : plat::FileSize(plat::JoinPath(m_http, names[0]));
    };
    uint64_t guard = plat::TickCount64() + 30000;
    while (partSize() < 2500 && plat::TickCount64() < guard) std::this_thread::yield();
    cancel->Set();
    plat::MSG msg;
    while (!window.finished && plat::GetMessage(msg)) plat::DispatchMessage(msg);
    ASSERT_TRUE(CThread::WaitForWorkers(60000));

    EXPECT_FALSE(outcome->result);
    EXPECT_TRUE(outcome->cancelled);
    EXPECT_EQ(outcome->errorId, 0);
    EXPECT_EQ(outcome->content, u"");
    std::string partial;
    ASSERT_TRUE(plat::ReadFile(ReplyFile(outcome->thread), partial));
    EXPECT_EQ(partial, body.substr(0, 2500));
    EXPECT_NE(m_folder.LogUtf8().find("return false; nPos:70 CWebCall::PostData()"),
              std::string::npos);
}

TEST_F(WebCallTest, TheCancelFlagOutlivesTheCall) {
    std::shared_ptr<Outcome> outcome;
    CWebCall* call = NewCall(outcome);
    CancelFlagPtr kept = call->CancelFlag();  // what the progress window holds
    Run(call);
    EXPECT_TRUE(outcome->called);
    EXPECT_EQ(kept.use_count(), 1);
    // The window cancels after the call has gone: harmless.
    kept->Set();
    EXPECT_TRUE(kept->IsSet());
}

TEST_F(WebCallTest, CallsAtOnceUseTheirOwnReplyFiles) {
    ASSERT_TRUE(s_sim->SetFaults(R"({"body": "{\"n\":1}"})"));
    std::vector<std::shared_ptr<Outcome>> outcomes(4);
    for (auto& o : outcomes) NewCall(o)->Start();
    ASSERT_TRUE(CThread::WaitForWorkers(120000));
    std::set<std::u16string> files;
    for (auto& o : outcomes) {
        EXPECT_TRUE(o->result);
        EXPECT_EQ(o->reply, "{\"n\":1}");
        files.insert(o->content);
    }
    EXPECT_EQ(files.size(), outcomes.size());
}

TEST_F(WebCallTest, GetReadsTheReplyOfTheSystemClient) {
    auto outcome = RunPost([](CWebCall* c) { c->m_method = CWebCall::kGet; });
    EXPECT_FALSE(outcome->result);
    EXPECT_EQ(outcome->errorId, 4);
    std::string log = m_folder.LogUtf8();
    EXPECT_NE(log.find("http get response: 405 - http://127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find("CWebCall::GetData() time:"), std::string::npos);

    ASSERT_TRUE(s_sim->SetFaults(R"({"status": 200})"));
    outcome = RunPost([](CWebCall* c) { c->m_method = CWebCall::kGet; });
    EXPECT_TRUE(outcome->result);
    EXPECT_EQ(outcome->reply, "{\"error\":\"POST only\"}");
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1]["method"].text, "GET");
}

TEST_F(WebCallTest, MultipartBodiesCarryTextAndFileParts) {
    Config(u"httpself", u"0");
    std::u16string file = m_folder.Join(u"part.bin");
    std::string fileBytes(9000, 'f');
    fileBytes += "end";
    ASSERT_TRUE(plat::WriteFile(file, fileBytes));
    auto outcome = RunPost([&](CWebCall* c) {
        c->m_multipart = true;
        auto text = std::make_unique<CWebData>();
        text->m_headers = {u"Content-Disposition: form-data; name=\"a\""};
        text->m_text = u"值";
        auto data = std::make_unique<CWebData>();
        data->m_headers = {u"Content-Disposition: form-data; name=\"f\"; filename=\"p\"",
                           u"Content-Type: application/octet-stream"};
        data->m_content = file;
        c->m_webData->m_parts.push_back(std::move(text));
        c->m_webData->m_parts.push_back(nullptr);
        c->m_webData->m_parts.push_back(std::move(data));
    });
    EXPECT_TRUE(outcome->result);
    auto requests = s_sim->WebRequests();
    ASSERT_EQ(requests.size(), 1u);
    std::string contentType;
    for (const auto& h : requests[0]["headers"].items)
        if (h[0].text == "Content-Type") contentType = h[1].text;
    const std::string prefix = "multipart/form-data; boundary=" + std::string(27, '-');
    ASSERT_EQ(contentType.rfind(prefix, 0), 0u);
    std::string line = "--" + contentType.substr(contentType.find("boundary=") + 9);
    std::string expected = line + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n值\r\n" +
                           line +
                           "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"p\"\r\n"
                           "Content-Type: application/octet-stream\r\n\r\n" +
                           fileBytes + "\r\n" + line + "--\r\n";
    EXPECT_EQ(requests[0]["body"].text, expected);
    EXPECT_NE(m_folder.LogUtf8().find("wd==NULL\r\n"), std::string::npos);
}

TEST_F(WebCallTest, AMailHostIsLookedUpBeforeTheTransfer) {
    std::vector<std::u16string> asked;
    std::mutex lock;
    for (const char16_t* cnamehost : {u"1", u"0"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(cnamehost));
        Config(u"cnamehost", cnamehost);
        asked.clear();
        auto outcome = RunPost([&](CWebCall* c) {
            c->m_host = u"mail.nonexistent.invalid";
            c->m_lookup = [&](std::u16string_view name) {
                std::lock_guard<std::mutex> l(lock);
                asked.emplace_back(name);
                return std::u16string(u"** server can't find it: NXDOMAIN\n");
            };
        });
        EXPECT_EQ(outcome->errorId, 4);
        std::vector<std::u16string> expected = {u"mail.nonexistent.invalid"};
        if (cnamehost[0] == u'1') expected.push_back(u"smtp.nonexistent.invalid");
        EXPECT_EQ(asked, expected);
    }
}

}  // namespace
