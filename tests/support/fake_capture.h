#pragma once
// Fakes of the capture ports for the native tests. Each records what it was asked to do as
// short texts in `calls`; when `journal` is set, the same texts also go there, so a test
// can see the order of calls across ports.

#include <string>
#include <utility>
#include <vector>

#include "core/ports/capture.h"

namespace tessarin::test {

using Journal = std::vector<std::string>;

struct Recorder {
    Journal calls;
    Journal* journal = nullptr;
    void note(const std::string& call) {
        calls.push_back(call);
        if (journal != nullptr) journal->push_back(call);
    }
};

struct FakeWindow {
    WindowId id = 0;
    std::string className;
    std::string title;
    Rect rect;
    bool visible = true;
    bool topLevel = true;
    std::string text;  // what the window answers to WM_GETTEXT
    WindowId parent = 0;

    FakeWindow(WindowId id_, std::string className_, std::string title_, Rect rect_, bool visible_ = true,
               bool topLevel_ = true)
        : id(id_),
          className(std::move(className_)),
          title(std::move(title_)),
          rect(rect_),
          visible(visible_),
          topLevel(topLevel_) {}
};

class FakeDesktop : public Desktop {
public:
    Point cursor{120, 110};
    WindowId underPointer = 0;  // what WindowFromPoint gives at the cursor (0 anywhere else)
    WindowId foreground = 0;
    std::vector<FakeWindow> windows;  // top-level ones in enumeration order
    int platformId = 2;
    float version = 10.0F;
    int32_t width = 1280;
    int32_t height = 1024;

    void add(FakeWindow window) { windows.push_back(std::move(window)); }
    [[nodiscard]] const FakeWindow* find(WindowId id) const {
        for (const FakeWindow& w : windows) {
            if (w.id == id && id != 0) return &w;
        }
        return nullptr;
    }

    Point cursorPos() const override { return cursor; }
    WindowId windowFromPoint(Point p) const override { return p == cursor ? underPointer : 0; }
    WindowId foregroundWindow() const override { return foreground; }
    std::string className(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr ? found->className : "";
    }
    std::string windowText(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr ? found->title : "";
    }
    std::string controlText(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr ? found->text : "";
    }
    WindowId parent(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr ? found->parent : 0;
    }
    Rect windowRect(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr ? found->rect : Rect{};
    }
    bool isVisible(WindowId w) const override {
        const FakeWindow* found = find(w);
        return found != nullptr && found->visible;
    }
    std::vector<WindowId> topLevelWindows() const override {
        std::vector<WindowId> ids;
        for (const FakeWindow& w : windows) {
            if (w.topLevel) ids.push_back(w.id);
        }
        return ids;
    }
    int osPlatformId() const override { return platformId; }
    float osVersionNumber() const override { return version; }
    int32_t screenWidth() const override { return width; }
    int32_t screenHeight() const override { return height; }
};

class FakeAccessibility : public Accessibility {
public:
    std::vector<std::pair<Point, AccessibleObjectInfo>> objects;  // anywhere else: none
    mutable std::vector<Point> queries;

    void add(Point p, AccessibleObjectInfo object) { objects.emplace_back(p, std::move(object)); }
    AccessibleObjectInfo objectAt(Point p) const override {
        queries.push_back(p);
        for (const auto& [at, object] : objects) {
            if (at == p) return object;
        }
        return {};
    }
};

inline AccessibleObjectInfo Named(std::string name, std::string value = "") {
    AccessibleObjectInfo object;
    object.found = true;
    object.name = std::move(name);
    object.value = std::move(value);
    return object;
}

inline AccessibleObjectInfo Located(int32_t left, int32_t top, int32_t width, int32_t height) {
    AccessibleObjectInfo object;
    object.found = true;
    object.left = left;
    object.top = top;
    object.width = width;
    object.height = height;
    return object;
}

inline std::string Coordinates(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy);
}

// Calls read "clear", "resize 50x20", "screen -100,-100 150x120 layered",
// "windowdc 7 0,0 50x20 plain", "print 7 0,0 50x20", "cursor 100,100".
class FakeGrabber : public Grabber, public Recorder {
public:
    void clearPicture() override { note("clear"); }
    void resizePicture(int32_t width, int32_t height) override {
        note("resize " + std::to_string(width) + "x" + std::to_string(height));
    }
    void blitFromScreen(int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) override {
        note("screen " + Coordinates(x, y, cx, cy) + (captureLayered ? " layered" : " plain"));
    }
    void blitFromWindowDc(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) override {
        note("windowdc " + std::to_string(w) + " " + Coordinates(x, y, cx, cy) +
             (captureLayered ? " layered" : " plain"));
    }
    void printWindow(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy) override {
        note("print " + std::to_string(w) + " " + Coordinates(x, y, cx, cy));
    }
    void drawCursor(int32_t originX, int32_t originY) override {
        note("cursor " + std::to_string(originX) + "," + std::to_string(originY));
    }
};

// The first `emptyFailures` emptyings and `setFailures` settings fail.
class FakeClipboard : public Clipboard, public Recorder {
public:
    int emptyFailures = 0;
    int setFailures = 0;
    int emptyAttempts = 0;
    int setAttempts = 0;

    bool empty() override {
        note("clipboard empty");
        return ++emptyAttempts > emptyFailures;
    }
    bool setPicture() override {
        note("clipboard set");
        return ++setAttempts > setFailures;
    }
};

struct ShownMessage {
    std::string text;
    std::string title;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class FakeCaptureUi : public CaptureUi, public Recorder {
public:
    std::vector<ShownMessage> messages;
    std::string pickedClass;  // what the window list hands back
    Rect range;
    int sleptMs = 0;

    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
        note("message");
    }
    std::string pickClassFromWindowList() override {
        note("window list");
        return pickedClass;
    }
    Rect rangeRectangle() const override { return range; }
    void hideRangeOverlay() override { note("hide overlay"); }
    void processPendingMessages() override { note("process messages"); }
    void sleepMs(int milliseconds) override {
        sleptMs += milliseconds;
        note("sleep " + std::to_string(milliseconds));
    }
};

}  // namespace tessarin::test
