#pragma once
// A 32-bit checksum for files the program reads back (the thumbnail cache, the capture journal):
// FNV-1a taken eight bytes a step over little-endian words, folded to 32 bits, so tens of
// megabytes are summed in moments. It finds damage, not tampering.

#include <cstdint>
#include <string_view>

namespace tessarin {

[[nodiscard]] uint32_t Checksum32(std::string_view bytes);

}  // namespace tessarin
