#pragma once
// The capture target kinds chosen by the setting "pos" and shown on the target button.

#include <cstdint>
#include <string>

namespace tessarin {

inline constexpr int32_t kTargetKindCount = 5;

// "window", "parts", "class", "tooltips", "popuplink"; "" outside 0 .. 4.
[[nodiscard]] std::string TargetWord(int32_t index);
// The button caption of a target index; "" outside 0 .. 4 (the caption is then kept).
[[nodiscard]] std::string TargetCaption(int32_t index);
// The index after a press of the target button: the next one, 0 after 4.
[[nodiscard]] int32_t NextTargetIndex(int32_t index);

}  // namespace tessarin
