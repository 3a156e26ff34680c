#include "monitor/AddressBookSync/SyncResult.h"

#include <cstring>
#include <exception>
#include <vector>

#include "monitor/AddressBookSync/AddressSync.h"
#include "monitor/AddressBookSync/StoreBook.h"
#include "monitor/AddressBookSync/SyncProgress.h"
#include "monitor/AddressBookSync/WebCall.h"
#include "monitor/Common/AddressDbLock.h"
#include "monitor/Common/FileCook.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/MailboxMatch.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

const char16_t kJsonErrorText[] = u"json 解析错误";
constexpr uint32_t kReadChunk = 1 << 20;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Bytes of the sequence a lead byte starts.
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// The bytes of `chunk` that end on a whole sequence; the rest waits for the
// next chunk.
size_t WholeSequences(const std::string& chunk) {
    size_t n = chunk.size();
    for (size_t back = 1; back <= 4 && back <= n; ++back) {
        unsigned char b = static_cast<unsigned char>(chunk[n - back]);
        if (IsContinuation(b)) continue;
        return SequenceLength(b) > back ? n - back : n;
    }
    return n;
}

// Reads up to `length` bytes, stopping at a NUL byte; each chunk is handed to
// `take` with the bytes that are a whole number of sequences.
template <typename Take>
void ReadText(CFileCook& file, int64_t length, Take take) {
    std::string chunk;
    std::vector<char> buffer(kReadChunk);
    int64_t left = length;
    while (left > 0) {
        uint32_t want = uint32_t(std::min<int64_t>(left, kReadChunk));
        uint32_t got = file.Read(buffer.data(), want);
        if (got == 0) break;
        left -= got;
        const char* nul = static_cast<const char*>(std::memchr(buffer.data(), 0, got));
        chunk.append(buffer.data(), nul ? size_t(nul - buffer.data()) : got);
        if (nul) break;
        size_t whole = WholeSequences(chunk);
        take(std::string_view(chunk).substr(0, whole));
        chunk.erase(0, whole);
    }
    take(std::string_view(chunk));
}

// UTF-16 units of valid UTF-8: one per sequence, two for a four-byte one.
size_t Utf16Units(std::string_view bytes) {
    size_t units = 0;
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        if (!IsContinuation(b)) ++units;
        if (b >= 0xF0) ++units;
    }
    return units;
}

// A reply is read in chunks, counted once and converted once into a text of
// its exact size: the whole file and a growing text are never held together.
bool ReadReplyText(const std::u16string& path, std::u16string& text) {
    CFileCook file(kDiskFullNotice);
    if (!file.Open(path, plat::File::kRead)) {
        WRITE_LOGF(u"file open: %s %s\r\n", path, LastErrorText());
        return false;
    }
    const int64_t length = file.GetLength();
    size_t units = 0;
    ReadText(file, length, [&](std::string_view bytes) { units += Utf16Units(bytes); });
    file.Seek(0, plat::File::kBegin);
    text.clear();
    text.reserve(units);
    ReadText(file, length, [&](std::string_view bytes) {
        if (!bytes.empty()) text += plat::Utf8ToUtf16(bytes);
    });
    file.Close();
    return true;
}

// From the first "{" to the last "}" (byte-wise the same on UTF-8: neither
// occurs inside a sequence). Without any "}" only the first character stays.
void TrimToBraces(std::u16string& text) {
    if (!text.empty() && text.front() != u'{') {
        size_t open = text.find(u'{');
        if (open != std::u16string::npos) text.erase(0, open);
    }
    size_t close = text.rfind(u'}');
    if (close == std::u16string::npos)
        text.resize(std::min<size_t>(text.size(), 1));
    else if (close + 1 < text.size())
        text.resize(close + 1);
}

std::u16string SysConfigPath() { return plat::JoinPath(plat::ProgramFolder(), u"sysconfig.ini"); }

void ApplyDelFile(const std::u16string& replyPath) {
    if (plat::GetPrivateProfileInt(u"common", u"delfile", 1, SysConfigPath()) == 1)
        plat::DeleteFile(replyPath);
}

