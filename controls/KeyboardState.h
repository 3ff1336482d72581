#pragma once
// Reads the Num Lock and Caps Lock state from the window system where it can.

#include <optional>

struct LockKeys {
    bool numLock = false;
    bool capsLock = false;
};

// Nothing when the window system does not tell.
std::optional<LockKeys> readLockKeys();
