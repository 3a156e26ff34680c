#include "platform/UserSession.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/ProcessTable.h"
#include "platform/Text.h"
#include "platform/posix/ProcStat.h"

namespace plat {

namespace {

// Variables of the user's desktop session that a windowed program needs and
// the account database cannot tell.
const char* const kSessionVariables[] = {
    "DISPLAY",         "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS",
    "XDG_RUNTIME_DIR", "XDG_SESSION_ID",  "LANG",       "LANGUAGE",
    "LC_ALL"};

bool Fail(int code) {
    SetLastError(uint32_t(code));
    return false;
}

// The virtual console in front ("tty2" gives 2), 0 when unknown.
unsigned ActiveConsole() {
    std::string text;
    if (!ReadFile(u"/sys/class/tty/tty0/active", text)) return 0;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.rfind("tty", 0) != 0) return 0;
    return unsigned(std::strtoul(text.c_str() + 3, nullptr, 10));
}

void SetVariable(EnvironmentBlock& env, const std::string& name, const std::string& value) {
    std::u16string prefix = Utf8ToUtf16(name + "=");
    std::u16string entry = prefix + Utf8ToUtf16(value);
    for (auto& e : env)
        if (e.compare(0, prefix.size(), prefix) == 0) {
            e = entry;
            return;
        }
    env.push_back(entry);
}

class RealSessions : public UserSessions {
public:
    uint32_t WTSGetActiveConsoleSessionId() override {
        unsigned console = ActiveConsole();
        if (console == 0) return kNoConsoleSession;
        uint32_t device = uint32_t(makedev(4, console));
        DIR* d = ::opendir("/proc");
        if (!d) return kNoConsoleSession;
        uint32_t found = kNoConsoleSession;
        while (dirent* e = ::readdir(d)) {
            char* end;
            unsigned long pid = std::strtoul(e->d_name, &end, 10);
            if (*end || pid == 0) continue;
            posix::ProcStat st;
            if (posix::ReadProcStat(uint32_t(pid), st) && st.terminal == device && st.session) {
                found = st.session;
                break;
            }
        }
        ::closedir(d);
        return found;
    }

    bool WTSQueryUserToken(uint32_t sessionId, UserToken& token) override {
        if (sessionId == 0 || sessionId == kNoConsoleSession) return Fail(ESRCH);
        std::vector<ProcessEntry> all;
        if (!RealProcesses().Snapshot(all)) return false;
        const ProcessEntry* leader = nullptr;
        const ProcessEntry* user = nullptr;
        for (const auto& p : all) {
            if (p.sessionId != sessionId) continue;
            if (p.pid == sessionId) leader = &p;
            if (!user && p.uid != 0) user = &p;
        }
        const ProcessEntry* chosen = leader && leader->uid != 0 ? leader : user ? user : leader;
        if (!chosen) return Fail(ESRCH);
        token = UserToken{};
        token.sessionId = sessionId;
        token.sourcePid = chosen->pid;
        token.identity.uid = chosen->uid;
        token.identity.gid = chosen->uid;
        token.identity.user = chosen->user;
        token.home = u"/";
        token.shell = u"/bin/sh";
        struct passwd pw, *found = nullptr;
        char buf[4096];
        if (::getpwuid_r(uid_t(chosen->uid), &pw, buf, sizeof buf, &found) == 0 && found) {
            token.identity.gid = uint32_t(found->pw_gid);
            token.identity.user = Utf8ToUtf16(found->pw_name);
            token.home = Utf8ToUtf16(found->pw_dir);
            if (found->pw_shell && *found->pw_shell) token.shell = Utf8ToUtf16(found->pw_shell);
        }
        return true;
    }

    bool DuplicateTokenEx(const UserToken& token, UserToken& primary) override {
        if (token.sessionId == 0) return Fail(EINVAL);
        primary = token;
        primary.primary = true;
        return true;
    }

    bool CreateEnvironmentBlock(const UserToken& token, bool inherit,
                                EnvironmentBlock& env) override {
        if (token.sessionId == 0) return Fail(EINVAL);
        env = inherit ? GetEnvironmentStrings() : EnvironmentBlock{};
        std::string user = Utf16ToUtf8(token.identity.user);
        SetVariable(env, "HOME", Utf16ToUtf8(token.home));
        SetVariable(env, "USER", user);
        SetVariable(env, "LOGNAME", user);
        SetVariable(env, "SHELL", Utf16ToUtf8(token.shell));
        SetVariable(env, "PATH", "/usr/local/bin:/usr/bin:/bin");
        std::string runtime = "/run/user/" + std::to_string(token.identity.uid);
        if (DirectoryExists(Utf8ToUtf16(runtime))) SetVariable(env, "XDG_RUNTIME_DIR", runtime);
        // The session's own desktop variables, from the user's process the
        // token was taken from.
        std::string from = posix::ReadProcFile(token.sourcePid, "environ");
        for (size_t at = 0; at < from.size();) {
            size_t end = from.find('\0', at);
            if (end == std::string::npos) end = from.size();
            std::string entry = from.substr(at, end - at);
            at = end + 1;
            size_t eq = entry.find('=');
            if (eq == std::string::npos) continue;
            for (const char* name : kSessionVariables)
                if (entry.compare(0, eq, name) == 0) SetVariable(env, name, entry.substr(eq + 1));
        }
        return true;
    }

    bool CreateProcessAsUser(const UserToken& token, std::u16string_view commandLine,
                             const EnvironmentBlock* environment,
                             ProcessInformation& info) override {
        if (!token.primary) return Fail(EACCES);
        std::vector<std::u16string> argv = CommandLineToArgv(commandLine);
        if (argv.empty()) return Fail(EINVAL);
        StartOptions options;
        options.user = &token.identity;
        options.environment = environment;
        options.detached = true;
        return CreateProcess(argv, options, info);
    }
};

}  // namespace

UserSessions& RealUserSessions() {
    static RealSessions sessions;
    return sessions;
}

}  // namespace plat
