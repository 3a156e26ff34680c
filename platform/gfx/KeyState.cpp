#include "platform/gfx/KeyState.h"

#include <array>
#include <atomic>

namespace plat {

namespace {

std::array<std::atomic<bool>, 256> g_down{};

}  // namespace

int16_t GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    return g_down[size_t(virtualKey)].load() ? int16_t(0x8000) : int16_t(0);
}

void SetKeyState(int virtualKey, bool down) {
    if (virtualKey >= 0 && virtualKey <= 255) g_down[size_t(virtualKey)].store(down);
}

void ResetKeyState() {
    for (auto& k : g_down) k.store(false);
}

}  // namespace plat
