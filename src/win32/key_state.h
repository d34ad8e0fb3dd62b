#pragma once

#include "core/ports/input.h"

namespace tessarin {

// The whole desktop's keyboard and mouse buttons, whichever program is in front.
class AsyncKeyStateSource final : public KeyStateSource {
public:
    [[nodiscard]] int16_t asyncKeyState(int vk) override;
    [[nodiscard]] Point cursorPos() override;
};

}  // namespace tessarin
