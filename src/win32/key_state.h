#pragma once

#include "core/ports/input.h"
#include "win32/input_wake.h"

namespace tessarin {

// The whole desktop's keyboard and mouse buttons, whichever program is in front. A press between
// two looks comes from the input watch when it is in place; only without it does the system's own
// "pressed since" bit stand in.
class AsyncKeyStateSource final : public KeyStateSource {
public:
    explicit AsyncKeyStateSource(InputWake* presses = nullptr) noexcept : presses_(presses) {}
    [[nodiscard]] int16_t asyncKeyState(int vk) override;
    [[nodiscard]] Point cursorPos() override;

private:
    InputWake* presses_;
};

}  // namespace tessarin
