#pragma once
// Fakes of the capture-run ports for the native tests. The host and the overlay write what
// they are asked to do as short texts into one shared journal, so a test sees the order.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ports/capture.h"
#include "core/ports/input.h"
#include "core/ports/overlay.h"
#include "core/ports/run_host.h"
#include "core/run/pointer_panel.h"
#include "core/text/text.h"

namespace tessarin::test {

using RunJournal = std::vector<std::string>;

// Keys held now and the "pressed since the last query" bit, as GetAsyncKeyState gives them.
class FakeKeyState : public KeyStateSource {
public:
    Point cursor{100, 200};
    std::map<int, bool> held;
    std::map<int, bool> pressedBit;

    void press(int vk) { held[vk] = pressedBit[vk] = true; }
    void release(int vk) { held[vk] = false; }
    // Only the bit that says the key was pressed since the last query.
    void tap(int vk) { pressedBit[vk] = true; }

    int16_t asyncKeyState(int vk) override {
        int16_t s = held[vk] ? static_cast<int16_t>(-32768) : int16_t{0};
        if (pressedBit[vk]) s = static_cast<int16_t>(s | 1);
        pressedBit[vk] = false;
        return s;
    }
    Point cursorPos() override { return cursor; }
};

// Places the window on whole pixels like the window system does.
class FakeOverlayWindow : public OverlayWindow {
public:
    explicit FakeOverlayWindow(RunJournal& journal, int32_t twipsPerPixel = 15)
        : journal_(journal), tpp_(twipsPerPixel) {}

    bool loaded = false;
    bool visible = false;
    bool mainShown = false;
    TwipsBounds placed;
    std::vector<Rect> focusRects;  // every XOR drawing, in order
    int redraws = 0;
    WindowId handle = 0x5A0;

    void show() override {
        loaded = visible = true;
        journal_.push_back("overlay show");
    }
    void hide() override {
        loaded = true;
        visible = false;
        journal_.push_back("overlay hide");
    }
    void setBounds(int32_t left, int32_t top, int32_t width, int32_t height) override {
        loaded = true;
        placed = TwipsBounds{Snap(left), Snap(top), Snap(width), Snap(height)};
    }
    TwipsBounds bounds() const override { return placed; }
    void makeTopmost() override { journal_.push_back("overlay topmost"); }
    void redraw() override { ++redraws; }
    void unload() override {
        loaded = visible = false;
        placed = {};
        journal_.push_back("overlay unload");
    }
    WindowId id() const override { return loaded ? handle : 0; }
    void showMainWindow() override { mainShown = true; }
    void processPendingMessages() override {}
    void drawFocusRect(Rect pixels) override { focusRects.push_back(pixels); }

private:
    int32_t Snap(int32_t twips) const { return RoundHalfEven(static_cast<double>(twips) / tpp_) * tpp_; }
    RunJournal& journal_;
    int32_t tpp_;
};

class FakeRunDesktop : public Desktop {
public:
    struct Window {
        std::string title;
        std::string className;
        std::string text;  // what WM_GETTEXT answers
        WindowId parent = 0;
        bool visible = true;
    };
    Point cursor{100, 200};
    std::map<std::pair<int32_t, int32_t>, WindowId> atPoint;  // anywhere else: none
    std::map<WindowId, Window> windows;
    WindowId foreground = 0;
    int platformId = 2;

