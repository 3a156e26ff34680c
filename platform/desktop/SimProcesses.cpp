#include "platform/desktop/SimProcesses.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/desktop/DesktopState.h"

extern char** environ;

namespace plat {

// --- Snapshots ---------------------------------------------------------------------------

bool ProcessSnapshot::Take() {
    m_entries.clear();
    m_next = 0;
    m_taken = Processes().Snapshot(m_entries);
    if (!m_taken) SetLastError(kErrorAccessDenied);
    return m_taken;
}

bool ProcessSnapshot::First(ProcessEntry& entry) {
    m_next = 0;
    return Next(entry);
}

bool ProcessSnapshot::Next(ProcessEntry& entry) {
    if (!m_taken || m_next >= m_entries.size()) {
        SetLastError(kErrorNoMoreFiles);
        return false;
    }
    entry = m_entries[m_next++];
    return true;
}

SimDesktopProcesses::SimDesktopProcesses(std::u16string_view ownName, uint32_t sessionId,
                                         std::u16string_view user) {
    m_ownPid =
        m_table.Add(std::u16string(ownName), sessionId, CurrentProcessId(), std::u16string(user));
    SetProcessSource(&m_table);
}

SimDesktopProcesses::~SimDesktopProcesses() {
    if (&Processes() == &m_table) SetProcessSource(nullptr);
}

uint32_t SimDesktopProcesses::Add(std::u16string_view exeName, uint32_t sessionId,
                                  std::u16string_view user) {
    return m_table.Add(std::u16string(exeName), sessionId, 0, std::u16string(user));
}

// --- Version resources -----------------------------------------------------------------

namespace {

struct VersionEntry {
    std::u16string path;
    bool onSearchPath = true;
    VersionFailure failAt = VersionFailure::None;
    VS_FIXEDFILEINFO info;
};

std::mutex g_simLock;
std::vector<VersionEntry> g_versions;

bool IsBareName(std::u16string_view file) { return FolderOf(file).empty(); }

const VersionEntry* FindVersion(std::u16string_view file) {
    bool bare = IsBareName(file);
    for (const auto& v : g_versions) {
        if (bare) {
            if (v.onSearchPath && EqualsNoCase(FileNameOf(v.path), file)) return &v;
        } else if (EqualsNoCase(v.path, file)) {
            return &v;
        }
    }
    return nullptr;
}

// The block: a tag, then the fixed information, then whether querying fails.
constexpr uint32_t kBlockTag = 0xFEEF04BD;  // the signature of the system's fixed file info
constexpr size_t kBlockSize = 4 + sizeof(VS_FIXEDFILEINFO) + 1;

uint32_t Ms(FileVersion v) { return (uint32_t(v.major) << 16) | v.minor; }
uint32_t Ls(FileVersion v) { return (uint32_t(v.build) << 16) | v.revision; }

}  // namespace

uint32_t GetFileVersionInfoSize(std::u16string_view file) {
    std::lock_guard<std::mutex> l(g_simLock);
    const VersionEntry* v = FindVersion(file);
    if (!v || v->failAt == VersionFailure::Size) {
        SetLastError(1813);  // the system's "resource type not found"
        return 0;
    }
    return uint32_t(kBlockSize);
}

bool GetFileVersionInfo(std::u16string_view file, std::vector<uint8_t>& block) {
    std::lock_guard<std::mutex> l(g_simLock);
    const VersionEntry* v = FindVersion(file);
    if (!v || v->failAt == VersionFailure::Read) {
        SetLastError(1813);
        return false;
    }
    block.assign(kBlockSize, 0);
    std::memcpy(block.data(), &kBlockTag, 4);
    std::memcpy(block.data() + 4, &v->info, sizeof(VS_FIXEDFILEINFO));
    block[kBlockSize - 1] = v->failAt == VersionFailure::Query ? 1 : 0;
    return true;
}

bool VerQueryValue(const std::vector<uint8_t>& block, std::u16string_view subBlock,
                   VS_FIXEDFILEINFO& info) {
    uint32_t tag = 0;
    if (block.size() != kBlockSize || subBlock != u"\\") return false;
    std::memcpy(&tag, block.data(), 4);
    if (tag != kBlockTag || block[kBlockSize - 1]) return false;
    std::memcpy(&info, block.data() + 4, sizeof(VS_FIXEDFILEINFO));
    return true;
}

void SetVersionResource(std::u16string_view file, FileVersion product, bool onSearchPath,
                        VersionFailure failAt, FileVersion fileVersion) {
    std::lock_guard<std::mutex> l(g_simLock);
    std::erase_if(g_versions, [&](const VersionEntry& v) { return EqualsNoCase(v.path, file); });
    VersionEntry e;
    e.path = file;
    e.onSearchPath = onSearchPath;
    e.failAt = failAt;
    e.info.dwProductVersionMS = Ms(product);
    e.info.dwProductVersionLS = Ls(product);
    e.info.dwFileVersionMS = Ms(fileVersion);
    e.info.dwFileVersionLS = Ls(fileVersion);
    g_versions.push_back(e);
}

void ClearVersionResources() {
    std::lock_guard<std::mutex> l(g_simLock);
    g_versions.clear();
}

// --- Registry --------------------------------------------------------------------------

namespace {

struct RegKey {
    uintptr_t root;
    std::u16string path;                              // upper-cased
    std::map<std::u16string, std::u16string> values;  // upper-cased name -> value
};
std::vector<RegKey> g_registry;
std::map<uintptr_t, size_t> g_openKeys;  // handle -> index into g_registry
uintptr_t g_nextKey = 0x1000;

}  // namespace

long RegOpenKeyEx(HKEY root, std::u16string_view subKey, uint32_t, uint32_t, HKEY& result) {
    std::lock_guard<std::mutex> l(g_simLock);
    std::u16string path = ToUpper(subKey);
    for (size_t i = 0; i < g_registry.size(); ++i)
        if (g_registry[i].root == reinterpret_cast<uintptr_t>(root) && g_registry[i].path == path) {
            uintptr_t h = g_nextKey++;
            g_openKeys[h] = i;
            result = reinterpret_cast<HKEY>(h);
            return ERROR_SUCCESS;
        }
    result = nullptr;
    return ERROR_FILE_NOT_FOUND;
}

long RegQueryStringValue(HKEY key, std::u16string_view valueName, std::u16string& value,
                         uint32_t maxBytes) {
    std::lock_guard<std::mutex> l(g_simLock);
    auto it = g_openKeys.find(reinterpret_cast<uintptr_t>(key));
    if (it == g_openKeys.end() || it->second >= g_registry.size()) return 6;  // invalid handle
    const auto& values = g_registry[it->second].values;
    auto v = values.find(ToUpper(valueName));
    if (v == values.end()) return ERROR_FILE_NOT_FOUND;
    if ((v->second.size() + 1) * 2 > maxBytes) return ERROR_MORE_DATA;
    value = v->second;
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> l(g_simLock);
    return g_openKeys.erase(reinterpret_cast<uintptr_t>(key)) ? long(ERROR_SUCCESS) : 6L;
}

void SetRegistryString(HKEY root, std::u16string_view subKey, std::u16string_view valueName,
                       std::u16string_view value) {
    std::lock_guard<std::mutex> l(g_simLock);
    std::u16string path = ToUpper(subKey);
    for (auto& k : g_registry)
        if (k.root == reinterpret_cast<uintptr_t>(root) && k.path == path) {
            k.values[ToUpper(valueName)] = value;
            return;
        }
    RegKey k;
    k.root = reinterpret_cast<uintptr_t>(root);
    k.path = path;
    k.values[ToUpper(valueName)] = value;
    g_registry.push_back(std::move(k));
}

void ClearRegistry() {
    std::lock_guard<std::mutex> l(g_simLock);
    g_registry.clear();
    g_openKeys.clear();
}

// --- Shell ---------------------------------------------------------------------------------

namespace {

std::vector<ShellLaunch> g_launches;
bool g_shellStarts = true;

std::vector<std::string> SplitParameters(std::u16string_view params) {
    std::vector<std::string> out;
    std::u16string cur;
    bool quoted = false, any = false;
    for (char16_t c : params) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (any || !cur.empty()) out.push_back(Utf16ToUtf8(cur));
            cur.clear();
            any = false;
        } else {
            cur += c;
        }
    }
    if (any || !cur.empty()) out.push_back(Utf16ToUtf8(cur));
    return out;
}

