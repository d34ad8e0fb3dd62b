#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "core/ports/input.h"

namespace tessarin {

// The whole desktop's keyboard and mouse buttons, whichever program is in front.
// A key's state is asked of the system again only when there has been input since it was last
// read: the 10 ms tick samples every named key, and while nobody types or moves the mouse that
// would be a hundred questions to the system per tick for answers that cannot have changed.
class AsyncKeyStateSource final : public KeyStateSource {
public:
    [[nodiscard]] int16_t asyncKeyState(int vk) override;
    [[nodiscard]] Point cursorPos() override;

private:
    // Asks the time of the last input, once per millisecond (once per sample of all keys).
    void RefreshLastInput(DWORD now);
    // Whether a reading taken at that tick has seen all input since.
    [[nodiscard]] bool Current(bool valid, DWORD at) const;

    struct Reading {
        bool valid = false;
        DWORD at = 0;  // tick count just before the key was read
        int16_t state = 0;
    };
    std::array<Reading, 256> readings_{};
    DWORD lastInputAskedAt_ = 0;
    DWORD lastInput_ = 0;
    bool lastInputKnown_ = false;
};

}  // namespace tessarin
