#include "core/capture/grabber_rules.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/capture/window_queries.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

// Versions come in tenths, so a threshold halfway below 5.1 is safe from float rounding in
// however the adapter forms major + minor / 10.
constexpr float kPrintWindowVersion = 5.05F;
// Parents and owners are followed no further than this: a chain that loops ends somewhere.
constexpr int kMaxAncestors = 64;

int64_t Area(const Rect& rect) {
    return IsEmpty(rect) ? 0 : (int64_t{rect.right} - rect.left) * (int64_t{rect.bottom} - rect.top);
}

Rect Offset(const Rect& rect, int64_t dx, int64_t dy) {
    return Rect{ClampToInt32(rect.left + dx), ClampToInt32(rect.top + dy), ClampToInt32(rect.right + dx),
                ClampToInt32(rect.bottom + dy)};
}

// Whether the window is `own` or lies inside it: a child of it, or a window it owns.
bool Within(const Desktop& desktop, WindowId window, WindowId own) {
    for (int depth = 0; window != 0 && depth < kMaxAncestors; ++depth, window = desktop.parent(window)) {
        if (window == own) return true;
    }
    return false;
}

// For the length of a screen copy, none of our windows over the copied pieces shows in it,
// unless it is (or holds) the window being captured. The system leaves them out itself where
// it can; elsewhere they are hidden for the copy's moment, and what they covered is given the
// time to draw itself again.
class OwnWindowsOut {
public:
    OwnWindowsOut(Grabber& grabber, const Desktop& desktop, const std::vector<ScreenPiece>& pieces, WindowId target)
        : grabber_(grabber) {
        bool targetIsOurs = false;
        std::vector<WindowId> over;
        for (const ShownWindow& own : grabber.ownWindows()) {
            if (target != 0 && Within(desktop, target, own.id)) {
                targetIsOurs = true;
                continue;
            }
            const bool meets = std::ranges::any_of(
                pieces, [&own](const ScreenPiece& piece) { return !IsEmpty(Intersection(piece.source, own.rect)); });
            if (meets) over.push_back(own.id);
        }
        if (over.empty()) return;
        // The system's exclusion takes every window of ours, the target's too.
        if (!targetIsOurs && grabber.excludeOwnWindows(true)) {
            excluded_ = true;
            return;
        }
        for (const WindowId id : over) grabber.showOwnWindow(id, false);
        hidden_ = std::move(over);
        grabber.awaitRepaint();
    }
    OwnWindowsOut(const OwnWindowsOut&) = delete;
    OwnWindowsOut& operator=(const OwnWindowsOut&) = delete;
    ~OwnWindowsOut() {
        if (excluded_) (void)grabber_.excludeOwnWindows(false);
        for (auto id = hidden_.rbegin(); id != hidden_.rend(); ++id) grabber_.showOwnWindow(*id, true);
    }

private:
    Grabber& grabber_;
    bool excluded_ = false;
    std::vector<WindowId> hidden_;
};

// The screen's `source` to the picture's `to`: black where no monitor is, each monitor's part
// from that monitor. A copy that reaches past the screen would come back black as a whole
// (under Wine), so no piece does.
bool CopyScreen(Grabber& grabber, const Desktop& desktop, const Rect& source, Point to, const Rect& picture,
                const OwnWindowRule& rule) {
    const std::vector<ScreenPiece> pieces =
        ScreenPieces(source, to, picture.width(), picture.height(), desktop.monitors());
    if (pieces.empty()) return false;
    std::optional<OwnWindowsOut> out;
    if (rule.keepOut) out.emplace(grabber, desktop, pieces, rule.target);
    const Rect landing = Intersection(Offset(source, int64_t{to.x} - source.left, int64_t{to.y} - source.top), picture);
    int64_t covered = 0;
    for (const ScreenPiece& piece : pieces) covered += Area(piece.source);
    if (covered < Area(landing)) grabber.fillBlack(landing);
    for (const ScreenPiece& piece : pieces) grabber.copyScreen(piece.source, piece.to, CaptureLayered(desktop));
    return true;
}

}  // namespace

int32_t ClampToInt32(int64_t value) { return Rect::Saturate(value); }

