#pragma once
// The copy rules of the capture engine: the position correction, layered windows, which
// windows draw themselves, and the cursor overlay. The Grabber port only executes them.

#include <cstdint>
#include <string_view>

#include "core/ports/capture.h"
#include "core/settings/settings.h"

namespace tessarin {

// The correction switch of BlitToPicture: only kCorrectionOn lets the "hosei" setting act.
inline constexpr int kCorrectionOn = 0;
inline constexpr int kCorrectionOff = -1;

// A copy into the picture: destination offset (x, y) and extent (cx, cy).
struct BlitArea {
    int32_t x = 0;
    int32_t y = 0;
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const BlitArea&, const BlitArea&) = default;
};

[[nodiscard]] int32_t ClampToInt32(int64_t value);

// The area after the "hosei" correction, which applies only with kCorrectionOn and "hosei" 1.
[[nodiscard]] BlitArea CorrectedExtent(const BlitArea& area, const Settings& settings, int correctionSwitch);
// Whether copies include the layered windows over the area (NT family only).
[[nodiscard]] bool CaptureLayered(const Desktop& desktop);
// Whether a window of this class is asked to draw itself instead of being copied from the
// screen.
[[nodiscard]] bool RendersItself(std::string_view className, float osVersion, const Settings& settings);

// Copies the screen so that the screen origin lands at the picture's (x, y).
void BlitToPicture(Grabber& grabber, const Desktop& desktop, const Settings& settings, int32_t x, int32_t y, int32_t cx,
                   int32_t cy, int correctionSwitch);
// Copies the window's image so that its pixel (x, y) lands at the picture's origin; (cx, cy)
// is the extent measured from the destination offset (-x, -y).
void GrabWindow(Grabber& grabber, const Desktop& desktop, const Settings& settings, WindowId window, int32_t x,
                int32_t y, int32_t cx, int32_t cy);
// Paints the cursor where it is on the screen, relative to the picture's screen origin.
void DrawCursorOverlay(Grabber& grabber, int32_t originX, int32_t originY);

}  // namespace tessarin