bool CancelSet(CWebCall* call) { return call->CancelFlag() && call->CancelFlag()->IsSet(); }

CSyncContext* ContextOf(CWebCall* call) {
    return static_cast<CSyncContext*>(call->m_context.get());
}

// The callback owns both and frees them.
void FreeRequest(CWebCall* call) {
    call->m_webData.reset();
    call->m_context.reset();
}

// The two downloads differ only in these.
struct DownloadRules {
    const char16_t* missingCall;
    const char16_t* transferError;  // automatic flag, m_errorId, error message
    const char16_t* emptyReply;     // null: not logged
    const char16_t* serverError;    // automatic flag, ret, msg
    const char16_t* cancelled;
    const char16_t* succeeded;
    const char16_t* exception;
    bool trimToBraces;
    SyncEvent success;
    bool readErrorGoesOn;  // an unreadable reply leads to the next step anyway
    void (*store)(const CJsonValue& data, const std::u16string& path);
};

const DownloadRules kShareRules = {
    u"void CallBackSyncShare(CWebCall *t_webCall) t_webCall == NULL \r\n",
    u"nIsAuto:%d  m_errorId:%d   %s\r\n",
    u" void CallBackSyncShare webData->m_content.IsEmpty()\r\n",
    u"nIsAuto:%d  errorno:%d   errormsg:%s\r\n",
    u"CallBackSyncShare sync cancel\r\n",
    u"CallBackSyncShare EVENT_SHARE\r\n",
    u"CallBackSyncShare exception\r\n",
    true,
    EVENT_SHARE,
    false,
    [](const CJsonValue& data, const std::u16string& path) {
        StoreShareBook(data, path, ServerType());
    },
};

const DownloadRules kPersonalRules = {
    u"t_webCall == NULL\r\n",
    u" nIAuto:%d  m_errorId:%d   %s\r\n",
    nullptr,
    u" nIAuto:%d  errorno:%d  errormsg:%s\r\n",
    u"CallBackSyncPersonal sync cancel\r\n",
    u"CallBackSyncPersonal EVENT_SELF\r\n",
    u"CallBackSyncPersonal exception\r\n",
    false,
    EVENT_SELF,
    true,
    [](const CJsonValue& data, const std::u16string& path) {
        StorePersonalBook(data, path, ServerType());
    },
};

// What a failed transfer tells the user. An unbalanced reply fails with its
// message still saying there was no error; the error's own text says better.
std::u16string FailureText(const CWebCall* call) {
    if (call->m_errorMessage.empty() || call->m_errorMessage == WebCallErrorText(0))
        return WebCallErrorText(call->m_errorId);
    return call->m_errorMessage;
}

void DownloadDone(CWebCall* call, const DownloadRules& rules) {
    if (!call) {
        WRITE_LOG(rules.missingCall);
        return;
    }
    CSyncContext* context = ContextOf(call);
    const std::u16string replyPath = call->m_webData ? call->m_webData->m_content : u"";
    bool stored = false;
    if (!call->m_cancelled && call->m_webData && context && !context->dbPath.empty()) {
        const plat::HWND monitor = context->notifyWnd;
        if (call->m_errorId != 0) {
            WRITE_LOGF(rules.transferError, context->isAuto, call->m_errorId, call->m_errorMessage);
            PostSyncError(monitor, FailureText(call));
        } else if (replyPath.empty()) {
            if (rules.emptyReply) WRITE_LOG(rules.emptyReply);
        } else {
            try {
                SyncReply reply;
                if (ReadSyncReply(replyPath, rules.trimToBraces, reply)) {
                    if (reply.ret != 0) {
                        WRITE_LOGF(rules.serverError, context->isAuto, reply.ret, reply.msg);
                        PostSyncError(monitor, reply.msg);
                    } else {
                        {
                            AddressDbLock lock;
                            rules.store(reply.data, context->dbPath);
                        }
                        stored = true;
                        if (CancelSet(call)) {
                            WRITE_LOG(rules.cancelled);
                        } else {
                            WRITE_LOG(rules.succeeded);
                            PostSyncEvent(monitor, rules.success);
                        }
                    }
                }
            } catch (const std::exception&) {
                WRITE_LOG(rules.exception);
                if (rules.readErrorGoesOn)
                    PostSyncEvent(monitor, rules.success);
                else
                    PostSyncError(monitor, kJsonErrorText);
            }
        }
    }
    // A reply that was not stored stays for a look at what came.
    if (stored) ApplyDelFile(replyPath);
    FreeRequest(call);
}

}  // namespace

