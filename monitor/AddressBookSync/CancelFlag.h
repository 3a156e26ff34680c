// The cancel flag between a web call and the progress window: the window sets
// it once, the call's worker reads it. Both hold a share of it, so the flag
// stays valid for as long as either side may still touch it: a window that
// cancels after the call has ended writes to a flag nobody reads, never to
// freed memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class CCancelFlag {
public:
    void Set() { m_value.store(1, std::memory_order_release); }
    bool IsSet() const { return m_value.load(std::memory_order_acquire) != 0; }

private:
    std::atomic<uint8_t> m_value{0};
};

using CancelFlagPtr = std::shared_ptr<CCancelFlag>;
