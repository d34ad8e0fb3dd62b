#pragma once

#include <cstdint>
#include <string>

namespace tessarin {

// The class name of a window handle given as a number; "" when no such window exists.
[[nodiscard]] std::string WindowClassName(uint32_t handle);

}  // namespace tessarin
