#include "platform/Sync.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace plat {

uint32_t CurrentProcessId() { return uint32_t(::getpid()); }
uint32_t CurrentThreadId() { return uint32_t(::syscall(SYS_gettid)); }

std::u16string NamedObjectFolder() {
    const char* env = getenv("QN_NAMED_OBJECTS");
    if (env && *env) return Utf8ToUtf16(env);
    return Utf8ToUtf16("/tmp/quillnet-objects-" + std::to_string(::getuid()));
}

// One per name and process, shared by every handle of this process. The
// in-process part (owner, recursion) is guarded here; the lock file's flock()
// keeps other processes out, and the kernel drops it when a holder dies.
struct NamedMutex::State {
    std::string name;
    std::mutex lock;
    std::condition_variable freed;
    uint32_t owner = 0;
    uint32_t count = 0;
    int lockFd = -1;
    int existFd = -1;
    int handles = 0;
};

namespace {

std::mutex g_registryLock;
std::map<std::string, std::weak_ptr<NamedMutex::State>> g_registry;

std::string FileBase(std::u16string_view name) {
    std::string n = Utf16ToUtf8(name);
    for (auto& c : n)
        if (c == '/' || c == '\\') c = '_';
    std::string folder = NativePath(NamedObjectFolder());
    CreateDirectories(NamedObjectFolder());
    return folder + "/" + n;
}

// The lock file holds the pid of its holder; a pid that no longer runs means the
// holder died without releasing.
bool PreviousHolderDied(int fd) {
    char buf[32] = {};
    ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0) return false;
    long pid = std::strtol(buf, nullptr, 10);
    if (pid <= 0 || pid == ::getpid()) return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void WriteHolder(int fd, long pid) {
    std::string s = std::to_string(pid) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        ssize_t w = ::pwrite(fd, s.data(), s.size(), 0);
        (void)w;
    }
}

}  // namespace

NamedMutex::NamedMutex() = default;
NamedMutex::~NamedMutex() { Close(); }

bool NamedMutex::Create(std::u16string_view name, bool* alreadyExisted) {
    Close();
    std::string base = FileBase(name);
    std::lock_guard<std::mutex> reg(g_registryLock);
    auto it = g_registry.find(base);
    if (it != g_registry.end()) {
        if (auto s = it->second.lock()) {
            std::lock_guard<std::mutex> l(s->lock);
            ++s->handles;
            m_state = s;
            if (alreadyExisted) *alreadyExisted = true;
            return true;
        }
    }
    auto s = std::make_shared<State>();
    s->name = base;
    s->existFd = ::open((base + ".exist").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    s->lockFd = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (s->existFd < 0 || s->lockFd < 0) {
        SetLastErrorFromErrno();
        if (s->existFd >= 0) ::close(s->existFd);
        if (s->lockFd >= 0) ::close(s->lockFd);
        return false;
    }
    // Another process has the name open when it holds its shared lock. flock()
    // drops the exclusive lock before it gives the shared one, so two processes
    // creating at once could both find the name new; the guard makes the test
    // and the change one step.
    int guardFd = ::open((base + ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (guardFd >= 0) {
        while (::flock(guardFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    bool existed = ::flock(s->existFd, LOCK_EX | LOCK_NB) != 0;
    ::flock(s->existFd, LOCK_SH);
    if (guardFd >= 0) ::close(guardFd);
    s->handles = 1;
    g_registry[base] = s;
    m_state = s;
    if (alreadyExisted) *alreadyExisted = existed;
    return true;
}

bool NamedMutex::IsValid() const { return m_state != nullptr; }

uint32_t NamedMutex::Wait(uint32_t timeoutMs) {
    if (!m_state) return WAIT_FAILED;
    State& s = *m_state;
    uint32_t me = CurrentThreadId();
    uint64_t deadline = timeoutMs == INFINITE ? 0 : TickCount64() + timeoutMs;
    {
        std::unique_lock<std::mutex> l(s.lock);
        if (s.owner == me) {
            ++s.count;
            return WAIT_OBJECT_0;
        }
        auto free = [&] { return s.owner == 0; };
        if (timeoutMs == INFINITE) {
            s.freed.wait(l, free);
        } else if (!s.freed.wait_for(l, std::chrono::milliseconds(timeoutMs), free)) {
            return WAIT_TIMEOUT;
        }
        s.owner = me;  // other threads of this process now wait on `freed`
        s.count = 1;
    }
    bool got;
    if (timeoutMs == INFINITE) {
        while ((got = ::flock(s.lockFd, LOCK_EX) == 0) == false && errno == EINTR) {
        }
    } else {
        for (;;) {
            got = ::flock(s.lockFd, LOCK_EX | LOCK_NB) == 0;
            if (got || TickCount64() >= deadline) break;
            Sleep(2);
        }
    }
    if (!got) {
        std::lock_guard<std::mutex> l(s.lock);
        s.owner = 0;
        s.count = 0;
        s.freed.notify_one();
        return timeoutMs == INFINITE ? WAIT_FAILED : WAIT_TIMEOUT;
    }
    bool abandoned = PreviousHolderDied(s.lockFd);
    WriteHolder(s.lockFd, ::getpid());
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

bool NamedMutex::Release() {
    if (!m_state) return false;
    State& s = *m_state;
    std::lock_guard<std::mutex> l(s.lock);
    if (s.owner != CurrentThreadId()) {
        SetLastError(EPERM);
        return false;
    }
    if (--s.count > 0) return true;
    WriteHolder(s.lockFd, 0);
    ::flock(s.lockFd, LOCK_UN);
    s.owner = 0;
    s.freed.notify_one();
    return true;
}

void NamedMutex::Close() {
    if (!m_state) return;
    std::lock_guard<std::mutex> reg(g_registryLock);
    bool last;
    {
        std::lock_guard<std::mutex> l(m_state->lock);
        last = --m_state->handles == 0;
    }
    if (last) {
        ::close(m_state->lockFd);
        ::close(m_state->existFd);
        g_registry.erase(m_state->name);
    }
    m_state.reset();
}

}  // namespace plat
