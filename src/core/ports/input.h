#pragma once
// The keyboard and the mouse as the input sampler polls them.

#include <cstdint>

#include "core/ports/capture.h"

namespace tessarin {

class KeyStateSource {
public:
    virtual ~KeyStateSource() = default;
    // The asynchronous state of a virtual key: non-zero while it is down (bit 15), bit 0 set
    // when it was pressed since the previous query of that key.
    [[nodiscard]] virtual int16_t asyncKeyState(int vk) = 0;
    // The pointer position in screen pixels.
    [[nodiscard]] virtual Point cursorPos() = 0;
};

// Input anywhere on the desktop, noticed as it comes: while the desktop is still the run may look
// rarely, and the first input wakes it.
class InputWatch {
public:
    virtual ~InputWatch() = default;
    // Whether input is noticed at all; without it the run keeps looking fast.
    [[nodiscard]] virtual bool watching() const = 0;
    // The next input wakes the run, once.
    virtual void arm() = 0;
};

}  // namespace tessarin
