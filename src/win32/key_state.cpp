#include "win32/key_state.h"

#include <windows.h>

namespace tessarin {

int16_t AsyncKeyStateSource::asyncKeyState(int vk) { return static_cast<int16_t>(GetAsyncKeyState(vk)); }

Point AsyncKeyStateSource::cursorPos() {
    POINT p{};
    if (!GetCursorPos(&p)) return {};
    return Point{p.x, p.y};
}

}  // namespace tessarin
