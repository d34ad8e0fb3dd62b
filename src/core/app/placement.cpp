#include "core/app/placement.h"

#include <algorithm>

namespace tessarin {

namespace {

int64_t Overlap(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    return std::max<int64_t>(0, int64_t{std::min(a1, b1)} - std::max(a0, b0));
}

// The gap between two spans; 0 when they touch or overlap.
int64_t Gap(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    return std::max<int64_t>({0, int64_t{b0} - a1, int64_t{a0} - b1});
}

// A span of that length moved into [low, high) as little as it takes; it starts at low when it is
// longer.
int32_t Within(int32_t start, int32_t length, int32_t low, int32_t high) {
    return static_cast<int32_t>(std::max<int64_t>(low, std::min<int64_t>(start, int64_t{high} - length)));
}

bool Reachable(const Rect& window, const Rect& work) {
    const int32_t band = std::min(kReachablePixels, window.height());
    const bool inHeight = window.top >= work.top && int64_t{window.top} + band <= work.bottom;
    return inHeight &&
           Overlap(window.left, window.right, work.left, work.right) >= std::min(kReachablePixels, window.width());
}

}  // namespace

std::optional<size_t> MonitorOf(const Rect& window, std::span<const Rect> workAreas) {
    std::optional<size_t> best;
    int64_t bestOverlap = 0;
    int64_t bestDistance = 0;
    for (size_t i = 0; i < workAreas.size(); ++i) {
        const Rect& work = workAreas[i];
        const int64_t overlap = Overlap(window.left, window.right, work.left, work.right) *
                                Overlap(window.top, window.bottom, work.top, work.bottom);
        const int64_t dx = Gap(window.left, window.right, work.left, work.right);
        const int64_t dy = Gap(window.top, window.bottom, work.top, work.bottom);
        const int64_t distance = dx * dx + dy * dy;
        if (!best || overlap > bestOverlap || (overlap == bestOverlap && overlap == 0 && distance < bestDistance)) {
            best = i;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return best;
}

Rect PlaceOnMonitors(const Rect& wanted, std::span<const Rect> workAreas) {
    if (std::any_of(workAreas.begin(), workAreas.end(), [&](const Rect& work) { return Reachable(wanted, work); }))
        return wanted;
    const std::optional<size_t> nearest = MonitorOf(wanted, workAreas);
    if (!nearest) return wanted;
    const Rect& work = workAreas[*nearest];
    const int32_t width = std::min(std::max(wanted.width(), 0), work.width());
    const int32_t height = std::min(std::max(wanted.height(), 0), work.height());
    const int32_t left = Within(wanted.left, width, work.left, work.right);
    const int32_t top = Within(wanted.top, height, work.top, work.bottom);
    return Rect{left, top, left + width, top + height};
}

Rect CentredOn(const Rect& workArea, int32_t width, int32_t height) {
    const auto centred = [](int32_t low, int32_t high, int32_t length) {
        return static_cast<int32_t>(std::max<int64_t>(low, low + (int64_t{high} - low - length) / 2));
    };
    const int32_t left = centred(workArea.left, workArea.right, width);
    const int32_t top = centred(workArea.top, workArea.bottom, height);
    return Rect{left, top, left + width, top + height};
}

}  // namespace tessarin
