#include "win32/key_state.h"

#include <windows.h>

namespace tessarin {

int16_t AsyncKeyStateSource::asyncKeyState(int vk) {
    const auto state = static_cast<uint16_t>(GetAsyncKeyState(vk));
    const bool watched = presses_ != nullptr && presses_->watching();
    const bool pressed = watched ? presses_->TakePress(vk) : (state & 1U) != 0;
    return static_cast<int16_t>((state & 0x8000U) | (pressed ? 1U : 0U));
}

Point AsyncKeyStateSource::cursorPos() {
    POINT p{};
    if (!GetCursorPos(&p)) return {};
    return Point{p.x, p.y};
}

}  // namespace tessarin