bool ReadSyncReply(const std::u16string& path, bool trimToBraces, SyncReply& reply) {
    std::u16string text;
    if (!ReadReplyText(path, text)) return false;
    if (trimToBraces) TrimToBraces(text);
    CJsonValue root = CJsonValue::Parse(std::move(text));
    for (const CJsonValue& member : root.Members()) {
        std::u16string_view name = member.Name();
        if (name == u"ret")
            reply.ret = member.AsInt();
        else if (name == u"msg")
            reply.msg = member.AsString();
        else if (name == u"data")
            reply.data = member;
    }
    return true;
}

void CallBackSyncCheck(CWebCall* call) {
    if (!call) {
        WRITE_LOG(u"t_webCall == NULL\r\n");
        return;
    }
    CSyncContext* context = ContextOf(call);
    const std::u16string replyPath = call->m_webData ? call->m_webData->m_content : u"";
    if (!call->m_cancelled && call->m_webData && context) {
        const plat::HWND monitor = context->notifyWnd;
        if (call->m_errorId != 0) {
            PostProgressText(call->m_notifyWnd, u"检测共享通讯录失败");
            PostSyncEvent(monitor, EVENT_CHECKB, 0);
            WRITE_LOG(u"CallBackSyncCheck 检测共享通讯录失败\r\n");
        } else if (!replyPath.empty()) {
            try {
                SyncReply reply;
                if (ReadSyncReply(replyPath, false, reply)) {
                    if (reply.ret != 0) {
                        WRITE_LOGF(u"errorno:%d  errormsg:%s\r\n", reply.ret, reply.msg);
                        PostSyncEvent(monitor, EVENT_CHECKB, 0);
                    } else {
                        int retCode = 0;
                        std::u16string retTs;
                        for (const CJsonValue& m : reply.data.Members()) {
                            if (m.Name() == u"ret_code")
                                retCode = m.AsInt();
                            else if (m.Name() == u"ret_ts")
                                retTs = m.AsString();
                        }
                        if (retCode == 1) {
                            uint32_t stamp = LeadingUnsigned(retTs);
                            if (CancelSet(call)) {
                                WRITE_LOG(u"CallBackSyncCheck sync cancel\r\n");
                            } else {
                                WRITE_LOG(u"CallBackSyncCheck EVENT_CHECKB\r\n");
                                PostSyncEvent(monitor, EVENT_CHECKB, stamp);
                            }
                        } else {
                            WRITE_LOGF(u"sharetime is old - time:%s\r\n", retTs);
                            PostProgressText(call->m_notifyWnd, u"共享通讯录无需更新");
                            if (CancelSet(call)) {
                                WRITE_LOG(u"CallBackSyncCheck sync cancel\r\n");
                            } else {
                                WRITE_LOG(u"CallBackSyncCheck EVENT_SHARE\r\n");
                                PostSyncEvent(monitor, EVENT_SHARE);
                            }
                        }
                    }
                }
            } catch (const std::exception&) {
                WRITE_LOG(u"CallBackSyncCheck exception\r\n");
                PostSyncError(monitor, kJsonErrorText);
            }
        }
    }
    if (!replyPath.empty()) ApplyDelFile(replyPath);
    FreeRequest(call);
}

void CallBackSyncShare(CWebCall* call) { DownloadDone(call, kShareRules); }

void CallBackSyncPersonal(CWebCall* call) { DownloadDone(call, kPersonalRules); }
