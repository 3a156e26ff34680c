#include "monitor/Common/Log.h"

#include <mutex>

#include "monitor/Common/FileCook.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Time.h"

namespace {

// The lock exists before the first entry can be written and outlives the file:
// a function-local static is made on first use and destroyed after every file.
std::recursive_mutex& LogLock() {
    static std::recursive_mutex lock;
    return lock;
}

CFileCook& LogFile() {
    static CFileCook file(kDiskFullNotice);
    return file;
}

thread_local bool t_inLogWrite = false;

constexpr int64_t kTrimSize = 10000000;
constexpr uint32_t kKeepBytes = 65536;
const unsigned char kBom[2] = {0xFF, 0xFE};

}  // namespace

void OpenLog() {
    std::lock_guard<std::recursive_mutex> lock(LogLock());
    CFileCook& f = LogFile();
    std::u16string path = plat::JoinPath(plat::ProgramFolder(), u"ABMonitor_log.txt");
    if (!f.Open(path, plat::File::kReadWrite | plat::File::kCreate)) return;
    int64_t len = f.GetLength();
    if (len >= kTrimSize) {
        std::string head(kKeepBytes, '\0');
        uint32_t got = f.Read(head.data(), kKeepBytes);
        head.resize(got);
        f.Close();
        if (!f.Open(path, plat::File::kWrite | plat::File::kCreate | plat::File::kTruncate)) return;
        f.Write(kBom, 2);
        f.Write(head.data(), uint32_t(head.size()));
    } else if (len == 0) {
        f.Write(kBom, 2);
    }
    f.Seek(0, plat::File::kEnd);
}

void CloseLog() {
    std::lock_guard<std::recursive_mutex> lock(LogLock());
    LogFile().Close();
}

void WriteLogText(const char* sourceFile, unsigned long line, std::u16string_view text) {
    std::lock_guard<std::recursive_mutex> lock(LogLock());
    CFileCook& f = LogFile();
    if (!f.IsOpen() || t_inLogWrite) return;
    t_inLogWrite = true;
    plat::SystemTime t;
    plat::GetLocalTime(t);
    std::u16string prefix;
    if (sourceFile) {
        std::string_view src(sourceFile);
        size_t k = src.find_last_of("\\/");
        if (k != std::string_view::npos) src = src.substr(k + 1);
        prefix = plat::Format(u"error %04d-%02d-%02d %02d:%02d:%02d %s:%lu ", t.year, t.month,
                              t.day, t.hour, t.minute, t.second, src, line);
    } else {
        prefix = plat::Format(u"error %04d-%02d-%02d %02d:%02d:%02d ", t.year, t.month, t.day,
                              t.hour, t.minute, t.second);
    }
    f.Write(prefix.data(), uint32_t(prefix.size() * 2));
    f.Write(text.data(), uint32_t(text.size() * 2));
    t_inLogWrite = false;
}

void WriteLog(const char* sourceFile, unsigned long line, const char16_t* text) {
    if (!text) return;
    WriteLogText(sourceFile, line, std::u16string_view(text));
}

std::u16string LastErrorText() {
    uint32_t code = plat::GetLastError();
    std::u16string msg;
    if (plat::SystemErrorMessage(code, msg)) return plat::Format(u"%u - %s", code, msg);
    return plat::Format(u"%u - 未找到对应的错误信息！", code);
}
