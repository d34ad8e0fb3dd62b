#include "win32/key_state.h"

namespace tessarin {

void AsyncKeyStateSource::RefreshLastInput(DWORD now) {
    if (lastInputKnown_ && now == lastInputAskedAt_) return;
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    lastInputKnown_ = GetLastInputInfo(&info) != FALSE;
    lastInput_ = info.dwTime;
    lastInputAskedAt_ = now;
}

// Two milliseconds after the last input a reading has seen all of it.
bool AsyncKeyStateSource::Current(bool valid, DWORD at) const {
    return lastInputKnown_ && valid && static_cast<int32_t>(at - lastInput_) >= 2;
}

int16_t AsyncKeyStateSource::asyncKeyState(int vk) {
    if (vk < 0 || vk >= static_cast<int>(readings_.size())) return static_cast<int16_t>(GetAsyncKeyState(vk));
    const DWORD now = GetTickCount();
    RefreshLastInput(now);
    Reading& reading = readings_[static_cast<size_t>(vk)];
    // The "pressed since the last query" bit was handed out with the reading already.
    if (Current(reading.valid, reading.at)) return static_cast<int16_t>(reading.state & ~1);
    reading.at = now;
    reading.state = static_cast<int16_t>(GetAsyncKeyState(vk));
    reading.valid = true;
    return reading.state;
}

// Always asked: the pointer is also moved by programs (SetCursorPos), which is no input.
Point AsyncKeyStateSource::cursorPos() {
    POINT p{};
    if (!GetCursorPos(&p)) return {};
    return Point{p.x, p.y};
}

}  // namespace tessarin
