// Thread and process identity, and the system-wide named mutex.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace plat {

uint32_t CurrentProcessId();
uint32_t CurrentThreadId();

enum WaitResult : uint32_t {
    WAIT_OBJECT_0 = 0,
    WAIT_ABANDONED = 0x80,
    WAIT_TIMEOUT = 0x102,
    WAIT_FAILED = 0xFFFFFFFF
};
constexpr uint32_t INFINITE = 0xFFFFFFFF;

// A mutex that every process of the user sees by its name, with the semantics
// of the system's named mutex: the owning thread may take it again (it must
// release it as often), a holder that dies releases it (the next waiter gets
// WAIT_ABANDONED), and creating tells whether the name already existed, in this
// process or another.
class NamedMutex {
public:
    NamedMutex();
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when the mutex cannot be made; `alreadyExisted` tells whether some
    // handle to the name was open before.
    bool Create(std::u16string_view name, bool* alreadyExisted = nullptr);
    bool IsValid() const;
    uint32_t Wait(uint32_t timeoutMs = INFINITE);
    bool Release();
    void Close();

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// Holds a named mutex for a scope.
class NamedMutexLock {
public:
    explicit NamedMutexLock(NamedMutex& m) : m_mutex(m) { m_held = m.Wait() != WAIT_FAILED; }
    ~NamedMutexLock() {
        if (m_held) m_mutex.Release();
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

private:
    NamedMutex& m_mutex;
    bool m_held;
};

// Where the named objects of this user live (a folder of lock files); tests may
// point it elsewhere before the first mutex is made.
std::u16string NamedObjectFolder();

}  // namespace plat
