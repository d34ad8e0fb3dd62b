#pragma once
// The 36-byte status record that other programs poll: 4 reserved zero bytes, then the
// status text in the narrow code page, blank-padded to 32 bytes, no terminating zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ports/codepage.h"

namespace tessarin {

inline constexpr const char* kStatusRecordName = "Tessarin";
inline constexpr size_t kStatusTextBytes = 32;

struct StatusRecord {
    int32_t reserved = 0;
    std::array<char, kStatusTextBytes> status{};
};
// Other programs read this layout byte for byte.
static_assert(sizeof(StatusRecord) == 36);
static_assert(offsetof(StatusRecord, status) == 4);

// The text padded or cut to 32 characters, in the narrow code page, cut to 32 bytes. A
// double-byte character that would straddle byte 32 is replaced by a blank rather than
// cut in half, so a reader never sees a dangling lead byte.
[[nodiscard]] std::array<char, kStatusTextBytes> FormStatusField(std::string_view text, const NarrowCodePage& codePage);
[[nodiscard]] StatusRecord FormStatusRecord(std::string_view text, const NarrowCodePage& codePage);

}  // namespace tessarin
