#pragma once
// The copy rules of the capture engine: where the monitors are, the position correction,
// layered windows, which windows draw themselves, keeping our own windows out of a copy, and
// the cursor overlay. The Grabber port only executes them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/ports/capture.h"
#include "core/settings/settings.h"

namespace tessarin {

// The correction switch of BlitToPicture: only kCorrectionOn lets the "hosei" setting act.
inline constexpr int kCorrectionOn = 0;
inline constexpr int kCorrectionOff = -1;

// A part of a screen copy that lies on one monitor: the screen's `source` lands at `to`.
struct ScreenPiece {
    Rect source;
    Point to;
    friend bool operator==(const ScreenPiece&, const ScreenPiece&) = default;
};

[[nodiscard]] int32_t ClampToInt32(int64_t value);
[[nodiscard]] bool IsEmpty(const Rect& rect);
// Empty when they do not meet.
[[nodiscard]] Rect Intersection(const Rect& a, const Rect& b);
// The smallest rectangle holding them all (the virtual screen, for the monitors).
[[nodiscard]] Rect BoundingBox(const std::vector<Rect>& rects);
// Whether any monitor shows any of the rectangle.
[[nodiscard]] bool OnAnyMonitor(const Rect& rect, const std::vector<Rect>& monitors);

// A copy of the screen's `source` to the picture's `to`, clipped to the picture (width x height)
// and cut at the monitors' edges. What lies on no monitor is in no piece.
[[nodiscard]] std::vector<ScreenPiece> ScreenPieces(const Rect& source, Point to, int32_t pictureWidth,
                                                    int32_t pictureHeight, const std::vector<Rect>& monitors);

// The screen area that lands at the picture's origin after the "hosei" correction, which
// applies only with kCorrectionOn and "hosei" 1.
[[nodiscard]] Rect CorrectedSource(const Rect& area, const Settings& settings, int correctionSwitch);
// Whether copies include the layered windows over the area (NT family only).
[[nodiscard]] bool CaptureLayered(const Desktop& desktop);
// Whether a window of this class is asked to draw itself instead of being copied from the
// screen.
[[nodiscard]] bool RendersItself(std::string_view className, float osVersion, const Settings& settings);
// Whether what a window draws for itself has the size it shows at.
[[nodiscard]] bool DrawsAtShownScale(const WindowScale& scale);

// Which of our windows a screen copy keeps out: every one but the target's (the window being
// captured, 0 for none), or, for the whole desktop, none.
struct OwnWindowRule {
    bool keepOut = true;
    WindowId target = 0;
};

// Copies the screen from (left, top) to (right, bottom) into a picture of that size, at its
// origin. False when no monitor shows any of the area.
[[nodiscard]] bool BlitToPicture(Grabber& grabber, const Desktop& desktop, const Settings& settings, const Rect& area,
                                 int correctionSwitch, const OwnWindowRule& rule);
// Copies the part of the window (in window pixels: (0, 0) is the corner of its rectangle) into
// a picture of the part's size. False when nothing of it could be taken.
[[nodiscard]] bool GrabWindow(Grabber& grabber, const Desktop& desktop, const Settings& settings, WindowId window,
                              const Rect& part);
// Paints the cursor where it is on the screen, relative to the picture's screen origin.
void DrawCursorOverlay(Grabber& grabber, int32_t originX, int32_t originY);

}  // namespace tessarin