bool IsEmpty(const Rect& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

Rect Intersection(const Rect& a, const Rect& b) {
    const Rect meet{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    return IsEmpty(meet) ? Rect{} : meet;
}

Rect BoundingBox(const std::vector<Rect>& rects) {
    Rect box;
    bool first = true;
    for (const Rect& rect : rects) {
        if (IsEmpty(rect)) continue;
        box = first ? rect
                    : Rect{std::min(box.left, rect.left), std::min(box.top, rect.top), std::max(box.right, rect.right),
                           std::max(box.bottom, rect.bottom)};
        first = false;
    }
    return box;
}

bool OnAnyMonitor(const Rect& rect, const std::vector<Rect>& monitors) {
    return std::ranges::any_of(monitors,
                               [&rect](const Rect& monitor) { return !IsEmpty(Intersection(rect, monitor)); });
}

// Mirrored monitors show the same pixels at the same place: one copy is enough.
std::vector<ScreenPiece> ScreenPieces(const Rect& source, Point to, int32_t pictureWidth, int32_t pictureHeight,
                                      const std::vector<Rect>& monitors) {
    // A screen point plus (dx, dy) is its place in the picture.
    const int64_t dx = int64_t{to.x} - source.left;
    const int64_t dy = int64_t{to.y} - source.top;
    const Rect inPicture = Intersection(source, Offset(Rect{0, 0, pictureWidth, pictureHeight}, -dx, -dy));
    std::vector<ScreenPiece> pieces;
    for (const Rect& monitor : monitors) {
        const Rect piece = Intersection(inPicture, monitor);
        if (IsEmpty(piece) || std::ranges::find(pieces, piece, &ScreenPiece::source) != pieces.end()) continue;
        pieces.push_back(ScreenPiece{piece, Point{ClampToInt32(piece.left + dx), ClampToInt32(piece.top + dy)}});
    }
    return pieces;
}

// The correction moves where the copy starts by ("hosei left", "hosei top") and where it ends by
// ("hosei width", "hosei height"); the picture keeps its size. The values come from a
// hand-editable file, so the sums saturate instead of overflowing.
Rect CorrectedSource(const Rect& area, const Settings& settings, int correctionSwitch) {
    if (correctionSwitch != kCorrectionOn || settings.hosei != 1) return area;
    return Rect{ClampToInt32(int64_t{area.left} + settings.hoseiLeft),
                ClampToInt32(int64_t{area.top} + settings.hoseiTop),
                ClampToInt32(int64_t{area.right} + settings.hoseiWidth),
                ClampToInt32(int64_t{area.bottom} + settings.hoseiHeight)};
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

// A program that does not know the monitor's scale draws at its own and the system enlarges
// the result on the screen: its own drawing would fill only part of the picture.
bool DrawsAtShownScale(const WindowScale& scale) {
    return scale.drawn == 0 || scale.shown == 0 || scale.drawn == scale.shown;
}

bool BlitToPicture(Grabber& grabber, const Desktop& desktop, const Settings& settings, const Rect& area,
                   int correctionSwitch, const OwnWindowRule& rule) {
    const Rect picture{0, 0, std::max(area.width(), 0), std::max(area.height(), 0)};
    return CopyScreen(grabber, desktop, CorrectedSource(area, settings, correctionSwitch), Point{}, picture, rule);
}

// Whatever the window's own drawing gives (PrintWindow, or its device context) is checked: one
// that does not reach us (a window of another process under Wine, one the graphics card draws on
// Windows) leaves a flat area. While the window is on the screen, the screen has it, and the
// same pixels land at the picture's origin. The part is measured from the window's visible
// frame; its own drawing includes the invisible resize borders around that frame.
bool GrabWindow(Grabber& grabber, const Desktop& desktop, const Settings& settings, WindowId window, const Rect& part) {
    const Rect picture{0, 0, std::max(part.width(), 0), std::max(part.height(), 0)};
    const Rect windowRect = desktop.windowRect(window);
    const Rect bounds = WindowBounds(desktop, window);
    const Rect drawn = Offset(part, int64_t{bounds.left} - windowRect.left, int64_t{bounds.top} - windowRect.top);
    int correction = kCorrectionOff;
    if (RendersItself(desktop.className(window), desktop.osVersionNumber(), settings) &&
        DrawsAtShownScale(desktop.windowScale(window))) {
        // The window's own drawing has no position error to correct.
        const bool printed =
            grabber.printWindow(window, windowRect.width(), windowRect.height(), Point{-drawn.left, -drawn.top});
        if (printed && !grabber.blank(picture)) return true;
        if (!ShowsOnScreen(desktop, window)) return printed;
    } else {
        grabber.copyWindowDc(window, CorrectedSource(drawn, settings, kCorrectionOn), Point{}, CaptureLayered(desktop));
        if (!grabber.blank(picture) || !ShowsOnScreen(desktop, window)) return true;
        correction = kCorrectionOn;
    }
    return BlitToPicture(grabber, desktop, settings, Offset(part, bounds.left, bounds.top), correction,
                         OwnWindowRule{true, window});
}

void DrawCursorOverlay(Grabber& grabber, int32_t originX, int32_t originY) { grabber.drawCursor(originX, originY); }

}  // namespace tessarin
