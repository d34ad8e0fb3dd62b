#pragma once
// Polling the keyboard and the mouse buttons: at most one change is reported per sample.

#include <array>
#include <cstdint>
#include <string>

#include "core/ports/input.h"
#include "core/settings/key_names.h"

namespace tessarin {

// Rows for the virtual-key codes 1 .. 255 (index 0 is never used).
struct KeyStateTable {
    // 1 down, -1 up, 0 never sampled.
    std::array<int32_t, 256> previous{};
    // 1 down, -1 up.
    std::array<int32_t, 256> current{};
    // previous - current: -2 went down, +2 went up, 0 no change, +-1 on the first sample.
    std::array<int32_t, 256> change{};
};

struct SamplerState {
    int32_t keyCode = 0;  // the key of the last reported event, 0 when none
    Point pointer;        // screen pixels, read at the start of the last sample
};

struct KeyFlags {
    int32_t ctrl = 0;
    int32_t shift = 0;
    int32_t alt = 0;
};

inline constexpr int kVkShift = 16;
inline constexpr int kVkControl = 17;
inline constexpr int kVkMenu = 18;

// The InputEvent word: "LEFT_DOWN" ... "KEY_UP", "MV" when nothing changed, "" only for a
// baseline sample (which records the states and leaves the key code alone).
[[nodiscard]] std::string SampleInput(SamplerState& state, KeyStateTable& table, const KeyNameTable& names,
                                      KeyStateSource& keys, bool baseline);

// Ctrl, Shift and Alt as the last sample saw them: from the same reading as the key they go
// with. (Read again, a modifier pressed and let go since the last look would read up, its
// "pressed since" bit used up by the sample, and the capture it went with would be dropped.)
[[nodiscard]] KeyFlags KeyFlagsOfSample(const KeyStateTable& table);
// Ctrl and Shift only, as the idle tick takes them; Alt keeps its value.
void IdleKeyFlagsOfSample(KeyFlags& flags, const KeyStateTable& table);

}  // namespace tessarin