    Point cursorPos() const override { return cursor; }
    WindowId windowFromPoint(Point p) const override {
        const auto it = atPoint.find({p.x, p.y});
        return it == atPoint.end() ? 0 : it->second;
    }
    WindowId foregroundWindow() const override { return foreground; }
    std::string className(WindowId w) const override { return Find(w).className; }
    std::string windowText(WindowId w) const override { return Find(w).title; }
    std::string controlText(WindowId w) const override { return Find(w).text; }
    WindowId parent(WindowId w) const override { return Find(w).parent; }
    Rect windowRect(WindowId) const override { return {}; }
    bool isVisible(WindowId w) const override { return windows.count(w) != 0 && Find(w).visible; }
    std::vector<WindowId> topLevelWindows() const override {
        std::vector<WindowId> ids;
        for (const auto& [id, window] : windows) {
            if (window.parent == 0) ids.push_back(id);
        }
        return ids;
    }
    int osPlatformId() const override { return platformId; }
    float osVersionNumber() const override { return 10.0F; }
    int32_t screenWidth() const override { return 1280; }
    int32_t screenHeight() const override { return 1024; }

private:
    const Window& Find(WindowId w) const {
        static const Window kNone;
        const auto it = windows.find(w);
        return it == windows.end() ? kNone : it->second;
    }
};

class FakeRunAccessibility : public Accessibility {
public:
    std::map<std::pair<int32_t, int32_t>, std::string> names;
    AccessibleObjectInfo objectAt(Point p) const override {
        AccessibleObjectInfo info;
        const auto it = names.find({p.x, p.y});
        if (it != names.end()) {
            info.found = true;
            info.name = it->second;
        }
        return info;
    }
};

class FakeRunHost : public RunHost {
public:
    explicit FakeRunHost(RunJournal& journal) : journal_(journal) {}

    WindowId main = 0x100;
    bool minimised = false;
    std::string caption = "ウィンドウ";
    std::string file;
    std::string text;
    std::deque<CaptureOutcome> outcomes;  // empty: "" (captured, no name)
    PanelTexts panel;
    int panels = 0;
    // Runs inside every processPendingMessages, as a click that arrives meanwhile.
    std::function<void()> onMessages;

    void ShowMessageFrame(int index, bool labelsOnly) override {
        Note("frame " + std::to_string(index) + (labelsOnly ? " labels" : ""));
    }
    void SetStatus(const std::string& status) override { Note("status " + status); }
    void showPanel(const PanelTexts& texts) override {
        panel = texts;
        ++panels;
    }
    void setGoEnabled(bool enabled) override { Note(enabled ? "go on" : "go off"); }
    void setAddEnabled(bool enabled) override { Note(enabled ? "add on" : "add off"); }
    WindowId mainWindow() const override { return main; }
    bool isMinimised() const override { return minimised; }
    void minimise() override {
        minimised = true;
        Note("minimise");
    }
    void restore() override {
        minimised = false;
        Note("restore");
    }
    void unloadMainWindow() override { Note("unload"); }
    void processPendingMessages() override {
        if (onMessages) std::exchange(onMessages, nullptr)();
    }
    std::string targetCaption() const override { return caption; }
    std::string fileName() const override { return file; }
    void setFileName(const std::string& name) override { file = name; }
    std::string winText() const override { return text; }
    void setWinText(const std::string& value) override { text = value; }
    int32_t pictureWidth() const override { return 300; }
    int32_t pictureHeight() const override { return 450; }
    CaptureOutcome MyCapture(std::string_view target) override {
        Note("capture " + std::string(target));
        if (outcomes.empty()) return {};
        CaptureOutcome next = outcomes.front();
        outcomes.pop_front();
        return next;
    }
    void ShowUnlistedCapture() override { Note("unlisted"); }
    void AddToStrip(const std::string& fullPath, const std::string& winText, bool saved) override {
        Note("strip " + fullPath + " | " + winText + (saved ? " | saved" : ""));
    }
    void MarkLastEntryDownloaded() override { Note("blue"); }
    void mnuSave_Click() override { Note("save"); }
    void mnuDel_Click() override { Note("delete"); }
    void ListStep(int direction) override { Note("step " + std::to_string(direction)); }
    void playSound(const std::string& path, bool async) override {
        Note("sound " + path + (async ? " async" : " sync"));
    }

private:
    void Note(std::string line) { journal_.push_back(std::move(line)); }
    RunJournal& journal_;
};

}  // namespace tessarin::test