bool StartProcess(std::u16string_view file, std::u16string_view params,
                  std::u16string_view directory) {
    std::string path = NativePath(file);
    std::vector<std::string> args{path};
    for (auto& a : SplitParameters(params)) args.push_back(a);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string dir = NativePath(directory);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = 0;
    int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    // Nobody waits for the program; reap it when it ends.
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

}  // namespace

intptr_t ShellExecute(HWND, std::u16string_view verb, std::u16string_view file,
                      std::u16string_view parameters, std::u16string_view directory, int show) {
    ShellLaunch launch;
    launch.verb = verb;
    launch.file = file;
    launch.parameters = parameters;
    launch.directory = directory;
    launch.show = show;
    struct stat st {};
    std::string native = NativePath(file);
    bool exists = ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    bool starts;
    {
        std::lock_guard<std::mutex> l(g_simLock);
        starts = g_shellStarts;
    }
    if (exists && starts && ::access(native.c_str(), X_OK) == 0)
        launch.started = StartProcess(file, parameters, directory);
    {
        std::lock_guard<std::mutex> l(g_simLock);
        g_launches.push_back(launch);
    }
    if (!exists) {
        SetLastError(kErrorFileNotFound);
        return 2;
    }
    return 42;
}

std::vector<ShellLaunch> ShellLaunches() {
    std::lock_guard<std::mutex> l(g_simLock);
    return g_launches;
}

void ClearShellLaunches() {
    std::lock_guard<std::mutex> l(g_simLock);
    g_launches.clear();
}

void SetShellStartsPrograms(bool on) {
    std::lock_guard<std::mutex> l(g_simLock);
    g_shellStarts = on;
}

void ClearSimResources() {
    ClearVersionResources();
    ClearRegistry();
    ClearShellLaunches();
    SetShellStartsPrograms(true);
}

}  // namespace plat
