#include "platform/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace plat {

struct Event::State {
    std::mutex lock;
    std::condition_variable changed;
    bool manualReset = true;
    bool signalled = false;
};

bool Event::Create(bool manualReset, bool initialState) {
    auto s = std::make_shared<State>();
    s->manualReset = manualReset;
    s->signalled = initialState;
    m_state = std::move(s);
    return true;
}

bool Event::Set() {
    std::shared_ptr<State> s = m_state;
    if (!s) return false;
    std::lock_guard<std::mutex> l(s->lock);
    s->signalled = true;
    if (s->manualReset)
        s->changed.notify_all();
    else
        s->changed.notify_one();
    return true;
}

bool Event::Reset() {
    std::shared_ptr<State> s = m_state;
    if (!s) return false;
    std::lock_guard<std::mutex> l(s->lock);
    s->signalled = false;
    return true;
}

uint32_t Event::Wait(uint32_t timeoutMs) {
    std::shared_ptr<State> s = m_state;
    if (!s) return WAIT_FAILED;
    std::unique_lock<std::mutex> l(s->lock);
    auto ready = [&] { return s->signalled; };
    if (timeoutMs == INFINITE)
        s->changed.wait(l, ready);
    else if (!s->changed.wait_for(l, std::chrono::milliseconds(timeoutMs), ready))
        return WAIT_TIMEOUT;
    if (!s->manualReset) s->signalled = false;
    return WAIT_OBJECT_0;
}

void Event::Close() { m_state.reset(); }

}  // namespace plat
