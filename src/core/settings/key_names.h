#pragma once
// The watched keys of a Japanese PC keyboard and the capture-key codes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ports/codepage.h"

namespace tessarin {

// Index = virtual-key code; a key with an empty name is never reported by the sampler.
using KeyNameTable = std::array<std::string, 256>;

[[nodiscard]] KeyNameTable BuildKeyNameTable();
[[nodiscard]] uint16_t KeyCodeOfName(std::string_view name, const NarrowCodePage& codePage);

}  // namespace tessarin
