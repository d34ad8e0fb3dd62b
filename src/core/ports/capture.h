#pragma once
// What the capture engine asks of the desktop: windows, pixels, accessibility, the
// clipboard, message boxes and the window list. Texts are UTF-8; coordinates are screen
// pixels.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/imagelist/image.h"

namespace tessarin {

// A window handle as the number other programs see; 0 = no window.
using WindowId = uint32_t;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// left, top, right, bottom; width = right - left, height = bottom - top (saturating: the
// edges may come from a hand-edited file).
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    [[nodiscard]] int32_t width() const { return Saturate(int64_t{right} - left); }
    [[nodiscard]] int32_t height() const { return Saturate(int64_t{bottom} - top); }
    [[nodiscard]] static int32_t Saturate(int64_t value) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The scales, in dots per inch, at which a window draws itself and at which its monitor shows
// it; they differ for a program the system enlarges. 0 where the system cannot tell.
struct WindowScale {
    int32_t drawn = 0;
    int32_t shown = 0;
};

// Window queries and the version of the operating system.
class Desktop {
public:
    virtual ~Desktop() = default;
    [[nodiscard]] virtual Point cursorPos() const = 0;
    [[nodiscard]] virtual WindowId windowFromPoint(Point p) const = 0;
    [[nodiscard]] virtual WindowId foregroundWindow() const = 0;
    // At most 127 characters, up to the first NUL; "" for a window that does not exist.
    [[nodiscard]] virtual std::string className(WindowId w) const = 0;
    [[nodiscard]] virtual std::string windowText(WindowId w) const = 0;
    // The text a window answers to WM_GETTEXT (at most 4095 characters, up to the first NUL);
    // "" for window 0 and for a window that answers nothing.
    [[nodiscard]] virtual std::string controlText(WindowId w) const = 0;
    // GetParent: the parent, or the owner of a top-level window; 0 when there is none.
    [[nodiscard]] virtual WindowId parent(WindowId w) const = 0;
    [[nodiscard]] virtual Rect windowRect(WindowId w) const = 0;
    [[nodiscard]] virtual bool isVisible(WindowId w) const = 0;
    // Every top-level window in the platform's enumeration order (visible or not).
    [[nodiscard]] virtual std::vector<WindowId> topLevelWindows() const = 0;
    // 2 for the NT family, lower for older systems.
    [[nodiscard]] virtual int osPlatformId() const = 0;
    // Major + minor / 10 (6.1 for 6.1).
    [[nodiscard]] virtual float osVersionNumber() const = 0;
    // The monitors' rectangles, the primary first; left of or above the primary they lie at
    // negative coordinates.
    [[nodiscard]] virtual std::vector<Rect> monitors() const = 0;
    [[nodiscard]] virtual WindowScale windowScale(WindowId w) const = 0;
    // What a top-level window shows on the screen (the compositor's extended frame bounds, without
    // the invisible resize borders of Windows 10 and 11); empty where the system cannot tell (a
    // child window, no compositor).
    [[nodiscard]] virtual Rect frameBounds(WindowId w) const = 0;
    // Visible by its style but not on the screen: a suspended app, a window on another virtual
    // desktop.
    [[nodiscard]] virtual bool isCloaked(WindowId w) const = 0;
    // The window keeps itself out of screen copies (a display affinity): it comes out black.
    [[nodiscard]] virtual bool excludesCapture(WindowId w) const = 0;
    // The window belongs to a program more privileged than ours (an administrator's): the system
    // keeps its keys and pointer from us while it is in front.
    [[nodiscard]] virtual bool morePrivileged(WindowId w) const = 0;
    // A monitor that shows part of the area is in advanced colour (HDR): screen copies come out
    // pale there.
    [[nodiscard]] virtual bool advancedColour(const Rect& area) const = 0;
};

// The accessible object at a screen point.
struct AccessibleObjectInfo {
    bool found = false;
    std::string name;
    std::string value;
    // left, top, width, height; zeros when it cannot be read.
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

class Accessibility {
public:
    virtual ~Accessibility() = default;
    [[nodiscard]] virtual AccessibleObjectInfo objectAt(Point p) const = 0;
};

// One of our own top-level windows on the screen.
struct ShownWindow {
    WindowId id = 0;
    Rect rect;
    friend bool operator==(const ShownWindow&, const ShownWindow&) = default;
};

// The preview picture and the pixel copies into it. The copy rules (which windows draw
// themselves, the position correction, where the monitors are, keeping our windows out) are
// the core's; the adapter only executes them. Copies are clipped to the picture.
class Grabber {
public:
    virtual ~Grabber() = default;
    // Empties the preview picture.
    virtual void clearPicture() = 0;
    // Sizes the picture; a negative extent is taken as 0. False, with the picture emptied, when
    // memory does not allow that size.
    [[nodiscard]] virtual bool resizePicture(int32_t width, int32_t height) = 0;
    // BitBlt of the screen's `source` (on one monitor) to the picture's `to`, with or without
    // the layered windows over the area (CAPTUREBLT).
    virtual void copyScreen(const Rect& source, Point to, bool captureLayered) = 0;
    // BitBlt of `source` of the window's client-area device context (GetDC of the window).
    virtual void copyWindowDc(WindowId w, const Rect& source, Point to, bool captureLayered) = 0;
    // The window renders itself whole (PrintWindow) into a surface of its own size, which lands
    // with its corner at the picture's `to`. False when the window could not be asked.
    [[nodiscard]] virtual bool printWindow(WindowId w, int32_t width, int32_t height, Point to) = 0;
    // Where no monitor is, a copy shows black.
    virtual void fillBlack(const Rect& area) = 0;
    // Whether the area of the picture, clipped to it, holds one colour only (or nothing at all).
    [[nodiscard]] virtual bool blank(const Rect& area) const = 0;
    // Paints the current cursor with its hot spot at the pointer position translated by
    // minus the origin.
    virtual void drawCursor(int32_t originX, int32_t originY) = 0;
    // What the picture holds, handed over: the capture's pixels from then on belong to the
    // core, and the picture keeps none (null for an empty picture or when memory runs out).
    [[nodiscard]] virtual SharedImage takeImage() = 0;

