#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Sync.h"
#include "platform/Text.h"

namespace {

// Names of their own, so that parallel test runs never share a mutex.
std::u16string UniqueName(const char* what) {
    static int counter = 0;
    return plat::Utf8ToUtf16("qntest." + std::to_string(::getpid()) + "." + what + "." +
                             std::to_string(++counter));
}

// A pipe to step a child process along: the child writes one byte when it has
// done something, the parent answers with one byte to let it go on.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe() {
        for (int f : fd)
            if (f >= 0) ::close(f);
    }
    void Send(char c) { EXPECT_EQ(::write(fd[1], &c, 1), 1); }
    char Receive() {
        char c = 0;
        return ::read(fd[0], &c, 1) == 1 ? c : 0;
    }
};

int ExitCodeOf(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(NamedMutex, OwnerMayTakeItAgainAndMustReleaseAsOften) {
    plat::NamedMutex m;
    ASSERT_TRUE(m.Create(UniqueName("recursive")));
    ASSERT_EQ(m.Wait(), plat::WAIT_OBJECT_0);
    ASSERT_EQ(m.Wait(0), plat::WAIT_OBJECT_0);
    auto otherThreadGets = [&] {
        uint32_t r = 0;
        std::thread t([&] {
            r = m.Wait(0);
            if (r == plat::WAIT_OBJECT_0) m.Release();
        });
        t.join();
        return r;
    };
    EXPECT_EQ(otherThreadGets(), plat::WAIT_TIMEOUT);
    ASSERT_TRUE(m.Release());
    EXPECT_EQ(otherThreadGets(), plat::WAIT_TIMEOUT);  // still held once
    ASSERT_TRUE(m.Release());
    EXPECT_EQ(otherThreadGets(), plat::WAIT_OBJECT_0);
    EXPECT_FALSE(m.Release());  // not the owner any more
}

TEST(NamedMutex, AnotherThreadWaitsUntilRelease) {
    std::u16string name = UniqueName("threads");
    plat::NamedMutex a, b;
    ASSERT_TRUE(a.Create(name));
    ASSERT_TRUE(b.Create(name));  // a second handle to the same mutex
    ASSERT_EQ(a.Wait(), plat::WAIT_OBJECT_0);
    std::atomic<bool> got{false};
    std::atomic<uint32_t> timedOut{0};
    uint32_t result = 0;
    std::thread t([&] {
        timedOut = b.Wait(20);
        result = b.Wait();  // blocks until the main thread lets go
        got = true;
        b.Release();
    });
    while (timedOut == 0) std::this_thread::yield();
    EXPECT_EQ(timedOut, plat::WAIT_TIMEOUT);
    EXPECT_FALSE(got.load());
    ASSERT_TRUE(a.Release());
    t.join();
    EXPECT_TRUE(got.load());
    EXPECT_EQ(result, plat::WAIT_OBJECT_0);
    // Either handle releases for the owner: they are one mutex.
    ASSERT_EQ(a.Wait(), plat::WAIT_OBJECT_0);
    EXPECT_TRUE(b.Release());
    EXPECT_FALSE(a.Release());
}

TEST(NamedMutex, AlreadyExistedWithinTheProcess) {
    std::u16string name = UniqueName("exists");
    bool existed = true;
    plat::NamedMutex first, second;
    ASSERT_TRUE(first.Create(name, &existed));
    EXPECT_FALSE(existed);
    ASSERT_TRUE(second.Create(name, &existed));
    EXPECT_TRUE(existed);
    second.Close();
    first.Close();
    plat::NamedMutex again;
    ASSERT_TRUE(again.Create(name, &existed));
    EXPECT_FALSE(existed);  // every handle was closed
}

// A child process that creates and takes the mutex and says 'L'. Each byte from
// the parent moves it on: with `release` it releases and says 'R', then ends;
// without, it ends holding the mutex.
pid_t ForkHolder(const std::u16string& name, Pipe& up, Pipe& down, bool release) {
    pid_t pid = ::fork();
    if (pid != 0) return pid;
    plat::NamedMutex m;
    bool existed = true;
    bool ok = m.Create(name, &existed) && !existed && m.Wait() == plat::WAIT_OBJECT_0;
    up.Send(ok ? 'L' : 'F');
    down.Receive();
    if (release) {
        up.Send(m.Release() ? 'R' : 'F');
        down.Receive();
    }
    ::_exit(0);
}

TEST(NamedMutex, DeadHolderProcessLeavesItAbandoned) {
    std::u16string name = UniqueName("abandoned");
    Pipe up, down;
    pid_t pid = ForkHolder(name, up, down, false);
    ASSERT_GE(pid, 0);
    ASSERT_EQ(up.Receive(), 'L');
    plat::NamedMutex m;
    bool existed = false;
    ASSERT_TRUE(m.Create(name, &existed));
    EXPECT_TRUE(existed);  // the child has it open
    EXPECT_EQ(m.Wait(0), plat::WAIT_TIMEOUT);
    EXPECT_EQ(m.Wait(30), plat::WAIT_TIMEOUT);
    down.Send('X');
    ASSERT_EQ(ExitCodeOf(pid), 0);
    EXPECT_EQ(m.Wait(), plat::WAIT_ABANDONED);
    ASSERT_TRUE(m.Release());
    EXPECT_EQ(m.Wait(), plat::WAIT_OBJECT_0);  // released properly this time
    ASSERT_TRUE(m.Release());
}

TEST(NamedMutex, ReleasedByAnotherProcessIsNotAbandoned) {
    std::u16string name = UniqueName("handover");
    Pipe up, down;
    pid_t pid = ForkHolder(name, up, down, true);
    ASSERT_GE(pid, 0);
    ASSERT_EQ(up.Receive(), 'L');
    plat::NamedMutex m;
    ASSERT_TRUE(m.Create(name));
    EXPECT_EQ(m.Wait(10), plat::WAIT_TIMEOUT);
    down.Send('r');
    ASSERT_EQ(up.Receive(), 'R');
    EXPECT_EQ(m.Wait(), plat::WAIT_OBJECT_0);  // the child is still alive
    down.Send('x');
    ASSERT_EQ(ExitCodeOf(pid), 0);
    ASSERT_TRUE(m.Release());
}

// Many processes creating one name at the same moment: exactly one of them
// made it, as with the single-instance guard.
TEST(NamedMutex, OneCreatorAmongProcessesStartingTogether) {
    constexpr int kRounds = 20, kChildren = 4;
    for (int round = 0; round < kRounds; ++round) {
        std::u16string name = UniqueName("race");
        Pipe go, results, done;
        std::vector<pid_t> pids;
        for (int i = 0; i < kChildren; ++i) {
            pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(go.fd[1]);
                ::close(done.fd[1]);
                go.Receive();  // everyone starts when the parent closes the pipe
                plat::NamedMutex m;
                bool existed = false;
                bool ok = m.Create(name, &existed);
                results.Send(!ok ? 'F' : existed ? 'E' : 'N');
                done.Receive();
                ::_exit(0);
            }
            pids.push_back(pid);
        }
        ::close(go.fd[1]);
        go.fd[1] = -1;
        int created = 0, existing = 0;
        for (int i = 0; i < kChildren; ++i) {
            char c = results.Receive();
            created += c == 'N';
            existing += c == 'E';
        }
        ::close(done.fd[1]);
        done.fd[1] = -1;
        for (pid_t pid : pids) EXPECT_EQ(ExitCodeOf(pid), 0);
        ASSERT_EQ(created, 1) << "round " << round;
        ASSERT_EQ(existing, kChildren - 1) << "round " << round;
    }
}

TEST(NamedMutex, InvalidHandleFails) {
    plat::NamedMutex m;
    EXPECT_FALSE(m.IsValid());
    EXPECT_EQ(m.Wait(0), plat::WAIT_FAILED);
    EXPECT_FALSE(m.Release());
}

}  // namespace
