#include "platform/ProcessStart.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Time.h"

extern char** environ;

namespace plat {

const char16_t kExecutableSuffix[] = u"";

EnvironmentBlock GetEnvironmentStrings() {
    EnvironmentBlock block;
    for (char** e = environ; e && *e; ++e) block.push_back(Utf8ToUtf16(*e));
    return block;
}

namespace {

// Everything the child needs, made before the fork: after it only
// async-signal-safe calls are allowed.
struct Prepared {
    std::string program;
    std::vector<std::string> args, env;
    std::vector<char*> argv, envp;
    std::string folder;
    bool setUser = false;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    bool newSession = false;
};

bool Fail(int code) {
    SetLastError(uint32_t(code));
    return false;
}

bool IsRunnable(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The program's path; a bare name is looked up on the caller's search path.
bool Resolve(const std::string& name, std::string& program) {
    if (name.empty()) return Fail(ENOENT);
    if (name.find('/') != std::string::npos) {
        program = name;
        return true;
    }
    const char* path = getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (IsRunnable(candidate)) {
            program = candidate;
            return true;
        }
        start = end + 1;
    }
    return Fail(ENOENT);
}

bool Prepare(const std::vector<std::u16string>& argv, const StartOptions& o, Prepared& p) {
    if (argv.empty()) return Fail(EINVAL);
    std::u16string app = o.applicationName.empty() ? argv[0] : o.applicationName;
    if (!Resolve(NativePath(app), p.program)) return false;
    for (const auto& a : argv) p.args.push_back(Utf16ToUtf8(a));
    if (o.environment) {
        for (const auto& e : *o.environment) p.env.push_back(Utf16ToUtf8(e));
    } else {
        for (char** e = environ; e && *e; ++e) p.env.push_back(*e);
    }
    for (auto& a : p.args) p.argv.push_back(a.data());
    p.argv.push_back(nullptr);
    for (auto& e : p.env) p.envp.push_back(e.data());
    p.envp.push_back(nullptr);
    p.folder = NativePath(o.currentFolder);
    p.newSession = o.newSession || o.detached;
    if (o.user && (o.user->uid != ::geteuid() || o.user->gid != ::getegid())) {
        p.setUser = true;
        p.uid = uid_t(o.user->uid);
        p.gid = gid_t(o.user->gid);
        int count = 64;
        p.groups.resize(size_t(count));
        std::string name = Utf16ToUtf8(o.user->user);
        if (!name.empty() && ::getgrouplist(name.c_str(), p.gid, p.groups.data(), &count) < 0) {
            p.groups.resize(size_t(count));
            ::getgrouplist(name.c_str(), p.gid, p.groups.data(), &count);
        }
        p.groups.resize(name.empty() ? 1 : size_t(count));
        if (name.empty()) p.groups[0] = p.gid;
    }
    return true;
}

// Messages from the children to the caller over the pipe.
struct Message {
    int kind;  // kPid or kErrno
    int value;
};
constexpr int kPid = 1;
constexpr int kErrno = 2;

void Send(int fd, int kind, int value) {
    Message m{kind, value};
    ssize_t w = ::write(fd, &m, sizeof m);
    (void)w;
}

[[noreturn]] void ExecChild(const Prepared& p, int reportFd) {
    sigset_t none;
    sigemptyset(&none);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s) ::sigaction(s, &dfl, nullptr);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (p.newSession) ::setsid();
    // Raw calls: this child has one thread, and the library's wrappers would
    // try to bring the caller's other threads along.
    if (p.setUser && (::syscall(SYS_setgroups, p.groups.size(), p.groups.data()) != 0 ||
                      ::syscall(SYS_setresgid, p.gid, p.gid, p.gid) != 0 ||
                      ::syscall(SYS_setresuid, p.uid, p.uid, p.uid) != 0)) {
        Send(reportFd, kErrno, errno);
        ::_exit(127);
    }
    if (!p.folder.empty() && ::chdir(p.folder.c_str()) != 0) {
        Send(reportFd, kErrno, errno);
        ::_exit(127);
    }
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    ::execve(p.program.c_str(), p.argv.data(), p.envp.data());
    Send(reportFd, kErrno, errno);
    ::_exit(127);
}

// The grandchild of a detached start: the middle child waits only for the
// exec verdict, so a failed start leaves no orphan behind.
[[noreturn]] void DetachChild(const Prepared& p, int reportFd) {
    int inner[2];
    if (::pipe2(inner, O_CLOEXEC) != 0) {
        Send(reportFd, kErrno, errno);
        ::_exit(127);
    }
    pid_t pid = ::_Fork();
    if (pid < 0) {
        Send(reportFd, kErrno, errno);
        ::_exit(127);
    }
    if (pid == 0) {
        ::close(inner[0]);
        ExecChild(p, inner[1]);
    }
    ::close(inner[1]);
    Message m{};
    ssize_t n;
    while ((n = ::read(inner[0], &m, sizeof m)) < 0 && errno == EINTR) {
    }
    if (n == ssize_t(sizeof m)) {
        int status;
        ::waitpid(pid, &status, 0);
        Send(reportFd, kErrno, m.value);
    } else {
        Send(reportFd, kPid, int(pid));
    }
    ::_exit(0);
}

}  // namespace

