#include "core/capture/grabber_rules.h"

#include <algorithm>
#include <limits>
#include <string>

#include "core/text/text.h"

namespace tessarin {

namespace {

// Versions come in tenths, so a threshold halfway below 5.1 is safe from float rounding in
// however the adapter forms major + minor / 10.
constexpr float kPrintWindowVersion = 5.05F;

int32_t Negated(int32_t value) { return ClampToInt32(-static_cast<int64_t>(value)); }

}  // namespace

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The correction values come from a hand-editable file, so the sums saturate instead of
// overflowing.
BlitArea CorrectedExtent(const BlitArea& area, const Settings& settings, int correctionSwitch) {
    if (correctionSwitch != kCorrectionOn || settings.hosei != 1) return area;
    return BlitArea{
        ClampToInt32(int64_t{area.x} - settings.hoseiLeft), ClampToInt32(int64_t{area.y} - settings.hoseiTop),
        ClampToInt32(int64_t{area.cx} + settings.hoseiWidth), ClampToInt32(int64_t{area.cy} + settings.hoseiHeight)};
}

bool CaptureLayered(const Desktop& desktop) { return desktop.osPlatformId() >= 2; }

// A window that draws itself leaves out whatever lies over it (tooltips, menus), which is
// what "no tooltip" asks for. Edit controls draw their text badly into a memory context,
// so they are always copied from the screen.
bool RendersItself(std::string_view className, float osVersion, const Settings& settings) {
    const std::string lower = AsciiLower(className);
    return osVersion >= kPrintWindowVersion && settings.noTooltip == 1 && lower.find("richedit") == std::string::npos &&
           lower != "edit";
}

void BlitToPicture(Grabber& grabber, const Desktop& desktop, const Settings& settings, int32_t x, int32_t y, int32_t cx,
                   int32_t cy, int correctionSwitch) {
    const BlitArea area = CorrectedExtent(BlitArea{x, y, cx, cy}, settings, correctionSwitch);
    grabber.blitFromScreen(area.x, area.y, area.cx, area.cy, CaptureLayered(desktop));
}

void GrabWindow(Grabber& grabber, const Desktop& desktop, const Settings& settings, WindowId window, int32_t x,
                int32_t y, int32_t cx, int32_t cy) {
    if (RendersItself(desktop.className(window), desktop.osVersionNumber(), settings)) {
        // The window's own drawing has no position error to correct.
        grabber.printWindow(window, Negated(x), Negated(y), cx, cy);
        // A window whose drawing does not reach us (one of another process under Wine, one the
        // graphics card draws on Windows) leaves a flat area, black as a rule. While the window
        // is on the screen, the screen has it: its top-left pixel lands where the drawing's would.
        if (grabber.blank(Negated(x), Negated(y), cx, cy) && desktop.isVisible(window)) {
            const Rect r = desktop.windowRect(window);
            grabber.blitFromScreen(ClampToInt32(-int64_t{r.left} - x), ClampToInt32(-int64_t{r.top} - y),
                                   ClampToInt32(int64_t{cx} + r.left), ClampToInt32(int64_t{cy} + r.top),
                                   CaptureLayered(desktop));
        }
        return;
    }
    const BlitArea area = CorrectedExtent(BlitArea{Negated(x), Negated(y), cx, cy}, settings, kCorrectionOn);
    grabber.blitFromWindowDc(window, area.x, area.y, area.cx, area.cy, CaptureLayered(desktop));
}

void DrawCursorOverlay(Grabber& grabber, int32_t originX, int32_t originY) { grabber.drawCursor(originX, originY); }

}  // namespace tessarin
