// Which keys are down, as the system's key-state query tells it. The simulated
// desktop has no keyboard of its own: whoever plays the user (a test, the
// demonstration) sets the state of the modifier keys around the key messages
// it posts.
#pragma once

#include <cstdint>

namespace plat {

// The high bit (the value is negative) while the key is down.
int16_t GetKeyState(int virtualKey);
void SetKeyState(int virtualKey, bool down);
// Every key up again.
void ResetKeyState();

}  // namespace plat
