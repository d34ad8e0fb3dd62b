#pragma once
// Where windows open among the monitors. Rectangles are work areas (a monitor without its task
// bars) in virtual-screen pixels, so a monitor left of or above the primary has negative ones.

#include <cstdint>
#include <optional>
#include <span>

#include "core/ports/capture.h"

namespace tessarin {

// How much of a window's top edge must lie on one work area for the user to reach it: this many
// pixels wide, and as high.
inline constexpr int32_t kReachablePixels = 24;

// The monitor a window is on: the one it overlaps most, else the nearest; none without monitors.
[[nodiscard]] std::optional<size_t> MonitorOf(const Rect& window, std::span<const Rect> workAreas);

// Where a window remembered at `wanted` opens: there when its top edge can be reached on a
// monitor; otherwise on the nearest monitor, whole (moved onto it, and no larger than it). Without
// monitors, where it was.
[[nodiscard]] Rect PlaceOnMonitors(const Rect& wanted, std::span<const Rect> workAreas);

// A window of that size centred on a work area, whole on it; one larger than the work area keeps
// its left and top edges on it.
[[nodiscard]] Rect CentredOn(const Rect& workArea, int32_t width, int32_t height);

}  // namespace tessarin
