#include "service/ServiceLog.h"

#include <mutex>

#include "platform/File.h"
#include "platform/Path.h"

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::u16string& PathRef() {
    static std::u16string path;
    return path;
}

const unsigned char kBom[2] = {0xFF, 0xFE};

// Opens for appending and puts the mark into an empty file.
bool OpenAppend(plat::File& f) {
    if (PathRef().empty())
        PathRef() = plat::JoinPath(plat::FolderOf(plat::ExecutablePath()), u"ABService_log.txt");
    if (!f.Open(PathRef(), plat::File::kReadWrite | plat::File::kCreate | plat::File::kAppend))
        return false;
    if (f.Seek(0, plat::File::kEnd) == 0) f.Write(kBom, 2);
    return true;
}

}  // namespace

void OpenServiceLog(std::u16string_view path) {
    std::lock_guard<std::mutex> lock(Lock());
    if (!path.empty()) PathRef() = path;
    plat::File f;
    OpenAppend(f);
}

const std::u16string& ServiceLogPath() { return PathRef(); }

plat::SystemTime ChinaTimeOf(int64_t utcSeconds) {
    plat::SystemTime t;
    plat::UtcTimeOf(utcSeconds + 8 * 3600, t);
    return t;
}

void WriteServiceLog(const char* sourceFile, unsigned long line, std::u16string_view text) {
    std::lock_guard<std::mutex> lock(Lock());
    plat::File f;
    if (!OpenAppend(f)) return;
    plat::SystemTime t = ChinaTimeOf(plat::TimeNow());
    std::string_view src(sourceFile ? sourceFile : "");
    size_t k = src.find_last_of("\\/");
    if (k != std::string_view::npos) src = src.substr(k + 1);
    std::u16string entry = plat::Format(u"error %04d-%02d-%02d %02d:%02d:%02d %s:%lu ", t.year,
                                        t.month, t.day, t.hour, t.minute, t.second, src, line);
    entry += text;
    f.Write(entry.data(), entry.size() * 2);
}

void WriteServiceLog(const char* sourceFile, unsigned long line, const char16_t* text) {
    if (!text) return;
    WriteServiceLog(sourceFile, line, std::u16string_view(text));
}
