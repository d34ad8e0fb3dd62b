#pragma once

#include <cstdint>
#include <string>

namespace tessarin {

// The class name of a window handle given as a number; "" when no such window exists.
[[nodiscard]] std::string WindowClassName(uint32_t handle);

// The title of a window (at most 127 characters, up to the first NUL); "" when there is
// none or no such window exists.
[[nodiscard]] std::string WindowText(uint32_t handle);

// The text a window answers to WM_GETTEXT, at most 4095 characters; "" for handle 0, for a
// window that answers nothing and for a window that does not exist.
[[nodiscard]] std::string ControlText(uint32_t handle);

}  // namespace tessarin
