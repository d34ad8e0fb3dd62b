#pragma once
// The keyboard and the mouse as the input sampler polls them.

#include <cstdint>

#include "core/ports/capture.h"

namespace tessarin {

class KeyStateSource {
public:
    virtual ~KeyStateSource() = default;
    // The asynchronous state of a virtual key: non-zero while it is down (bit 15), bit 0 set
    // when it was pressed since the previous query of that key. (The system's own bit 0 is not
    // to be trusted, and recent Windows no longer sets it: the adapter takes it from the input
    // watch, which sees every press.)
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
    // When the system last had input, and when the watch last heard some (the system's
    // millisecond ticks).
    [[nodiscard]] virtual uint32_t lastInputMs() const = 0;
    [[nodiscard]] virtual uint32_t lastHeardMs() const = 0;
    // The watch went deaf (the system removed it): it is put in place again, and counts as having
    // heard now.
    virtual void rewatch() = 0;
};

}  // namespace tessarin