bool CreateProcess(const std::vector<std::u16string>& argv, const StartOptions& options,
                   ProcessInformation& info) {
    Prepared p;
    if (!Prepare(argv, options, p)) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return Fail(errno);
    pid_t pid = ::fork();
    if (pid < 0) {
        int e = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return Fail(e);
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (options.detached) DetachChild(p, fds[1]);
        ExecChild(p, fds[1]);
    }
    ::close(fds[1]);
    int error = 0;
    pid_t started = options.detached ? 0 : pid;
    Message m{};
    for (;;) {
        ssize_t n = ::read(fds[0], &m, sizeof m);
        if (n < 0 && errno == EINTR) continue;
        if (n != ssize_t(sizeof m)) break;
        if (m.kind == kErrno) error = m.value;
        if (m.kind == kPid) started = pid_t(m.value);
    }
    ::close(fds[0]);
    if (options.detached || error) {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (error) return Fail(error);
    info.processId = uint32_t(started);
    return true;
}

uint32_t WaitForProcess(uint32_t processId, uint32_t timeoutMs, int* exitCode) {
    uint64_t deadline = TickCount64() + timeoutMs;
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid_t(processId), &status, timeoutMs == INFINITE ? 0 : WNOHANG);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            SetLastErrorFromErrno();
            return WAIT_FAILED;
        }
        if (r > 0) {
            if (exitCode)
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return WAIT_OBJECT_0;
        }
        if (TickCount64() >= deadline) return WAIT_TIMEOUT;
        Sleep(5);
    }
}

bool TerminateProcess(uint32_t processId) {
    if (processId == 0) return Fail(EINVAL);
    return ::kill(pid_t(processId), SIGKILL) == 0 || Fail(errno);
}

bool RequestProcessStop(uint32_t processId) {
    if (processId == 0) return Fail(EINVAL);
    return ::kill(pid_t(processId), SIGTERM) == 0 || Fail(errno);
}

bool SetChildSubreaper(bool on) {
    return ::prctl(PR_SET_CHILD_SUBREAPER, on ? 1UL : 0UL, 0UL, 0UL, 0UL) == 0 || Fail(errno);
}

bool WaitForChildren(uint32_t timeoutMs) {
    uint64_t deadline = TickCount64() + timeoutMs;
    for (;;) {
        int status;
        pid_t r = ::waitpid(-1, &status, WNOHANG);
        if (r > 0) continue;
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno == ECHILD;
        if (TickCount64() >= deadline) return false;
        Sleep(5);
    }
}

bool MakeExecutable(std::u16string_view path) {
    std::string p = NativePath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return Fail(errno);
    return ::chmod(p.c_str(), (st.st_mode & 07777) | 0111) == 0 || Fail(errno);
}

}  // namespace plat
