#include "platform/Path.h"

#include <stdlib.h>
#include <unistd.h>

#include <mutex>

#include "platform/Text.h"

namespace plat {

const char16_t kPathSeparator = u'/';

namespace {
std::mutex g_folderLock;
std::u16string g_programFolder;
}  // namespace

std::u16string ExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return Utf8ToUtf16(std::string_view(buf, size_t(n)));
}

std::u16string ProgramFolder() {
    std::lock_guard<std::mutex> lock(g_folderLock);
    if (g_programFolder.empty()) g_programFolder = std::u16string(FolderOf(ExecutablePath()));
    return g_programFolder;
}

void SetProgramFolder(std::u16string_view folder) {
    std::lock_guard<std::mutex> lock(g_folderLock);
    g_programFolder = folder;
    while (g_programFolder.size() > 1 &&
           (g_programFolder.back() == u'/' || g_programFolder.back() == u'\\'))
        g_programFolder.pop_back();
}

std::u16string JoinPath(std::initializer_list<std::u16string_view> parts) {
    std::u16string out;
    bool first = true;
    for (auto part : parts) {
        std::u16string p(part);
        for (auto& c : p)
            if (c == u'\\') c = kPathSeparator;
        if (!first) {
            while (!p.empty() && p.front() == kPathSeparator) p.erase(p.begin());
            if (p.empty()) continue;
            if (out.empty() || out.back() != kPathSeparator) out.push_back(kPathSeparator);
        }
        out += p;
        first = false;
    }
    return out;
}

std::u16string_view FileNameOf(std::u16string_view path) {
    size_t k = path.find_last_of(u"\\/");
    return k == std::u16string_view::npos ? path : path.substr(k + 1);
}

std::u16string_view FolderOf(std::u16string_view path) {
    size_t k = path.find_last_of(u"\\/");
    return k == std::u16string_view::npos ? std::u16string_view() : path.substr(0, k);
}

std::string NativePath(std::u16string_view path) { return Utf16ToUtf8(path); }

std::u16string MakeTempFolder(std::u16string_view prefix) {
    const char* base = getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/" + Utf16ToUtf8(prefix) +
                       "XXXXXX";
    if (!mkdtemp(tmpl.data())) return {};
    return Utf8ToUtf16(tmpl);
}

}  // namespace plat
