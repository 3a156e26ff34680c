// An event object as CreateEvent makes it: manual or automatic reset, set and
// waited for from any thread of the process.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Sync.h"

namespace plat {

class Event {
public:
    Event() = default;
    ~Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Makes a fresh event (closing the one held before).
    bool Create(bool manualReset, bool initialState);
    bool IsValid() const { return m_state != nullptr; }
    // Safe while another thread waits on the same event.
    bool Set();
    bool Reset();
    // WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED for an event never made.
    uint32_t Wait(uint32_t timeoutMs = INFINITE);
    // A thread inside Set or Wait keeps the event alive until it leaves.
    void Close();

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace plat