    // Our own windows on the screen, which no copy of the screen may show.
    [[nodiscard]] virtual std::vector<ShownWindow> ownWindows() const = 0;
    // Asks the system to leave our windows out of screen copies (or to show them there again);
    // false where it cannot.
    [[nodiscard]] virtual bool excludeOwnWindows(bool exclude) = 0;
    // Hides or shows one of our windows without activating any window.
    virtual void showOwnWindow(WindowId w, bool shown) = 0;
    // Gives the windows a hidden one uncovered the time to draw themselves again.
    virtual void awaitRepaint() = 0;
};

// The system clipboard; one attempt each, the retries are the core's.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    [[nodiscard]] virtual bool empty() = 0;
    // Puts an image on the clipboard as a bitmap (CF_BITMAP); an empty one puts nothing there.
    [[nodiscard]] virtual bool setImage(const Image& image) = 0;
};

// The user and the rest of the program, as the capture engine meets them.
class CaptureUi {
public:
    virtual ~CaptureUi() = default;
    // A message box with an OK button.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    // Shows the visible-window list modally; the picked class name, or "".
    [[nodiscard]] virtual std::string pickClassFromWindowList() = 0;
    // The fixed range: the range overlay's rectangle in pixels (the overlay is hidden by
    // hideRangeOverlay before the copy).
    [[nodiscard]] virtual Rect rangeRectangle() const = 0;
    virtual void hideRangeOverlay() = 0;
    // Lets pending window messages run (between clipboard attempts).
    virtual void processPendingMessages() = 0;
    virtual void sleepMs(int milliseconds) = 0;
};

}  // namespace tessarin
