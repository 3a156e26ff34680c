#include "platform/ProcessTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/posix/ProcStat.h"

// The table read from /proc. A process's session is its operating-system
// session (getsid): the group of processes a login, a terminal or a desktop
// started, which is what a mail program and the monitor started for its user
// share. Processes that ended but were not waited for are not listed.
namespace plat {

namespace posix {

std::string ReadProcFile(uint32_t pid, const char* name) {
    std::string path = "/proc/" + std::to_string(pid) + "/" + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string out;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, size_t(n));
        if (out.size() > (1u << 20)) break;
    }
    ::close(fd);
    return out;
}

bool ReadProcStat(uint32_t pid, ProcStat& out) {
    std::string s = ReadProcFile(pid, "stat");
    // "pid (comm) state ppid pgrp session tty_nr ..."; the name may hold
    // blanks and parentheses, so it ends at the last ')'.
    size_t open = s.find('('), close = s.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    out.comm = s.substr(open + 1, close - open - 1);
    const char* p = s.c_str() + close + 1;
    char* end;
    while (*p == ' ') ++p;
    out.state = *p ? *p++ : '?';
    unsigned long fields[4];
    for (auto& f : fields) {
        f = std::strtoul(p, &end, 10);
        if (end == p) return false;
        p = end;
    }
    out.parentPid = uint32_t(fields[0]);
    out.session = uint32_t(fields[2]);
    out.terminal = uint32_t(fields[3]);
    return true;
}

}  // namespace posix

namespace {

std::u16string UserName(uint32_t uid, std::map<uint32_t, std::u16string>& cache) {
    auto it = cache.find(uid);
    if (it != cache.end()) return it->second;
    struct passwd pw, *found = nullptr;
    char buf[4096];
    std::u16string name;
    if (::getpwuid_r(uid_t(uid), &pw, buf, sizeof buf, &found) == 0 && found)
        name = Utf8ToUtf16(found->pw_name);
    else
        name = Utf8ToUtf16(std::to_string(uid));
    cache[uid] = name;
    return name;
}

std::string ExeLink(uint32_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/exe";
    char buf[4096];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string target(buf, size_t(n));
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() &&
        target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
        target.resize(target.size() - deleted.size());
    return target;
}

class ProcTable : public ProcessSource {
public:
    bool Snapshot(std::vector<ProcessEntry>& out) override {
        out.clear();
        DIR* d = ::opendir("/proc");
        if (!d) {
            SetLastErrorFromErrno();
            return false;
        }
        std::map<uint32_t, std::u16string> users;
        while (dirent* e = ::readdir(d)) {
            char* end;
            unsigned long pid = std::strtoul(e->d_name, &end, 10);
            if (*end || pid == 0) continue;
            ProcessEntry entry;
            if (Read(uint32_t(pid), users, entry)) out.push_back(std::move(entry));
        }
        ::closedir(d);
        return true;
    }

private:
    // False for a process that is gone, has ended, or cannot be read at all.
    static bool Read(uint32_t pid, std::map<uint32_t, std::u16string>& users, ProcessEntry& e) {
        posix::ProcStat st;
        if (!posix::ReadProcStat(pid, st) || st.state == 'Z' || st.state == 'X') return false;
        struct stat info;
        std::string dir = "/proc/" + std::to_string(pid);
        if (::stat(dir.c_str(), &info) != 0) return false;
        e.pid = pid;
        e.parentPid = st.parentPid;
        e.sessionId = st.session;
        e.uid = uint32_t(info.st_uid);
        e.user = UserName(e.uid, users);
        e.commName = Utf8ToUtf16(st.comm);
        std::string cmdline = posix::ReadProcFile(pid, "cmdline");
        std::string arg0 = cmdline.substr(0, cmdline.find('\0'));
        if (!arg0.empty()) e.argName = std::u16string(FileNameOf(Utf8ToUtf16(arg0)));
        std::string exe = ExeLink(pid);
        if (!exe.empty()) {
            e.exePath = Utf8ToUtf16(exe);
            e.exeName = std::u16string(FileNameOf(e.exePath));
        } else {
            // Another user's process or a kernel thread: the best name known.
            e.exeName = e.argName.empty() ? e.commName : e.argName;
        }
        return true;
    }
};

}  // namespace

ProcessSource& RealProcesses() {
    static ProcTable table;
    return table;
}

}  // namespace plat
