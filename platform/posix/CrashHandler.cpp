#include "platform/CrashHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/Path.h"
#include "platform/Text.h"

extern char** environ;

namespace plat {

namespace {

// Everything the handler reads, made at installation: inside the handler only
// async-signal-safe calls are allowed, so nothing is allocated or converted.
struct Config {
    std::string folder;  // with the separator at its end
    std::string prefix, suffix;
    bool numbered = false;  // the pattern holds "%u"
    std::string reporter;
};

std::atomic<const Config*> g_config{nullptr};
std::atomic<bool> g_handling{false};
char g_altStack[64 * 1024];

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

void SplitPattern(std::u16string_view pattern, std::u16string& prefix, std::u16string& suffix) {
    size_t at = pattern.find(u"%u");
    prefix = pattern.substr(0, at);
    suffix = at == std::u16string_view::npos ? u"" : pattern.substr(at + 2);
}

// A fixed buffer that silently stops at its end.
struct Text {
    char data[4096];
    size_t length = 0;

    void Add(const char* s) {
        while (*s && length + 1 < sizeof data) data[length++] = *s++;
        data[length] = 0;
    }
    void Add(const std::string& s) { Add(s.c_str()); }
    void AddUnsigned(uint64_t v) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        while (n && length + 1 < sizeof data) data[length++] = digits[--n];
        data[length] = 0;
    }
    void AddHex(uint64_t v) {
        Add("0x");
        for (int shift = 60; shift >= 0; shift -= 4) {
            char d[2] = {"0123456789abcdef"[(v >> shift) & 0xF], 0};
            Add(d);
        }
    }
};

void WriteAll(int fd, const Text& t) {
    size_t done = 0;
    while (done < t.length) {
        ssize_t n = ::write(fd, t.data + done, t.length - done);
        if (n <= 0) return;
        done += size_t(n);
    }
}

const char* SignalName(int sig) {
    switch (sig) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGILL:
            return "SIGILL";
        case SIGFPE:
            return "SIGFPE";
        case SIGABRT:
            return "SIGABRT";
        default:
            return "?";
    }
}

void StartReporter(const Config& c, const char* dumpName) {
    if (c.reporter.empty()) return;
    pid_t pid = ::_Fork();
    if (pid != 0) return;  // not waited for: the reporter outlives us
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setsid();
    char* argv[] = {const_cast<char*>(c.reporter.c_str()), const_cast<char*>(dumpName), nullptr};
    ::execve(c.reporter.c_str(), argv, environ);
    ::_exit(127);
}

void OnFatalSignal(int sig, siginfo_t* info, void*) {
    // A second thread faulting meanwhile waits for the first to end the process.
    if (g_handling.exchange(true)) {
        for (;;) ::pause();
    }
    const Config* c = g_config.load();
    Text name;
    name.Add(c->prefix);
    if (c->numbered) name.AddUnsigned(uint32_t(::time(nullptr)));
    name.Add(c->suffix);
    Text path;
    path.Add(c->folder);
    path.Add(name.data);
    int fd = ::open(path.data, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        Text head;
        head.Add("Quillnet crash dump\nsignal: ");
        head.AddUnsigned(uint64_t(sig));
        head.Add(" (");
        head.Add(SignalName(sig));
        head.Add(")\ncode: ");
        head.AddUnsigned(uint64_t(uint32_t(info ? info->si_code : 0)));
        head.Add("\naddress: ");
        head.AddHex(uint64_t(uintptr_t(info ? info->si_addr : nullptr)));
        head.Add("\npid: ");
        head.AddUnsigned(uint64_t(::getpid()));
        head.Add("\nthread: ");
        head.AddUnsigned(uint64_t(::syscall(SYS_gettid)));
        head.Add("\ntime: ");
        head.AddUnsigned(uint64_t(::time(nullptr)));
        head.Add("\nbacktrace:\n");
        WriteAll(fd, head);
        void* frames[64];
        int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::fsync(fd);
        StartReporter(*c, name.data);
        ::close(fd);
    }
    // Dealt with: the process now ends as the fault would have ended it
    // (SA_RESETHAND put the default action back; the raised signal arrives
    // when the handler returns).
    ::raise(sig);
}

}  // namespace

std::u16string FormatDumpName(std::u16string_view pattern, int64_t seconds) {
    std::u16string prefix, suffix;
    SplitPattern(pattern, prefix, suffix);
    if (pattern.find(u"%u") == std::u16string_view::npos) return std::u16string(pattern);
    return prefix + Utf8ToUtf16(std::to_string(uint32_t(seconds))) + suffix;
}

bool InstallCrashHandler(const CrashHandlerConfig& config) {
    auto* c = new Config;  // never freed: a handler may read it at any time
    c->folder = NativePath(JoinPath(config.folder, u"x"));
    c->folder.pop_back();
    std::u16string prefix, suffix;
    SplitPattern(config.dumpPattern, prefix, suffix);
    c->prefix = Utf16ToUtf8(prefix);
    c->suffix = Utf16ToUtf8(suffix);
    c->numbered = config.dumpPattern.find(u"%u") != std::u16string::npos;
    c->reporter = NativePath(config.reporter);
    g_config.store(c);

    // The first backtrace loads the unwinder, which the handler must not do.
    void* frame[1];
    ::backtrace(frame, 1);

    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr);  // a stack overflow still gets its dump

    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    bool ok = true;
    for (int sig : kFatalSignals) ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

}  // namespace plat
