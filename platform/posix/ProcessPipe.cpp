#include "platform/ProcessPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Error.h"
#include "platform/Text.h"

extern char** environ;

namespace plat {

namespace {

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

ProcessPipe::~ProcessPipe() { Close(); }

bool ProcessPipe::Start(const std::vector<std::u16string>& argv) {
    Close();
    if (argv.empty()) {
        SetLastError(EINVAL);
        return false;
    }
    std::vector<std::string> args;
    for (const auto& a : argv) {
        args.push_back(Utf16ToUtf8(a));
        if (args.back().find('\0') != std::string::npos) {
            SetLastError(EINVAL);
            return false;
        }
    }
    std::vector<char*> cargs;
    for (auto& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    pid_t pid = -1;
    int r = ::posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (r != 0) {
        ::close(fds[0]);
        SetLastError(uint32_t(r));
        return false;
    }
    m_fd = fds[0];
    m_pid = pid;
    m_exitCode = -1;
    return true;
}

int64_t ProcessPipe::Read(void* buffer, size_t length) {
    if (m_fd < 0) {
        SetLastError(EBADF);
        return -1;
    }
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) SetLastErrorFromErrno();
        return n;
    }
}

int ProcessPipe::Wait() {
    if (m_pid > 0) {
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(m_pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        m_exitCode = r == m_pid ? ExitCodeOf(status) : -1;
        m_pid = -1;
    }
    return m_exitCode;
}

void ProcessPipe::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (m_pid > 0) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exitCode = ExitCodeOf(status);
            m_pid = -1;
        } else {
            ::kill(m_pid, SIGKILL);
            Wait();
            m_exitCode = -1;
        }
    }
}

}  // namespace plat
