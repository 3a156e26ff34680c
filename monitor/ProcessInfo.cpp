#include "monitor/ProcessInfo.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "monitor/Common/Log.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/desktop/SimProcesses.h"

namespace {

constexpr uint64_t kCacheMs = 120 * 1000;

struct NameCache {
    std::mutex lock;
    bool filled = false;
    uint64_t fillTime = 0;
    std::unordered_map<uint32_t, std::u16string> names;
};

NameCache& Cache() {
    static NameCache c;
    return c;
}

}  // namespace

std::u16string GetProcessName(plat::HWND hwnd) {
    uint32_t pid = 0;
    plat::GetWindowThreadProcessId(hwnd, &pid);
    NameCache& c = Cache();
    std::lock_guard<std::mutex> l(c.lock);
    uint64_t now = plat::ClockNow();
    if (c.filled && now - c.fillTime < kCacheMs) {
        auto it = c.names.find(pid);
        if (it != c.names.end()) {
            WRITE_LOG(it->second + u" GetProcessName1\r\n");
            return it->second;
        }
    }
    c.filled = true;
    c.fillTime = now;
    c.names.clear();
    plat::ProcessSnapshot snap;
    if (!snap.Take()) return {};
    plat::ProcessEntry e;
    if (!snap.First(e)) {
        WRITE_LOGF(u"Process32First fail:%d\r\n", plat::GetLastError());
        return {};
    }
    std::u16string found;
    do {
        std::u16string name(plat::FileNameOf(e.exeName));
        if (e.pid == pid) {
            WRITE_LOG(name + u" GetProcessName2\r\n");
            found = name;
        }
        c.names[e.pid] = std::move(name);
    } while (snap.Next(e));
    return found;
}

void ResetProcessNameCache() {
    NameCache& c = Cache();
    std::lock_guard<std::mutex> l(c.lock);
    c.filled = false;
    c.names.clear();
}

int GetProductMajorVersion(std::u16string_view file) {
    if (plat::GetFileVersionInfoSize(file) == 0) {
        WRITE_LOG(u"GetFileVersionInfoSize failed\r\n");
        return 0;
    }
    std::vector<uint8_t> block;
    if (!plat::GetFileVersionInfo(file, block)) {
        WRITE_LOG(u"GetFileVersionInfo failed\r\n");
        return 0;
    }
    plat::VS_FIXEDFILEINFO info;
    if (!plat::VerQueryValue(block, u"\\", info)) {
        WRITE_LOG(u"VerQueryValue failed\r\n");
        return 0;
    }
    int major = int(info.dwProductVersionMS >> 16), minor = int(info.dwProductVersionMS & 0xFFFF);
    int build = int(info.dwProductVersionLS >> 16),
        revision = int(info.dwProductVersionLS & 0xFFFF);
    WRITE_LOGF(u"%s version : %d.%d.%d.%d \r\n", file, major, minor, build, revision);
    return major;
}

std::u16string FindOutlookPath() {
    plat::HKEY key = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_LOCAL_MACHINE,
                           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE",
                           0, plat::KEY_READ, key) != plat::ERROR_SUCCESS)
        return {};
    std::u16string path;
    long rc = plat::RegQueryStringValue(key, u"Path", path, 2048);
    plat::RegCloseKey(key);
    if (rc != plat::ERROR_SUCCESS) return {};
    if (!path.empty() && path[0] == u'"') path.erase(0, 1);
    // The value names a folder, usually with a trailing backslash (or quote);
    // only such a tail, or a file name, is cut: a folder written without the
    // trailing backslash stays whole.
    size_t last = path.rfind(u'\\');
    if (last != std::u16string::npos && last > 0) {
        std::u16string_view tail = std::u16string_view(path).substr(last + 1);
        bool isFile = tail.size() > 4 && plat::EqualsNoCase(tail.substr(tail.size() - 4), u".exe");
        if (tail.empty() || tail == u"\"" || isFile) path.resize(last);
    }
    return path + u"\\OUTLOOK.EXE";
}
