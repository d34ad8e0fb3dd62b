#pragma once
// Fakes of the capture ports for the native tests. The grabber, the clipboard and the user
// are one fake that writes each call as a short text into one journal, so a test sees the
// order of calls across them.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/capture.h"
#include "core/text/text.h"

namespace tessarin::test {

using Journal = std::vector<std::string>;

// A journal written as one text, its lines separated by "|".
inline Journal Lines(std::string_view text) {
    Journal lines;
    for (std::string& line : SplitAll(text, "|"))
        if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

struct FakeWindow {
    WindowId id = 0;
    std::string className{}, title{};
    Rect rect{};
    bool visible = true, topLevel = true;
    std::string text{};  // what the window answers to WM_GETTEXT
    WindowId parent = 0;
    WindowScale scale{96, 96};
    Rect frame{};  // the compositor's bounds; empty: none
    bool cloaked = false, excludesCapture = false, privileged = false;
};

// The top-level windows are enumerated in the order added; unknown ids and 0 answer "" and
// zeros.
struct FakeDesktop : Desktop {
    Point cursor{120, 110};
    WindowId underPointer = 0, foreground = 0;
    std::vector<FakeWindow> windows;
    int platformId = 2;
    float version = 10.0F;
    std::vector<Rect> monitorRects{{0, 0, 1280, 1024}};

    const FakeWindow& find(WindowId id) const {
        static const FakeWindow kNone{.visible = false};
        const auto found = std::ranges::find(windows, id, &FakeWindow::id);
        return found != windows.end() && id != 0 ? *found : kNone;
    }
    Point cursorPos() const override { return cursor; }
    WindowId windowFromPoint(Point p) const override { return p == cursor ? underPointer : 0; }
    WindowId foregroundWindow() const override { return foreground; }
    std::string className(WindowId w) const override { return find(w).className; }
    std::string windowText(WindowId w) const override { return find(w).title; }
    std::string controlText(WindowId w) const override { return find(w).text; }
    WindowId parent(WindowId w) const override { return find(w).parent; }
    Rect windowRect(WindowId w) const override { return find(w).rect; }
    bool isVisible(WindowId w) const override { return find(w).visible; }
    std::vector<WindowId> topLevelWindows() const override {
        std::vector<WindowId> ids;
        for (const FakeWindow& w : windows) ids.insert(ids.end(), w.topLevel ? 1 : 0, w.id);
        return ids;
    }
    int osPlatformId() const override { return platformId; }
    float osVersionNumber() const override { return version; }
    std::vector<Rect> monitors() const override { return monitorRects; }
    WindowScale windowScale(WindowId w) const override { return find(w).scale; }
    Rect frameBounds(WindowId w) const override { return find(w).frame; }
    bool isCloaked(WindowId w) const override { return find(w).cloaked; }
    bool excludesCapture(WindowId w) const override { return find(w).excludesCapture; }
    bool morePrivileged(WindowId w) const override { return find(w).privileged; }
    std::vector<Rect> advancedColourMonitors;
    bool advancedColour(const Rect& area) const override {
        return std::ranges::any_of(advancedColourMonitors, [&](const Rect& m) {
            return m.left < area.right && area.left < m.right && m.top < area.bottom && area.top < m.bottom;
        });
    }
};

// Accessible objects are found only at their exact points.
struct FakeAccessibility : Accessibility {
    std::vector<std::pair<Point, AccessibleObjectInfo>> objects;

    void add(Point p, AccessibleObjectInfo object) { objects.emplace_back(p, std::move(object)); }
    AccessibleObjectInfo objectAt(Point p) const override {
        const auto found = std::ranges::find(objects, p, &std::pair<Point, AccessibleObjectInfo>::first);
        return found != objects.end() ? found->second : AccessibleObjectInfo{};
    }
};

inline AccessibleObjectInfo Named(std::string name, std::string value = "") {
    return {.found = true, .name = std::move(name), .value = std::move(value)};
}

// Calls read "screen 13 12 50 30 0 0 1" (the source's left, top, right, bottom, where it lands,
// with layered windows), "windowdc 7 3 2 50 20 0 0 1" (window id first), "print 7 290 200 0 0"
// (id, size, where it lands), "black 0 0 97 48", "hide 5", "exclude 1", "message text / title".
// The first `emptyFailures` emptyings and `setFailures` settings fail.
struct FakeDevices : Grabber, Clipboard, CaptureUi {
    Journal log;
    int emptyFailures = 0, setFailures = 0;
    std::string pickedClass;  // what the window list hands back
    Rect range;
    std::vector<ShownWindow> own;  // our windows on the screen
    bool canExclude = false;       // the system leaves them out of copies by itself

    void note(std::string call, auto... values) {
        ((call += " " + std::to_string(values)), ...);
        log.push_back(std::move(call));
    }
    void clearPicture() override { note("clear"); }
    bool resizeFails = false;  // memory does not allow the size
    bool resizePicture(int32_t cx, int32_t cy) override { return note("resize", cx, cy), !resizeFails; }
    void copyScreen(const Rect& s, Point to, bool l) override {
        note("screen", s.left, s.top, s.right, s.bottom, to.x, to.y, l);
    }
    void copyWindowDc(WindowId i, const Rect& s, Point to, bool l) override {
        note("windowdc", i, s.left, s.top, s.right, s.bottom, to.x, to.y, l);
    }
    bool printFails = false;  // the window cannot be asked to draw itself
    bool printWindow(WindowId i, int32_t w, int32_t h, Point to) override {
        return note("print", i, w, h, to.x, to.y), !printFails;
    }
    void fillBlack(const Rect& a) override { note("black", a.left, a.top, a.right, a.bottom); }
    bool blankPrint = false;  // what a window drew for itself came out flat
    bool blank(const Rect&) const override { return blankPrint; }
    void drawCursor(int32_t x, int32_t y) override { note("cursor", x, y); }
    SharedImage taken = std::make_shared<Image>(Image{2, 1, {1, 2}});  // what the picture holds
    SharedImage takeImage() override { return taken; }
    std::vector<ShownWindow> ownWindows() const override { return own; }
    bool excludeOwnWindows(bool exclude) override { return note("exclude", exclude ? 1 : 0), canExclude; }
    void showOwnWindow(WindowId w, bool shown) override { note(shown ? "show" : "hide", w); }
    void awaitRepaint() override { note("repaint"); }
    bool empty() override { return note("clipboard empty"), emptyFailures-- <= 0; }
    bool setImage(const Image&) override { return note("clipboard set"), setFailures-- <= 0; }
    void messageBox(const std::string& text, const std::string& t) override { note("message " + text + " / " + t); }
    std::string pickClassFromWindowList() override { return note("window list"), pickedClass; }
    Rect rangeRectangle() const override { return range; }
    void hideRangeOverlay() override { note("hide overlay"); }
    void processPendingMessages() override { note("process messages"); }
    void sleepMs(int milliseconds) override { note("sleep", milliseconds); }
};

}  // namespace tessarin::test
